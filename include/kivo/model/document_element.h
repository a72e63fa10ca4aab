#pragma once

// The root of a typed document.

#include <kivo/model/parsed_element.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {
class ScrollView;
class View;
} // namespace ui

namespace kivo {

class XMLNode;
class BaseUIElement;
class LayoutManager;
class KIVOLayoutElementConstructor;

// Keys of the early title report.
namespace LayoutManagerUserInfoKey {
inline constexpr const char* documentTitle = "title";
inline constexpr const char* documentSubtitle = "subtitle";
} // namespace LayoutManagerUserInfoKey

// The title report: "title" and "subtitle", each present only when the root has that attribute.
using TitleReport = std::map<std::string, std::string>;

class KIVODocumentElement {
public:
    // The title report of a root node.
    static TitleReport preloadUserInfo(const XMLNode& documentNode);

    // Builds the document from its root node: a non-empty "title", a "uuid", then exactly a head and a body
    // whose single child is a body element.
    KIVODocumentElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    const std::string& title() const { return title_; }
    const std::optional<std::string>& subtitle() const { return subtitle_; }
    const std::string& uuid() const { return uuid_; }
    const std::optional<std::string>& contentHash() const { return contentHash_; }
    const UIElement& content() const { return content_; }
    const std::vector<HeadElement>& headElements() const { return headElements_; }

    // Builds the content element's view into the manager's content stack, between the optional header and
    // footer views, sizes it against `scrollView` and renders its children. `completion` receives the
    // content's view once its children are rendered; it is called for every kind of content.
    void renderChildren(const std::shared_ptr<ui::ScrollView>& scrollView,
                        const std::shared_ptr<BaseUIElement>& base,
                        const std::shared_ptr<ui::View>& headerView,
                        const std::shared_ptr<ui::View>& footerView, LayoutManager& manager,
                        const std::function<void(const std::shared_ptr<ui::View>& contentView)>& completion);
    std::string debugDescription() const;

private:
    std::string title_;
    std::optional<std::string> subtitle_;
    std::string uuid_;
    std::optional<std::string> contentHash_;
    UIElement content_;
    std::vector<HeadElement> headElements_;
};

} // namespace kivo
