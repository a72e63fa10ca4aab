#pragma once

// The view: a rectangle in a tree of views, with geometry, hit testing, coordinate conversion and
// participation in auto layout.
//
// Geometry works as a layer does: `bounds` is the view's own coordinate space (its origin is where the
// top-left corner of that space sits, which is how a scroll view scrolls), `center` is where the
// view's anchor point lies in its superview's space, and `transform` applies about the anchor point.
// The anchor point is the middle of the view unless changed (a zoomed view is scaled about its top-left
// corner). `frame` is derived: the bounding box of the transformed bounds in the superview.
//
// Ownership: a superview owns its subviews; `superview()` is weak. Views are always held by
// std::shared_ptr (create them with std::make_shared).
//
// Every view draws through its layer (layer()), which it creates and keeps. The view is the source of
// truth for what it has in common with the layer and writes each change through: bounds, position (the
// view's center), anchor point, transform, opacity (alpha), hidden, background colour and masksToBounds
// (clipsToBounds). Set those on the view, not on its layer. The layer's delegate is the view, so the
// renderer calls draw() for it. Changes made inside an animating Transaction animate the layer.
//
// The layers of subviews are sublayers of the view's layer, in subview order. A subview's layer goes
// directly below the layer of the subview that follows it in `subviews()`, or on top of every sublayer
// when it is the last subview; so adding, inserting and reordering subviews keeps their layers in the
// same order. Layers added to the view's layer directly keep their place relative to each other and to
// the subview layers around them; a subview added later with addSubview goes above them all.

#include <ui/foundation/affine_transform.h>
#include <ui/foundation/color.h>
#include <ui/foundation/geometry.h>
#include <ui/foundation/prefetch.h>
#include <ui/graphics/layer.h>
#include <ui/layout/layout_constraint.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The drawing context of views that draw their own content (a cairo context; cairo.h defines it).
typedef struct _cairo cairo_t; // NOLINT(modernize-use-using): must match cairo's own declaration

namespace ui {

class Window;

// Options of View::animate.
struct ViewAnimationOptions {
    // Animated views normally take no touches while they move.
    bool allowUserInteraction = false;
    // A property already moving starts from where it is on screen rather than from its old model value.
    bool beginFromCurrentState = false;
};

// How a view that keeps its frame (translatesAutoresizingMaskIntoConstraints) follows a resizing
// superview.
enum AutoresizingMask : std::uint32_t {
    autoresizingNone = 0,
    flexibleLeftMargin = 1u << 0,
    flexibleWidth = 1u << 1,
    flexibleRightMargin = 1u << 2,
    flexibleTopMargin = 1u << 3,
    flexibleHeight = 1u << 4,
    flexibleBottomMargin = 1u << 5,
};

// "No intrinsic size along this axis."
inline constexpr double noIntrinsicMetric = -1.0;

class View : public std::enable_shared_from_this<View>, private LayerDelegate {
public:
    View();
    explicit View(const Rect& frame);
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // The layer the view draws through (never null).
    const std::shared_ptr<Layer>& layer() const { return layer_; }

    // --- geometry ---
    Rect frame() const;
    // Sets the bounds' size and the centre. Overridable: the layout engine assigns every laid-out view's
    // frame through it, so a view can follow or adjust what layout gives it.
    virtual void setFrame(const Rect& frame);
    const Rect& bounds() const { return bounds_; }
    void setBounds(const Rect& bounds);
    Point center() const { return center_; }
    void setCenter(Point center);
    const AffineTransform& transform() const { return transform_; }
    void setTransform(const AffineTransform& transform);
    // The point of the bounds (as a fraction of its size) that `center` places and `transform` pivots on.
    Point anchorPoint() const { return anchorPoint_; }
    void setAnchorPoint(Point anchorPoint);

