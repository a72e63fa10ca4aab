// Solver benchmarks: building the stack and grid systems from scratch, and re-solving them after the
// container's width changes through an edit variable. Peak heap use is counted in an untimed build.

#include "solver/layout_systems.h"
#include "support/heap_counter.h"
#include "support/warm_heap_main.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using ui::Solver;
using ui::bench::GridSystem;
using ui::bench::StackSystem;

template <class System>
void buildFromScratch(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    // Memory is counted in an untimed build, which also leaves the heap holding the pages a build of this
    // size needs.
    long long peak = 0;
    {
        const heap_counter::Window counted;
        Solver solver;
        System system;
        system.build(solver, n, 320.0);
        peak = counted.peak();
    }
    for (auto _ : state) {
        auto solver = std::make_unique<Solver>();
        auto system = std::make_unique<System>();
        system->build(*solver, n, 320.0);
        benchmark::DoNotOptimize(system->container.width.value());
        if (system->failures)
            state.SkipWithError("a constraint was refused");
        // Tearing the layout down is not part of building it.
        state.PauseTiming();
        system.reset();
        solver.reset();
        state.ResumeTiming();
    }
    state.counters["peak_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.counters["items"] = static_cast<double>(n);
}

template <class System>
void resolveAfterEdit(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    Solver solver;
    System system;
    system.build(solver, n, 320.0);
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        solver.suggestValue(system.container.width, wide ? 768.0 : 320.0);
        solver.updateVariables();
        benchmark::DoNotOptimize(system.container.width.value());
    }
    const auto stats = solver.stats();
    state.counters["rows"] = static_cast<double>(stats.rows);
    state.counters["definitions"] = static_cast<double>(stats.definitions);
}

void BM_StackBuild(benchmark::State& s) {
    buildFromScratch<StackSystem>(s);
}
void BM_StackEdit(benchmark::State& s) {
    resolveAfterEdit<StackSystem>(s);
}
void BM_GridBuild(benchmark::State& s) {
    buildFromScratch<GridSystem>(s);
}
void BM_GridEdit(benchmark::State& s) {
    resolveAfterEdit<GridSystem>(s);
}

} // namespace

BENCHMARK(BM_StackBuild)->Arg(100)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StackEdit)->Arg(100)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridBuild)->Arg(300)->Arg(3000)->Arg(9000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridEdit)->Arg(300)->Arg(3000)->Arg(9000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return warm_heap::runBenchmarks(argc, argv);
}
