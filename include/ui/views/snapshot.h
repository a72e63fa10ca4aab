#pragma once

// Pictures of views: a view (or a window) drawn through its layer tree after its pending layout.

#include <ui/graphics/renderer.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace ui {

class Image;
class View;

// Lays out `view`'s window (or the view) if it asked for layout, then draws the view with `renderer` into
// an image of its bounds size. Frame after frame of the same size reuses the renderer's pixels.
std::shared_ptr<Image> render(Renderer& renderer, View& view);

// Renders `view` at `scale` (0: the main screen's) into a new image.
std::shared_ptr<Image> snapshot(View& view, double scale = 0);
// The same, encoded as PNG; empty if encoding failed.
std::vector<unsigned char> snapshotPNG(View& view, double scale = 0);
bool writeSnapshotPNG(View& view, const std::filesystem::path& path, double scale = 0);

} // namespace ui
