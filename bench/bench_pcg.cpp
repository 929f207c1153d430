// Whole-image operations: import, list refresh and export of the demo PCG.
#include <benchmark/benchmark.h>

#include "demo_pcg.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_lists.h"
#include "pcg_builder.h"
#include "temp_dir.h"
#include "template_image.h"

using namespace pelvaro;

namespace {

struct Files {
    testing::TempDir dir;
    pcg::PcgState pcg;
    Files() {
        pcg::writePcgFile(synthetic::makeTemplateImage(), pcg::templatePathIn(dir.path()));
        pcg::writePcgFile(synthetic::makeDemoImage(), dir.file("demo.pcg"));
        pcg::loadEmptyPcg(pcg, pcg::templatePathIn(dir.path()));
        pcg::loadTemplates(pcg, pcg::templatePathIn(dir.path()));
    }
};

void ImportDemo(benchmark::State& state) {
    Files f;
    for (auto _ : state)
        benchmark::DoNotOptimize(pcg::importPcg(f.pcg, f.dir.file("demo.pcg")));
}
BENCHMARK(ImportDemo)->Unit(benchmark::kMicrosecond);

void RefreshPcgLists(benchmark::State& state) {
    Files f;
    pcg::importPcg(f.pcg, f.dir.file("demo.pcg"));
    for (auto _ : state)
        benchmark::DoNotOptimize(pcg::pcgListLines(f.pcg, 0, 1));
}
BENCHMARK(RefreshPcgLists)->Unit(benchmark::kMicrosecond);

void ExportDemo(benchmark::State& state) {
    Files f;
    pcg::importPcg(f.pcg, f.dir.file("demo.pcg"));
    for (auto _ : state)
        pcg::writePcgFile(f.pcg.image, f.dir.file("out.pcg"));
}
BENCHMARK(ExportDemo)->Unit(benchmark::kMicrosecond);

}  // namespace
