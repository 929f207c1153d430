#pragma once
// Two sounds side by side: what a musician reads (name, mode, oscillator sounds, drum kit, the
// timbres' programs), the bytes that differ beyond the name, and the verdict of the rule that
// decides whether they are one sound.

#include <array>
#include <string>
#include <vector>

#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::transfer {

struct ByteDifference {
    int offset = 0;
    Byte left = 0;
    Byte right = 0;
    bool compared = true;  // false for a byte the matching rule leaves out
};

struct Comparison {
    std::vector<std::string> labels;  // "Name", "Mode", ...
    std::vector<std::string> left;    // one value per label
    std::vector<std::string> right;
    std::vector<ByteDifference> bytes;  // every byte after the name that differs, ascending
    int comparedDifferences = 0;
    // "identical", "identical apart from the name", "different in 3 bytes"
    std::string verdict;
};

// A program as one side shows it: its name, its record, and its drum kit as the user knows it
// ("ID 3" in a database, "slot 1" in a PCG; empty for a program that is no drum program).
struct ProgramSide {
    std::string name;
    pcg::ConstProgramBytes record;
    std::string kit;
};
// kitsEqual: both play kits of the same content (in a database, the same drum-kit entry). Then
// the kit slot byte of two drum programs is not a difference, as the matching rule has it.
Comparison comparePrograms(const ProgramSide& left, const ProgramSide& right, bool kitsEqual);

// A combination: its name, its record, and what each timbre plays as the user knows it
// ("ID 5 PIANO 1", "A05 PIANO 1", "GM", "off").
struct CombinationSide {
    std::string name;
    pcg::ConstCombinationBytes record;
    std::array<std::string, pcg::combination::kTimbreCount> timbres;
};
Comparison compareCombinations(const CombinationSide& left, const CombinationSide& right);

// The same for what the lists show, texts in UTF-8 (names converted from the records' Latin-1).
// Two entries of the database: a drum kit shown by its entry ID ("ID 3"), and two drum programs
// on the same kit entry play one kit; each timbre as "ID 5 PIANO 1", "GM" or "-".
Comparison compareProgramEntries(const db::RecordFiles& files, std::int32_t left,
                                 std::int32_t right);
Comparison compareCombinationEntries(const db::RecordFiles& files, std::int32_t left,
                                     std::int32_t right);
// Two slots of a PCG: a drum kit shown by its slot ("slot 1"), kits of the same content are one
// kit wherever they lie; each timbre as "A05 PIANO 1", "GM" or "off".
Comparison comparePcgPrograms(const pcg::PcgState& pcg, int left, int right);
Comparison comparePcgCombinations(const pcg::PcgState& pcg, int left, int right);

}  // namespace pelvaro::transfer
