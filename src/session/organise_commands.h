#pragma once
// Organising a large collection: the entries nearest to one, the groups of near-duplicates and
// of entries that share a name, and the merge of a group into the entry the user keeps. Only the
// merge changes the database, as one undo step; the searches change nothing and leave none.

#include <cstdint>
#include <string>
#include <vector>

#include "db/event_lines.h"
#include "session/session.h"
#include "transfer/merge.h"
#include "transfer/near_duplicates.h"
#include "transfer/similarity.h"

namespace pelvaro::session {

// "Find Similar": the `count` entries of kind nearest to entry id, nearest first.
std::vector<transfer::Neighbour> findSimilar(Session& session, db::Kind kind, std::int32_t id,
                                             std::size_t count);

// "Find Near Duplicates": the groups within maxBytes (1-8), largest first, and the groups of
// entries that share a name and are not one sound.
std::vector<std::vector<std::int32_t>> findNearDuplicates(Session& session, db::Kind kind,
                                                          int maxBytes);
std::vector<transfer::NameGroup> findSameNames(Session& session, db::Kind kind);

// What merging members into kept would change (the preview), without changing anything.
transfer::MergePlan previewMerge(Session& session, db::Kind kind,
                                 const std::vector<std::int32_t>& members, std::int32_t kept);

struct MergeResult {
    std::int32_t kept = 0;  // the kept entry's ID afterwards
    // "Merged 3 programs into program 12 PIANO 1: 5 combinations now play it, 2 classes gained"
    std::string summary;
    std::vector<std::string> classesLeftOut;  // the paths of the classes that did not fit
    db::EventLines events;  // a line per merged entry, the kept entry's new number, no room
};
// The undo step of a merge: "Merge 4 Programs" (the group's size, the kept entry counted).
std::string mergeStepName(db::Kind kind, std::size_t members);
// Merges as the plan (of previewMerge) says, as one undo step named by mergeStepName. Refused
// (io::RefusalError) when the plan's entries have changed since it was made; nothing changes.
MergeResult merge(Session& session, const transfer::MergePlan& plan);

}  // namespace pelvaro::session
