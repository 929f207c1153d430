#include "classes/class_rules.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>

#include "db/listing.h"
#include "db/record_scan.h"

namespace pelvaro::classes {

using db::Kind;

namespace {

constexpr int kFillableSlots = 9;  // the tenth slot is never filled, as in the class assignment
constexpr std::int32_t kLargestSlotClass = 127;

struct TestName {
    RuleTest test;
    std::string_view word;  // in a settings line
};
constexpr std::array<TestName, 6> kTestNames = {{
    {RuleTest::NameContains, "contains"},
    {RuleTest::NameBeginsWith, "begins"},
    {RuleTest::SoundIn, "sound"},
    {RuleTest::DrumProgram, "drum"},
    {RuleTest::PlaysDrumKit, "kit"},
    {RuleTest::PlaysProgram, "program"},
}};
constexpr std::array<std::string_view, 3> kScopeWords = {"both", "programs", "combinations"};

bool isNameTest(RuleTest test) {
    return test == RuleTest::NameContains || test == RuleTest::NameBeginsWith;
}

bool looksAt(const ClassRule& rule, Kind kind) {
    switch (rule.test) {
        case RuleTest::NameContains:
        case RuleTest::NameBeginsWith:
            return rule.scope == RuleScope::Both ||
                   (rule.scope == RuleScope::Programs) == (kind == Kind::Program);
        case RuleTest::PlaysProgram:
            return kind == Kind::Combination;
        default:
            return kind == Kind::Program;
    }
}

// A rule ready to look at records.
struct Compiled {
    std::size_t index;  // of the rule and its outcome
    const ClassRule& rule;
    Byte classByte;
    db::NameTest name;
};

bool matches(const Compiled& c, ConstBytes r) {
    switch (c.rule.test) {
        case RuleTest::NameContains:
        case RuleTest::NameBeginsWith:
            return c.name.passes(r);
        case RuleTest::SoundIn:
            return db::soundPasses(r, c.rule.from, c.rule.to);
        case RuleTest::DrumProgram:
            return pcg::oscMode(pcg::ConstProgramBytes(r.data(), pcg::kProgramSize)) ==
                   pcg::program::kDrumMode;
        case RuleTest::PlaysDrumKit:
            return le32(r, db::ProgramLayout::kDrumKitId) == c.rule.id;
        case RuleTest::PlaysProgram:
            for (int t = 0; t < pcg::combination::kTimbreCount; ++t)
                if (le32(r, db::CombinationLayout::kTimbreProgramIds + 4 * t) == c.rule.id)
                    return true;
            return false;
    }
    return false;
}

using Changed = std::function<void(Kind, std::int32_t, ConstBytes record,
                                   const std::array<Byte, db::kClassSlots>& slots)>;

// The one pass behind the preview and the apply: every entry of each kind a rule looks at, the
// rules in their order on a copy of its slots; `changed` is told of each entry that gains.
RulesPreview passOverEntries(const db::RecordFiles& files, const std::vector<ClassRule>& rules,
                             const Changed& changed) {
    RulesPreview preview;
    preview.rules.resize(rules.size());
    const db::ClassTree tree = db::ClassTree::read(files);
    std::vector<Compiled> compiled;
    for (std::size_t i = 0; i < rules.size(); ++i) {
        RuleOutcome& outcome = preview.rules[i];
        outcome.problem = ruleProblem(rules[i]);
        if (outcome.problem.empty()) {
            const RuleClass given = ruleClass(tree, rules[i]);
            outcome.classId = given.classId;
            outcome.problem = given.problem;
        }
        if (!outcome.problem.empty()) {
            outcome.classId = 0;
            continue;
        }
        compiled.push_back(
            {i, rules[i], static_cast<Byte>(outcome.classId),
             db::NameTest(rules[i].text, rules[i].test == RuleTest::NameBeginsWith)});
    }
    for (Kind kind : {Kind::Program, Kind::Combination}) {
        std::vector<const Compiled*> own;
        for (const Compiled& c : compiled)
            if (looksAt(c.rule, kind)) own.push_back(&c);
        if (own.empty()) continue;
        const std::size_t slotsAt =
            kind == Kind::Program ? db::ProgramLayout::kClassIds : db::CombinationLayout::kClassIds;
        db::scanEntries(files, kind, [&](std::int32_t n, ConstBytes record) {
            std::array<Byte, db::kClassSlots> slots{};
            std::copy_n(record.begin() + static_cast<std::ptrdiff_t>(slotsAt), db::kClassSlots,
                        slots.begin());
            bool gained = false;
            bool leftOut = false;
            for (const Compiled* c : own) {
                if (!matches(*c, record)) continue;
                RuleOutcome& outcome = preview.rules[c->index];
                const EntryRef entry{kind, n};
                if (std::ranges::find(slots, c->classByte) != slots.end()) {
                    outcome.already.push_back(entry);
                    continue;
                }
                const auto held = std::ranges::count_if(slots, [](Byte b) { return b != 0; });
                if (held >= kFillableSlots) {
                    outcome.full.push_back(entry);
                    leftOut = true;
                    continue;
                }
                // Fewer than nine classes leave one of the first nine slots empty.
                *std::find(slots.begin(), slots.begin() + kFillableSlots, Byte{0}) = c->classByte;
                outcome.gain.push_back(entry);
                ++preview.classesGiven;
                gained = true;
            }
            if (gained) {
                ++preview.entriesChanged;
                if (changed) changed(kind, n, record, slots);
            }
            if (leftOut) ++preview.entriesFull;
        });
    }
    return preview;
}

void escapeInto(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out.push_back(c);
    }
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\':
                out.push_back('\\');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::optional<std::int32_t> number(std::string_view text) {
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

}  // namespace

std::string ruleText(const ClassRule& rule) {
    const auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
    const std::string subject = rule.scope == RuleScope::Programs       ? "program name"
                                : rule.scope == RuleScope::Combinations ? "combination name"
                                                                        : "name";
    switch (rule.test) {
        case RuleTest::NameContains:
            return subject + " contains " + quoted(rule.text);
        case RuleTest::NameBeginsWith:
            return subject + " begins with " + quoted(rule.text);
        case RuleTest::SoundIn:
            if (rule.from == rule.to) return "oscillator sound " + std::to_string(rule.from);
            return "oscillator sound in " + std::to_string(rule.from) + "-" +
                   std::to_string(rule.to);
        case RuleTest::DrumProgram:
            return "is a drum program";
        case RuleTest::PlaysDrumKit:
            return "plays drum kit " + std::to_string(rule.id);
        case RuleTest::PlaysProgram:
            return "combination plays program " + std::to_string(rule.id);
    }
    return {};
}

std::string ruleLine(const ClassRule& rule) {
    std::string line;
    for (const TestName& t : kTestNames)
        if (t.test == rule.test) line = t.word;
    line += '\t';
    line += kScopeWords[static_cast<std::size_t>(rule.scope)];
    line += '\t';
    escapeInto(line, rule.text);
    for (std::int32_t n : {rule.from, rule.to, rule.id, rule.classId})
        line += '\t' + std::to_string(n);
    line += '\t';
    escapeInto(line, rule.classPath);
    return line;
}

std::optional<ClassRule> parseRuleLine(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab == std::string_view::npos ? tab : tab - at));
        if (tab == std::string_view::npos) break;
        at = tab + 1;
    }
    if (fields.size() != 8) return std::nullopt;
    ClassRule rule;
    const auto test = std::ranges::find(kTestNames, fields[0], &TestName::word);
    const auto scope = std::ranges::find(kScopeWords, fields[1]);
    const auto text = unescaped(fields[2]);
    const auto from = number(fields[3]);
    const auto to = number(fields[4]);
    const auto id = number(fields[5]);
    const auto classId = number(fields[6]);
    const auto path = unescaped(fields[7]);
    if (test == kTestNames.end() || scope == kScopeWords.end() || !text || !from || !to || !id ||
        !classId || !path)
        return std::nullopt;
    rule.test = test->test;
    rule.scope = static_cast<RuleScope>(scope - kScopeWords.begin());
    rule.text = *text;
    rule.from = *from;
    rule.to = *to;
    rule.id = *id;
    rule.classId = *classId;
    rule.classPath = *path;
    return rule;
}

