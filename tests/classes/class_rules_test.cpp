#include "classes/class_rules.h"

#include <gtest/gtest.h>

#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::classes;
using namespace pelvaro::testing;
using db::Kind;

namespace {

using Refs = std::vector<EntryRef>;
EntryRef P(std::int32_t id) {
    return {Kind::Program, id};
}
EntryRef C(std::int32_t id) {
    return {Kind::Combination, id};
}

std::array<int, 10> slotsOf(const db::DbProgramEntry& e) {
    std::array<int, 10> s{};
    for (int i = 0; i < 10; ++i)
        s[i] = e.classId(i);
    return s;
}

ClassRule rule(RuleTest test, std::int32_t classId, const std::string& path) {
    ClassRule r;
    r.test = test;
    r.classId = classId;
    r.classPath = path;
    return r;
}

// Classes 1 Keys, 2 Keys->Piano, 3 Drums, 4-12 K4..K12. Programs: 1 PIANO 1, 2 "Piano é"
// (Latin-1 0xE9), 3 GrandPiano (has Keys->Piano), 4 a drum program on kit 1, 5 E-PIANO (nine
// classes), 6 Organ (eight classes). Combinations: 1 PianoSplit playing 1 and 4, 2 Layer playing
// 3.
struct Collection {
    TestDatabase db;
    Collection() {
        db.addClass("Keys");
        db.addClass("Piano", 1);
        db.addClass("Drums");
        for (int k = 4; k <= 12; ++k)
            db.addClass("K" + std::to_string(k));
        const int kit = db.addDrumKit(3);
        db.addProgram("PIANO 1", {.osc1 = 10});
        db.addProgram("Piano \xE9", {.oscMode = 1, .osc1 = 20, .osc2 = 30, .voice = 2});
        db.addProgram("GrandPiano", {.osc1 = 15}, {.classIds = {2}});
        db.addProgram("DRUMS", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit});
        db.addProgram("E-PIANO", {}, {.classIds = {4, 5, 6, 7, 8, 9, 10, 11, 12}});
        db.addProgram("Organ", {.osc1 = 25}, {.classIds = {4, 5, 6, 7, 8, 9, 10, 11}});
        db.addCombination("PianoSplit", {plays(0), plays(3)}, {.timbreProgramIds = {1, 4}});
        db.addCombination("Layer", {plays(2)}, {.timbreProgramIds = {3}});
    }
};

std::vector<ClassRule> handWorkedRules() {
    ClassRule piano = rule(RuleTest::NameContains, 2, "Keys->Piano");
    piano.text = "piano";
    ClassRule accented = rule(RuleTest::NameBeginsWith, 1, "Keys");
    accented.scope = RuleScope::Programs;
    accented.text = "piano \xE9";  // upper case 0xC9 meets the name's 0xE9 in upper case
    ClassRule sound = rule(RuleTest::SoundIn, 1, "Keys");
    sound.from = 20;
    sound.to = 25;
    ClassRule kit = rule(RuleTest::PlaysDrumKit, 12, "K12");
    kit.id = 1;
    ClassRule layer = rule(RuleTest::PlaysProgram, 2, "Keys->Piano");
    layer.id = 3;
    ClassRule organ = rule(RuleTest::NameContains, 3, "Drums");
    organ.text = "ORGAN";
    return {piano, accented, sound, rule(RuleTest::DrumProgram, 3, "Drums"), kit, layer, organ};
}

}  // namespace

TEST(ClassRules, PreviewOfHandWorkedRulesInTheirOrder) {
    Collection c;
    const RulesPreview p = previewRules(c.db.files(), handWorkedRules());
    ASSERT_EQ(p.rules.size(), 7u);
    EXPECT_EQ(p.rules[0].gain, (Refs{P(1), P(2), C(1)}));
    EXPECT_EQ(p.rules[0].already, (Refs{P(3)}));
    EXPECT_EQ(p.rules[0].full, (Refs{P(5)})) << "nine classes: slot 9 is never filled";
    EXPECT_EQ(p.rules[1].gain, (Refs{P(2)})) << "É found in \"Piano é\"";
    EXPECT_EQ(p.rules[2].gain, (Refs{P(6)}));
    EXPECT_EQ(p.rules[2].already, (Refs{P(2)})) << "given by the rule before";
    EXPECT_EQ(p.rules[3].gain, (Refs{P(4)}));
    EXPECT_EQ(p.rules[4].gain, (Refs{P(4)}));
    EXPECT_EQ(p.rules[5].gain, (Refs{C(2)}));
    EXPECT_TRUE(p.rules[6].gain.empty());
    EXPECT_EQ(p.rules[6].full, (Refs{P(6)})) << "the sound rule gave Organ its ninth class";
    EXPECT_EQ(p.classesGiven, 8);
    EXPECT_EQ(p.entriesChanged, 6);
    EXPECT_EQ(p.entriesFull, 2);
    EXPECT_EQ(p.rules[0].classId, 2);
}

