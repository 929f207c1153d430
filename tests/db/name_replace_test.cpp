#include "db/name_replace.h"

#include <gtest/gtest.h>

#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;

namespace {

NameEdit replacing(std::string find, std::string replacement, bool matchCase = false) {
    return {.find = std::move(find), .replacement = std::move(replacement), .matchCase = matchCase};
}

NameEdit numbering(std::string base, std::int32_t start) {
    return {.mode = NameEdit::Mode::Number, .base = std::move(base), .start = start};
}

std::vector<NamedEntry> named(std::initializer_list<const char*> names) {
    std::vector<NamedEntry> out;
    std::int32_t id = 0;
    for (const char* name : names)
        out.push_back({++id, name});
    return out;
}

std::vector<std::string> newNames(const NamesPlan& plan) {
    std::vector<std::string> out;
    for (const NameChange& c : plan.changes)
        out.push_back(c.newName);
    return out;
}

}  // namespace

TEST(NameReplace, FindAndReplaceInLatin1UpperCase) {
    // 0xC9 (É) typed finds 0xE9 (é) in the name, as the search compares names.
    EXPECT_EQ(replacedName("Piano \xE9", replacing("\xC9", "e")), "Piano e");
    EXPECT_EQ(replacedName("Piano \xE9", replacing("\xC9", "e", true)), "Piano \xE9");
    EXPECT_EQ(replacedName("Pad pad", replacing("PAD", "Str")), "Str Str");
    EXPECT_EQ(replacedName("aaa", replacing("aa", "b")), "ba") << "left to right, no overlap";
    EXPECT_EQ(replacedName("Pad", replacing("", "x")), "Pad");

    const NamesPlan plan = planNames(named({"PIANO 1", "Piano \xE9", "ORGAN", "Organ 2"}),
                                     replacing("piano", "GRANDPIANO"));
    ASSERT_EQ(plan.changes.size(), 2u);
    EXPECT_EQ(plan.changes[0], (NameChange{1, "PIANO 1", "GRANDPIANO", "GRANDPIANO 1"}));
    EXPECT_EQ(cutMark(plan.changes[0]), "cut from \"GRANDPIANO 1\"");
    EXPECT_EQ(plan.changes[1].newName, "GRANDPIANO");
    EXPECT_EQ(plan.cut, 2);
    EXPECT_EQ(plan.unchanged, 2);
    EXPECT_EQ(cutMark(NameChange{3, "a", "b", "b"}), "");
}

TEST(NameReplace, NumberingTakesAsManyDigitsAsTheLastNumberNeeds) {
    const auto three = named({"A", "B", "C"});
    EXPECT_EQ(newNames(planNames(three, numbering("Pad ", 9))),
              (std::vector<std::string>{"Pad 09", "Pad 10", "Pad 11"}));
    EXPECT_EQ(newNames(planNames(three, numbering("Pad", 98))),
              (std::vector<std::string>{"Pad098", "Pad099", "Pad100"}));
    // A base too long for the number is cut, the digits stay whole.
    const NamesPlan cut = planNames(three, numbering("LongBaseXY", 1));
    EXPECT_EQ(newNames(cut), (std::vector<std::string>{"LongBase01", "LongBase02", "LongBase03"}));
    EXPECT_EQ(cut.changes[0].wanted, "LongBaseXY01");
    EXPECT_EQ(cut.cut, 3);
    // A name that is already its number stays and keeps its number.
    const NamesPlan kept = planNames(named({"X", "Pad 02"}), numbering("Pad ", 1));
    EXPECT_EQ(newNames(kept), (std::vector<std::string>{"Pad 01"}));
    EXPECT_EQ(kept.unchanged, 1);
}

TEST(NameReplace, WritesNamesAsSubmitDoes) {
    TestDatabase db;
    db.addProgram("ABCDEFGHIJ", {.oscMode = 1});
    db.addProgram("PIANO 1");
    db.addCombination("SPLIT", {});
    const std::vector<Byte> before = db.fileBytes(Kind::Program);

    // "ABCDEFGHIJ" -> "AB": A, B, one zero byte, the old bytes from D on; 10 (oscMode) stays.
    const NamesPlan plan =
        replaceNames(db.files(), Kind::Program, {1, 2, 7, 0}, replacing("CDEFGHIJ", ""));
    ASSERT_EQ(plan.changes.size(), 1u) << "IDs that name no entry are left out";
    EXPECT_EQ(plan.unchanged, 1);
    std::vector<Byte> expected = before;
    const std::size_t at = ProgramLayout::kSize;
    expected[at + 2] = 0;
    EXPECT_EQ(db.fileBytes(Kind::Program), expected);
    EXPECT_EQ(db.program(1).bytes[10], 1);

    // A ten-character name fills the field without a zero byte.
    replaceNames(db.files(), Kind::Combination, {1}, replacing("SPLIT", "SPLITLAYER"));
    const DbCombinationEntry split = db.combination(1);
    EXPECT_EQ(std::string(split.bytes.begin(), split.bytes.begin() + 10), "SPLITLAYER");
    EXPECT_EQ(storedName(db.files(), Kind::Combination, 1), "SPLITLAYER");
    EXPECT_THROW(replaceNames(db.files(), Kind::DrumKit, {1}, replacing("A", "B")),
                 std::invalid_argument);
}

TEST(NameReplace, MarksEveryNewNameThatIsTheSameAsAnother) {
    TestDatabase db;
    for (const char* name : {"Pad 1", "Pad 2", "Pad 3", "Str 1", " STR 2 ", "Bass"})
        db.addProgram(name);
    const NamesInUse inUse(db.session().names(), Kind::Program);
    // The new names, each marked " *" when it is the same as another name.
    const auto marked = [&](const std::vector<std::int32_t>& ids, const NameEdit& edit) {
        const NamesPlan p = planNames(storedNames(db.files(), Kind::Program, ids), edit, &inUse);
        std::vector<std::string> names;
        for (const NameChange& c : p.changes)
            names.push_back(c.newName + (c.sameAsAnother ? " *" : ""));
        EXPECT_EQ(p.same, std::ranges::count_if(p.changes, &NameChange::sameAsAnother));
        return names;
    };
    using Names = std::vector<std::string>;
    // Alike once cut; alike in upper case without blanks to names the database keeps (entry 2 is
    // chosen but its name stays); never alike to the entry's own old name, nor by a part.
    EXPECT_EQ(marked({1, 2}, replacing("Pad", "GrandPiano")),
              (Names{"GrandPiano *", "GrandPiano *"}));
    EXPECT_EQ(marked({1, 3}, replacing("Pad", "str")), (Names{"str 1 *", "str 3"}));
    EXPECT_EQ(marked({4}, replacing("1", "2")), (Names{"Str 2 *"}));
    EXPECT_EQ(marked({1, 2}, replacing(" 1", " 2")), (Names{"Pad 2 *"}));
    EXPECT_EQ(marked({5}, replacing("STR", "Str")), (Names{" Str 2 "}));
    EXPECT_EQ(marked({1, 2, 3}, replacing("Pad", "Bass")), (Names{"Bass 1", "Bass 2", "Bass 3"}));
    EXPECT_EQ(changeNote({1, "a", "GrandPiano", "GrandPiano 1", true}),
              "cut from \"GrandPiano 1\"; same as another name");
}
