#include "ui/graphics/shadow_blur.h"

#include <algorithm>
#include <cmath>

namespace ui::detail {

namespace {

// Box widths whose three passes add up to the variance of a Gaussian of deviation `sigma` (the widths are
// odd, so each box is centred on its pixel).
void boxesForGauss(double sigma, int radii[3]) {
    constexpr int passes = 3;
    const double ideal = std::sqrt(12 * sigma * sigma / passes + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double mIdeal =
        (12 * sigma * sigma - passes * lower * lower - 4 * passes * lower - 3 * passes) / (-4.0 * lower - 4);
    const int m = int(std::lround(mIdeal));
    for (int i = 0; i < passes; ++i)
        radii[i] = ((i < m ? lower : upper) - 1) / 2;
}

// One box pass along a line of `count` values `step` apart, from `in` to `out`.
template <typename In, typename Out>
void boxLine(const In* in, Out* out, int count, std::ptrdiff_t step, int radius) {
    const int width = 2 * radius + 1;
    int sum = 0;
    for (int i = 0; i < std::min(radius, count); ++i)
        sum += in[i * step];
    for (int i = 0; i < count; ++i) {
        if (i + radius < count)
            sum += in[(i + radius) * step];
        out[i * step] = Out((sum + width / 2) / width);
        if (i - radius >= 0)
            sum -= in[(i - radius) * step];
    }
}

} // namespace

void blurAlphaMask(unsigned char* pixels, int width, int height, int stride, double sigma,
                   std::vector<std::uint16_t>& scratch) {
    if (width <= 0 || height <= 0 || !(sigma > 0.25))
        return;
    int radii[3];
    boxesForGauss(sigma, radii);
    const std::size_t lineLength = std::size_t(std::max(width, height));
    scratch.resize(2 * lineLength);
    std::uint16_t* a = scratch.data();
    std::uint16_t* b = a + lineLength;
    for (int y = 0; y < height; ++y) {
        unsigned char* row = pixels + std::ptrdiff_t(y) * stride;
        boxLine(row, a, width, 1, radii[0]);
        boxLine(a, b, width, 1, radii[1]);
        boxLine(b, row, width, 1, radii[2]);
    }
    for (int x = 0; x < width; ++x) {
        unsigned char* column = pixels + x;
        // Gathered into a contiguous line first: striding through memory three times costs more.
        for (int y = 0; y < height; ++y)
            a[y] = column[std::ptrdiff_t(y) * stride];
        boxLine(a, b, height, 1, radii[0]);
        boxLine(b, a, height, 1, radii[1]);
        boxLine(a, b, height, 1, radii[2]);
        for (int y = 0; y < height; ++y)
            column[std::ptrdiff_t(y) * stride] = static_cast<unsigned char>(b[y]);
    }
}

} // namespace ui::detail