TEST(ClassRules, ApplyWritesOnlyTheClassSlotsOfEntriesThatGain) {
    Collection c;
    const std::vector<Byte> before = c.db.fileBytes(Kind::Program);
    const std::vector<Byte> combinationsBefore = c.db.fileBytes(Kind::Combination);
    const RulesPreview applied = applyRules(c.db.files(), handWorkedRules());
    EXPECT_EQ(applied.classesGiven, 8);

    EXPECT_EQ(slotsOf(c.db.program(1)), (std::array<int, 10>{2}));
    EXPECT_EQ(slotsOf(c.db.program(2)), (std::array<int, 10>{2, 1}));
    EXPECT_EQ(slotsOf(c.db.program(3)), (std::array<int, 10>{2}));
    EXPECT_EQ(slotsOf(c.db.program(4)), (std::array<int, 10>{3, 12}));
    EXPECT_EQ(slotsOf(c.db.program(6)), (std::array<int, 10>{4, 5, 6, 7, 8, 9, 10, 11, 1, 0}));
    EXPECT_EQ(c.db.combination(1).classId(0), 2);
    EXPECT_EQ(c.db.combination(2).classId(0), 2);
    // Nothing but class slots of entries has changed.
    const auto onlyClassSlotsDiffer = [](const std::vector<Byte>& was, const std::vector<Byte>& is,
                                         std::size_t size, std::size_t slotsAt) {
        ASSERT_EQ(is.size(), was.size());
        for (std::size_t i = 0; i < is.size(); ++i) {
            if (i < size || i % size < slotsAt || i % size >= slotsAt + 10) {
                ASSERT_EQ(is[i], was[i]) << "byte " << i;
            }
        }
    };
    const std::vector<Byte> after = c.db.fileBytes(Kind::Program);
    onlyClassSlotsDiffer(before, after, db::ProgramLayout::kSize, db::ProgramLayout::kClassIds);
    onlyClassSlotsDiffer(combinationsBefore, c.db.fileBytes(Kind::Combination),
                         db::CombinationLayout::kSize, db::CombinationLayout::kClassIds);

    // Run again: every entry has its classes; nothing is written.
    EXPECT_EQ(applyRules(c.db.files(), handWorkedRules()).classesGiven, 0);
    EXPECT_EQ(c.db.fileBytes(Kind::Program), after);
}

TEST(ClassRules, RulesThatGiveNothingSayWhy) {
    Collection c;
    ClassRule empty = rule(RuleTest::NameContains, 1, "Keys");
    ClassRule range = rule(RuleTest::SoundIn, 1, "Keys");
    range.from = 30;
    range.to = 20;
    ClassRule noId = rule(RuleTest::PlaysProgram, 1, "Keys");
    ClassRule gone = rule(RuleTest::DrumProgram, 2, "Gone");
    ClassRule unchosen = rule(RuleTest::DrumProgram, 0, "");
    // Class 2 was renumbered: its path finds it again.
    ClassRule moved = rule(RuleTest::DrumProgram, 7, "Keys->Piano");
    const RulesPreview p = previewRules(c.db.files(), {empty, range, noId, gone, unchosen, moved});
    EXPECT_EQ(p.rules[0].problem, "The rule has no text");
    EXPECT_EQ(p.rules[1].problem, "The sound range is empty");
    EXPECT_EQ(p.rules[2].problem, "The rule names no ID");
    EXPECT_EQ(p.rules[3].problem, "No class \"Gone\" in this database");
    EXPECT_EQ(p.rules[4].problem, "No class chosen");
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(p.rules[i].gain.empty() && p.rules[i].classId == 0) << i;
    EXPECT_EQ(p.rules[5].classId, 2);
    EXPECT_EQ(p.rules[5].gain, (Refs{P(4)}));
}

TEST(ClassRules, TextsAndSettingsLines) {
    std::vector<ClassRule> rules = handWorkedRules();
    EXPECT_EQ(ruleText(rules[0]), "name contains \"piano\"");
    EXPECT_EQ(ruleText(rules[1]), "program name begins with \"piano \xE9\"");
    EXPECT_EQ(ruleText(rules[2]), "oscillator sound in 20-25");
    EXPECT_EQ(ruleText(rules[3]), "is a drum program");
    EXPECT_EQ(ruleText(rules[4]), "plays drum kit 1");
    EXPECT_EQ(ruleText(rules[5]), "combination plays program 3");

    rules[0].text = "a\tb\\c";
    rules[0].classPath = "X->Y\xE9";
    for (const ClassRule& r : rules)
        EXPECT_EQ(parseRuleLine(ruleLine(r)), r) << ruleLine(r);
    EXPECT_EQ(parseRuleLine(""), std::nullopt);
    EXPECT_EQ(parseRuleLine("contains\tboth\tx\t0\t0\t0\t1"), std::nullopt);
    EXPECT_EQ(parseRuleLine("colour\tboth\tx\t0\t0\t0\t1\tKeys"), std::nullopt);
    EXPECT_EQ(parseRuleLine("contains\tboth\tx\\q\t0\t0\t0\t1\tKeys"), std::nullopt);
}
