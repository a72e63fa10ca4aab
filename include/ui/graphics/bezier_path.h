#pragma once

// A path of straight and cubic Bézier segments in some coordinate space, built up like a pen drawing:
// moveTo starts a subpath, lineTo and curveTo extend it, close joins it back to its start. Paths are
// values: copying one copies its segments.

#include <ui/foundation/affine_transform.h>
#include <ui/foundation/geometry.h>

#include <vector>

typedef struct _cairo cairo_t; // NOLINT(modernize-use-using): must match cairo's own declaration

namespace ui {

class BezierPath {
public:
    enum class ElementType { moveTo, lineTo, curveTo, close };
    struct Element {
        ElementType type;
        // moveTo / lineTo: points[0]. curveTo: control points [0] and [1], end point [2].
        Point points[3];

        bool operator==(const Element&) const = default;
    };

    BezierPath() = default;

    static BezierPath rect(const Rect& rect);
    // A rectangle with circular corners; the radius is limited to half the shorter side.
    static BezierPath roundedRect(const Rect& rect, double cornerRadius);
    // The ellipse inscribed in `rect`.
    static BezierPath ovalIn(const Rect& rect);

    void moveTo(Point point);
    // A lineTo or curveTo without a current point starts a subpath there, as moveTo would.
    void lineTo(Point point);
    void curveTo(Point end, Point control1, Point control2);
    void close();
    void append(const BezierPath& other);

    void applyTransform(const AffineTransform& transform);

    // The box around every point of the path, control points included; the null rectangle for a path
    // without points.
    Rect bounds() const;
    bool isEmpty() const { return elements_.empty(); }
    const std::vector<Element>& elements() const { return elements_; }

    // Appends the path to the current path of `context` (in its user space).
    void addTo(cairo_t* context) const;

    bool operator==(const BezierPath&) const = default;

private:
    std::vector<Element> elements_;
    bool hasCurrentPoint_ = false;
};

} // namespace ui
