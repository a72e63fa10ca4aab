#include "ui/graphics/renderer.h"

#include "ui/graphics/shadow_blur.h"

#include <ui/graphics/image.h>
#include <ui/graphics/layer.h>
#include <ui/graphics/screen.h>
#include <ui/runloop/run_loop.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ui {

namespace {

cairo_matrix_t toCairo(const AffineTransform& t) {
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    return m;
}

// The box around `rect` (user space of `m`) in device space.
Rect deviceBox(const cairo_matrix_t& m, const Rect& rect) {
    if (m.xy == 0 && m.yx == 0) {
        const double x0 = rect.minX() * m.xx + m.x0, x1 = rect.maxX() * m.xx + m.x0;
        const double y0 = rect.minY() * m.yy + m.y0, y1 = rect.maxY() * m.yy + m.y0;
        return Rect(std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0));
    }
    const AffineTransform t{m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
    return t.apply(rect);
}

// Whether the rectangles share some area (touching edges do not count), for culling.
bool overlaps(const Rect& a, const Rect& b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    return a.minX() < b.maxX() && b.minX() < a.maxX() && a.minY() < b.maxY() && b.minY() < a.maxY();
}

void setSource(cairo_t* cr, Color c, double alpha) {
    cairo_set_source_rgba(cr, c.r(), c.g(), c.b(), c.a() * alpha);
}

// Adds the bounds (rounded by `radius`) to the current path.
void addBoundsPath(cairo_t* cr, const Rect& b, double radius) {
    radius = std::min(radius, std::min(b.width(), b.height()) / 2);
    if (radius <= 0) {
        cairo_rectangle(cr, b.minX(), b.minY(), b.width(), b.height());
        return;
    }
    const double x0 = b.minX(), y0 = b.minY(), x1 = b.maxX(), y1 = b.maxY();
    cairo_new_sub_path(cr);
    cairo_arc(cr, x1 - radius, y0 + radius, radius, -std::numbers::pi / 2, 0);
    cairo_arc(cr, x1 - radius, y1 - radius, radius, 0, std::numbers::pi / 2);
    cairo_arc(cr, x0 + radius, y1 - radius, radius, std::numbers::pi / 2, std::numbers::pi);
    cairo_arc(cr, x0 + radius, y0 + radius, radius, std::numbers::pi, 3 * std::numbers::pi / 2);
    cairo_close_path(cr);
}

// Where contents of natural size `natural` go in bounds `b`.
Rect gravityRect(const Rect& b, Size natural, ContentsGravity gravity) {
    switch (gravity) {
    case ContentsGravity::resize:
        return b;
    case ContentsGravity::resizeAspect:
    case ContentsGravity::resizeAspectFill: {
        if (natural.width <= 0 || natural.height <= 0)
            return b;
        const double sx = b.width() / natural.width, sy = b.height() / natural.height;
        const double s = gravity == ContentsGravity::resizeAspect ? std::min(sx, sy) : std::max(sx, sy);
        const double w = natural.width * s, h = natural.height * s;
        return Rect(b.midX() - w / 2, b.midY() - h / 2, w, h);
    }
    case ContentsGravity::center:
        return Rect(b.midX() - natural.width / 2, b.midY() - natural.height / 2, natural.width,
                    natural.height);
    case ContentsGravity::topLeft:
        return Rect(b.origin, natural);
    }
    return b;
}

double validScale(double scale) {
    return std::isfinite(scale) && scale > 0 ? scale : Screen::main().scale();
}

} // namespace

struct Renderer::Frame {
    cairo_t* cr;
    Clock::time_point now;
    double deviceScale;
    Rect deviceClip; // what is left to draw into, for culling
};

Renderer::Renderer(double scale) : scale_(scale) {}

Renderer::~Renderer() = default;

double Renderer::scale() const {
    return validScale(scale_);
}

std::shared_ptr<Image> Renderer::render(Layer& layer) {
    return renderInto(layer, layer.presentation().bounds.size, scale());
}

std::shared_ptr<Image> Renderer::render(Layer& layer, Size size) {
    return renderInto(layer, size, scale());
}

std::shared_ptr<Image> Renderer::renderInto(Layer& layer, Size size, double scale) {
    const int width = std::max(1, int(std::ceil(size.width * scale - 1e-9)));
    const int height = std::max(1, int(std::ceil(size.height * scale - 1e-9)));
    if (!(target_ && target_.use_count() == 1 && target_->pixelWidth() == width &&
          target_->pixelHeight() == height && target_->scale() == scale)) {
        target_ = Image::adopt(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), scale);
        if (!target_)
            return nullptr;
    }
    cairo_t* cr = cairo_create(target_->cairoSurface());
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_scale(cr, scale, scale);
    drawRoot(cr, layer, scale);
    cairo_destroy(cr);
    cairo_surface_flush(target_->cairoSurface());
    return target_;
}

