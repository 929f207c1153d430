#pragma once
// What a PCG or a database holds, as a table of text for people and for other programs: the
// patch lists of "Export List..." and of pelvaro-cli. Texts are UTF-8 (names and explanations
// converted from the instrument's 8-bit code page); nothing is changed by making them.

#include <cstdint>
#include <string>
#include <vector>

#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::lists {

struct Table {
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows;
};

// The program or combination slots of both banks, A00 to B99: for programs the slot, the name,
// the oscillator mode ("Single", "Double", "Drums") and a drum program's kit slot; for
// combinations the slot, the name and, for each timbre, the slot and name of the program it
// plays, or "GM" for one outside the banks (a switched-off timbre is empty). An empty slot has
// its slot alone.
Table pcgTable(const pcg::PcgState& pcg, pcg::SlotKind kind);

// The rows of a database list (entries by their IDs, in list order): ID, name, class paths
// (joined by "; "), for programs the drum-kit ID and for combinations the program IDs of the
// timbres ("GM" for one outside the banks), and the explanation (line breaks as they are).
Table databaseTable(const db::RecordFiles& files, db::Kind kind,
                    const std::vector<std::int32_t>& ids);

// The table as CSV (RFC 4180): the headings, then a row per row.
std::string tableCsv(const Table& table);
// The table as text: columns separated by a tab, a row a line (a line break or a tab within a
// field shown as a space).
std::string tableText(const Table& table);

}  // namespace pelvaro::lists
