// The status bar's one-line accounts: counts with their nouns and thousands, what a send stored,
// what a send to the PCG placed.
#include "session/summaries.h"

#include <gtest/gtest.h>

#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::testing;

TEST(Summaries, CountsSendsAndPlacements) {
    EXPECT_EQ(countOf(1, "program", "programs"), "1 program");
    EXPECT_EQ(countOf(0, "program", "programs"), "0 programs");
    EXPECT_EQ(countOf(1234567, "class", "classes"), "1,234,567 classes");
    EXPECT_EQ(countOf(999, "kit", "kits"), "999 kits");

    using session::Tally;
    EXPECT_EQ(session::sendSummary({.programs = Tally{128, 12}}),
              "Sent 128 programs: 12 new, 116 already stored");
    EXPECT_EQ(session::sendSummary({.programs = Tally{128, 0}, .combinations = Tally{40, 0}}),
              "Nothing new to store");
    EXPECT_EQ(session::sendSummary(
                  {.programs = Tally{0, 3}, .combinations = Tally{1, 1}, .drumKits = Tally{0, 1}}),
              "Sent 1 combination: 1 new, 0 already stored; with them 3 programs and 1 drum kit "
              "new");
    EXPECT_EQ(session::sendSummary({.programs = Tally{2, 2}, .drumKits = Tally{0, 2}}),
              "Sent 2 programs: 2 new, 0 already stored; with them 2 drum kits new");

    EXPECT_EQ(session::placeSummary(6, 0, 2, false), "Placed 6 programs and 2 drum kits");
    EXPECT_EQ(session::placeSummary(1, 2, 1, true),
              "Placed 1 program, 2 combinations and 1 drum kit; some found no place, see the "
              "event list");
    EXPECT_EQ(session::placeSummary(0, 0, 0, true), "Nothing placed; see the event list");
    EXPECT_EQ(session::placeSummary(0, 0, 0, false), "Nothing placed: the PCG holds these already");

    TestDatabase db;
    db.addProgram("PIANO");
    db.addClass("Keys");
    EXPECT_EQ(session::databaseSummary(db.files()),
              "1 program, 0 combinations, 0 drum kits, 1 class");
    EXPECT_EQ(session::pcgSummary(db.session().pcg()), "0 programs, 0 combinations");
}