void Renderer::drawRoot(cairo_t* context, Layer& layer, double deviceScale) {
    drawFrom(context, layer, deviceScale, true);
}

void Renderer::drawSublayer(cairo_t* context, Layer& layer, double deviceScale) {
    drawFrom(context, layer, deviceScale, false);
}

void Renderer::drawFrom(cairo_t* context, Layer& layer, double deviceScale, bool root) {
    // The area left to draw, in device space: the context's clip.
    double x0, y0, x1, y1;
    cairo_save(context);
    cairo_identity_matrix(context);
    cairo_clip_extents(context, &x0, &y0, &x1, &y1);
    cairo_restore(context);
    Frame frame{context, RunLoop::main().clock()->now(), deviceScale, Rect(x0, y0, x1 - x0, y1 - y0)};
    drawn_ = culled_ = 0;
    drawTree(frame, layer, root);
}

void Renderer::drawTree(Frame& frame, Layer& layer, bool root) {
    if (layer.isHidden())
        return;
    LayerState animated;
    const LayerState& s =
        layer.hasAnimations() ? (animated = layer.presentationAt(frame.now)) : layer.model();
    if (s.opacity <= 0)
        return;
    cairo_t* cr = frame.cr;
    const Rect& b = s.bounds;

    cairo_matrix_t saved;
    cairo_get_matrix(cr, &saved);
    // From the superlayer's space to this layer's bounds space: to the position, through the transform,
    // back by the anchor point and the bounds origin.
    const double ax = layer.anchorPoint().x * b.size.width + b.origin.x;
    const double ay = layer.anchorPoint().y * b.size.height + b.origin.y;
    if (root) {
        cairo_translate(cr, -b.origin.x, -b.origin.y);
    } else if (s.transform.isIdentity()) {
        cairo_translate(cr, s.position.x - ax, s.position.y - ay);
    } else {
        cairo_translate(cr, s.position.x, s.position.y);
        const cairo_matrix_t t = toCairo(s.transform);
        cairo_transform(cr, &t);
        cairo_translate(cr, -ax, -ay);
    }
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);

    // Culling: a layer whose own drawing (shadow included) misses the area left to draw is skipped, and
    // so is its subtree when the layer clips it or has none.
    Rect extent = layer.drawingExtent();
    const bool hasShadow = s.shadowOpacity > 0 && layer.shadowColor().a() > 0;
    if (hasShadow) {
        const Rect source = layer.shadowPath() ? layer.shadowPath()->bounds() : b;
        const double reach = 1.5 * layer.shadowRadius() + 1;
        extent = extent.unionWith(
            source.offsetBy(layer.shadowOffset().width, layer.shadowOffset().height).insetBy(-reach, -reach));
    }
    const Rect box = deviceBox(m, extent);
    if (!overlaps(box, frame.deviceClip) && (layer.masksToBounds() || layer.sublayers().empty())) {
        ++culled_;
        cairo_set_matrix(cr, &saved);
        return;
    }
    ++drawn_;

    const bool needsGroup =
        s.opacity < 1 && (!layer.sublayers().empty() || layer.delegate() || layer.drawsContent() ||
                          hasShadow || s.borderWidth > 0 || (layer.contents() && s.backgroundColor));
    const Rect savedClip = frame.deviceClip;
    if (needsGroup) {
        cairo_save(cr);
        if (layer.masksToBounds()) {
            // Keeps the group's intermediate surface to the layer's own area.
            cairo_rectangle(cr, extent.minX(), extent.minY(), extent.width(), extent.height());
            cairo_clip(cr);
        }
        cairo_push_group(cr);
    }
    drawBody(frame, layer, s, needsGroup ? 1.0 : s.opacity, true);
    if (needsGroup) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, s.opacity);
        cairo_restore(cr);
    }
    frame.deviceClip = savedClip;
    cairo_set_matrix(cr, &saved);
}

