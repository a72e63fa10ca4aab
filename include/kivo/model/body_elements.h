#pragma once

// The body elements: containers, collapsible sections, images and item atoms.

#include <kivo/model/base_ui_element.h>
#include <kivo/model/parsed_element.h>
#include <ui/foundation/url.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivo {

class TextMetaElement;
class ActionMetaElement;

// Children stacked in a row or a column.
class LinearLayoutElement : public BaseUIElement, public KIVOBadgeable, public KIVOElementRenderable {
public:
    enum class Orientation { horizontal = 0, vertical = 1 };

    // "orientation" is "horizontal" or "vertical" (default vertical); children may be body elements and
    // badges.
    LinearLayoutElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    std::string_view typeName() const override { return "LinearLayoutElement"; }
    Orientation orientation() const { return orientation_; }
    const std::vector<UIElement>& content() const { return content_; }
    const std::vector<std::shared_ptr<BadgeElement>>& badges() const override { return badges_; }
    std::string debugDescription() const override;

    // One pass: each child's view is built, added, sized and filled before the next child's, then the
    // children are stacked.
    void renderChildren(const std::shared_ptr<ui::View>& view, const std::shared_ptr<BaseUIElement>& element,
                        LayoutManager& manager, const std::function<void()>& completion) override;

protected:
    LinearLayoutElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor,
                        std::string_view typeName);

private:
    Orientation orientation_ = Orientation::vertical;
    std::vector<UIElement> content_;
    std::vector<std::shared_ptr<BadgeElement>> badges_;
};

// A linear layout whose children may share the main axis by weight ("flex-grow").
class FlexboxElement : public LinearLayoutElement {
public:
    FlexboxElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);
    std::string_view typeName() const override { return "FlexboxElement"; }

    // Two passes: every child's view exists before the first is sized, because a flexible child is sized
    // against the next flexible sibling's view.
    void renderChildren(const std::shared_ptr<ui::View>& view, const std::shared_ptr<BaseUIElement>& element,
                        LayoutManager& manager, const std::function<void()>& completion) override;
};

enum class CollapsibleLayoutType { replace, expose };
std::string_view rawValue(CollapsibleLayoutType type);

// A button that hides or reveals one child element.
class CollapsibleLayoutElement : public BaseUIElement {
public:
    CollapsibleLayoutElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    std::string_view typeName() const override { return "CollapsibleLayoutElement"; }
    CollapsibleLayoutType layoutType() const { return layoutType_; }
    const std::string& title() const { return title_; }
    const std::optional<std::string>& exposedTitle() const { return exposedTitle_; }
    const std::optional<std::string>& iconAssetName() const { return iconAssetName_; }
    const std::optional<ui::URL>& iconURL() const { return iconURL_; }
    const UIElement& content() const { return content_; }
    std::string debugDescription() const override;

private:
    CollapsibleLayoutType layoutType_ = CollapsibleLayoutType::expose;
    std::string title_;
    std::optional<std::string> exposedTitle_;
    std::optional<std::string> iconAssetName_;
    std::optional<ui::URL> iconURL_;
    UIElement content_;
};

// One picture: a single URL or a tiled flyer page. Only the first source is shown.
class ImageElement : public BaseUIElement, public KIVOBadgeable, public KIVOInteractiveItemsContainer {
public:
    ImageElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    std::string_view typeName() const override { return "ImageElement"; }
    // Only the first source is shown; the others are kept as written.
    const std::vector<SourceElement>& sources() const { return sources_; }
    const std::vector<std::shared_ptr<BadgeElement>>& badges() const override { return badges_; }
    std::string debugDescription() const override;

    // Pads the picture by the style's padding (fitting it when the element keeps its aspect), lays the
    // view out at once, replaces an earlier border with the style's, then paints the style as any element.
    // Runs again when the picture arrives, so the border follows the final size.
    void applyStyle(const StyleMetaElement& style) override;

