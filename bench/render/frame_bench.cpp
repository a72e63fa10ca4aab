// Frame rendering: a 390 x 844-point window at scale 3 (1170 x 2532 pixels) holding 200 coloured views
// and 200 layers, each showing its own decoded 256 x 256 JPEG. The "per_frame" counter is the time to
// render one frame into the renderer's (reused) image.
//
//   BM_RenderFrame          the same frame again and again: the steady state of an idle screen
//   BM_RenderScrollingFrame the content scrolls by a point each frame, so what is culled changes
//   BM_RenderFadingFrame    every image layer half transparent

#include <ui/graphics/image.h>
#include <ui/graphics/layer.h>
#include <ui/graphics/renderer.h>
#include <ui/views/scroll_view.h>
#include <ui/views/snapshot.h>
#include <ui/views/window.h>

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

using namespace ui;

constexpr double kScale = 3;
constexpr Size kWindowSize{390, 844};
constexpr int kViewCount = 200;
constexpr int kImageLayerCount = 200;
constexpr int kImagePixels = 256;

// A 256 x 256 JPEG with a gradient and a few bars, different for each `variant`.
std::vector<unsigned char> makeJPEG(int variant) {
    std::vector<unsigned char> rgb(std::size_t(kImagePixels) * kImagePixels * 3);
    for (int y = 0; y < kImagePixels; ++y)
        for (int x = 0; x < kImagePixels; ++x) {
            unsigned char* p = &rgb[(std::size_t(y) * kImagePixels + std::size_t(x)) * 3];
            p[0] = static_cast<unsigned char>((x + variant * 37) & 0xFF);
            p[1] = static_cast<unsigned char>((y * 2 + variant * 11) & 0xFF);
            p[2] = static_cast<unsigned char>(((x / 32 + y / 32 + variant) % 2) * 200);
        }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, rgb.data(), kImagePixels, 0, kImagePixels, TJPF_RGB, &jpeg, &size, TJSAMP_420, 85, 0);
    std::vector<unsigned char> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return bytes;
}

struct Scene {
    std::shared_ptr<Window> window;
    std::shared_ptr<ScrollView> scroll;
    std::vector<std::shared_ptr<Layer>> imageLayers;
};

Scene makeScene() {
    Scene scene;
    scene.window = std::make_shared<Window>(kWindowSize);
    scene.window->setBackgroundColor(Color::white());
    scene.scroll = std::make_shared<ScrollView>(Rect({0, 0}, kWindowSize));
    scene.scroll->setClipsToBounds(true);
    scene.scroll->setContentSize({kWindowSize.width, kWindowSize.height * 2});
    scene.window->addSubview(scene.scroll);

    // A grid of 10 x 20 tiles covering the window.
    const double tileWidth = kWindowSize.width / 10, tileHeight = kWindowSize.height / 20;
    for (int i = 0; i < kViewCount; ++i) {
        auto view =
            std::make_shared<View>(Rect((i % 10) * tileWidth, (i / 10) * tileHeight, tileWidth, tileHeight));
        view->setBackgroundColor(Color::rgb((i % 7) / 7.0, (i % 5) / 5.0, (i % 3) / 3.0));
        scene.scroll->addSubview(view);
    }

    // Overlapping 60 x 60-point image layers over the tiles, 8 to a row.
    std::vector<std::vector<unsigned char>> jpegs;
    for (int v = 0; v < 8; ++v)
        jpegs.push_back(makeJPEG(v));
    for (int i = 0; i < kImageLayerCount; ++i) {
        auto layer = std::make_shared<Layer>();
        layer->setFrame(Rect((i % 8) * 47.5 + 5, (i / 8) * 33.4 + 4, 60, 60));
        layer->setContents(Image::decode(jpegs[std::size_t(i % 8)], 1).image);
        layer->setContentsGravity(ContentsGravity::resizeAspectFill);
        scene.scroll->layer()->addSublayer(layer);
        scene.imageLayers.push_back(layer);
    }
    return scene;
}

void setFrameCounter(benchmark::State& state) {
    // Shown as a time: seconds per frame, printed with its unit (e.g. "2.9ms").
    state.counters["per_frame"] =
        benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_RenderFrame(benchmark::State& state) {
    Scene scene = makeScene();
    Renderer renderer(kScale);
    ui::render(renderer, *scene.window); // warms the per-image caches
    for (auto _ : state) {
        auto frame = ui::render(renderer, *scene.window);
        benchmark::DoNotOptimize(frame->rawPixelAt(600, 1200));
    }
    setFrameCounter(state);
    state.counters["layers_drawn"] = double(renderer.lastDrawnLayerCount());
}
BENCHMARK(BM_RenderFrame)->Unit(benchmark::kMillisecond);

void BM_RenderScrollingFrame(benchmark::State& state) {
    Scene scene = makeScene();
    Renderer renderer(kScale);
    ui::render(renderer, *scene.window);
    double offset = 0;
    for (auto _ : state) {
        offset = offset >= 400 ? 0 : offset + 1;
        scene.scroll->setContentOffset({0, offset});
        auto frame = ui::render(renderer, *scene.window);
        benchmark::DoNotOptimize(frame->rawPixelAt(600, 1200));
    }
    setFrameCounter(state);
}
BENCHMARK(BM_RenderScrollingFrame)->Unit(benchmark::kMillisecond);

void BM_RenderFadingFrame(benchmark::State& state) {
    Scene scene = makeScene();
    for (auto& layer : scene.imageLayers)
        layer->setOpacity(0.5);
    Renderer renderer(kScale);
    ui::render(renderer, *scene.window);
    for (auto _ : state) {
        auto frame = ui::render(renderer, *scene.window);
        benchmark::DoNotOptimize(frame->rawPixelAt(600, 1200));
    }
    setFrameCounter(state);
}
BENCHMARK(BM_RenderFadingFrame)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