void Renderer::drawBody(Frame& frame, Layer& layer, const LayerState& s, double alpha, bool withShadow) {
    cairo_t* cr = frame.cr;
    const Rect& b = s.bounds;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    const bool ownVisible = overlaps(deviceBox(m, b), frame.deviceClip);
    // A layer's own drawing may reach past its bounds (a shape's path is drawn wherever it lies).
    const bool drawingVisible = ownVisible || overlaps(deviceBox(m, layer.drawingExtent()), frame.deviceClip);

    if (withShadow && s.shadowOpacity > 0 && layer.shadowColor().a() > 0)
        drawShadow(frame, layer, s, alpha);

    if (ownVisible && s.backgroundColor && s.backgroundColor->a() > 0) {
        addBoundsPath(cr, b, s.cornerRadius);
        setSource(cr, *s.backgroundColor, alpha);
        cairo_fill(cr);
    }

    const bool masks = layer.masksToBounds();
    if (masks) {
        cairo_save(cr);
        addBoundsPath(cr, b, s.cornerRadius);
        cairo_clip(cr);
        const Rect clipBox = deviceBox(m, b);
        frame.deviceClip =
            overlaps(clipBox, frame.deviceClip) ? frame.deviceClip.intersection(clipBox) : Rect();
    }

    if (ownVisible && layer.contents())
        drawContents(frame, layer, s, alpha);
    if (drawingVisible) {
        if (layer.drawsContent() || layer.delegate()) {
            // The part of the bounds left to draw, in the layer's own space.
            Rect rect = b;
            cairo_matrix_t inverse = m;
            if (cairo_matrix_invert(&inverse) == CAIRO_STATUS_SUCCESS) {
                const Rect visible = deviceBox(inverse, frame.deviceClip).intersection(b);
                rect = visible.isNull() ? Rect(b.origin, Size()) : visible;
            }
            if (layer.drawsContent()) {
                cairo_save(cr);
                layer.drawInContext(cr, rect);
                cairo_restore(cr);
            }
            if (layer.delegate()) {
                cairo_save(cr);
                layer.delegate()->drawLayer(layer, cr, rect);
                cairo_restore(cr);
            }
        }
    }

    const auto& sublayers = layer.sublayers();
    if (!sublayers.empty()) {
        bool ordered = true;
        for (std::size_t i = 1; i < sublayers.size() && ordered; ++i)
            ordered = sublayers[i - 1]->zPosition() <= sublayers[i]->zPosition();
        if (ordered) {
            for (const auto& sub : sublayers)
                drawTree(frame, *sub, false);
        } else {
            std::vector<Layer*> sorted;
            sorted.reserve(sublayers.size());
            for (const auto& sub : sublayers)
                sorted.push_back(sub.get());
            std::stable_sort(sorted.begin(), sorted.end(),
                             [](const Layer* a, const Layer* c) { return a->zPosition() < c->zPosition(); });
            for (Layer* sub : sorted)
                drawTree(frame, *sub, false);
        }
    }

    if (masks)
        cairo_restore(cr);

    if (ownVisible && s.borderWidth > 0 && layer.borderColor().a() > 0) {
        // The border lies inside the bounds, following the rounded corners.
        const double w = std::min(s.borderWidth, std::min(b.width(), b.height()) / 2);
        addBoundsPath(cr, b.insetBy(w / 2, w / 2), std::max(s.cornerRadius - w / 2, 0.0));
        cairo_set_line_width(cr, w);
        setSource(cr, layer.borderColor(), alpha);
        cairo_stroke(cr);
    }
}

