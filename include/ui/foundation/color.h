#pragma once

// An sRGB colour with straight (not premultiplied) alpha. Every component is a double in 0...1; the
// factories enforce that, so a Color never holds a NaN, an infinity or an out-of-range value whatever it
// was built from.

namespace ui {

class Color {
public:
    // Transparent black, the same as clear().
    constexpr Color() = default;

    // Each component is clamped to 0...1; NaN becomes 0, +infinity 1 and -infinity 0.
    static constexpr Color rgba(double red, double green, double blue, double alpha) {
        return Color(clampComponent(red), clampComponent(green), clampComponent(blue), clampComponent(alpha));
    }
    static constexpr Color rgb(double red, double green, double blue) { return rgba(red, green, blue, 1); }
    // A grey level: 0 is black, 1 is white.
    static constexpr Color white(double level, double alpha = 1) { return rgba(level, level, level, alpha); }

    static constexpr Color clear() { return {}; }
    static constexpr Color black() { return rgb(0, 0, 0); }
    static constexpr Color white() { return rgb(1, 1, 1); }
    static constexpr Color gray() { return rgb(0.5, 0.5, 0.5); }
    static constexpr Color lightGray() { return rgb(2.0 / 3, 2.0 / 3, 2.0 / 3); }
    static constexpr Color darkGray() { return rgb(1.0 / 3, 1.0 / 3, 1.0 / 3); }
    static constexpr Color red() { return rgb(1, 0, 0); }
    static constexpr Color green() { return rgb(0, 1, 0); }
    static constexpr Color blue() { return rgb(0, 0, 1); }
    static constexpr Color cyan() { return rgb(0, 1, 1); }
    static constexpr Color magenta() { return rgb(1, 0, 1); }
    static constexpr Color yellow() { return rgb(1, 1, 0); }
    static constexpr Color orange() { return rgb(1, 0.5, 0); }
    static constexpr Color purple() { return rgb(0.5, 0, 0.5); }
    static constexpr Color brown() { return rgb(0.6, 0.4, 0.2); }

    // The components, each in 0...1.
    constexpr double r() const { return red_value; }
    constexpr double g() const { return green_value; }
    constexpr double b() const { return blue_value; }
    constexpr double a() const { return alpha_value; }

    // The same colour with a different alpha, clamped like every other component.
    constexpr Color withAlpha(double alpha) const { return rgba(red_value, green_value, blue_value, alpha); }

    constexpr bool isOpaque() const { return alpha_value == 1; }

    constexpr bool operator==(const Color&) const = default;

private:
    constexpr Color(double red, double green, double blue, double alpha)
        : red_value(red), green_value(green), blue_value(blue), alpha_value(alpha) {}

    static constexpr double clampComponent(double v) {
        // NaN compares false with everything, so it falls through to 0.
        if (v >= 1) {
            return 1;
        }
        if (v > 0) {
            return v;
        }
        return 0;
    }

    double red_value = 0;
    double green_value = 0;
    double blue_value = 0;
    double alpha_value = 0;
};

} // namespace ui
