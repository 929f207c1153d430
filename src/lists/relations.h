#pragma once
// What an entry is played by and what it plays, as the line below a detail panel says it and
// its tooltip lists it in full. Texts are UTF-8.

#include <cstdint>
#include <string>
#include <vector>

#include "db/record_files.h"
#include "db/references.h"
#include "pcg/pcg_image.h"

namespace pelvaro::lists {

struct WhereUsed {
    std::string line;              // "Played by 3 combinations: 5 SPLIT, 7 LAYER, 12 PADS"
    std::vector<std::string> tip;  // every one of them, up to forty, then "... and N more"
};

// The combinations that play a program entry and, for a drum program, the other programs on
// its drum kit: "Played by 2 combinations: 1 SPLIT, 2 LAYER; its drum kit also by 1 program:
// 4 KIT TWO", or "Played by no combination".
WhereUsed programWhereUsed(const db::RecordFiles& files, db::References& references,
                           std::int32_t program);
// The programs a combination entry plays: "Plays 5 PAD, 1 PIANO, GM", or "Plays no program";
// the tooltip names each timbre ("Timbre 3: -").
WhereUsed combinationPlays(const db::RecordFiles& files, std::int32_t combination);

// The same for the slots of the open PCG, each named by slot and name ("A05 PAD").
// What a combination slot plays: "Plays A05 PAD, GM, empty slot A07" (a switched-off timbre
// only in the tooltip: "Timbre 3: off"); "Empty slot" for a slot without a combination.
WhereUsed pcgCombinationPlays(const pcg::PcgState& pcg, int slot);
// The used combinations that play a program slot: "Played by 2 combinations: A00 SPLIT, A05
// LAYER", for a drum program with "; its drum kit also by 1 program: A04 KIT TWO"; for a slot
// without a program, who plays it as empty: "Empty slot, played by 1 combination: A00 SPLIT".
WhereUsed pcgProgramWhereUsed(const pcg::PcgState& pcg, int slot);

}  // namespace pelvaro::lists
