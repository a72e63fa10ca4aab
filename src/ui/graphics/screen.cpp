#include <ui/graphics/screen.h>

#include <cmath>

namespace ui {

Screen& Screen::main() {
    static Screen screen;
    return screen;
}

void Screen::setScale(double scale) {
    if (std::isfinite(scale) && scale > 0)
        scale_ = scale;
}

} // namespace ui
