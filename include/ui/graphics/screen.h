#pragma once

// The display the toolkit draws for. Its scale is the number of pixels per point: rendering without an
// explicit scale draws at this one.

namespace ui {

class Screen {
public:
    // The process's screen. Main thread only, like the rest of the drawing code.
    static Screen& main();

    double scale() const { return scale_; }
    // Non-positive or non-finite scales are ignored.
    void setScale(double scale);

private:
    double scale_ = 2.0;
};

} // namespace ui
