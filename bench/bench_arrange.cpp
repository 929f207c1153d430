// Arranging a PCG on the image: every command worked out and made, references included, on a
// full PCG whose 200 combinations play every program slot between them; the preview a drag
// (of slots, or of database entries) computes at each slot it passes; and a sort through the
// session, with its undo step. Each
// iteration starts from the same image (the copy is left out of the time).
#include <benchmark/benchmark.h>

#include "db_builder.h"
#include "pcg/arrange.h"
#include "random_pcg.h"
#include "session/arrange_commands.h"

using namespace pelvaro;
using namespace pelvaro::pcg;

namespace {

// All 200 programs used, every one played; `free` empty slots of each kind for the commands
// that need room.
const PcgState& fullPcg(int free) {
    static const PcgState none = synthetic::stagePcg(1, 0, true);
    static const PcgState some = synthetic::stagePcg(1, 20, true);
    return free == 0 ? none : some;
}

template <class Plan>
void runOn(benchmark::State& state, int free, Plan plan) {
    PcgState pcg = fullPcg(free);
    int changed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        pcg = fullPcg(free);
        state.ResumeTiming();
        const ArrangePlan p = plan(pcg);
        apply(pcg, p);
        changed += p.changes();
    }
    if (changed != static_cast<int>(state.iterations())) state.SkipWithError("nothing changed");
}

void SortBothBanksByName(benchmark::State& state) {
    runOn(state, 0,
          [](const PcgState& pcg) { return planSortByName(pcg, SlotKind::Program, allSlots()); });
}
BENCHMARK(SortBothBanksByName)->Unit(benchmark::kMicrosecond);

void MoveTenProgramsAcrossBanks(benchmark::State& state) {
    std::vector<int> ten;
    for (int s = 190; s < kSlotCount; ++s)
        ten.push_back(s);
    runOn(state, 20,
          [&](const PcgState& pcg) { return planMove(pcg, SlotKind::Program, ten, 10); });
}
BENCHMARK(MoveTenProgramsAcrossBanks)->Unit(benchmark::kMicrosecond);

void SwapTwoRunsOfTen(benchmark::State& state) {
    runOn(state, 0, [](const PcgState& pcg) {
        return planSwapAt(pcg, SlotKind::Program, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 120);
    });
}
BENCHMARK(SwapTwoRunsOfTen)->Unit(benchmark::kMicrosecond);

void CloseGapsOfBothBanks(benchmark::State& state) {
    runOn(state, 20,
          [](const PcgState& pcg) { return planCloseGaps(pcg, SlotKind::Program, allSlots()); });
}
BENCHMARK(CloseGapsOfBothBanks)->Unit(benchmark::kMicrosecond);

void SortCombinationsByName(benchmark::State& state) {
    runOn(state, 0, [](const PcgState& pcg) {
        return planSortByName(pcg, SlotKind::Combination, allSlots());
    });
}
BENCHMARK(SortCombinationsByName)->Unit(benchmark::kMicrosecond);

void SwapDrumKits(benchmark::State& state) {
    runOn(state, 0, [](const PcgState& pcg) { return planSwapDrumKits(pcg, 0, 3); });
}
BENCHMARK(SwapDrumKits)->Unit(benchmark::kMicrosecond);

void CopyFivePrograms(benchmark::State& state) {
    runOn(state, 20, [](const PcgState& pcg) {
        return planCopy(pcg, SlotKind::Program, {100, 101, 102, 103, 104}, 0);
    });
}
BENCHMARK(CopyFivePrograms)->Unit(benchmark::kMicrosecond);

void EmptyFivePrograms(benchmark::State& state) {
    runOn(state, 0, [](const PcgState& pcg) {
        return planEmpty(pcg, SlotKind::Program, {100, 101, 102, 103, 104});
    });
}
BENCHMARK(EmptyFivePrograms)->Unit(benchmark::kMicrosecond);

// What a drag works out at each mouse move: the plan and its line, nothing made.
void PreviewOfADrag(benchmark::State& state) {
    const PcgState& pcg = fullPcg(20);
    int target = 0;
    for (auto _ : state) {
        const ArrangePlan p = planMove(pcg, SlotKind::Program, {10, 11, 12}, target);
        benchmark::DoNotOptimize(p.preview.data());
        target = (target + 7) % kSlotCount;
    }
}
BENCHMARK(PreviewOfADrag)->Unit(benchmark::kMicrosecond);

// What a drag of three database programs works out at each slot it passes: their placement
// made on a copy of the PCG, for the exact line and the empty slots it fills.
void PreviewOfAnEntriesDrag(benchmark::State& state) {
    testing::TestDatabase db;
    session::Session& s = db.session();
    db::EventLines events;
    s.engine().sendPcgToDatabase(synthetic::stagePcg(2, 20, true), events, {});
    s.pcg() = fullPcg(20);
    int target = 0;
    for (auto _ : state) {
        const ArrangePlan p = session::placePlan(s, db::Kind::Program, {5, 50, 150}, target);
        benchmark::DoNotOptimize(p.preview.data());
        target = (target + 7) % kSlotCount;
    }
}
BENCHMARK(PreviewOfAnEntriesDrag)->Unit(benchmark::kMicrosecond);

// The command as the window runs it: the plan, the undo step's copy of the image, the change.
void SortBothBanksThroughTheSession(benchmark::State& state) {
    testing::TestDatabase db;
    session::Session& s = db.session();
    for (auto _ : state) {
        state.PauseTiming();
        s.pcg() = fullPcg(0);
        state.ResumeTiming();
        benchmark::DoNotOptimize(session::sortByName(s, SlotKind::Program, allSlots()).summary);
    }
}
BENCHMARK(SortBothBanksThroughTheSession)->Unit(benchmark::kMicrosecond);

}  // namespace
