#pragma once
// Merging a group of entries into the one the user keeps. Every combination that plays a merged
// program plays the kept program instead; a merged drum program's kit is merged into the kept
// program's kit only when the two kits are of the same content (then the drum programs that
// play it play the kept kit, and no sound changes; a kit of another content stays, with the
// programs that play it, since kits are never listed and the user chose none); the kept entry
// gains the merged entries' classes as far as it has room for nine, and nothing else of it
// changes; then the merged entries are deleted as Delete deletes entries, the last entries
// taking the freed numbers with every reference following them.
//
// A merge of programs leaves no combination that it made the same sound as another stored one
// (distance 0, see similarity.h, whatever slots their programs were sent from): those are
// folded into the lowest ID of them in the same way, the kept one gaining the others' classes.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "db/entry_deletion.h"
#include "db/event_lines.h"
#include "db/record_files.h"
#include "db/references.h"

namespace pelvaro::transfer {

// The classes a kept entry gains from the entries merged into it, as far as it has room.
struct ClassGain {
    std::array<Byte, db::kClassSlots> keptClasses{};  // the kept entry's class slots after it
    std::vector<int> gained;
    std::vector<int> leftOut;  // no room: the kept entry would hold more than nine
};

// What a merge will change, worked out before it runs.
struct MergePlan {
    db::Kind kind = db::Kind::Program;
    std::int32_t kept = 0;
    std::vector<std::int32_t> merged;  // ascending
    std::vector<int> distances;        // of each merged entry from the kept one
    // A timbre that will play the kept program in place of a merged one; bytes: how many
    // compared values of the two programs differ (0: the same sound).
    struct Timbre {
        std::int32_t combination;
        int timbre;  // 0-7
        std::int32_t program;
        int bytes;
    };
    std::vector<Timbre> timbres;
    // Drum programs that will play the kept program's kit in place of a kit of the same content.
    struct KitMove {
        std::int32_t program;
        std::int32_t kit;
    };
    std::vector<KitMove> kitMoves;
    std::int32_t keptKit = 0;
    ClassGain classes;
    // Combinations that the programs' merge makes the same sound as each other: merged into
    // the lowest ID of them (ascending by it).
    struct Fold {
        std::int32_t kept;
        std::vector<std::int32_t> merged;  // ascending
        ClassGain classes;
        bool operator==(const Fold& o) const { return kept == o.kept && merged == o.merged; }
    };
    std::vector<Fold> folds;
    std::int64_t foldedCount() const;
    // The preview, a line each (UTF-8): what is kept and merged, each timbre that will play a
    // sound that differs, the drum programs moved, the combinations folded, the classes gained
    // and those left out.
    std::vector<std::string> lines;
    // The entries as they were when the plan was made, kept first: a merge after the database
    // changed under them is refused.
    std::vector<std::vector<Byte>> seen;
};

// The merge of `members` (Program or Combination entries, at least two) into `kept`, one of
// them. With `references`, the combinations and drum programs that refer to the merged entries
// are looked up in it rather than read from the files. Refuses (io::RefusalError, caption
// "Merge") fewer than two entries, an ID that names no entry and a kept entry not among them.
MergePlan planMerge(const db::RecordFiles& files, db::Kind kind,
                    const std::vector<std::int32_t>& members, std::int32_t kept,
                    db::References* references = nullptr);

struct MergeOutcome {
    std::int32_t kept = 0;    // the kept entry's ID after the deletions renumbered
    std::int32_t merged = 0;  // entries merged into it and deleted
    int combinations = 0;     // combinations that play the kept program in place of another
    int soundChanges = 0;     // of their timbres, those that play a sound that differs
    int drumPrograms = 0;     // drum programs that play the kept kit in place of another
    std::vector<int> classesGained;
    std::vector<int> classesLeftOut;
    int folded = 0;  // combinations folded into another of the same sound and deleted
    // The entries that took freed numbers, in order: programs, combinations.
    std::array<std::vector<db::Renumbering>, 2> renumbered;
    // Every program and combination whose number changed (db::deleteEntries).
    std::array<std::vector<db::NewNumber>, 2> numbers;
    db::EventLines events;  // what the deletions could not do (nothing, when all is in step)
};

// Carries out the plan on the database as it is now (the references are looked up again), all
// or nothing but for a failing disk. When any entry of the plan has changed since it was made,
// or other combinations would be folded, refuses ("Merge": the group must be found again) and
// changes nothing.
MergeOutcome merge(db::RecordFiles& files, const MergePlan& plan,
                   db::References* references = nullptr);

}  // namespace pelvaro::transfer