void Renderer::drawContents(Frame& frame, Layer& layer, const LayerState& s, double alpha) {
    const Image& image = *layer.contents();
    const Rect unit = s.contentsRect.intersection(Rect(0, 0, 1, 1));
    if (unit.isNull() || unit.isEmpty())
        return;
    const Size natural(image.size().width * unit.width(), image.size().height * unit.height());
    const Rect dest = gravityRect(s.bounds, natural, layer.contentsGravity());
    if (dest.isEmpty())
        return;
    cairo_t* cr = frame.cr;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);

    if (m.xy == 0 && m.yx == 0 && m.xx > 0 && m.yy > 0) {
        // Axis-aligned: snap to whole pixels and draw pixels already resampled to the size on screen,
        // which is a plain copy for cairo. The image keeps the resampled pixels for the next frame.
        const Rect d = deviceBox(m, dest);
        const double x0 = std::round(d.minX()), y0 = std::round(d.minY());
        const int w = int(std::round(d.maxX()) - x0), h = int(std::round(d.maxY()) - y0);
        if (w <= 0 || h <= 0)
            return;
        const bool whole = unit == Rect(0, 0, 1, 1) && w == image.pixelWidth() && h == image.pixelHeight();
        cairo_surface_t* pixels = whole ? image.cairoSurface() : image.resampled(unit, w, h);
        if (!pixels)
            return;
        cairo_save(cr);
        cairo_identity_matrix(cr);
        cairo_set_source_surface(cr, pixels, x0, y0);
        cairo_rectangle(cr, x0, y0, w, h);
        if (alpha >= 1) {
            cairo_fill(cr);
        } else {
            cairo_clip(cr);
            cairo_paint_with_alpha(cr, alpha);
        }
        cairo_restore(cr);
        return;
    }

    // Rotated or skewed: sample the part through a padded sub-surface so that nothing outside it bleeds
    // into the edges.
    const double pw = image.pixelWidth(), ph = image.pixelHeight();
    const Rect source(unit.minX() * pw, unit.minY() * ph, unit.width() * pw, unit.height() * ph);
    cairo_surface_t* part = cairo_surface_create_for_rectangle(
        image.cairoSurface(), source.minX(), source.minY(), source.width(), source.height());
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
    cairo_matrix_t toSource;
    cairo_matrix_init_scale(&toSource, source.width() / dest.width(), source.height() / dest.height());
    cairo_matrix_translate(&toSource, -dest.minX(), -dest.minY());
    cairo_pattern_set_matrix(pattern, &toSource);
    cairo_save(cr);
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, dest.minX(), dest.minY(), dest.width(), dest.height());
    cairo_clip(cr);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(part);
}

void Renderer::drawShadow(Frame& frame, Layer& layer, const LayerState& s, double alpha) {
    cairo_t* cr = frame.cr;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    // The blur is sized in device pixels: the shadow radius times the scale the layer is drawn at.
    const double deviceScale = std::sqrt(std::abs(m.xx * m.yy - m.xy * m.yx));
    // Past a few hundred pixels a blur is an even wash; the bound keeps the mask's size (and the integer
    // arithmetic on it) sane for any radius a caller sets.
    constexpr double kMaximumSigma = 256;
    const double radius = std::isfinite(layer.shadowRadius()) ? std::max(0.0, layer.shadowRadius()) : 0.0;
    const double sigma = std::min(radius * deviceScale / 2, kMaximumSigma);
    const double reach = std::ceil(3 * sigma) + 1;
    const Size offset = layer.shadowOffset();
    const Rect source =
        (layer.shadowPath() ? layer.shadowPath()->bounds() : s.bounds).offsetBy(offset.width, offset.height);
    if (source.isNull())
        return;
    // Only the part of the shadow that can land in the area left to draw is computed, from the silhouette
    // within blur reach of it.
    const Rect needed = deviceBox(m, source).insetBy(-reach, -reach);
    if (!overlaps(needed, frame.deviceClip))
        return;
    const Rect area = needed.intersection(frame.deviceClip.insetBy(-reach, -reach)).integral();
    if (area.isNull() || area.isEmpty())
        return;
    const int width = int(area.width()), height = int(area.height());
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    if (cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(mask);
        return;
    }
    cairo_t* mcr = cairo_create(mask);
    cairo_matrix_t shifted = m;
    shifted.x0 -= area.minX();
    shifted.y0 -= area.minY();
    cairo_set_matrix(mcr, &shifted);
    cairo_translate(mcr, offset.width, offset.height);
    if (layer.shadowPath()) {
        layer.shadowPath()->addTo(mcr);
        cairo_set_source_rgba(mcr, 0, 0, 0, 1);
        cairo_fill(mcr);
    } else {
        // The silhouette is the layer drawn without its shadow; only its coverage matters.
        Frame silhouette{mcr, frame.now, frame.deviceScale, Rect(0, 0, width, height)};
        const std::size_t drawn = drawn_, culled = culled_;
        drawBody(silhouette, layer, s, 1.0, false);
        drawn_ = drawn;
        culled_ = culled;
    }
    cairo_destroy(mcr);
    cairo_surface_flush(mask);
    detail::blurAlphaMask(cairo_image_surface_get_data(mask), width, height,
                          cairo_image_surface_get_stride(mask), sigma, blurScratch_);
    cairo_surface_mark_dirty(mask);

    cairo_save(cr);
    cairo_identity_matrix(cr);
    setSource(cr, layer.shadowColor(), alpha * s.shadowOpacity);
    cairo_mask_surface(cr, mask, area.minX(), area.minY());
    cairo_restore(cr);
    cairo_surface_destroy(mask);
}

std::shared_ptr<Image> snapshot(Layer& layer, double scale) {
    Renderer renderer(scale);
    return renderer.render(layer);
}

} // namespace ui
