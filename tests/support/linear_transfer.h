#pragma once
// PCG -> database done the plain way, as a yardstick for the transfer engine: every look-up
// reads the entries one record per call from entry 1 upwards and stops at the first match.
// Written apart from the engine (its own matching rules, its own explanation text), so a test
// that finds the same bytes in both databases checks the engine's index and its rules alike.
// A combination counts as stored when an entry has its compared bytes and plays the program
// entries its timbres are sent to.

#include <cstdint>
#include <string>
#include <vector>

#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::testing {

class LinearTransfer {
  public:
    // Each scan reads one record per call, the plainest way there is, or all entries of the
    // file in one read (the same answers, for tests that scan often).
    enum class Reads { OneRecordPerCall, WholeFile };

    LinearTransfer(const pcg::PcgState& pcg, db::RecordFiles& files,
                   Reads reads = Reads::OneRecordPerCall)
        : pcg_(pcg), files_(files), reads_(reads) {}

    std::int32_t sendDrumKitToDatabase(int kit);
    std::int32_t sendProgramToDatabase(int slot);
    std::int32_t sendCombinationToDatabase(int slot, std::vector<std::string>& events);

    void sendPcgToDatabase(std::vector<std::string>& events);
    void sendOnlyProgramsOfPcg(std::vector<std::string>& events);
    void sendOnlyCombinationsOfPcg(std::vector<std::string>& events);

  private:
    std::string explanation() const;
    // The idNumber of the first entry from 1 upwards for which match holds, or -1.
    template <class Entry, class Match>
    std::int32_t scan(Match match) const;

    const pcg::PcgState& pcg_;
    db::RecordFiles& files_;
    Reads reads_;
    mutable std::vector<Byte> wholeFile_;
};

}  // namespace pelvaro::testing
