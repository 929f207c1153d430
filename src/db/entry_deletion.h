#pragma once
// Deleting database entries. Entry numbers stay gapless: the last entry of the file moves into
// the freed number and the references to it follow. Drum-kit entries are never deleted.

#include <cstdint>
#include <string>
#include <vector>

#include "db/event_lines.h"
#include "db/record_files.h"

namespace pelvaro::db {

enum class Deletion { Deleted, Refused, NoSuchEntry };

// Deletes program entry n unless a combination entry plays it; then adds "Program <n> is used
// by some Combinations.Cannot delete it." and changes nothing. The combinations that play the
// last entry are pointed at n before the last entry's number drops, so a failure on the way
// never leaves a combination playing the deleted program or a number beyond the count.
// An n outside 1..count deletes nothing and adds no line.
Deletion deleteProgramEntry(RecordFiles& files, std::int32_t n, EventLines& events);

// Deletes combination entry n; nothing refers to combinations, so nothing is refused.
Deletion deleteCombinationEntry(RecordFiles& files, std::int32_t n);

// "&Delete" on a database tab: clears the event list, then deletes the given entries in order
// (the selected rows first to last, or the current row's entry alone). Each goes under its
// number at that moment: an entry that an earlier deletion moved is deleted under its new
// number, so exactly the given entries go.
void deleteProgramEntries(RecordFiles& files, const std::vector<std::int32_t>& ids,
                          EventLines& events);
void deleteCombinationEntries(RecordFiles& files, const std::vector<std::int32_t>& ids,
                              EventLines& events);

// An entry that took a freed number: the former last entry `from` is now entry `to`.
struct Renumbering {
    std::int32_t from;
    std::int32_t to;
};
// An entry's number before a deletion and after it (0: deleted).
struct NewNumber {
    std::int32_t before = 0;
    std::int32_t after = 0;
};
// The same deletions (programs or combinations) without clearing the event list, for commands
// that delete as part of their work. Returns the entries that took freed numbers, in order, so
// the caller can follow an entry it keeps; `numbers`, when given, gets every entry whose number
// changed, from its number before the first deletion to its number after the last.
std::vector<Renumbering> deleteEntries(RecordFiles& files, Kind kind,
                                       const std::vector<std::int32_t>& ids, EventLines& events,
                                       std::vector<NewNumber>* numbers = nullptr);

}  // namespace pelvaro::db