    // Conversions between a flyer page's content space and the view. Only a flyer view has a content
    // space: for any other view they answer nothing.
    std::optional<ui::Point> contentSpacePoint(ui::Point viewPoint) const;
    std::optional<ui::Rect> viewRect(const ui::Rect& contentSpaceRect) const;
    // The same conversion for an explicit content slice and scaling factors.
    static ui::Point contentSpacePoint(ui::Point viewPoint, const ui::Rect& contentSlice,
                                       double horizontalScalingFactor, double verticalScalingFactor);
    static ui::Rect viewRect(const ui::Rect& contentSpaceRect, const ui::Rect& contentSlice,
                             double horizontalScalingFactor, double verticalScalingFactor);

private:
    std::vector<SourceElement> sources_;
    std::vector<std::shared_ptr<BadgeElement>> badges_;
};

// A version-1 product tile: picture, name, sales story and prices.
class ItemAtomElement : public BaseUIElement, public KIVOBaseItem {
public:
    ItemAtomElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    std::string_view typeName() const override { return "ItemAtomElement"; }
    const KIVOItemID& id() const override { return *id_; }
    std::optional<std::int64_t> targetAnchorID() const override { return targetAnchorID_; }
    const std::map<std::string, std::string>& payload() const override { return payload_; }
    const std::optional<std::string>& name() const { return name_; }
    const std::optional<std::string>& salesStory() const { return salesStory_; }
    const std::optional<std::string>& prePriceString() const { return prePriceString_; }
    const std::optional<std::string>& priceString() const { return priceString_; }
    const std::optional<std::string>& postPriceString() const { return postPriceString_; }
    const std::optional<std::string>& originalPriceString() const { return originalPriceString_; }
    const std::shared_ptr<URLSource>& urlSource() const { return urlSource_; }
    std::string debugDescription() const override;

private:
    std::optional<KIVOItemID> id_;
    std::optional<std::string> name_;
    std::optional<std::string> salesStory_;
    std::optional<std::int64_t> targetAnchorID_;
    std::optional<std::string> prePriceString_;
    std::optional<std::string> priceString_;
    std::optional<std::string> postPriceString_;
    std::optional<std::string> originalPriceString_;
    std::shared_ptr<URLSource> urlSource_;
    std::map<std::string, std::string> payload_;
};

// A version-2 product tile: picture, styled text lines, badges and an action.
class ItemAtomElementV2 : public BaseUIElement, public KIVOBaseItem, public KIVOBadgeable {
public:
    enum class ImagePosition { top = 0, left = 1, right = 2 };

    ItemAtomElementV2(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    std::string_view typeName() const override { return "ItemAtomElementV2"; }
    const KIVOItemID& id() const override { return *id_; }
    std::optional<std::int64_t> targetAnchorID() const override { return targetAnchorID_; }
    const std::map<std::string, std::string>& payload() const override { return payload_; }
    const std::vector<std::shared_ptr<TextMetaElement>>& textElements() const { return textElements_; }
    const std::vector<std::shared_ptr<BadgeElement>>& badges() const override { return badges_; }
    ImagePosition imagePosition() const { return imagePosition_; }
    const std::optional<ui::URL>& imageURL() const { return imageURL_; }
    const std::shared_ptr<ActionMetaElement>& action() const { return action_; }
    std::string debugDescription() const override;

private:
    std::optional<KIVOItemID> id_;
    std::optional<std::int64_t> targetAnchorID_;
    std::map<std::string, std::string> payload_;
    std::vector<std::shared_ptr<TextMetaElement>> textElements_;
    std::vector<std::shared_ptr<BadgeElement>> badges_;
    ImagePosition imagePosition_ = ImagePosition::top;
    std::optional<ui::URL> imageURL_;
    std::shared_ptr<ActionMetaElement> action_;
};

// "image-top", "image-left", "image-right".
std::string_view rawValue(ItemAtomElementV2::ImagePosition position);

} // namespace kivo
