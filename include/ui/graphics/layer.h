#pragma once

// A layer: a rectangle of drawn content in a tree of layers, which the renderer composites.
//
// Geometry is the same as a view's: `bounds` is the layer's own coordinate space, `position` is where its
// anchor point lies in the superlayer's space, and `transform` applies about the anchor point. Sublayers
// are placed in the layer's bounds space, so moving the bounds origin moves them (that is how a scroll
// view scrolls).
//
// A layer draws, bottom to top: its shadow, its background (rounded by cornerRadius), its contents image,
// its own drawing (drawInContext, then the delegate's), its sublayers, and its border. With
// masksToBounds, everything but the shadow and the border is clipped to the (rounded) bounds. Sublayers
// draw in ascending zPosition, and in sublayer order among equal ones.
//
// Every property keeps its model value, which a setter changes at once. Changes made inside an animating
// Transaction (see transaction.h) also start an animation; the presentation values (presentation())
// are what is on screen at the run loop clock's current time. A change made without animation cancels an
// animation of the same property.
//
// Layers are always held by std::shared_ptr (make them with std::make_shared); the superlayer owns its
// sublayers and `superlayer()` is weak. Main thread only.

#include <ui/foundation/affine_transform.h>
#include <ui/foundation/color.h>
#include <ui/foundation/geometry.h>
#include <ui/graphics/bezier_path.h>
#include <ui/graphics/layer_animation.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _cairo cairo_t; // NOLINT(modernize-use-using): must match cairo's own declaration

namespace ui {

class Image;
class Layer;
class Renderer;

// How the contents image is fitted into the bounds.
enum class ContentsGravity {
    resize,           // stretched to fill the bounds
    resizeAspect,     // scaled to fit inside, keeping its proportions, centred
    resizeAspectFill, // scaled to cover the bounds, keeping its proportions, centred (overflows them)
    center,           // at its natural size, centred
    topLeft,          // at its natural size, at the top-left corner
};

// The animatable properties of a layer, as one value: a layer's model state, or what it shows at some
// moment.
struct LayerState {
    Rect bounds;
    Point position;
    AffineTransform transform;
    double opacity = 1;
    std::optional<Color> backgroundColor;
    double cornerRadius = 0;
    double borderWidth = 0;
    double shadowOpacity = 0;
    Rect contentsRect{0, 0, 1, 1};
};

// Draws a layer's content for it (views draw their layers).
class LayerDelegate {
public:
    virtual ~LayerDelegate() = default;
    // `context`'s user space is the layer's bounds space; `rect` is the part of the bounds being drawn.
    virtual void drawLayer(Layer& layer, cairo_t* context, const Rect& rect) = 0;
};

class Layer : public std::enable_shared_from_this<Layer> {
public:
    Layer();
    virtual ~Layer();
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    const std::string& name() const { return extras().name; }
    void setName(std::string name);

    // --- geometry ---
    const Rect& bounds() const { return model_.bounds; }
    void setBounds(const Rect& bounds);
    Point position() const { return model_.position; }
    void setPosition(Point position);
    // The point of the bounds (as a fraction of its size) that `position` places and `transform` pivots
    // on; the middle by default. Changing it leaves `position` and moves the layer.
    Point anchorPoint() const { return anchorPoint_; }
    void setAnchorPoint(Point anchorPoint) { anchorPoint_ = anchorPoint; }
    const AffineTransform& transform() const { return model_.transform; }
    void setTransform(const AffineTransform& transform);
    // The bounding box of the transformed bounds in the superlayer's space. Setting it sets the bounds
    // size and the position.
    Rect frame() const;
    void setFrame(const Rect& frame);
    double zPosition() const { return zPosition_; }
    void setZPosition(double z) { zPosition_ = z; }

    // --- appearance ---
    double opacity() const { return model_.opacity; }
    // Clamped to 0...1. Below 1, the layer and its sublayers fade as one group.
    void setOpacity(double opacity);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    std::optional<Color> backgroundColor() const { return model_.backgroundColor; }
    void setBackgroundColor(std::optional<Color> color);
    double cornerRadius() const { return model_.cornerRadius; }
    void setCornerRadius(double radius);
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool masks) { masksToBounds_ = masks; }
    double borderWidth() const { return model_.borderWidth; }
    void setBorderWidth(double width);
    Color borderColor() const { return extras().borderColor; }
    void setBorderColor(Color color);

    // --- shadow: the blurred silhouette of the layer and its sublayers (or of shadowPath), drawn below it
    Color shadowColor() const { return extras().shadowColor; }
    void setShadowColor(Color color);
    double shadowOpacity() const { return model_.shadowOpacity; }
    void setShadowOpacity(double opacity);
    Size shadowOffset() const { return extras().shadowOffset; }
    void setShadowOffset(Size offset);
    // The blur radius in points.
    double shadowRadius() const { return extras().shadowRadius; }
    void setShadowRadius(double radius);
    // A shape (in the layer's bounds space) to cast the shadow from instead of the layer's content;
    // cheaper to draw, and exact when the content's outline is known.
    const std::optional<BezierPath>& shadowPath() const { return extras().shadowPath; }
    void setShadowPath(std::optional<BezierPath> path);

