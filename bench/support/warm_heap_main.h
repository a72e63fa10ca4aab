#pragma once

// The main function of the benchmarks that build and tear down large structures in every iteration.
// Freed memory stays in the process between iterations, as it does in a long-running host, instead of
// going back to the kernel: every size is then measured from the same warm heap, rather than the large
// sizes paying for fresh pages in most iterations and the small ones in none.

#include <benchmark/benchmark.h>
#include <malloc.h>

namespace warm_heap {

inline int runBenchmarks(int argc, char** argv) {
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace warm_heap