    // --- hierarchy ---
    std::shared_ptr<View> superview() const { return superview_.lock(); }
    const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
    // The window the view is in, if any.
    Window* window() const { return window_; }
    void addSubview(const std::shared_ptr<View>& view);
    void insertSubview(const std::shared_ptr<View>& view, std::size_t index);
    void insertSubviewAbove(const std::shared_ptr<View>& view, const std::shared_ptr<View>& sibling);
    void insertSubviewBelow(const std::shared_ptr<View>& view, const std::shared_ptr<View>& sibling);
    void removeFromSuperview();
    void bringSubviewToFront(const std::shared_ptr<View>& view);
    void sendSubviewToBack(const std::shared_ptr<View>& view);
    bool isDescendantOf(const View& view) const;
    std::shared_ptr<View> viewWithTag(int tag);

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // --- appearance and interaction ---
    std::optional<Color> backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> color);
    double alpha() const { return alpha_; }
    void setAlpha(double alpha);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips);
    const std::string& accessibilityIdentifier() const { return accessibilityIdentifier_; }
    void setAccessibilityIdentifier(std::string id) { accessibilityIdentifier_ = std::move(id); }

    // --- coordinate conversion (between any two views of one tree; null means the window) ---
    Point convertPointTo(Point point, const View* view) const;
    Point convertPointFrom(Point point, const View* view) const;
    Rect convertRectTo(const Rect& rect, const View* view) const;
    Rect convertRectFrom(const Rect& rect, const View* view) const;

    // --- hit testing ---
    // The deepest visible, interactive view containing the point (in this view's bounds space), trying
    // later subviews first.
    virtual std::shared_ptr<View> hitTest(Point point);
    virtual bool pointInside(Point point) const;

    // --- layout ---
    void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    // Lays out the window this view is in (or, outside a window, this view) if anything asked for it.
    void layoutIfNeeded();
    // Called after the view's size or position changed in a layout pass, or when it asked for layout.
    virtual void layoutSubviews() {}

    // Draws the view's own content into `context`, whose user space is the view's bounds coordinate space,
    // clipped to `rect` (the part of the bounds being drawn). Called by the renderer after the view's
    // background and before its subviews; views with nothing of their own to draw keep this default.
    virtual void draw(cairo_t* context, const Rect& rect) {
        (void)context;
        (void)rect;
    }
    // Asks for updateConstraints() before the next solve.
    void setNeedsUpdateConstraints();
    bool needsUpdateConstraints() const { return needsUpdateConstraints_; }

    bool translatesAutoresizingMaskIntoConstraints() const { return translatesAutoresizingMask_; }
    void setTranslatesAutoresizingMaskIntoConstraints(bool translates);
    std::uint32_t autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(std::uint32_t mask);

    // The natural size of the view's content; noIntrinsicMetric along an axis that has none.
    virtual Size intrinsicContentSize() const { return {noIntrinsicMetric, noIntrinsicMetric}; }
    // For views whose natural height depends on the width they are given (wrapping text): the height
    // at that width. Views without such a dependency answer nullopt.
    virtual std::optional<double> intrinsicHeightForWidth(double width) const;
    void invalidateIntrinsicContentSize();
    LayoutPriority contentHuggingPriority(LayoutAxis axis) const { return hugging_[int(axis)]; }
    void setContentHuggingPriority(LayoutPriority priority, LayoutAxis axis);
    LayoutPriority contentCompressionResistancePriority(LayoutAxis axis) const {
        return compression_[int(axis)];
    }
    void setContentCompressionResistancePriority(LayoutPriority priority, LayoutAxis axis);

    virtual Size sizeThatFits(Size size) const;
    void sizeToFit();

    const EdgeInsets& layoutMargins() const { return layoutMargins_; }
    void setLayoutMargins(const EdgeInsets& margins);

    // Active constraints held by this view (those whose first item it is).
    const std::vector<std::shared_ptr<LayoutConstraint>>& constraints() const { return constraints_; }

    // --- animation ---
    // Runs `animations` (which change views' frames, alpha, colours, transforms, or lay them out) so that
    // every layer property they change moves from its old value to the new one over `duration` seconds,
    // starting after `delay`, easing in and out. Model values change at once; what is drawn follows the
    // run loop's clock. `completion` runs on the main run loop when the movement ends, with false when it
    // was cut short (by another change to the same property, or by removing the layer's animations).
    static void animate(double duration, double delay, ViewAnimationOptions options,
                        const std::function<void()>& animations,
                        std::function<void(bool finished)> completion = {});
    static void animate(double duration, const std::function<void()>& animations,
                        std::function<void(bool finished)> completion = {}) {
        animate(duration, 0, {}, animations, std::move(completion));
    }

    // --- anchors ---
    LayoutXAxisAnchor leftAnchor() { return {weak_from_this(), LayoutAttribute::left}; }
    LayoutXAxisAnchor rightAnchor() { return {weak_from_this(), LayoutAttribute::right}; }
    LayoutXAxisAnchor leadingAnchor() { return {weak_from_this(), LayoutAttribute::leading}; }
    LayoutXAxisAnchor trailingAnchor() { return {weak_from_this(), LayoutAttribute::trailing}; }
    LayoutXAxisAnchor centerXAnchor() { return {weak_from_this(), LayoutAttribute::centerX}; }
    LayoutYAxisAnchor topAnchor() { return {weak_from_this(), LayoutAttribute::top}; }
    LayoutYAxisAnchor bottomAnchor() { return {weak_from_this(), LayoutAttribute::bottom}; }
    LayoutYAxisAnchor centerYAnchor() { return {weak_from_this(), LayoutAttribute::centerY}; }
    LayoutDimension widthAnchor() { return {weak_from_this(), LayoutAttribute::width}; }
    LayoutDimension heightAnchor() { return {weak_from_this(), LayoutAttribute::height}; }

    // --- hooks for subclasses that are layout spaces of their own (scroll views) ---
    // Subviews of a layout-space root are positioned in its content space; a constraint from such a
    // subview to the root's edges binds to the content area.
    virtual bool isLayoutSpaceRoot() const { return false; }
    // Reports the content size that constraints gave the content area of a layout-space root.
    virtual void contentSizeDidResolve(Size) {}

    // What the layout engine of the view's window keeps in the view and calls on it during a pass; only
    // LayoutEngine can use it (see below the class).
    class LayoutAccess;

