// The arrange commands through the session: one undo step each, named after the command, that
// gives back the PCG byte for byte; none for a command refused or with nothing to do; and
// database entries placed at a chosen slot as Send To PCG places them.
#include "session/arrange_commands.h"

#include <gtest/gtest.h>

#include <random>

#include "db_builder.h"
#include "random_pcg.h"
#include "session/session.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using pcg::SlotKind;
using Outcome = session::ArrangeResult::Outcome;

namespace {

struct Pcg {
    pcg::PcgImage image;
    pcg::SlotOccupancy occupancy;
    bool operator==(const Pcg&) const = default;
};
Pcg pcgOf(session::Session& s) {
    return {s.pcg().image, s.pcg().occupancy};
}

}  // namespace

TEST(ArrangeCommands, EachIsOneUndoStepBackToTheExactBytes) {
    TestDatabase db;
    session::Session& s = db.session();
    s.pcg() = synthetic::stagePcg(5, 12);
    db::EventLines events;
    s.engine().sendPcgToDatabase(events, {});
    s.undoLog().clear();
    std::mt19937 r(11);
    const auto slots = [&](int n) {
        std::vector<int> out;
        for (int i = 0; i < n; ++i)
            out.push_back(static_cast<int>(r() % pcg::kSlotCount));
        return out;
    };
    std::vector<Pcg> states{pcgOf(s)};
    std::vector<std::string> names;
    for (int step = 0; step < 60; ++step) {
        const SlotKind kind = r() % 2 ? SlotKind::Program : SlotKind::Combination;
        const int target = slots(1)[0];
        const Pcg before = pcgOf(s);
        const std::string lastName = s.undoLog().undoName();
        session::ArrangeResult result;
        switch (step % 10) {
            case 0:
                result = session::moveSlots(s, kind, slots(3), target);
                break;
            case 1:
                result = session::swapSlots(s, kind, slots(1), slots(1));
                break;
            case 2:
                result = session::swapSlotsAt(s, kind, slots(2), target);
                break;
            case 3:
                result = session::copySlots(s, kind, slots(2), target);
                break;
            case 4:
                result = session::emptySlots(s, kind, slots(2));
                break;
            case 5:
                result = session::sortByName(s, kind, pcg::bankSlots(static_cast<int>(r() % 2)));
                break;
            case 6:
                result = session::closeGaps(s, kind, pcg::allSlots());
                break;
            case 7:
                result =
                    session::swapDrumKits(s, static_cast<int>(r() % 4), static_cast<int>(r() % 4));
                break;
            case 8:
                result = session::emptyDrumKits(s, {static_cast<int>(r() % 4)});
                break;
            default:
                result = session::placeEntries(
                    s, kind == SlotKind::Program ? db::Kind::Program : db::Kind::Combination,
                    {1 + static_cast<std::int32_t>(r() % 20)}, target);
        }
        EXPECT_FALSE(result.summary.empty());
        if (!result.done()) {
            // Nothing changed, and no step was left.
            EXPECT_TRUE(pcgOf(s) == before) << result.summary;
            EXPECT_EQ(s.undoLog().undoName(), lastName) << result.summary;
            continue;
        }
        EXPECT_TRUE(s.undoLog().canUndo());
        names.push_back(s.undoLog().undoName());
        states.push_back(pcgOf(s));
    }
    ASSERT_GT(names.size(), 30u);
    EXPECT_NE(std::ranges::find(names, "Swap Drum Kits"), names.end());
    EXPECT_NE(std::ranges::find(names, "Close Gaps"), names.end());
    for (std::size_t i = names.size(); i-- > 0;) {
        EXPECT_EQ(s.undoLog().undoName(), names[i]);
        s.undoLog().undo();
        EXPECT_TRUE(pcgOf(s) == states[i]) << "undo of " << names[i];
    }
    EXPECT_FALSE(s.undoLog().canUndo());
    while (s.undoLog().canRedo())
        s.undoLog().redo();
    EXPECT_TRUE(pcgOf(s) == states.back());
}

