// The engine answers from its index; a plain scan from entry 1 upwards reads the files. Fed the
// same random PCGs, with the database changed in between the way the other windows change it,
// both must leave the same bytes in every record file and the same event lines.
#include <gtest/gtest.h>

#include <random>

#include "db/entry_deletion.h"
#include "db_builder.h"
#include "linear_transfer.h"
#include "random_pcg.h"

using namespace pelvaro;
using namespace pelvaro::db;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {

struct Database {
    TestDatabase db;
    RecordFiles& files = db.files();
    std::vector<Byte> bytes(Kind kind) const {
        const io::FileStream& file = files.stream(kind);
        std::vector<Byte> all(static_cast<std::size_t>(file.size()));
        file.readExactAt(0, all);
        return all;
    }
};

std::string pathFor(std::mt19937& r) {
    const std::string name = "/sets/set" + std::to_string(r() % 1000) + ".pcg";
    return r() % 3 == 0 ? "/a/very/long/folder/name/that/goes/on/and/on/and/on/" +
                              std::string(r() % 60, 'x') + name
                        : name;
}

void expectSame(const Database& indexed, const Database& linear, const std::string& where) {
    for (Kind kind : kAllKinds) {
        ASSERT_EQ(indexed.files.count(kind), linear.files.count(kind)) << where;
        const auto a = indexed.bytes(kind);
        const auto b = linear.bytes(kind);
        ASSERT_EQ(a.size(), b.size()) << where;
        const auto diff = std::ranges::mismatch(a, b);
        ASSERT_TRUE(diff.in1 == a.end())
            << where << ": first difference at byte " << (diff.in1 - a.begin()) << " of "
            << layoutOf(kind).fileName;
    }
}

// The same change to both databases, made through RecordFiles as Submit or class assignment
// would: a new name and explanation, a class.
void editEntry(RecordFiles& files, Kind kind, std::int32_t id, int classId) {
    std::vector<Byte> record(layoutOf(kind).recordSize);
    files.readEntry(kind, id, record);
    record[0] = static_cast<Byte>('a' + classId % 26);
    if (kind == Kind::Program) record[ProgramLayout::kClassIds] = static_cast<Byte>(classId);
    if (kind == Kind::Combination)
        record[CombinationLayout::kClassIds] = static_cast<Byte>(classId);
    files.writeEntry(kind, id, record);
}

}  // namespace

TEST(Equivalence, IndexedAndLinearSendsLeaveTheSameDatabase) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        Database indexed, linear;
        pcg::PcgState& pcg = indexed.db.session().pcg();
        transfer::TransferEngine& engine = indexed.db.session().engine();
        LinearTransfer reference(pcg, linear.files, LinearTransfer::Reads::WholeFile);
        std::mt19937 r(seed);
        std::vector<std::string> eventsA, eventsB;

        for (int step = 0; step < 10; ++step) {
            pcg = randomPcg(r(), pathFor(r));
            const std::string where =
                "seed " + std::to_string(seed) + " step " + std::to_string(step);
            switch (r() % 6) {
                case 0:
                case 1:
                    engine.sendPcgToDatabase(eventsA, {});
                    reference.sendPcgToDatabase(eventsB);
                    break;
                case 2:
                    engine.sendOnlyProgramsOfPcg(eventsA, {});
                    reference.sendOnlyProgramsOfPcg(eventsB);
                    break;
                case 3:
                    engine.sendOnlyCombinationsOfPcg(eventsA, {});
                    reference.sendOnlyCombinationsOfPcg(eventsB);
                    break;
                default:
                    eventsA.clear();
                    eventsB.clear();
                    for (int i = 0; i < 60; ++i) {
                        const int slot = static_cast<int>(r() % 204) - 2;
                        switch (r() % 3) {
                            case 0:
                                ASSERT_EQ(engine.sendProgramToDatabase(slot),
                                          reference.sendProgramToDatabase(slot))
                                    << where;
                                break;
                            case 1:
                                ASSERT_EQ(engine.sendCombinationToDatabase(slot, eventsA),
                                          reference.sendCombinationToDatabase(slot, eventsB))
                                    << where;
                                break;
                            default:
                                ASSERT_EQ(engine.sendDrumKitToDatabase(slot % 5),
                                          reference.sendDrumKitToDatabase(slot % 5))
                                    << where;
                        }
                    }
                    break;
            }
            ASSERT_EQ(eventsA, eventsB) << where;
            expectSame(indexed, linear, where);

            // The other windows change the database between sends: deletions (moves of the
            // last entries), edits of names and classes, now and then a reopened file.
            const std::int32_t programs = indexed.files.count(Kind::Program);
            const std::int32_t combinations = indexed.files.count(Kind::Combination);
            std::vector<std::int32_t> doomedPrograms, doomedCombinations;
            for (int i = 0; i < 4 && programs > 0; ++i)
                doomedPrograms.push_back(static_cast<std::int32_t>(r() % programs) + 1);
            for (int i = 0; i < 4 && combinations > 0; ++i)
                doomedCombinations.push_back(static_cast<std::int32_t>(r() % combinations) + 1);
            for (Database* d : {&indexed, &linear}) {
                std::vector<std::string> lines;
                db::deleteCombinationEntries(d->files, doomedCombinations, lines);
                db::deleteProgramEntries(d->files, doomedPrograms, lines);
            }
            if (indexed.files.count(Kind::Program) > 0) {
                const auto id =
                    static_cast<std::int32_t>(r() % indexed.files.count(Kind::Program)) + 1;
                const int classId = static_cast<int>(r() % 100);
                editEntry(indexed.files, Kind::Program, id, classId);
                editEntry(linear.files, Kind::Program, id, classId);
            }
            if (step % 5 == 4) {
                // Open Database of the same bytes: the index starts over from the file.
                for (Kind kind : kAllKinds) {
                    const std::string copy = indexed.db.dir().file("copy");
                    writeBytes(copy, indexed.bytes(kind));
                    replaceWorkingFile(indexed.files, kind, copy);
                }
            }
            expectSame(indexed, linear, where + " after the edits");
        }
        EXPECT_GT(indexed.files.count(Kind::Program), 100) << "the test sends real work";
    }
}
