#pragma once

// Where an image's pixels come from (a tiled flyer page or a single URL), and the tappable item areas on
// the picture.

#include <kivo/base/item_id.h>
#include <ui/foundation/geometry.h>
#include <ui/foundation/url.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivo {

class XMLNode;
class KIVOLayoutElementConstructor;
class ActionMetaElement;

// Rectangles written in the flyer tool's convention (left, top, right, bottom with the y axis pointing up)
// as an ordinary rectangle: x = a, y = -b, width = c - a, height = b - d.
ui::Rect fromZemlaRect(const ui::Rect& written);

// The tappable rectangle of one item on a picture.
class AreaElement {
public:
    // `shouldConvertZemlaRect`: the rectangle is written in the flyer tool's convention (areas of flyer
    // sources) rather than as x y width height (areas of URL sources).
    AreaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor,
                bool shouldConvertZemlaRect = true);

    const KIVOItemID& id() const { return id_; }
    std::optional<std::int64_t> targetAnchorID() const { return targetAnchorID_; }
    const std::string& href() const { return href_; }
    const std::optional<std::string>& label() const { return label_; }
    const ui::Rect& rect() const { return rect_; }
    std::optional<std::int64_t> anchorID() const { return anchorID_; }
    const std::shared_ptr<ActionMetaElement>& action() const { return action_; }
    const std::map<std::string, std::string>& payload() const { return payload_; }
    std::string debugDescription() const;

private:
    KIVOItemID id_;
    std::optional<std::int64_t> targetAnchorID_;
    std::string href_;
    std::optional<std::string> label_;
    ui::Rect rect_;
    std::optional<std::int64_t> anchorID_;
    std::shared_ptr<ActionMetaElement> action_;
    std::map<std::string, std::string> payload_;
};

// The intrinsic size of a source's picture.
class BaseSourceElement {
public:
    double width() const { return width_; }
    double height() const { return height_; }
    virtual ~BaseSourceElement() = default;
    virtual std::string debugDescription() const;

protected:
    BaseSourceElement() = default;
    // Reads the required "width" and "height"; called last by the subclasses.
    void readSize(const XMLNode& node);

private:
    double width_ = 0;
    double height_ = 0;
};

// A flyer page drawn from image tiles at several resolutions.
class FlyerSourceElement : public BaseSourceElement {
public:
    FlyerSourceElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    const std::string& path() const { return path_; }
    // Already converted from the flyer tool's convention.
    const ui::Rect& rect() const { return rect_; }
    const std::vector<std::shared_ptr<AreaElement>>& areas() const { return areas_; }
    const std::vector<double>& resolutions() const { return resolutions_; }
    std::string debugDescription() const override;

private:
    std::string path_;
    ui::Rect rect_;
    std::vector<std::shared_ptr<AreaElement>> areas_;
    std::vector<double> resolutions_;
};

// A single picture at a URL.
class URLSource : public BaseSourceElement {
public:
    URLSource(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    const ui::URL& url() const { return *url_; }
    const std::vector<std::shared_ptr<AreaElement>>& areas() const { return areas_; }
    std::string debugDescription() const override;

private:
    std::optional<ui::URL> url_;
    std::vector<std::shared_ptr<AreaElement>> areas_;
};

} // namespace kivo
