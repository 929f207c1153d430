#pragma once
// Organising a large collection: the entries nearest to one, the groups of near-duplicates and
// of entries that share a name, and the merge of a group into the entry the user keeps. Only the
// merge changes the database, as one undo step; the searches change nothing and leave none.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "db/event_lines.h"
#include "session/outcome.h"
#include "session/session.h"
#include "transfer/merge.h"
#include "transfer/near_duplicates.h"
#include "transfer/similarity.h"

namespace pelvaro::session {

// "Find Similar": the `count` entries of kind nearest to entry id, nearest first; the names in
// UTF-8.
std::vector<transfer::Neighbour> findSimilar(Session& session, db::Kind kind, std::int32_t id,
                                             std::size_t count);

// "Find Near Duplicates": the groups within maxBytes (1-8; 0: the same sound stored more than
// once), largest first, and the groups of entries that share a name and are not one sound.
std::vector<std::vector<std::int32_t>> findNearDuplicates(Session& session, db::Kind kind,
                                                          int maxBytes);
std::vector<transfer::NameGroup> findSameNames(Session& session, db::Kind kind);

// What merging members into kept would change (the preview), without changing anything.
transfer::MergePlan previewMerge(Session& session, db::Kind kind,
                                 const std::vector<std::int32_t>& members, std::int32_t kept);

// summary: "Merged 3 programs into program 12 PIANO 1: 5 combinations now play it, 1
// combination that became the same sound merged into another, 2 classes gained"; events: a line
// per merged and per folded entry, the kept entries' new numbers, no room. A failing disk leaves
// both empty and says so in failure: Undo takes back what the merge did before it.
struct MergeResult : Outcome {
    std::int32_t kept = 0;                    // the kept entry's ID afterwards
    std::vector<std::string> classesLeftOut;  // the paths of the classes that did not fit
    int merged = 0;                           // entries of the plan's kind merged into the kept one
    int folded = 0;                           // combinations folded into one of the same sound
    // The entries that took freed numbers, in order: programs, combinations.
    std::array<std::vector<db::Renumbering>, 2> renumbered;
};
// The undo step of a merge, counted as its summary counts: "Merge 4 Programs" after "Merged 4
// programs into program 1", "Merge 4 Programs and 2 Combinations" when two combinations that
// became the same sound were merged as well.
std::string mergeStepName(db::Kind kind, std::int64_t merged, std::int64_t folded = 0);
// Merges as the plan (of previewMerge) says, as one undo step named by mergeStepName. Refused
// (io::RefusalError) when the plan's entries have changed since it was made; nothing changes.
MergeResult merge(Session& session, const transfer::MergePlan& plan);

// What dedupe merged, an entry a row: its ID and that of the entry it went into, as the
// database had them when dedupe began, and how many values they differed in.
struct DedupeRow {
    db::Kind kind;
    std::int32_t kept;
    std::int32_t merged;
    int bytes;
};
// Merges every group of near-duplicates within maxBytes (0-8) into its lowest ID (as the
// database numbered it when dedupe began), each by previewMerge and merge as the window's Merge
// does (an undo step each): the programs' groups first, then the groups of combinations found
// afterwards, so that with maxBytes 0 no two entries of a kind are the same sound afterwards.
// The rows in the order merged.
std::vector<DedupeRow> dedupe(Session& session, bool programs, bool combinations, int maxBytes);

}  // namespace pelvaro::session
