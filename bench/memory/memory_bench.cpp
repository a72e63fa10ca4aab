// What a load from memory costs on this machine, by the size of the data it falls in: a random walk over
// a ring of cache lines, each holding the index of the next, so that every load waits for the one before.
//
// The layout and load benchmarks compare a document with ten (or four) times its size. The larger one no
// longer fits the caches that the smaller one runs from, so their ratio depends on how much of the
// last-level cache the process gets. On a virtual machine that cache is shared with other tenants, and
// what is left to the process changes from minute to minute. Run this next to those benchmarks to tell a
// quiet cache (a few tens of nanoseconds up to the size of the cache) from one that others hold (a
// hundred or more, memory's latency, far below that size).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <random>
#include <vector>

namespace {

struct alignas(64) Line {
    std::size_t next = 0;
};

// One ring through all the lines in a random order, so that the hardware cannot guess the next address.
std::vector<Line> ring(std::size_t lines) {
    std::vector<std::size_t> order(lines);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin() + 1, order.end(), std::mt19937_64(7));
    std::vector<Line> ring(lines);
    for (std::size_t i = 0; i < lines; ++i)
        ring[order[i]].next = order[(i + 1) % lines];
    return ring;
}

void BM_DependentLoads(benchmark::State& state) {
    const auto kib = static_cast<std::size_t>(state.range(0));
    const std::vector<Line> lines = ring(kib * 1024 / sizeof(Line));
    constexpr std::size_t kSteps = 1 << 16;
    std::size_t at = 0;
    for (std::size_t i = 0; i < 2 * lines.size(); ++i) // bring the ring into whatever cache it fits
        at = lines[at].next;
    for (auto _ : state) {
        for (std::size_t i = 0; i < kSteps; ++i)
            at = lines[at].next;
        benchmark::DoNotOptimize(at);
    }
    // Seconds per load: printed as, say, "per_load=21.4n" for 21.4 ns.
    state.counters["per_load"] =
        benchmark::Counter(static_cast<double>(kSteps),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

// Working sets in KiB: inside the first two cache levels, around the last level's usual share, and well
// beyond it (memory).
BENCHMARK(BM_DependentLoads)
    ->Arg(256)
    ->Arg(1024)
    ->Arg(2048)
    ->Arg(4096)
    ->Arg(10240)
    ->Arg(16384)
    ->Arg(65536)
    ->Unit(benchmark::kNanosecond);

BENCHMARK_MAIN();
