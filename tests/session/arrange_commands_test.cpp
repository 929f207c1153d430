// The arrange commands through the session: one undo step each, named after the command, that
// gives back the PCG byte for byte; none for a command refused or with nothing to do; and
// database entries placed at a chosen slot as Send To PCG places them.
#include "session/arrange_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "db_builder.h"
#include "pcg/slot_order.h"
#include "random_pcg.h"
#include "session/session.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using pcg::SlotKind;
using Outcome = session::ArrangeResult::Verdict;

namespace {

struct Pcg {
    pcg::PcgImage image;
    pcg::SlotOccupancy occupancy;
    bool operator==(const Pcg&) const = default;
};
Pcg pcgOf(session::Session& s) {
    return {s.pcg().image, s.pcg().occupancy};
}

// One of the commands at random on random slots; entries placed are drawn from the database.
struct Ran {
    session::ArrangeResult result;
    SlotKind kind;         // of the slots it works on (the drum kit commands: programs)
    bool empties = false;  // Empty: what played the records it empties plays an empty slot
};
Ran randomCommand(session::Session& s, std::mt19937& r) {
    const auto slots = [&](int n) {
        std::vector<int> out;
        for (int i = 0; i < n; ++i)
            out.push_back(static_cast<int>(r() % pcg::kSlotCount));
        return out;
    };
    const SlotKind kind = r() % 2 ? SlotKind::Program : SlotKind::Combination;
    const int target = slots(1)[0];
    switch (r() % 10) {
        case 0:
            return {session::moveSlots(s, kind, slots(3), target), kind};
        case 1:
            return {session::swapSlots(s, kind, slots(1), slots(1)), kind};
        case 2:
            return {session::swapSlotsAt(s, kind, slots(2), target), kind};
        case 3:
            return {session::copySlots(s, kind, slots(2), target), kind};
        case 4:
            return {session::emptySlots(s, kind, slots(2)), kind, true};
        case 5:
            return {session::sortByName(s, kind, pcg::bankSlots(static_cast<int>(r() % 2))), kind};
        case 6:
            return {session::closeGaps(s, kind, pcg::allSlots()), kind};
        case 7:
            return {session::swapDrumKits(s, static_cast<int>(r() % 4), static_cast<int>(r() % 4)),
                    SlotKind::Program};
        case 8:
            return {session::emptyDrumKits(s, {static_cast<int>(r() % 4)}), SlotKind::Program,
                    true};
        default: {
            const db::Kind entries =
                kind == SlotKind::Program ? db::Kind::Program : db::Kind::Combination;
            std::vector<std::int32_t> ids;
            for (int n = 1 + static_cast<int>(r() % 3); n > 0; --n)
                ids.push_back(1 + static_cast<std::int32_t>(r() % s.files().count(entries)));
            return {session::placeEntries(s, entries, ids, target), kind};
        }
    }
}

// What a program slot sounds like: its record and name, and for a drum program the kit it plays
// in place of its kit slot byte; nothing for an empty slot.
std::vector<Byte> soundOf(const pcg::PcgState& pcg, int s) {
    if (!pcg::slotUsed(pcg, SlotKind::Program, s)) return {};
    const pcg::ConstProgramBytes p = pcg.image.program(s);
    std::vector<Byte> sound(p.begin(), p.end());
    const auto name = pcg.image.programName(s);
    sound.insert(sound.end(), name.begin(), name.end());
    if (pcg::oscMode(p) == pcg::program::kDrumMode && pcg::isDrumKitSlot(pcg::drumKitSlot(p))) {
        sound[pcg::program::kDrumKitSlot] = 0;
        const auto kit = pcg.image.drumKit(pcg::drumKitSlot(p));
        sound.insert(sound.end(), kit.begin(), kit.end());
    }
    return sound;
}

// Every timbre that played a used program plays the same record and name afterwards, and every
// other timbre keeps its byte. Commands on programs leave the combinations in their slots;
// commands on combinations move them whole and leave the programs.
void expectSoundsKept(const pcg::PcgState& before, const pcg::PcgState& after, const Ran& ran) {
    for (int s = 0; s < pcg::kSlotCount; ++s) {
        if (ran.kind == SlotKind::Combination) {
            if (pcg::slotUsed(before, SlotKind::Program, s)) {
                EXPECT_EQ(soundOf(before, s), soundOf(after, s)) << "program " << s;
            }
            continue;
        }
        if (!pcg::slotUsed(before, SlotKind::Combination, s)) continue;
        const pcg::ConstCombinationBytes was = before.image.combination(s);
        for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
            const int p = pcg::timbreProgram(was, t);
            const int now = pcg::timbreProgram(after.image.combination(s), t);
            if (!ran.empties && !pcg::timbreDisabled(was, t) && !pcg::timbreOutsideBanks(was, t) &&
                pcg::isSlot(p) && pcg::slotUsed(before, SlotKind::Program, p)) {
                EXPECT_EQ(soundOf(before, p), soundOf(after, now)) << s << " timbre " << t;
            } else {
                EXPECT_EQ(p, now) << "combination " << s << " timbre " << t;
            }
        }
    }
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
    std::vector<Pcg> states{pcgOf(s)};
    std::vector<std::string> names;
    for (int step = 0; step < 60; ++step) {
        const Pcg before = pcgOf(s);
        const std::string lastName = s.undoLog().undoName();
        const session::ArrangeResult result = randomCommand(s, r).result;
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

TEST(ArrangeCommands, EveryTimbreKeepsItsSoundOrItsByteThroughRandomSequencesWithPlacing) {
    TestDatabase db;
    session::Session& s = db.session();
    // The database holds other PCGs' sounds, so that most placed entries are new to the PCG.
    db::EventLines events;
    for (std::uint32_t seed : {101u, 102u}) {
        s.pcg() = synthetic::stagePcg(seed, 20);
        s.engine().sendPcgToDatabase(events, {});
    }
    std::mt19937 r(7);
    int placedOverEmpty = 0;
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        s.pcg() = synthetic::stagePcg(seed, 10 + static_cast<int>(r() % 30));
        for (int step = 0; step < 30; ++step) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
            const pcg::PcgState before = s.pcg();
            const Ran ran = randomCommand(s, r);
            expectSoundsKept(before, s.pcg(), ran);
            // The lines that say which slots played as empty took a placed sound.
            for (const std::string& line : ran.result.events.value_or(db::EventLines{}))
                placedOverEmpty += line.find(" the empty ") != std::string::npos;
            if (HasFailure()) return;
        }
    }
    EXPECT_GT(placedOverEmpty, 10);
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
    EXPECT_EQ(placed.verdict, Outcome::Done);
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
    EXPECT_EQ(placed.verdict, Outcome::Refused);
    EXPECT_EQ(placed.summary, "Cannot place 1 program at B99: 1 free slot is missing from B99 on");
    EXPECT_EQ(placed.events, db::EventLines{});
    EXPECT_TRUE(pcgOf(s) == full);
    EXPECT_EQ(s.undoLog().undoName(), last);

