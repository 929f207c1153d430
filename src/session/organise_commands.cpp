#include "session/organise_commands.h"

#include <numeric>

#include "db/class_tree.h"
#include "db/name_replace.h"
#include "session/summaries.h"

namespace pelvaro::session {

using db::Kind;

std::vector<transfer::Neighbour> findSimilar(Session& session, Kind kind, std::int32_t id,
                                             std::size_t count) {
    auto found = transfer::findSimilar(session.files(), kind, id, count);
    for (transfer::Neighbour& n : found)
        n.name = latin1ToUtf8(n.name);
    return found;
}

std::vector<std::vector<std::int32_t>> findNearDuplicates(Session& session, Kind kind,
                                                          int maxBytes) {
    return transfer::nearDuplicateGroups(session.files(), kind, maxBytes);
}

std::vector<transfer::NameGroup> findSameNames(Session& session, Kind kind) {
    return transfer::sameNameGroups(session.files(), kind);
}

transfer::MergePlan previewMerge(Session& session, Kind kind,
                                 const std::vector<std::int32_t>& members, std::int32_t kept) {
    return transfer::planMerge(session.files(), kind, members, kept, &session.references());
}

std::string mergeStepName(Kind kind, std::int64_t merged, std::int64_t folded) {
    std::string name = "Merge " + std::to_string(merged) + " " + db::capitalKindWord(kind, merged);
    if (folded > 0)
        name +=
            " and " + std::to_string(folded) + " " + db::capitalKindWord(Kind::Combination, folded);
    return name;
}

namespace {

// Where an entry that no deletion took is after the deletions.
std::int32_t followed(std::int32_t id, const std::vector<db::Renumbering>& moves) {
    for (const db::Renumbering& r : moves)
        if (r.from == id) id = r.to;
    return id;
}

std::string pathList(const db::ClassTree& tree, const std::vector<int>& classes) {
    std::string list;
    for (const int c : classes)
        list += (list.empty() ? "" : ", ") + latin1ToUtf8(tree.path(c));
    return list;
}

void mergeInto(MergeResult& result, Session& session, const transfer::MergePlan& plan) {
    db::RecordFiles& files = session.files();
    const Kind kind = plan.kind;
    const auto step = session.command(
        mergeStepName(kind, static_cast<std::int64_t>(plan.merged.size()), plan.foldedCount()),
        Session::Changes::Database);
    const auto named = [&](Kind k, std::int32_t id) {
        return db::kindWord(k) + " " + std::to_string(id) + " " +
               latin1ToUtf8(db::storedName(files, k, id));
    };
    db::EventLines events;
    // The names as they are before the merged entries go and others take their numbers.
    const std::string keptName = named(kind, plan.kept);
    for (const std::int32_t m : plan.merged)
        events.push_back("Merged " + named(kind, m) + " into " + keptName + ".");
    std::vector<std::string> foldKept;
    for (const transfer::MergePlan::Fold& f : plan.folds) {
        foldKept.push_back(named(Kind::Combination, f.kept));
        for (const std::int32_t m : f.merged)
            events.push_back("Merged " + named(Kind::Combination, m) + " into " + foldKept.back() +
                             ", the same sound now.");
    }
    const transfer::MergeOutcome done = transfer::merge(files, plan, &session.references());
    // The origins and marks of the merged entries go to the kept ones, then follow the numbers.
    db::OriginStore& origins = session.origins();
    origins.mergeInto(kind, plan.kept, plan.merged);
    for (const transfer::MergePlan::Fold& f : plan.folds)
        origins.mergeInto(Kind::Combination, f.kept, f.merged);
    origins.renumber(Kind::Program, done.numbers[0]);
    origins.renumber(Kind::Combination, done.numbers[1]);
    result.kept = done.kept;
    result.merged = done.merged;
    result.folded = done.folded;
    result.renumbered = done.renumbered;
    const auto renamed = [&](Kind k, const std::string& was, std::int32_t now) {
        const std::string word = db::kindWord(k);
        events.push_back(db::capitalKindWord(k) + was.substr(word.size()) + " is now " + word +
                         " " + std::to_string(now) + ".");
    };
    if (done.kept != plan.kept) renamed(kind, keptName, done.kept);
    for (std::size_t i = 0; i < plan.folds.size(); ++i)
        if (const std::int32_t now = followed(plan.folds[i].kept, done.renumbered[1]);
            now != plan.folds[i].kept)
            renamed(Kind::Combination, foldKept[i], now);
    const db::ClassTree tree = db::ClassTree::read(files);
    for (const int c : done.classesLeftOut)
        result.classesLeftOut.push_back(latin1ToUtf8(tree.path(c)));
    const std::string word = db::kindWord(kind);
    if (!done.classesLeftOut.empty())
        events.push_back("No room in " + word + " " + std::to_string(done.kept) +
                         " for the classes (nine at most): " + pathList(tree, done.classesLeftOut) +
                         ".");
    for (const transfer::MergePlan::Fold& f : plan.folds)
        if (!f.classes.leftOut.empty())
            events.push_back(
                "No room in combination " + std::to_string(followed(f.kept, done.renumbered[1])) +
                " for the classes (nine at most): " + pathList(tree, f.classes.leftOut) + ".");
    events.insert(events.end(), done.events.begin(), done.events.end());

    std::vector<std::string> parts;
    if (done.combinations > 0)
        parts.push_back(countOf(done.combinations, "combination", "combinations") +
                        (done.combinations == 1 ? " now plays it" : " now play it") +
                        (done.soundChanges > 0
                             ? " (" + countOf(done.soundChanges, "timbre", "timbres") +
                                   " with a sound that differs)"
                             : ""));
    if (done.folded > 0)
        parts.push_back(countOf(done.folded, "combination", "combinations") +
                        (done.folded == 1 ? " that became the same sound merged into another"
                                          : " that became the same sound merged into others"));
    if (done.drumPrograms > 0)
        parts.push_back(countOf(done.drumPrograms, "drum program", "drum programs") +
                        (done.drumPrograms == 1 ? " now plays" : " now play") + " its drum kit");
    if (!done.classesGained.empty())
        parts.push_back(countOf(static_cast<std::int64_t>(done.classesGained.size()),
                                "class gained", "classes gained"));
    if (!done.classesLeftOut.empty())
        parts.push_back(
            countOf(static_cast<std::int64_t>(done.classesLeftOut.size()), "class", "classes") +
            " left out");
    result.summary = "Merged " + countOf(done.merged, word.c_str(), db::kindWord(kind, 2).c_str()) +
                     " into " + named(kind, done.kept);
    for (std::size_t i = 0; i < parts.size(); ++i)
        result.summary += (i == 0 ? ": " : ", ") + parts[i];
    result.events = std::move(events);
}

}  // namespace

MergeResult merge(Session& session, const transfer::MergePlan& plan) {
    MergeResult result;
    untilFailure(result, [&] { mergeInto(result, session, plan); });
    return result;
}

namespace {

// The entries of one kind by their IDs when dedupe began, followed through the renumberings of
// the merges.
class Numbers {
  public:
    explicit Numbers(std::int32_t count)
        : originalOf_(static_cast<std::size_t>(count) + 1),
          currentOf_(static_cast<std::size_t>(count) + 1) {
        std::iota(originalOf_.begin(), originalOf_.end(), 0);
        std::iota(currentOf_.begin(), currentOf_.end(), 0);
    }
    std::int32_t original(std::int32_t current) const { return originalOf_.at(at(current)); }
    std::int32_t current(std::int32_t original) const { return currentOf_.at(at(original)); }
    // The entries deleted (by their numbers before), then those that took freed numbers.
    void follow(const std::vector<std::int32_t>& deleted,
                const std::vector<db::Renumbering>& moves) {
        std::vector<std::int32_t> gone;
        for (const std::int32_t d : deleted)
            gone.push_back(originalOf_[at(d)]);
        for (const db::Renumbering& r : moves) {
            originalOf_[at(r.to)] = originalOf_[at(r.from)];
            currentOf_[at(originalOf_[at(r.to)])] = r.to;
        }
        // Last: a deleted entry may have moved before its turn came.
        for (const std::int32_t g : gone)
            currentOf_[at(g)] = 0;
    }

