// Any bytes as a PCG file: the import, the PCG lists, "Send PCG to &Database" into an empty and
// into a small database (checked against the plain linear send), every entry sent back into a
// new PCG, and the export. After each step the image, the flags and the database must hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "classes/class_assignment.h"
#include "classes/class_table.h"
#include "db/database_file.h"
#include "demo_pcg.h"
#include "fuzz_world.h"
#include "linear_transfer.h"
#include "pcg/pcg_lists.h"

using namespace pelvaro;
using namespace pelvaro::fuzzing;

namespace {

struct ImportWorld : FuzzWorld {
    std::string demoPath = file("demo.pcg");
    std::string smallDatabase;
    // A second database beside the session's, for the plain linear send.
    PrivateFolder linearFolder;
    db::RecordFiles linearFiles;

    ImportWorld() {
        writeWhole(demoPath, synthetic::makeDemoImage().bytes());
        // The small database: the demo PCG with two classes, exported once.
        importDemo();
        db::EventLines events;
        session.engine().sendPcgToDatabase(events, nullptr);
        classes::addClass(session.files(), "Keys", 0);
        classes::addClass(session.files(), "Pianos", 1);
        classes::ClassAssignment assignment;
        assignment.load(session.files(), db::Kind::Program, 1, {});
        assignment.addChosenClass(1);
        assignment.writeClasses(session.files());
        smallDatabase = db::exportDatabase(session.files(), file("small.pvd")).database;
        db::newDatabase(session.files());
        linearFiles.createRecordFiles(linearFolder.path());
    }

    void importDemo() {
        if (pcg::importPcg(session.pcg(), demoPath) != pcg::ImportResult::Imported)
            broken("the demo PCG is refused");
    }
};

ImportWorld& world() {
    static ImportWorld w;
    return w;
}

bool acceptable(ConstBytes input) {
    return input.size() >= pcg::kPcgSize &&
           std::equal(pcg::kMagic.begin(), pcg::kMagic.end(), input.begin());
}

void checkLists(pcg::PcgState& pcg) {
    for (int bank = 0; bank < 2; ++bank) {
        const pcg::PcgListLines lines = pcg::pcgListLines(pcg, bank, 1 - bank);
        require(lines.programs.size() == 100 && lines.combinations.size() == 100,
                "a PCG list without 100 lines");
        for (int i = 0; i < 100; ++i) {
            require(lines.programs[i].starts_with(pcg::slotPrefix(bank, i) + "    "),
                    "program line " + std::to_string(i) + ": " + lines.programs[i]);
            require(lines.combinations[i].starts_with(pcg::slotPrefix(1 - bank, i) + "    "),
                    "combination line " + std::to_string(i) + ": " + lines.combinations[i]);
            require(lines.programs[i].size() <= 17 && lines.combinations[i].size() <= 17,
                    "a PCG list line longer than a name");
        }
    }
    requireNoProblems(testing::pcgProblems(pcg), "after the list refresh");
}

std::vector<std::int32_t> allIds(const db::RecordFiles& files, db::Kind kind) {
    std::vector<std::int32_t> ids(static_cast<std::size_t>(files.count(kind)));
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = static_cast<std::int32_t>(i) + 1;
    return ids;
}

void checkSameFiles(const db::RecordFiles& a, const db::RecordFiles& b) {
    for (int k = 0; k < db::kKindCount; ++k) {
        const auto kind = static_cast<db::Kind>(k);
        require(a.count(kind) == b.count(kind), std::string(db::layoutOf(kind).fileName) +
                                                    ": the engine and the linear send differ");
        require(
            readWhole(a.stream(kind)) == readWhole(b.stream(kind)),
            std::string(db::layoutOf(kind).fileName) + ": the bytes differ from the linear send");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ImportWorld& w = world();
    const ConstBytes input(data, size);
    pcg::PcgState& pcg = w.session.pcg();
    db::RecordFiles& files = w.session.files();

    // Every input starts from the demo PCG, so that a refused import has something to keep.
    w.importDemo();
    const pcg::PcgState before = pcg;
    const std::string path = w.file("input.pcg");
    writeWhole(path, input);

    if (pcg::importPcg(pcg, path) == pcg::ImportResult::NotCompatible) {
        require(!acceptable(input), "a whole KORG5 file refused");
        require(pcg.image == before.image && pcg.occupancy == before.occupancy &&
                    pcg.pcgFileName == before.pcgFileName,
                "a refused import changed the open PCG");
        return 0;
    }
    require(acceptable(input), "a file without a whole KORG5 image imported");
    require(std::equal(pcg.image.bytes().begin(), pcg.image.bytes().end(), input.begin()),
            "the image is not the file's first 69416 bytes");
    require(pcg.pcgFileName == path, "the imported file's name is not kept");
    requireNoProblems(testing::pcgProblems(pcg), "after the import");
    checkLists(pcg);

    // Into an empty database, beside the plain linear send into another one.
    db::EventLines events;
    db::newDatabase(files);
    w.session.engine().sendPcgToDatabase(events, nullptr);
    requireNoProblems(testing::databaseProblems(files), "after sending into an empty database");
    require(files.count(db::Kind::Program) <= pcg::kSlotCount &&
                files.count(db::Kind::Combination) <= pcg::kSlotCount &&
                files.count(db::Kind::DrumKit) <= pcg::kDrumKitCount,
            "more entries than the PCG has slots");
    for (const std::string& line : events)
        require(
            line.starts_with("Program ") && line.ends_with(" of this combination is not present."),
            "an unexpected event line: " + line);
    db::newDatabase(w.linearFiles);
    std::vector<std::string> linearEvents;
    testing::LinearTransfer(pcg, w.linearFiles, testing::LinearTransfer::Reads::WholeFile)
        .sendPcgToDatabase(linearEvents);
    checkSameFiles(files, w.linearFiles);
    require(events == linearEvents, "the event lines differ from the linear send");

    // Into a small database, twice: the second send finds everything stored.
    db::openDatabase(files, w.smallDatabase);
    w.session.engine().sendPcgToDatabase(events, nullptr);
    requireNoProblems(testing::databaseProblems(files), "after sending into a small database");
    std::array<std::int32_t, db::kKindCount> counts{};
    for (int k = 0; k < db::kKindCount; ++k)
        counts[k] = files.count(static_cast<db::Kind>(k));
    w.session.engine().sendPcgToDatabase(events, nullptr);
    for (int k = 0; k < db::kKindCount; ++k)
        require(files.count(static_cast<db::Kind>(k)) == counts[k],
                "a second send of the same PCG stored something new");

    // Every entry back into a new PCG.
    pcg::newPcg(pcg, pcg::templatePathIn(files.startDirectory()));
    w.session.engine().sendEntriesToPcg(db::Kind::Program, allIds(files, db::Kind::Program),
                                        events);
    requireNoProblems(testing::pcgProblems(pcg), "after sending the programs to the PCG");
    w.session.engine().sendEntriesToPcg(db::Kind::Combination, allIds(files, db::Kind::Combination),
                                        events);
    requireNoProblems(testing::pcgProblems(pcg), "after sending the combinations to the PCG");
    checkLists(pcg);

    // And out.
    const std::string exported = pcg::pcgExportName(w.file("out"));
    pcg::writePcgFile(pcg.image, exported);
    const std::vector<Byte> written = readWhole(exported);
    require(written.size() == pcg::kPcgSize,
            "an exported PCG of " + std::to_string(written.size()) + " bytes");
    require(std::equal(written.begin(), written.end(), pcg.image.bytes().begin()),
            "the exported PCG is not the image");
    return 0;
}
