// Solver benchmarks: building the stack and grid systems from scratch, and re-solving them after the
// container's width changes through an edit variable. Peak heap use is tracked by counting allocations.

#include "layout_systems.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

std::atomic<long long> liveBytes{0};
std::atomic<long long> peakBytes{0};

void noteAllocation(long long bytes) {
    const long long now = liveBytes.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    long long peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

} // namespace

// Every allocation carries its size in a header so that frees can be counted too. GCC cannot see that the
// replaced operators pair malloc with free themselves.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    auto* p = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
    if (!p)
        throw std::bad_alloc();
    *p = size;
    noteAllocation(static_cast<long long>(size));
    return reinterpret_cast<char*>(p) + sizeof(std::max_align_t);
}

void operator delete(void* ptr) noexcept {
    if (!ptr)
        return;
    auto* p = reinterpret_cast<std::size_t*>(static_cast<char*>(ptr) - sizeof(std::max_align_t));
    liveBytes.fetch_sub(static_cast<long long>(*p), std::memory_order_relaxed);
    std::free(p);
}

void operator delete(void* ptr, std::size_t) noexcept {
    operator delete(ptr);
}

namespace {

using ui::Solver;
using ui::bench::GridSystem;
using ui::bench::StackSystem;

template <class System>
void buildFromScratch(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    long long peak = 0;
    for (auto _ : state) {
        const long long before = liveBytes.load();
        peakBytes.store(before);
        auto solver = std::make_unique<Solver>();
        auto system = std::make_unique<System>();
        system->build(*solver, n, 320.0);
        benchmark::DoNotOptimize(system->container.width.value());
        if (system->failures)
            state.SkipWithError("a constraint was refused");
        peak = std::max(peak, peakBytes.load() - before);
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

// Freed memory stays with the process between iterations, as it does in a long-running host, so that
// each iteration measures the solver rather than the kernel handing out fresh pages.
int main(int argc, char** argv) {
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