  private:
    static std::size_t at(std::int32_t id) { return static_cast<std::size_t>(id); }
    std::vector<std::int32_t> originalOf_;  // by the number now
    std::vector<std::int32_t> currentOf_;   // by the number when dedupe began; 0: gone
};

}  // namespace

std::vector<DedupeRow> dedupe(Session& session, bool programs, bool combinations, int maxBytes) {
    const db::RecordFiles& files = session.files();
    std::array<Numbers, 2> numbers{Numbers(files.count(Kind::Program)),
                                   Numbers(files.count(Kind::Combination))};
    std::vector<DedupeRow> rows;
    for (const Kind kind : {Kind::Program, Kind::Combination}) {
        if (!(kind == Kind::Program ? programs : combinations)) continue;
        Numbers& own = numbers[kind == Kind::Program ? 0 : 1];
        // The groups found in the database as it is now, by the numbers it had when dedupe
        // began: each is merged into the lowest of those.
        auto groups = findNearDuplicates(session, kind, maxBytes);
        for (auto& g : groups) {
            for (std::int32_t& id : g)
                id = own.original(id);
            std::ranges::sort(g);
        }
        for (const auto& g : groups) {
            std::vector<std::int32_t> members;
            for (const std::int32_t id : g)
                members.push_back(own.current(id));
            const transfer::MergePlan plan =
                previewMerge(session, kind, members, own.current(g.front()));
            for (std::size_t i = 0; i < plan.merged.size(); ++i)
                rows.push_back({kind, g.front(), own.original(plan.merged[i]), plan.distances[i]});
            std::vector<std::int32_t> folded;
            for (const transfer::MergePlan::Fold& f : plan.folds)
                for (const std::int32_t m : f.merged) {
                    folded.push_back(m);
                    rows.push_back({Kind::Combination, numbers[1].original(f.kept),
                                    numbers[1].original(m), 0});
                }
            const MergeResult done = merge(session, plan);
            own.follow(plan.merged, done.renumbered[kind == Kind::Program ? 0 : 1]);
            if (kind == Kind::Program) numbers[1].follow(folded, done.renumbered[1]);
        }
    }
    return rows;
}

}  // namespace pelvaro::session
