#include "ui/views/snapshot.h"

#include <ui/graphics/image.h>
#include <ui/views/view.h>

namespace ui {

std::shared_ptr<Image> render(Renderer& renderer, View& view) {
    view.layoutIfNeeded();
    return renderer.render(*view.layer(), view.bounds().size);
}

std::shared_ptr<Image> snapshot(View& view, double scale) {
    Renderer renderer(scale);
    return render(renderer, view);
}

std::vector<unsigned char> snapshotPNG(View& view, double scale) {
    const auto image = snapshot(view, scale);
    return image ? image->pngData() : std::vector<unsigned char>{};
}

bool writeSnapshotPNG(View& view, const std::filesystem::path& path, double scale) {
    const auto image = snapshot(view, scale);
    return image && image->writePNG(path);
}

} // namespace ui
