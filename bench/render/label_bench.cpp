// Label benchmarks: 10,000 short storefront labels (width 120, at most 3 lines, tail truncation), about a
// third of them long enough to be truncated. Measured per label: measuring with an empty measurement
// cache (every text laid out by Pango), measuring again with the cache warm (what every later layout
// pass pays), and drawing into a cairo image surface. The "per_label" counter is the time per label.

#include <ui/graphics/text_layout.h>
#include <ui/views/label.h>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace ui;

constexpr std::size_t kLabelCount = 10'000;
constexpr double kLabelWidth = 120;
constexpr double kLabelHeight = 66;

std::string labelText(std::size_t i) {
    static const char* const products[] = {"Apples",          "Whole milk 1 l",          "Sourdough bread",
                                           "Free-range eggs", "Dark roast coffee beans", "Greek yoghurt"};
    static const char* const notes[] = {"", " – 2 for 3", " – organic, from local farms, while stocks last",
                                        " – now with 20% more in every pack at the same price"};
    std::string text = products[i % 6];
    text += " #" + std::to_string(i);
    text += notes[(i / 6) % 4];
    return text;
}

std::vector<std::shared_ptr<Label>> makeLabels() {
    std::vector<std::shared_ptr<Label>> labels;
    labels.reserve(kLabelCount);
    const Font font = Font::systemFont(15);
    for (std::size_t i = 0; i < kLabelCount; ++i) {
        auto label = std::make_shared<Label>();
        label->setFont(i % 5 == 0 ? Font::boldSystemFont(15) : font);
        label->setText(labelText(i));
        label->setNumberOfLines(3);
        label->setLineBreakMode(LineBreakMode::byTruncatingTail);
        label->setFrame(Rect(0, 0, kLabelWidth, kLabelHeight));
        labels.push_back(std::move(label));
    }
    return labels;
}

void setPerLabelCounter(benchmark::State& state) {
    state.counters["per_label"] = benchmark::Counter(
        double(kLabelCount), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Every text laid out by Pango: the cache is emptied before each round.
void BM_LabelMeasureUncached(benchmark::State& state) {
    const auto labels = makeLabels();
    TextLayout::setCacheCapacity(2 * kLabelCount);
    for (auto _ : state) {
        state.PauseTiming();
        TextLayout::clearCache();
        state.ResumeTiming();
        for (const auto& label : labels)
            benchmark::DoNotOptimize(label->sizeThatFits(Size(kLabelWidth, 0)));
    }
    setPerLabelCounter(state);
}

// The same labels measured again, as every layout pass after the first does.
void BM_LabelMeasureCached(benchmark::State& state) {
    const auto labels = makeLabels();
    TextLayout::setCacheCapacity(2 * kLabelCount);
    TextLayout::clearCache();
    for (const auto& label : labels)
        benchmark::DoNotOptimize(label->sizeThatFits(Size(kLabelWidth, 0)));
    for (auto _ : state) {
        for (const auto& label : labels)
            benchmark::DoNotOptimize(label->sizeThatFits(Size(kLabelWidth, 0)));
    }
    setPerLabelCounter(state);
}

// Drawing every label into its cell of a 1200 x 660 image (100 cells, each drawn over 100 times).
void BM_LabelDraw(benchmark::State& state) {
    const auto labels = makeLabels();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1200, 660);
    cairo_t* context = cairo_create(surface);
    for (auto _ : state) {
        std::size_t i = 0;
        for (const auto& label : labels) {
            cairo_save(context);
            cairo_translate(context, double(i % 10) * kLabelWidth, double((i / 10) % 10) * kLabelHeight);
            label->draw(context, label->bounds());
            cairo_restore(context);
            ++i;
        }
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    }
    setPerLabelCounter(state);
    cairo_destroy(context);
    cairo_surface_destroy(surface);
}

} // namespace

BENCHMARK(BM_LabelMeasureUncached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelMeasureCached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LabelDraw)->Unit(benchmark::kMillisecond);
