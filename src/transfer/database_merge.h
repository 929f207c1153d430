#pragma once
// Another database's entries brought into the record files, each as a send would store it: an
// entry identical to one stored here (by the matching rules, through the matching index; a
// combination also plays the same programs here) is stored once, and what is new is appended
// in the order of the other database, its drum kits first, then its programs, then its
// combinations, a drum program playing the kit it played, a combination the programs it
// played. A new entry keeps every byte it had there but its references, its class slots and its
// ID. What an entry carries comes with it: its classes by their paths (db/class_paths.h), at
// most nine an entry, and its explanation, which an entry stored already gains after a line
// "Also: " (see gainExplanation).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/class_paths.h"
#include "db/database_file.h"
#include "transfer/to_database.h"

namespace pelvaro::transfer {

// Where the entries of a database brought in went: element n is the ID here of its entry n
// (element 0 unused), for whatever follows the entries (where each came from, marks).
struct EntryMapping {
    std::vector<std::int32_t> programs;
    std::vector<std::int32_t> combinations;
    std::vector<std::int32_t> drumKits;
};

// An explanation an entry stored already gains from an identical entry brought in.
struct GainedExplanation {
    enum class Gain {
        None,     // nothing to gain: the other is empty, or the entry's own holds it already
        Whole,    // the other's after a line "Also: " (or the other's alone, for an entry
                  // without one of its own)
        Cut,      // no room for all of it: as much as fits, ending in "..."
        LeftOff,  // no room for ten of its characters: nothing of it
    };
    std::string text;  // the explanation after it (the entry's own when nothing is gained)
    Gain gain = Gain::None;
};
// Within the 79 characters of the field; a line break is "\r\n", never cut in two. A gain cut
// before is not gained again (a merge of the same database twice changes nothing).
GainedExplanation gainExplanation(std::string_view own, std::string_view other);

struct DatabaseMergeResult {
    EntryMapping ids;
    // Per kind (programs, combinations, drum kits): the entries there and those made new here.
    std::array<std::int32_t, 3> entries{};
    std::array<std::int32_t, 3> fresh{};
    // The explanations entries stored already gained whole, cut, or left off for want of room.
    std::int32_t explanationsGained = 0;
    std::int32_t explanationsCut = 0;
    std::int32_t explanationsLeftOff = 0;
    // Classes here that an entry here could not take (it holds nine).
    struct ClassesLeftOut {
        db::Kind kind;
        std::int32_t id;
        std::vector<std::int32_t> classes;
    };
    std::vector<ClassesLeftOut> classesLeftOut;
};

// Brings every entry of `source` into `here`, its classes through `classes` (made for source's
// class tree). Reads the source in large blocks; the writes go through the record files, so they
// are gathered, watched and undone as every write is. A failing disk throws io::FileError with
// what was stored before it in the files.
DatabaseMergeResult mergeDatabaseEntries(DatabaseSide here, const db::StoredDatabase& source,
                                         db::ClassImport& classes);

}  // namespace pelvaro::transfer
