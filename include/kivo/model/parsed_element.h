#pragma once

// The tagged variants that carry parsed elements from the tag dispatch to the elements that contain them.

#include <memory>
#include <string_view>
#include <variant>

namespace kivo {

class BaseUIElement;
class LinearLayoutElement;
class FlexboxElement;
class ImageElement;
class ItemAtomElement;
class ItemAtomElementV2;
class CollapsibleLayoutElement;
class WayfinderMetaElement;
class StylesMetaElement;
class FlyerSourceElement;
class URLSource;
class BadgeElement;
class TextMetaElement;
class ActionMetaElement;
class BeaconMetaElement;

// A body element.
using UIElement = std::variant<std::shared_ptr<LinearLayoutElement>, std::shared_ptr<FlexboxElement>,
                               std::shared_ptr<ImageElement>, std::shared_ptr<ItemAtomElement>,
                               std::shared_ptr<ItemAtomElementV2>, std::shared_ptr<CollapsibleLayoutElement>>;

// A child of the document's head.
using HeadElement = std::variant<std::shared_ptr<WayfinderMetaElement>, std::shared_ptr<StylesMetaElement>>;

// Where an image's pixels come from.
using SourceElement = std::variant<std::shared_ptr<FlyerSourceElement>, std::shared_ptr<URLSource>>;

// Whatever one markup element parses into.
using ParsedKIVOElement = std::variant<UIElement, HeadElement, SourceElement, std::shared_ptr<BadgeElement>,
                                       std::shared_ptr<TextMetaElement>, std::shared_ptr<ActionMetaElement>,
                                       std::shared_ptr<BeaconMetaElement>>;

// The common base of a body element.
std::shared_ptr<BaseUIElement> baseElement(const UIElement& element);

// "UIElement", "HeadElement", "SourceElement", "BadgeElement", "TextElement", "ActionElement" or
// "BeaconMetaElement".
std::string_view description(const ParsedKIVOElement& element);

} // namespace kivo
