#pragma once
// One-line accounts of what a command did and of what is open, for the status bar: "Sent 128
// programs: 12 new, 116 already stored", "Placed 6 programs and 2 drum kits", "1,234 programs,
// 567 combinations, 40 drum kits, 12 classes".

#include <cstdint>
#include <string>

#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::session {

// "1 program", "1,234 programs".
std::string countOf(std::int64_t n, const char* singular, const char* plural);

// A send to the database: how many programs and combinations were sent (slots of the PCG), and
// how many entries of each kind are new. Entries that came along with others (the programs of a
// combination, the drum kits of drum programs) are named after the sent ones.
struct SendCounts {
    std::int32_t sentPrograms = 0;
    std::int32_t sentCombinations = 0;
    std::int32_t newPrograms = 0;
    std::int32_t newCombinations = 0;
    std::int32_t newDrumKits = 0;
};
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
