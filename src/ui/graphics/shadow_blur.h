#pragma once

// Blurring of shadow masks. cairo has no blur of its own; three box blurs in a row come within a few
// percent of a Gaussian blur and cost the same whatever the radius.

#include <cstdint>
#include <vector>

namespace ui::detail {

// Blurs an A8 image in place with three box blur passes approximating a Gaussian of deviation `sigma`
// pixels. Pixels outside the image count as transparent. `scratch` is working memory the caller may keep
// between calls.
void blurAlphaMask(unsigned char* pixels, int width, int height, int stride, double sigma,
                   std::vector<std::uint16_t>& scratch);

} // namespace ui::detail
