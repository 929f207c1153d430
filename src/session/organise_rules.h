#pragma once
// Two commands that organise a collection by rule, each one undo step: "Classify by Rules"
// gives classes to every entry a rule finds, "Replace in Names" changes the names of chosen
// entries. A run that changes nothing leaves no step. The texts a window shows of a preview
// come from here as well, so the window and its result read the same.

#include <cstdint>
#include <string>
#include <vector>

#include "classes/class_rules.h"
#include "db/name_replace.h"
#include "session/outcome.h"

namespace pelvaro::session {

class Session;

// summary: "Gave 130 classes to 120 entries".
struct ClassifyResult : Outcome {
    classes::RulesPreview preview;  // what was given, rule by rule
};
// "Classify by Rules": the rules applied to the whole database (classes/class_rules.h).
ClassifyResult classifyByRules(Session& session, const std::vector<classes::ClassRule>& rules);

// The account of a preview or a run: "Gives 130 classes to 120 entries; 2 entries hold nine
// classes" before, "Gave ..." after; "No entry gains a class" when nothing would change.
std::string rulesSummary(const classes::RulesPreview& preview, bool done);
// An entry as a preview names it: "Program 12", "Combination 7".
std::string entryLabel(const classes::EntryRef& entry);
// One rule's line: "12 gain the class, 3 have it, 1 holds nine classes", or its problem.
std::string ruleOutcomeText(const classes::RuleOutcome& outcome);

// summary: "Renamed 12 programs; 2 names cut to ten characters".
struct RenameResult : Outcome {
    std::int32_t renamed = 0;  // names written
    std::int32_t cut = 0;      // of them, cut to ten characters
};
// "Replace in Names" on the entries ids of kind (Program or Combination), in list order.
RenameResult replaceInNames(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids,
                            const db::NameEdit& edit);

// The account of a plan: "12 names change, 2 of them cut to ten characters, 4 the same as
// another name; 3 stay as they are", or "No name changes".
std::string namesPlanSummary(const db::NamesPlan& plan);
// The question before Apply when new names are the same as other names: "2 new names are the
// same as another name: "GRANDPIANO". Apply them all the same?" ("" when none is).
std::string sameNamesQuestion(const db::NamesPlan& plan);

}  // namespace pelvaro::session
