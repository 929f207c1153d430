#pragma once
// One-line accounts of what a command did and of what is open, for the status bar: "Sent 128
// programs: 12 new, 116 already stored", "Placed 6 programs and 2 drum kits", "1,234 programs,
// 567 combinations, 40 drum kits, 12 classes".

#include <cstdint>
#include <string>

#include "db/record_files.h"
#include "io/wording.h"
#include "pcg/pcg_image.h"

namespace pelvaro::session {

// A send to the database, per kind: how many were sent (the used slots of the PCG; its four
// drum kits when the whole PCG went), how many of them are new entries, and how many were
// stored already. Entries that came along with others (the programs of a combination, the drum
// kits of drum programs) are new without having been sent.
struct Tally {
    std::int32_t sent = 0;
    std::int32_t fresh = 0;
    std::int32_t stored() const { return sent > fresh ? sent - fresh : 0; }
};
struct SendCounts {
    Tally programs{};
    Tally combinations{};
    Tally drumKits{};
    SendCounts& operator+=(const SendCounts& other);
};

// Counts a send: made before it, asked after it how many entries of each kind are new.
class SendCounter {
  public:
    explicit SendCounter(const db::RecordFiles& files);
    SendCounts counted(const db::RecordFiles& files, std::int32_t programsSent,
                       std::int32_t combinationsSent, std::int32_t drumKitsSent = 0) const;

  private:
    std::int32_t programs_;
    std::int32_t combinations_;
    std::int32_t drumKits_;
};

// "programs 3 new, 1 stored; combinations 2 new, 0 stored; drum kits 1 new, 3 stored": a line
// of the reports of many files sent and of databases merged.
std::string tallyText(const SendCounts& counts);

// "Sent 128 programs: 12 new, 116 already stored; ...; with them 1 drum kit new".
std::string sendSummary(const SendCounts& counts);

// A send to the PCG: the slots that took a record, and whether the event list names entries
// that found no place.
std::string placeSummary(std::int32_t programs, std::int32_t combinations, std::int32_t drumKits,
                         bool someNotPlaced);

// "180 programs, 95 combinations": the used slots of a PCG.
std::string pcgSummary(const pcg::PcgState& pcg);
// "1,234 programs, 567 combinations, 40 drum kits, 12 classes".
std::string databaseSummary(const db::RecordFiles& files);

}  // namespace pelvaro::session