TEST(ArrangeCommands, PlaceEntriesAtASlotAsSendToPcgPlacesThem) {
    TestDatabase db;
    session::Session& s = db.session();
    const int kit = db.addDrumKit(31);
    const int piano = db.addProgram("PIANO", {.osc1 = 1, .voice = 41});
    const int drums = db.addProgram("DRUMS", {.oscMode = 2, .kitSlot = 3, .voice = 42},
                                    EntryFields{.drumKitId = kit});
    const int song = db.addCombination("SONG", {plays(7), plays(9)},
                                       EntryFields{.timbreProgramIds = {piano, drums}}, 43);
    PcgBuilder b;
    b.program(10, "TEN", {.voice = 1})
        .program(11, "ELEVEN", {.voice = 2})
        .program(13, "13", {.voice = 3});
    b.combination(0, "OLD", {plays(10), plays(11)});
    s.pcg() = synthetic::stateOf(b);

    // The programs land at A10-A11 and push what stood there; OLD follows them.
    auto placed = session::placeEntries(s, db::Kind::Program, {piano, drums}, 10);
    EXPECT_EQ(placed.outcome, Outcome::Done);
    EXPECT_EQ(placed.summary,
              "Placed 2 programs at A10-A11; 1 combination follows them; A10-A11 pushed to "
              "A12-A13, A13 pushed to A14");
    EXPECT_EQ(s.undoLog().undoName(), "Place 2 Programs");
    EXPECT_EQ(pcg::nameText(s.pcg().image.programName(10)), "PIANO");
    EXPECT_EQ(s.pcg().image.program(11)[pcg::program::kDrumKitSlot], 0);  // the first free kit
    EXPECT_EQ(pcg::timbreProgram(s.pcg().image.combination(0), 0), 12);

    // The combination reuses its programs where they now stand and goes to B00.
    placed = session::placeEntries(s, db::Kind::Combination, {song}, 100);
    EXPECT_EQ(placed.summary, "Placed 1 combination at B00");
    EXPECT_EQ(pcg::timbreProgram(s.pcg().image.combination(100), 0), 10);
    EXPECT_EQ(pcg::timbreProgram(s.pcg().image.combination(100), 1), 11);

    // Placing what is there already moves it: PIANO from A10 to A00, SONG and OLD follow.
    placed = session::placeEntries(s, db::Kind::Program, {piano}, 0);
    EXPECT_EQ(placed.summary, "Placed 1 program at A00; 1 combination follows them");
    EXPECT_EQ(pcg::timbreProgram(s.pcg().image.combination(100), 0), 0);
    const int solo = db.addProgram("SOLO", {.voice = 44});
    EXPECT_EQ(session::placeEntries(s, db::Kind::Program, {solo}, 1).summary,
              "Placed 1 program at A01");

    // No room from B99 on: nothing changes, no step.
    s.pcg() = synthetic::stagePcg(3, 0);
    int freed = 100;
    while (pcg::oscMode(s.pcg().image.program(freed)) == pcg::program::kDrumMode)
        ++freed;
    pcg::emptyPcgSlot(s.pcg(), SlotKind::Program, freed);
    const Pcg full = pcgOf(s);
    const std::string last = s.undoLog().undoName();
    const int fresh = db.addProgram("FRESH", {.voice = 77});
    placed = session::placeEntries(s, db::Kind::Program, {fresh}, 199);
    EXPECT_EQ(placed.outcome, Outcome::Refused);
    EXPECT_EQ(placed.summary, "Cannot place 1 program at B99: 1 free slot is missing from B99 on");
    EXPECT_TRUE(placed.events.empty());
    EXPECT_TRUE(pcgOf(s) == full);
    EXPECT_EQ(s.undoLog().undoName(), last);

    // With every kit taken by another kit, the event lines of Send To PCG; nothing placed.
    for (int k = 0; k < 4; ++k)
        ASSERT_EQ(s.pcg().occupancy.drumKitUsed[k], 1);
    const int other = db.addDrumKit(99);
    const int lost =
        db.addProgram("LOST", {.oscMode = 2, .voice = 78}, EntryFields{.drumKitId = other});
    placed = session::placeEntries(s, db::Kind::Program, {lost}, 0);
    EXPECT_EQ(placed.outcome, Outcome::Unchanged);
    EXPECT_EQ(placed.summary, "Placed no programs; see the event list");
    EXPECT_EQ(placed.events,
              (db::EventLines{"No Drum Kit Slots for Drumkit " + std::to_string(other),
                              "No Drum Kit Slots for Program " + std::to_string(lost)}));
    EXPECT_TRUE(pcgOf(s) == full);
    EXPECT_EQ(s.undoLog().undoName(), last);
}