protected:
    // Called by the layout engine before it solves, for each view that asked with
    // setNeedsUpdateConstraints(), parents before children. Views that manage constraints of their own
    // (stack views) rebuild them here. Hiding or showing a view asks its superview.
    virtual void updateConstraints() {}

    // Called when the view joined or left a window, after the move.
    virtual void didMoveToWindow() {}
    virtual void didMoveToSuperview() {}
    virtual void didAddSubview(const std::shared_ptr<View>&) {}
    virtual void willRemoveSubview(const std::shared_ptr<View>&) {}

private:
    friend class LayoutConstraint;
    friend class Window;

    void attach(const std::shared_ptr<View>& view, std::size_t index);
    // Puts the layer of the subview at `index` where its place in `subviews_` says (see the top).
    void placeSublayerOfSubview(std::size_t index);
    void drawLayer(Layer& layer, cairo_t* context, const Rect& rect) override;
    void setWindowRecursively(Window* window);
    void structureChanged();
    void resizeSubviewsWithOldSize(Size oldSize);
    // Whether a change of this view's size moves or resizes it (see autoresizingSubviews_).
    bool autoresizes() const { return translatesAutoresizingMask_ && autoresizingMask_ != autoresizingNone; }
    // Changes whether the view autoresizes, keeping its superview's count.
    template <class Change>
    void changeAutoresizing(Change change);
    AffineTransform toSuperview() const; // this view's bounds space -> superview's bounds space
    AffineTransform toRoot() const;
    const View* superviewIfAlive() const { return superview_.expired() ? nullptr : superviewRaw_; }

    // The members are grouped by how often a layout pass reads them. What every pass reads for every
    // view comes first and together: a pass over a large tree then fetches one or two cache lines per
    // view instead of most of the object.
    std::vector<std::shared_ptr<View>> subviews_;
    // Active constraints held by this view.
    std::vector<std::shared_ptr<LayoutConstraint>> constraints_;
    Window* window_ = nullptr;
    // The superview while superview_ has not expired (see Layer::superlayerRaw_).
    View* superviewRaw_ = nullptr;
    // The mark of the engine of the view's window while it walks the tree; 0 in a view that has just
    // changed windows (see LayoutEngine::sync).
    std::uint64_t layoutMark_ = 0;
    // Slot of this view in its window's layout engine; kept by the engine.
    std::uint32_t layoutSlot_ = UINT32_MAX;
    bool needsLayout_ = true;
    bool needsUpdateConstraints_ = false;
    bool translatesAutoresizingMask_ = true;
    bool hidden_ = false;
    // Then what giving the view its frame writes; the layout state ends with superview_ (see
    // LayoutAccess::prefetchLayoutState).
    std::shared_ptr<Layer> layer_;
    // How many subviews autoresize: a view whose subviews are all laid out by constraints (as most are)
    // changes size without visiting them.
    std::uint32_t autoresizingSubviews_ = 0;
    Rect bounds_;
    Point center_;
    Point anchorPoint_{0.5, 0.5};
    AffineTransform transform_;
    std::weak_ptr<View> superview_;
    // Then what a pass reads only for some views, or not at all.
    int tag_ = 0;
    bool userInteractionEnabled_ = true;
    bool clipsToBounds_ = false;
    std::uint32_t autoresizingMask_ = autoresizingNone;
    double alpha_ = 1.0;
    std::optional<Color> backgroundColor_;
    std::string accessibilityIdentifier_;
    LayoutPriority hugging_[2] = {layoutPriority::defaultLow, layoutPriority::defaultLow};
    LayoutPriority compression_[2] = {layoutPriority::defaultHigh, layoutPriority::defaultHigh};
    EdgeInsets layoutMargins_{8, 8, 8, 8};
};

