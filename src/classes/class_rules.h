#pragma once
// Classes given by rules: "name contains PAD gives Pads", "is a drum program gives Drums". A
// preview tells, rule by rule, which entries would gain the class, which have it already and
// which are left out because they hold nine classes; applying gives exactly what the preview
// showed. Rules run in their order, so a later rule sees the classes an earlier one gave.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/class_tree.h"
#include "db/record_files.h"

namespace pelvaro::classes {

enum class RuleTest {
    NameContains,    // the search's name test, in upper case
    NameBeginsWith,  // the same at the start of the name
    SoundIn,         // programs: the search's sound test over from..to
    DrumProgram,     // programs in drum mode
    PlaysDrumKit,    // programs whose drumKitId is id
    PlaysProgram,    // combinations with a timbre whose program ID is id
};

// The entries a name test looks at; the other tests fix their kind.
enum class RuleScope { Both, Programs, Combinations };

struct ClassRule {
    RuleTest test = RuleTest::NameContains;
    RuleScope scope = RuleScope::Both;
    std::string text{};  // name tests: single-byte, ten characters at most
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::int32_t id = 0;  // PlaysDrumKit, PlaysProgram
    // The class given: its number and its path when the rule was made. Class numbers move when
    // a class is deleted, and a rule kept between runs may meet another database, so the class
    // is the one of that number while it still has that path, else the first with that path.
    std::int32_t classId = 0;
    std::string classPath{};

    friend bool operator==(const ClassRule&, const ClassRule&) = default;
};

// The rule as the user reads it: "name contains "PAD"", "oscillator sound in 10-20", "is a drum
// program", "plays drum kit 5", "combination plays program 3"; name tests that look at one
// kind say so ("program name begins with "PIA"").
std::string ruleText(const ClassRule& rule);

// What is wrong with the rule itself, whatever the database holds ("The rule has no text"), or
// "" for a rule that can be used. Its class is checked against a database by ruleClass.
std::string ruleProblem(const ClassRule& rule);

// The rule as one line of the settings (single-byte text), and back; nullopt for a line that
// is no rule.
std::string ruleLine(const ClassRule& rule);
std::optional<ClassRule> parseRuleLine(std::string_view line);

// An entry a rule found.
struct EntryRef {
    db::Kind kind = db::Kind::Program;
    std::int32_t id = 0;
    friend bool operator==(const EntryRef&, const EntryRef&) = default;
};

struct RuleOutcome {
    std::int32_t classId = 0;  // the class the rule gives, 0 when it gives none
    std::string problem;       // why the rule gives nothing ("No class "Pads" in this database")
    // Each in ascending ID order, programs before combinations.
    std::vector<EntryRef> gain;     // would gain the class
    std::vector<EntryRef> already;  // have it already
    std::vector<EntryRef> full;     // hold nine classes: left out
};

struct RulesPreview {
    std::vector<RuleOutcome> rules;  // one per rule, in order
    std::int32_t entriesChanged = 0;
    std::int32_t classesGiven = 0;
    std::int32_t entriesFull = 0;  // entries some rule left out for their nine classes
};

// The class a rule gives in this class tree, or the text of why it gives none.
struct RuleClass {
    std::int32_t classId = 0;
    std::string problem;
};
RuleClass ruleClass(const db::ClassTree& tree, const ClassRule& rule);

// What the rules would do, reading every program and combination once in large blocks.
RulesPreview previewRules(const db::RecordFiles& files, const std::vector<ClassRule>& rules);

// Gives the classes the preview shows: each new class goes into the first empty slot among the
// first nine, after the entry's own classes, as the class assignment adds classes to several
// entries; the tenth slot is never filled. Only entries that gain a class are written, each
// once, and nothing but their class slots changes.
RulesPreview applyRules(db::RecordFiles& files, const std::vector<ClassRule>& rules);

}  // namespace pelvaro::classes
