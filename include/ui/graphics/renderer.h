#pragma once

// Draws layer trees into pixels. Views and windows are drawn through their layers (ui/views/snapshot.h).
//
// What is drawn is the presentation of each layer at the main run loop clock's current time, so a frame
// rendered in the middle of an animation shows it in the middle. The root of a render fills the image
// with its own bounds: its position, transform and anchor point are ignored, its opacity and hidden flag
// are not. Layers wholly outside the area being drawn are skipped.
//
// Main thread only.

#include <ui/foundation/geometry.h>
#include <ui/graphics/layer.h>
#include <ui/runloop/clock.h>

#include <cstdint>
#include <memory>
#include <vector>

typedef struct _cairo cairo_t; // NOLINT(modernize-use-using): must match cairo's own declaration

namespace ui {

class Image;

class Renderer {
public:
    // `scale`: pixels per point of the images rendered; 0 (or any invalid value) means the main
    // screen's scale at the time of each render.
    explicit Renderer(double scale = 0);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    double scale() const;
    void setScale(double scale) { scale_ = scale; }

    // Draws the tree of `layer` into an image of its bounds size, or of `size` points. The pixels of an
    // image the caller no longer holds are reused by the next render of the same size, so rendering frame
    // after frame allocates nothing.
    std::shared_ptr<Image> render(Layer& layer);
    std::shared_ptr<Image> render(Layer& layer, Size size);

    // Draws the tree of `layer` into `context` as its root: the context's user space is taken to be the
    // layer's bounds space, and its current clip limits what is drawn. `deviceScale` is how many device
    // pixels the context has per user unit, for sizing shadow blurs.
    void drawRoot(cairo_t* context, Layer& layer, double deviceScale = 1);
    // Draws `layer` into `context` as a sublayer of whatever the context's user space belongs to.
    void drawSublayer(cairo_t* context, Layer& layer, double deviceScale = 1);

    // Layers drawn and layers skipped as off-screen by the last render (for tests and profiling).
    std::size_t lastDrawnLayerCount() const { return drawn_; }
    std::size_t lastCulledLayerCount() const { return culled_; }

private:
    struct Frame;
    void drawFrom(cairo_t* context, Layer& layer, double deviceScale, bool root);
    void drawTree(Frame& frame, Layer& layer, bool root);
    void drawBody(Frame& frame, Layer& layer, const LayerState& state, double alpha, bool withShadow);
    void drawShadow(Frame& frame, Layer& layer, const LayerState& state, double alpha);
    void drawContents(Frame& frame, Layer& layer, const LayerState& state, double alpha);
    std::shared_ptr<Image> renderInto(Layer& layer, Size size, double scale);

    double scale_;
    std::shared_ptr<Image> target_;
    std::vector<std::uint16_t> blurScratch_;
    std::size_t drawn_ = 0;
    std::size_t culled_ = 0;
};

// Renders `layer` at `scale` (0: the main screen's) into a new image.
std::shared_ptr<Image> snapshot(Layer& layer, double scale = 0);

} // namespace ui
