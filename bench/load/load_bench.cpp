// Loading generated storefronts into a host view: time from load() to the completion (parse, fonts step,
// view building, constraints, first layout, styles), then time to draw the first viewport.

#include "support/warm_heap_main.h"

#include <kivo/host/kivo_view.h>
#include <ui/graphics/renderer.h>
#include <ui/runloop/run_loop.h>
#include <ui/views/snapshot.h>
#include <ui/views/window.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

// `tiles` fixed-size tiles in flexbox rows of three inside a vertical linear layout, with styles and
// borders, as a storefront's grid of product boxes.
std::string generate(int tiles) {
    std::string out = R"(<storefront kivo-version="2.0" title="Bench" uuid="B">
  <head><styles>
    <style id="page" background-color="#F4F1EA" padding="8 8 8 8"/>
    <style id="row" margin="0 0 0 8"/>
    <style id="tile" background-color="#FFFFFF" margin="4 0 4 0" border-style="solid" border-color="#C9C2B0"
           border-width="1" border-top-show="true" border-right-show="true" border-bottom-show="true"
           border-left-show="true"/>
  </styles></head>
  <body><linear-layout width="match-parent" height="wrap-content" style-id="page">
)";
    for (int i = 0; i < tiles; i += 3) {
        out +=
            R"(<flexbox width="match-parent" height="wrap-content" orientation="horizontal" style-id="row">)";
        for (int t = i; t < std::min(tiles, i + 3); ++t) {
            out += R"(<linear-layout width="0" flex-grow="1" height="160" style-id="tile"/>)";
        }
        out += "</flexbox>\n";
    }
    out += "</linear-layout></body></storefront>\n";
    return out;
}

struct Host {
    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>(ui::Size(390, 844));
    std::shared_ptr<kivo::KIVOView> view = kivo::KIVOView::create(nullptr);
    Host() {
        window->addSubview(view);
        view->setFrame({0, 0, 390, 844});
    }
};

// Loads and runs the main loop until the completion; false when the document was refused.
bool loadAndWait(Host& host, const std::string& markup) {
    bool done = false;
    bool ok = false;
    host.view->load(markup, nullptr, nullptr, nullptr, [&](const std::optional<kivo::Error>& error) {
        done = true;
        ok = !error;
    });
    ui::RunLoop::main().runUntil([&] { return done; }, ui::Clock::time_point::max(), ui::RunLoopMode::Default,
                                 std::chrono::seconds(120));
    return ok;
}

void BM_LoadToCompletion(benchmark::State& state) {
    const std::string markup = generate(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        Host host;
        state.ResumeTiming();
        if (!loadAndWait(host, markup)) {
            state.SkipWithError("the document was refused");
            break;
        }
        state.PauseTiming();
        host = Host(); // tear down outside the measurement
        state.ResumeTiming();
    }
    state.counters["tiles"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_LoadToCompletion)->Arg(500)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond);

void BM_FirstViewport(benchmark::State& state) {
    Host host;
    if (!loadAndWait(host, generate(static_cast<int>(state.range(0))))) {
        state.SkipWithError("the document was refused");
        return;
    }
    host.window->layoutIfNeeded();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ui::snapshot(*host.window, 3));
    }
}
BENCHMARK(BM_FirstViewport)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return warm_heap::runBenchmarks(argc, argv);
}
