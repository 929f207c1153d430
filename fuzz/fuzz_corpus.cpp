#include "fuzz_corpus.h"

#include <filesystem>

#include "classes/class_assignment.h"
#include "database_input.h"
#include "db/entry_deletion.h"
#include "db_builder.h"
#include "demo_pcg.h"
#include "pcg_builder.h"
#include "random_pcg.h"
#include "template_image.h"
#include "transfer/engine.h"

namespace pelvaro::fuzzing {

namespace {

pcg::PcgState stateOfImage(const pcg::PcgImage& image) {
    synthetic::PcgBuilder builder;
    builder.image() = image;
    return synthetic::stateOf(builder, "/sets/demo.pcg");
}

MemberBytes membersOf(const testing::TestDatabase& database) {
    MemberBytes members;
    for (int k = 0; k < db::kKindCount; ++k)
        members[k] = database.fileBytes(static_cast<db::Kind>(k));
    return members;
}

// The sounds of a PCG sent into a fresh database, with a small class tree whose classes are
// given to the first entries.
void fill(testing::TestDatabase& database, pcg::PcgState pcg) {
    database.session().pcg() = std::move(pcg);
    db::EventLines events;
    database.session().engine().sendPcgToDatabase(events, nullptr);
    const int keys = database.addClass("Keys");
    database.addClass("Pianos", keys);
    database.addClass("Drums");
    for (db::Kind kind : {db::Kind::Program, db::Kind::Combination}) {
        if (database.files().count(kind) < 3) continue;
        classes::ClassAssignment assignment;
        assignment.load(database.files(), kind, 1, {1, 2, 3});
        assignment.addChosenClass(0);
        assignment.addChosenClass(1);
        assignment.writeClasses(database.files());
    }
}

}  // namespace

std::vector<Seed> pcgImportSeeds() {
    std::vector<Seed> seeds;
    const auto image = [&](std::string name, const pcg::PcgImage& i) {
        seeds.push_back({std::move(name), std::vector<Byte>(i.bytes().begin(), i.bytes().end())});
    };
    image("template.pcg", synthetic::makeTemplateImage());
    image("demo.pcg", synthetic::makeDemoImage());
    image("random-1.pcg", synthetic::randomPcg(1).image);
    image("random-2.pcg", synthetic::randomPcg(2).image);
    // The header alone, and a file of another instrument.
    const pcg::PcgImage demo = synthetic::makeDemoImage();
    seeds.push_back(
        {"short.pcg", std::vector<Byte>(demo.bytes().begin(), demo.bytes().begin() + 64)});
    std::vector<Byte> foreign(demo.bytes().begin(), demo.bytes().begin() + 64);
    foreign[4] = '4';
    seeds.push_back({"foreign.pcg", foreign});
    return seeds;
}

std::vector<Seed> databaseOpenSeeds() {
    std::vector<Seed> seeds;
    const auto add = [&](std::string name, const testing::TestDatabase& database) {
        seeds.push_back({std::move(name), packDatabaseInput(membersOf(database))});
    };
    {
        testing::TestDatabase database;
        add("empty", database);
    }
    {
        testing::TestDatabase database;
        fill(database, stateOfImage(synthetic::makeDemoImage()));
        add("demo", database);
        // Deleted entries leave their old last records beyond the counts.
        db::EventLines events;
        db::deleteCombinationEntries(database.files(), {1, 2}, events);
        db::deleteProgramEntries(database.files(), {1, 3, 5}, events);
        add("demo-after-deletions", database);
    }
    {
        testing::TestDatabase database;
        fill(database, synthetic::randomPcg(3));
        add("random-3", database);
    }
    {
        // Damaged: a loop of parent classes, and a combination playing a program that is gone.
        testing::TestDatabase database;
        const int piano = database.addProgram("PIANO", {.osc1 = 4});
        database.addCombination("SPLIT", {testing::plays(0)}, {.timbreProgramIds = {piano}});
        database.addClass("A", 2);
        database.addClass("B", 1);
        add("class-loop", database);
        database.files().setCount(db::Kind::Class, 0);
        database.files().setCount(db::Kind::Program, 0);
        add("timbre-without-program", database);
    }
    return seeds;
}

void writeCorpus(const std::string& folder) {
    for (const auto& [target, seeds] : {std::pair{"pcg_import", pcgImportSeeds()},
                                        std::pair{"database_open", databaseOpenSeeds()}}) {
        const std::filesystem::path dir = std::filesystem::path(folder) / target;
        std::filesystem::create_directories(dir);
        for (const Seed& seed : seeds)
            testing::writeBytes((dir / seed.name).string(), seed.bytes);
    }
}

}  // namespace pelvaro::fuzzing