    // --- contents ---
    const std::shared_ptr<Image>& contents() const { return extras().contents; }
    void setContents(std::shared_ptr<Image> image);
    // The part of the image shown, in unit coordinates of the image (0, 0, 1, 1 is all of it).
    const Rect& contentsRect() const { return model_.contentsRect; }
    void setContentsRect(const Rect& rect);
    ContentsGravity contentsGravity() const { return extras().contentsGravity; }
    void setContentsGravity(ContentsGravity gravity);

    // Stored for callers that tune caching; the renderer draws every frame in full.
    bool shouldRasterize() const { return extras().shouldRasterize; }
    void setShouldRasterize(bool rasterize);
    double rasterizationScale() const { return extras().rasterizationScale; }
    void setRasterizationScale(double scale);

    // --- tree ---
    std::shared_ptr<Layer> superlayer() const { return superlayer_.lock(); }
    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return sublayers_; }
    void addSublayer(const std::shared_ptr<Layer>& layer);
    // Inserts at `index` (clamped to the end). A layer already here moves; one elsewhere leaves its
    // old superlayer first. Adding the layer itself or one of its ancestors is ignored.
    void insertSublayer(const std::shared_ptr<Layer>& layer, std::size_t index);
    // Directly below / above `sibling`; at the bottom / top when `sibling` is not a sublayer.
    void insertSublayerBelow(const std::shared_ptr<Layer>& layer, const std::shared_ptr<Layer>& sibling);
    void insertSublayerAbove(const std::shared_ptr<Layer>& layer, const std::shared_ptr<Layer>& sibling);
    void removeFromSuperlayer();
    bool isDescendantOf(const Layer& layer) const;
    // How many sublayers are not a view's own layer: in a view's layer, the ones added beside the layers
    // of its subviews. Code that looks for such layers passes over the many views that have none without
    // reading every sublayer.
    std::size_t plainSublayerCount() const { return plainSublayers_; }

    // The object that draws the layer's content; not owned. Views set themselves.
    LayerDelegate* delegate() const { return delegate_; }
    void setDelegate(LayerDelegate* delegate) { delegate_ = delegate; }

    // --- animation ---
    // The model values.
    const LayerState& model() const { return model_; }
    // What is on screen at the main run loop clock's current time, or at `now`.
    LayerState presentation() const;
    LayerState presentationAt(Clock::time_point now) const;
    const std::vector<LayerAnimation>& animations() const { return animations_; }
    bool hasAnimations() const { return !animations_.empty(); }
    // Stops every animation at once: the presentation jumps to the model values, and the transactions
    // waiting for the animations hear (on the next run loop pass) that they did not finish.
    void removeAllAnimations();
    void removeAnimation(LayerProperty property);
    // Whether an animation still moving at `now` was made without allowUserInteraction.
    bool isAnimatingWithoutInteraction(Clock::time_point now) const;

    // --- drawing ---
    // The layer's own drawing, in its bounds space, after the contents image and before the delegate.
    // Subclasses that draw (shapes, text) override both.
    virtual void drawInContext(cairo_t* context, const Rect& rect);
    virtual bool drawsContent() const { return false; }
    // Where the layer's own drawing can reach, in its bounds space: its bounds, and for layers that draw
    // outside them (a shape's stroke) more. The renderer skips layers whose reach misses the screen.
    virtual Rect drawingExtent() const { return bounds(); }

private:
    template <typename T>
    void change(LayerProperty property, T& field, const T& value);
    AnimatedValue valueOf(const LayerState& state, LayerProperty property) const;
    void apply(LayerState& state, LayerProperty property, const AnimatedValue& value) const;
    void cancelAnimations(std::vector<LayerAnimation>::iterator first,
                          std::vector<LayerAnimation>::iterator last, bool finished);
    void animationEnded(std::uint64_t id);

    // What most layers leave at its default: a large document has a layer per view, and each layout pass
    // reads them all, so these live apart and are allocated when a layer first changes one of them.
    struct Extras {
        std::string name;
        Color borderColor = Color::black();
        Color shadowColor = Color::black();
        Size shadowOffset{0, -3};
        double shadowRadius = 3;
        std::optional<BezierPath> shadowPath;
        std::shared_ptr<Image> contents;
        ContentsGravity contentsGravity = ContentsGravity::resize;
        bool shouldRasterize = false;
        double rasterizationScale = 1;
    };
    static const Extras& defaultExtras();
    const Extras& extras() const { return extras_ ? *extras_ : defaultExtras(); }
    Extras& extrasToChange();
    // Sets a field of the extras; setting its default on a layer without extras leaves it without them.
    template <typename T>
    void setExtra(T Extras::*field, T value);

    LayerState model_;
    Point anchorPoint_{0.5, 0.5};
    double zPosition_ = 0;
    bool hidden_ = false;
    bool masksToBounds_ = false;
    std::unique_ptr<Extras> extras_;
    std::weak_ptr<Layer> superlayer_;
    // The superlayer while superlayer_ has not expired: walks up the tree check the weak count instead of
    // taking and dropping a share of every ancestor.
    Layer* superlayerRaw_ = nullptr;
    const Layer* superlayerIfAlive() const { return superlayer_.expired() ? nullptr : superlayerRaw_; }
    std::vector<std::shared_ptr<Layer>> sublayers_;
    std::uint32_t plainSublayers_ = 0; // see plainSublayerCount
    bool backsView_ = false;           // the layer of a live view (set by View)
    friend class View;
    void setBacksView(bool backsView);
    LayerDelegate* delegate_ = nullptr;
    std::vector<LayerAnimation> animations_;
};

} // namespace ui