std::string ruleProblem(const ClassRule& rule) {
    if (isNameTest(rule.test) && rule.text.empty()) return "The rule has no text";
    if (rule.test == RuleTest::SoundIn && (rule.from < 0 || rule.to < rule.from))
        return "The sound range is empty";
    if ((rule.test == RuleTest::PlaysDrumKit || rule.test == RuleTest::PlaysProgram) && rule.id < 1)
        return "The rule names no ID";
    return {};
}

RuleClass ruleClass(const db::ClassTree& tree, const ClassRule& rule) {
    std::int32_t k = 0;
    if (rule.classId >= 1 && tree.isClass(rule.classId) &&
        (rule.classPath.empty() || tree.path(rule.classId) == rule.classPath))
        k = rule.classId;
    else if (!rule.classPath.empty())
        for (std::int32_t c = 1; c <= tree.count() && k == 0; ++c)
            if (tree.path(c) == rule.classPath) k = c;
    if (k == 0) {
        if (!rule.classPath.empty())
            return {0, "No class \"" + rule.classPath + "\" in this database"};
        return {0, rule.classId == 0
                       ? "No class chosen"
                       : "No class " + std::to_string(rule.classId) + " in this database"};
    }
    if (k > kLargestSlotClass)
        return {0, "Class \"" + std::string(tree.path(k)) +
                       "\" is numbered above 127, which no entry can hold"};
    return {k, {}};
}

RulesPreview previewRules(const db::RecordFiles& files, const std::vector<ClassRule>& rules) {
    return passOverEntries(files, rules, {});
}

RulesPreview applyRules(db::RecordFiles& files, const std::vector<ClassRule>& rules) {
    std::vector<Byte> record;
    // The scan hands out a copy of each block, so an entry written here is never read again.
    return passOverEntries(
        files, rules,
        [&](Kind kind, std::int32_t n, ConstBytes read,
            const std::array<Byte, db::kClassSlots>& slots) {
            record.assign(read.begin(), read.end());
            const std::size_t at = kind == Kind::Program ? db::ProgramLayout::kClassIds
                                                         : db::CombinationLayout::kClassIds;
            std::ranges::copy(slots, record.begin() + static_cast<std::ptrdiff_t>(at));
            files.writeEntry(kind, n, record);
        });
}

}  // namespace pelvaro::classes
