#include "session/organise_rules.h"

#include <algorithm>

#include "session/session.h"
#include "session/summaries.h"

namespace pelvaro::session {

ClassifyResult classifyByRules(Session& session, const std::vector<classes::ClassRule>& rules) {
    ClassifyResult result;
    untilFailure(result, [&] {
        const auto command = session.command("Classify by Rules", Session::Changes::Database);
        result.preview = classes::applyRules(session.files(), rules);
        result.summary = rulesSummary(result.preview, true);
    });
    return result;
}

std::string rulesSummary(const classes::RulesPreview& preview, bool done) {
    std::string text = preview.classesGiven == 0
                           ? std::string("No entry gains a class")
                           : std::string(done ? "Gave " : "Gives ") +
                                 countOf(preview.classesGiven, "class", "classes") + " to " +
                                 countOf(preview.entriesChanged, "entry", "entries");
    if (preview.entriesFull > 0)
        text +=
            "; " + countOf(preview.entriesFull, "entry holds", "entries hold") + " nine classes";
    return text;
}

std::string entryLabel(const classes::EntryRef& entry) {
    return (entry.kind == db::Kind::Program ? "Program " : "Combination ") +
           std::to_string(entry.id);
}

std::string ruleOutcomeText(const classes::RuleOutcome& outcome) {
    if (!outcome.problem.empty()) return outcome.problem;
    const auto n = [](std::size_t count) { return static_cast<std::int64_t>(count); };
    std::string text = countOf(n(outcome.gain.size()), "gains", "gain") + " the class, " +
                       countOf(n(outcome.already.size()), "has", "have") + " it";
    if (!outcome.full.empty())
        text += ", " + countOf(n(outcome.full.size()), "holds", "hold") + " nine classes";
    return text;
}

RenameResult replaceInNames(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids,
                            const db::NameEdit& edit) {
    RenameResult result;
    untilFailure(result, [&] {
        const auto command = session.command("Replace in Names", Session::Changes::Database);
        const db::NamesPlan plan = db::replaceNames(session.files(), kind, ids, edit);
        result.renamed = static_cast<std::int32_t>(plan.changes.size());
        result.cut = plan.cut;
        if (result.renamed == 0) {
            result.summary = "No name changed";
            return;
        }
        result.summary = "Renamed " + db::kindCount(result.renamed, kind);
        if (result.cut > 0)
            result.summary +=
                "; " + countOf(result.cut, "name", "names") + " cut to ten characters";
    });
    return result;
}

std::string namesPlanSummary(const db::NamesPlan& plan) {
    const auto changed = static_cast<std::int64_t>(plan.changes.size());
    std::string text = changed == 0 ? std::string("No name changes")
                                    : countOf(changed, "name changes", "names change");
    // "2 of them cut to ten characters, 2 the same as another name"
    if (plan.cut > 0) text += ", " + grouped(plan.cut) + " of them cut to ten characters";
    if (plan.same > 0)
        text += ", " + grouped(plan.same) + (plan.cut > 0 ? "" : " of them") +
                " the same as another name";
    if (plan.unchanged > 0)
        text += "; " + countOf(plan.unchanged, "stays as it is", "stay as they are");
    return text;
}

std::string sameNamesQuestion(const db::NamesPlan& plan) {
    if (plan.same == 0) return {};
    // Each new name once, in the order of the changes.
    std::vector<std::string> names;
    for (const db::NameChange& change : plan.changes)
        if (change.sameAsAnother && std::ranges::find(names, change.newName) == names.end())
            names.push_back(change.newName);
    constexpr std::size_t kNamed = 3;
    std::string list;
    for (std::size_t i = 0; i < std::min(names.size(), kNamed); ++i)
        list += (i == 0                  ? ""
                 : i + 1 == names.size() ? " and "
                                         : ", ") +
                ("\"" + latin1ToUtf8(names[i]) + "\"");
    if (names.size() > kNamed)
        list += " and " + grouped(static_cast<std::int64_t>(names.size() - kNamed)) + " more";
    return countOf(plan.same, "new name is", "new names are") +
           " the same as another name: " + list + ". Apply them all the same?";
}

}  // namespace pelvaro::session
