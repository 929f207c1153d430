#include "session/organise_rules.h"

#include "session/session.h"
#include "session/summaries.h"

namespace pelvaro::session {

ClassifyResult classifyByRules(Session& session, const std::vector<classes::ClassRule>& rules) {
    const auto command = session.command("Classify by Rules", Session::Changes::Database);
    ClassifyResult result;
    result.outcome = classes::applyRules(session.files(), rules);
    result.summary = rulesSummary(result.outcome, true);
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
    const auto command = session.command("Replace in Names", Session::Changes::Database);
    RenameResult result;
    result.outcome = db::replaceNames(session.files(), kind, ids, edit);
    const auto changed = static_cast<std::int64_t>(result.outcome.changes.size());
    if (changed == 0) {
        result.summary = "No name changed";
        return result;
    }
    result.summary =
        "Renamed " + (kind == db::Kind::Program ? countOf(changed, "program", "programs")
                                                : countOf(changed, "combination", "combinations"));
    if (result.outcome.cut > 0)
        result.summary +=
            "; " + countOf(result.outcome.cut, "name", "names") + " cut to ten characters";
    return result;
}

std::string namesPlanSummary(const db::NamesPlan& plan) {
    const auto changed = static_cast<std::int64_t>(plan.changes.size());
    std::string text = changed == 0
                           ? std::string("No name changes")
                           : countOf(changed, "name changes", "names change") +
                                 (plan.cut > 0 ? ", " + countOf(plan.cut, "of them", "of them") +
                                                     " cut to ten characters"
                                               : std::string());
    if (plan.unchanged > 0)
        text += "; " + countOf(plan.unchanged, "stays as it is", "stay as they are");
    return text;
}

}  // namespace pelvaro::session
