#pragma once
// The detail panels of the two database tabs: the texts they show for the focused entry, and
// Submit, which writes an edited name and explanation back.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::db {

// The drum-kit ID shown for a program that plays no drum kit.
inline constexpr std::string_view kNoDrumKitText = "-----------";

struct ProgramDetails {
    std::string idNumber;
    std::string drumId;  // the kit's entry ID, or the dashes
    std::string name;
    std::string explanation;                       // line breaks as "\n"
    std::array<std::string, kClassSlots> classes;  // a path, or " " for an empty slot
};

struct CombinationDetails {
    std::string idNumber;
    std::string name;
    std::string explanation;                       // line breaks as "\n"
    std::array<std::string, kClassSlots> classes;  // a path, or " " for an empty slot
    std::vector<std::string> timbreIds;            // one row per timbre that is not 0
};

ProgramDetails programDetails(const RecordFiles& files, std::int32_t id);
CombinationDetails combinationDetails(const RecordFiles& files, std::int32_t id);

// Both panels, each from the entry of the focused row of its list. A list without a focused row
// leaves its panel empty (nullopt): every field blank, no class rows.
struct DetailPanels {
    std::optional<ProgramDetails> program;
    std::optional<CombinationDetails> combination;
};
DetailPanels entryDetails(const RecordFiles& files, std::optional<std::int32_t> programId,
                          std::optional<std::int32_t> combinationId);

// The explanation as the memo shows it ("\r\n" as "\n"), and the memo's text as it is stored:
// every line break as a carriage return and a line feed, cut to 79 characters (a pair that
// would be cut in two is left out whole).
std::string memoText(std::string_view explanation);
std::string storedExplanation(std::string_view memo);

// A name written into the first ten bytes of a program or combination record as Submit writes
// it: ten characters fill the field; a shorter name is followed by one zero byte and the bytes
// after it keep what they held; more than ten characters are cut.
void putEntryName(Bytes record, std::string_view name);

// Submit: the name goes into the first ten bytes of the instrument record (a shorter one is
// followed by one zero byte, the bytes after it keep what they held; more than ten characters
// are cut), the memo's text into the explanation. Nothing else of the entry changes. Returns
// false, writing nothing, when id names no entry (an empty list).
bool submitProgram(RecordFiles& files, std::int32_t id, std::string_view name,
                   std::string_view memo);
bool submitCombination(RecordFiles& files, std::int32_t id, std::string_view name,
                       std::string_view memo);

}  // namespace pelvaro::db
