// Organising a large collection by rule: 100,000 programs classified by three rules (the
// preview, and the command with its undo step), and the names of all of them numbered (the
// names in use that Replace in Names gathers when it opens, the preview of every keystroke
// with its same-name marks, and the command).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "large_database.h"
#include "pcg/pcg_files.h"
#include "session/organise_rules.h"
#include "session/session.h"
#include "temp_dir.h"
#include "template_image.h"

using namespace pelvaro;

namespace {

constexpr std::int32_t kPrograms = 100000;

// A session with a stored database of 100,000 programs open.
struct Collection {
    testing::TempDir dir;
    std::unique_ptr<session::Session> session;

    Collection() {
        const std::string pvd =
            synthetic::writeLargeDatabase(dir.file("big"), kPrograms, 0).database;
        pcg::writePcgFile(synthetic::makeTemplateImage(), dir.file("bos.dat"));
        std::filesystem::create_directory(dir.file("work"));
        session = std::make_unique<session::Session>(dir.file("work"), dir.file("bos.dat"));
        session->openDatabase(pvd);
    }
};

Collection& collection() {
    static Collection c;
    return c;
}

// A name, a sound range and the drum programs: about a third of the programs each.
std::vector<classes::ClassRule> threeRules() {
    using classes::RuleTest;
    return {{.test = RuleTest::NameContains, .text = "pad", .classId = 1},
            {.test = RuleTest::SoundIn, .from = 0, .to = 40, .classId = 2},
            {.test = RuleTest::DrumProgram, .classId = 3}};
}

void PreviewThreeRulesOver100000Programs(benchmark::State& state) {
    const session::Session& s = *collection().session;
    classes::RulesPreview p;
    for (auto _ : state)
        p = classes::previewRules(s.files(), threeRules());
    state.counters["classes given"] = p.classesGiven;
}
BENCHMARK(PreviewThreeRulesOver100000Programs)->Unit(benchmark::kMillisecond)->UseRealTime();

// The command as the window runs it: the scan, every changed entry written, the undo step
// kept. Undo between runs, untimed, gives each run the same work.
void ClassifyThreeRulesOver100000Programs(benchmark::State& state) {
    session::Session& s = *collection().session;
    std::int32_t given = 0;
    for (auto _ : state) {
        given = session::classifyByRules(s, threeRules()).preview.classesGiven;
        state.PauseTiming();
        s.undoLog().undo();
        state.ResumeTiming();
    }
    state.counters["classes given"] = given;
}
BENCHMARK(ClassifyThreeRulesOver100000Programs)->Unit(benchmark::kMillisecond)->UseRealTime();

void GatherTheNamesInUseOf100000Programs(benchmark::State& state) {
    session::Session& s = *collection().session;
    for (auto _ : state)
        benchmark::DoNotOptimize(db::NamesInUse(s.names(), db::Kind::Program));
}
BENCHMARK(GatherTheNamesInUseOf100000Programs)->Unit(benchmark::kMillisecond)->UseRealTime();

// Argument 1: with the marks of new names that are the same as others; 0: without.
void PreviewTheNumberingOf100000Programs(benchmark::State& state) {
    session::Session& s = *collection().session;
    std::vector<std::int32_t> ids(kPrograms);
    std::iota(ids.begin(), ids.end(), 1);
    const auto names = db::storedNames(s.files(), db::Kind::Program, ids);
    const db::NamesInUse inUse(s.names(), db::Kind::Program);
    const db::NameEdit edit{.mode = db::NameEdit::Mode::Number, .base = "Pad ", .start = 1};
    db::NamesPlan plan;
    for (auto _ : state)
        plan = db::planNames(names, edit, state.range(0) != 0 ? &inUse : nullptr);
    state.counters["same"] = plan.same;
}
BENCHMARK(PreviewTheNumberingOf100000Programs)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void NumberTheNamesOf100000Programs(benchmark::State& state) {
    session::Session& s = *collection().session;
    std::vector<std::int32_t> ids(kPrograms);
    std::iota(ids.begin(), ids.end(), 1);
    const db::NameEdit edit{.mode = db::NameEdit::Mode::Number, .base = "Pad ", .start = 1};
    for (auto _ : state) {
        benchmark::DoNotOptimize(session::replaceInNames(s, db::Kind::Program, ids, edit));
        state.PauseTiming();
        s.undoLog().undo();
        state.ResumeTiming();
    }
}
BENCHMARK(NumberTheNamesOf100000Programs)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