// The layout engine's side of a view: the two bookkeeping fields it keeps in every view of its window,
// and the calls it makes on them during a pass. ui/layout and ui/views are the one pair of layers that
// know each other; this is everything the engine touches that the public API does not offer.
class View::LayoutAccess {
    friend class LayoutEngine;

    // The view's slot in the engine of its window (UINT32_MAX: none).
    static std::uint32_t& slot(View& view) { return view.layoutSlot_; }
    static const std::uint32_t& slot(const View& view) { return view.layoutSlot_; }
    // The engine's mark on the view while it syncs with the tree.
    static std::uint64_t& mark(View& view) { return view.layoutMark_; }
    static std::uint64_t mark(const View& view) { return view.layoutMark_; }
    // Calls updateConstraints() if the view asked for it.
    static void updateConstraintsIfNeeded(View& view) {
        if (view.needsUpdateConstraints_) {
            view.needsUpdateConstraints_ = false;
            view.updateConstraints();
        }
    }
    // Calls layoutSubviews() if the view asked for layout.
    static void layoutSubviewsIfNeeded(View& view) {
        if (view.needsLayout_) {
            view.needsLayout_ = false;
            view.layoutSubviews();
        }
    }
    // Asks for the members a layout pass reads and writes, which lie together at the start of the view.
    [[gnu::always_inline]] static void prefetchLayoutState(const View& view) {
        prefetchLines(&view, static_cast<std::size_t>(reinterpret_cast<const char*>(&view.tag_) -
                                                      reinterpret_cast<const char*>(&view)));
    }
};

// For a sweep that styles many views in turn (a document's elements): asks ahead for what styling a view
// reads. prefetchForStyling goes a few views ahead (the view may be null); prefetchLayerForStyling reads
// the view's layer pointer, so it goes to a view whose object has arrived by then.
[[gnu::always_inline]] inline void prefetchForStyling(const View* view) {
    prefetchLines(view, sizeof(View));
}
[[gnu::always_inline]] inline void prefetchLayerForStyling(const View& view) {
    prefetchLines(view.layer().get(), sizeof(Layer));
}

} // namespace ui
