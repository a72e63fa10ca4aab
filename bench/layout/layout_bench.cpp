// Layout benchmarks: a window holding a scroll view with a vertical stack of N rows, each row a
// horizontal stack of three views with a fixed aspect ratio, all pinned with anchors. Measured: the first
// layout pass, and a relayout after the window's width changes. Heap use is counted in an untimed run:
// what the laid-out storefront holds (its views, their constraints and the layout engine), and the peak
// while it is built and laid out.

#include "support/heap_counter.h"
#include "support/warm_heap_main.h"

#include <ui/views/scroll_view.h>
#include <ui/views/stack_view.h>
#include <ui/views/window.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using namespace ui;

struct Storefront {
    std::shared_ptr<Window> window;
    std::shared_ptr<ScrollView> scroll;
    std::shared_ptr<StackView> column;
};

Storefront build(std::size_t rows) {
    Storefront s;
    s.window = std::make_shared<Window>(Size(375, 812));
    s.scroll = std::make_shared<ScrollView>();
    s.scroll->setTranslatesAutoresizingMaskIntoConstraints(false);
    s.window->addSubview(s.scroll);
    s.column = std::make_shared<StackView>();
    s.column->setAxis(LayoutAxis::vertical);
    s.column->setSpacing(8);
    s.column->setTranslatesAutoresizingMaskIntoConstraints(false);
    s.scroll->addSubview(s.column);
    LayoutConstraint::activate({
        s.scroll->leadingAnchor().constraintEqualTo(s.window->leadingAnchor()),
        s.scroll->trailingAnchor().constraintEqualTo(s.window->trailingAnchor()),
        s.scroll->topAnchor().constraintEqualTo(s.window->topAnchor()),
        s.scroll->bottomAnchor().constraintEqualTo(s.window->bottomAnchor()),
        s.column->leadingAnchor().constraintEqualTo(s.scroll->leadingAnchor()),
        s.column->trailingAnchor().constraintEqualTo(s.scroll->trailingAnchor()),
        s.column->topAnchor().constraintEqualTo(s.scroll->topAnchor()),
        s.column->bottomAnchor().constraintEqualTo(s.scroll->bottomAnchor()),
        s.column->widthAnchor().constraintEqualTo(s.scroll->widthAnchor()),
    });
    for (std::size_t r = 0; r < rows; ++r) {
        auto row = std::make_shared<StackView>();
        row->setAxis(LayoutAxis::horizontal);
        row->setSpacing(8);
        for (int t = 0; t < 3; ++t) {
            auto tile = std::make_shared<View>();
            tile->setTranslatesAutoresizingMaskIntoConstraints(false);
            row->addArrangedSubview(tile);
            tile->heightAnchor().constraintEqualTo(tile->widthAnchor(), 1.4)->setActive(true);
            if (t > 0)
                tile->widthAnchor()
                    .constraintEqualTo(row->arrangedSubviews().front()->widthAnchor())
                    ->setActive(true);
        }
        s.column->addArrangedSubview(row);
    }
    return s;
}

void BM_FirstLayout(benchmark::State& state) {
    const auto rows = static_cast<std::size_t>(state.range(0));
    // One untimed layout first, so that every size is measured in the same steady state: the heap already
    // holds the pages a layout of this size needs, as in a host that has shown a document before. Without
    // it the large sizes, which run a single timed iteration, would pay the kernel's first touch of every
    // page while the small ones amortise it over hundreds of iterations. Memory is counted in this run.
    long long held = 0;
    long long peak = 0;
    {
        const heap_counter::Window counted;
        Storefront warmUp = build(rows);
        warmUp.window->layoutIfNeeded();
        held = counted.held();
        peak = counted.peak();
    }
    for (auto _ : state) {
        state.PauseTiming();
        Storefront s = build(rows);
        state.ResumeTiming();
        s.window->layoutIfNeeded();
        benchmark::DoNotOptimize(s.scroll->contentSize());
        state.PauseTiming();
        s = Storefront();
        state.ResumeTiming();
    }
    state.counters["views"] = static_cast<double>(rows * 4 + 3);
    state.counters["held_MiB"] = static_cast<double>(held) / (1024.0 * 1024.0);
    state.counters["peak_MiB"] = static_cast<double>(peak) / (1024.0 * 1024.0);
    state.counters["bytes_per_view"] = static_cast<double>(held) / static_cast<double>(rows * 4 + 3);
}

void BM_RelayoutAfterWidthChange(benchmark::State& state) {
    const auto rows = static_cast<std::size_t>(state.range(0));
    Storefront s = build(rows);
    s.window->layoutIfNeeded();
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        s.window->setSize(Size(wide ? 768 : 375, 812));
        s.window->layoutIfNeeded();
        benchmark::DoNotOptimize(s.scroll->contentSize());
    }
    state.counters["views"] = static_cast<double>(rows * 4 + 3);
}

} // namespace

BENCHMARK(BM_FirstLayout)->Arg(100)->Arg(500)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RelayoutAfterWidthChange)
    ->Arg(100)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return warm_heap::runBenchmarks(argc, argv);
}
