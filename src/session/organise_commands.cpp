#include "session/organise_commands.h"

#include "db/class_tree.h"
#include "session/summaries.h"

namespace pelvaro::session {

using db::Kind;

std::vector<transfer::Neighbour> findSimilar(Session& session, Kind kind, std::int32_t id,
                                             std::size_t count) {
    return transfer::findSimilar(session.files(), kind, id, count);
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

std::string mergeStepName(Kind kind, std::size_t members) {
    return "Merge " + std::to_string(members) + " " +
           transfer::capitalKindWord(kind, static_cast<std::int64_t>(members));
}

MergeResult merge(Session& session, const transfer::MergePlan& plan) {
    db::RecordFiles& files = session.files();
    const Kind kind = plan.kind;
    const auto step =
        session.command(mergeStepName(kind, plan.merged.size() + 1), Session::Changes::Database);
    const std::string word = transfer::kindWord(kind);
    const auto named = [&](std::int32_t id) {
        return word + " " + std::to_string(id) + " " + transfer::entryNameOf(files, kind, id);
    };
    MergeResult result;
    // The names as they are before the merged entries go and others take their numbers.
    const std::string keptName = named(plan.kept);
    for (const std::int32_t m : plan.merged)
        result.events.push_back("Merged " + named(m) + " into " + keptName + ".");
    const transfer::MergeOutcome done = transfer::merge(files, plan, &session.references());
    result.kept = done.kept;
    if (done.kept != plan.kept)
        result.events.push_back(transfer::capitalKindWord(kind) + keptName.substr(word.size()) +
                                " is now " + word + " " + std::to_string(done.kept) + ".");
    const db::ClassTree tree = db::ClassTree::read(files);
    for (const int c : done.classesLeftOut)
        result.classesLeftOut.emplace_back(tree.path(c));
    if (!result.classesLeftOut.empty()) {
        std::string list;
        for (const std::string& path : result.classesLeftOut)
            list += (list.empty() ? "" : ", ") + path;
        result.events.push_back("No room in " + word + " " + std::to_string(done.kept) +
                                " for the classes (nine at most): " + list + ".");
    }
    result.events.insert(result.events.end(), done.events.begin(), done.events.end());

    std::vector<std::string> parts;
    if (done.combinations > 0)
        parts.push_back(countOf(done.combinations, "combination", "combinations") +
                        (done.combinations == 1 ? " now plays it" : " now play it") +
                        (done.soundChanges > 0
                             ? " (" + countOf(done.soundChanges, "timbre", "timbres") +
                                   " with a sound that differs)"
                             : ""));
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
    result.summary = "Merged " +
                     countOf(done.merged, word.c_str(), transfer::kindWord(kind, 2).c_str()) +
                     " into " + named(done.kept);
    for (std::size_t i = 0; i < parts.size(); ++i)
        result.summary += (i == 0 ? ": " : ", ") + parts[i];
    return result;
}

}  // namespace pelvaro::session
