#pragma once

// A small picture drawn over a body element at a position given as a fraction of the element's size.

#include <ui/foundation/url.h>

#include <optional>
#include <string>
#include <string_view>

namespace kivo {

class XMLNode;
class KIVOLayoutElementConstructor;

class BadgeElement {
public:
    // Which point of the badge sits on the position.
    enum class AnchorPosition { start, center, end };
    // Which part of a version-2 item atom the badge belongs to.
    enum class BadgeApplication { image, text };

    // "start", "center" or "end"; anything else (or nothing) is start.
    static AnchorPosition anchorPosition(const std::string* attribute);
    // "image" or "text"; anything else (or nothing) is nullopt.
    static std::optional<BadgeApplication> badgeApplication(const std::string* attribute);

    // "url", "width", "height", "h-pos" and "v-pos" are required; a missing or unreadable one throws
    // KIVOError::missingRequiredAttribute("badge", key). The node's children are ignored.
    BadgeElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    const ui::URL& url() const { return *url_; }
    double width() const { return width_; }
    double height() const { return height_; }
    // Position as signed fractions of the parent's width and height.
    double hPos() const { return hPos_; }
    double vPos() const { return vPos_; }
    AnchorPosition x() const { return x_; }
    AnchorPosition y() const { return y_; }
    std::optional<BadgeApplication> application() const { return badgeApplication_; }

private:
    std::optional<ui::URL> url_;
    double width_ = 0;
    double height_ = 0;
    double hPos_ = 0;
    double vPos_ = 0;
    AnchorPosition x_ = AnchorPosition::start;
    AnchorPosition y_ = AnchorPosition::start;
    std::optional<BadgeApplication> badgeApplication_;
};

std::string_view rawValue(BadgeElement::AnchorPosition position);
std::string_view rawValue(BadgeElement::BadgeApplication application);

} // namespace kivo