    // With every kit taken by another kit, the event lines of Send To PCG; nothing placed.
    for (int k = 0; k < 4; ++k)
        ASSERT_EQ(s.pcg().occupancy.drumKitUsed[k], 1);
    const int other = db.addDrumKit(99);
    const int lost =
        db.addProgram("LOST", {.oscMode = 2, .voice = 78}, EntryFields{.drumKitId = other});
    placed = session::placeEntries(s, db::Kind::Program, {lost}, 0);
    EXPECT_EQ(placed.verdict, Outcome::Unchanged);
    EXPECT_EQ(placed.summary, "Placed no programs; see the event list");
    EXPECT_EQ(placed.events,
              (db::EventLines{"No Drum Kit Slots for Drumkit " + std::to_string(other),
                              "No Drum Kit Slots for Program " + std::to_string(lost)}));
    EXPECT_TRUE(pcgOf(s) == full);
    EXPECT_EQ(s.undoLog().undoName(), last);
}

TEST(ArrangeCommands, APlacedSoundTakesOverAnEmptySlotsTimbresOnlyWhereItLandsAndSaysSo) {
    TestDatabase db;
    session::Session& s = db.session();
    const int kalimba = db.addProgram("Kalimba", {.voice = 51});
    const int harp = db.addProgram("Harp", {.voice = 52});
    const int bells = db.addProgram("Bells", {.voice = 53});
    const int song =
        db.addCombination("SONG", {plays(0)}, EntryFields{.timbreProgramIds = {bells}}, 54);
    PcgBuilder b;
    for (int p = 1; p < 30; ++p)
        b.program(p, "P" + std::to_string(p), {.voice = static_cast<unsigned>(p)});
    b.combination(0, "Piano Str", {plays(0), plays(1)})
        .combination(1, "Half There", {plays(0)})
        .combination(2, "Piano Solo", {off(3), plays(0)})
        .combination(3, "Other", {plays(26)});
    s.pcg() = synthetic::stateOf(b);

    // A00 is free and played as empty: the program lands there first and moves on to A26
    // without taking the three combinations with it.
    auto placed = session::placeEntries(s, db::Kind::Program, {kalimba}, 26);
    EXPECT_EQ(placed.summary,
              "Placed 1 program at A26; 1 combination follows them; A26-A29 pushed to A27-A30");
    EXPECT_EQ(placed.events, db::EventLines{});
    EXPECT_EQ(pcg::timbreProgram(s.pcg().image.combination(1), 0), 0);
    EXPECT_FALSE(pcg::slotUsed(s.pcg(), SlotKind::Program, 0));

    // Placed on the empty A00 itself: the drop line and the event line say who takes it.
    const std::string taken =
        "Piano Str, Half There and Piano Solo play the empty A00 and will "
        "play Harp";
    EXPECT_EQ(session::placePlan(s, db::Kind::Program, {harp}, 0).preview,
              "Places 1 program at A00; " + taken);
    placed = session::placeEntries(s, db::Kind::Program, {harp}, 0);
    EXPECT_EQ(placed.summary, "Placed 1 program at A00; see the event list");
    EXPECT_EQ(placed.events, db::EventLines{taken});

    // A program a placed combination depends on lands in the first free slot, A31, which Other
    // plays as empty once its timbre is pointed there.
    s.pcg().image.combination(3)[pcg::combination::timbreOffset(0)] = 31;
    placed = session::placeEntries(s, db::Kind::Combination, {song}, 10);
    EXPECT_EQ(placed.events, db::EventLines{"Other plays the empty A31 and will play Bells"});
}
