#pragma once

// The engine behind a host view: loads markup into a typed document and (with the rendering parts) builds,
// sizes and tracks its views. One manager serves every load of its host view.

#include <kivo/base/errors.h>
#include <kivo/model/document_element.h>
#include <kivo/model/element_parser.h>
#include <kivo/model/kivo_version.h>
#include <kivo/model/layout_element_constructor.h>
#include <kivo/model/style_elements.h>
#include <ui/foundation/geometry.h>
#include <ui/layout/layout_constraint.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ui {
class ScrollView;
class StackView;
class View;
} // namespace ui

namespace kivo {

class KIVOImageDownloadTaskProvider;
class BaseUIElement;
class FlexboxElement;
class ImageElement;
class BadgeElement;
class BadgeView;

class LayoutManager : public KIVOLayoutElementConstructor,
                      public std::enable_shared_from_this<LayoutManager> {
public:
    using PreloadCallback = std::function<void(const TitleReport&)>;
    using Completion = std::function<void(std::shared_ptr<KIVODocumentElement>, std::optional<Error>)>;

    // The scroll view, content stack and provider belong to the host view and are not kept alive here.
    static std::shared_ptr<LayoutManager> create(std::weak_ptr<ui::ScrollView> scrollView,
                                                 std::weak_ptr<ui::StackView> contentView,
                                                 std::weak_ptr<KIVOImageDownloadTaskProvider> provider);

    // Loads a document. Returns at once; the markup is parsed and the document built on a background queue.
    // `preload` receives the title report as soon as the root element has been checked, `completion` the
    // document or the error that refused it. Both run on the main queue, never during this call, and the
    // title report always comes before the completion.
    //
    // Each load builds into state of its own, which the main queue takes over whole before it renders the
    // document: a load running in the background never disturbs the document, items and styles of the one
    // shown, and a document refused while it is parsed leaves them as they were. A document that fails while
    // its views are built has replaced the previous one already (its views are partly built, as are the
    // items), and the completion reports the failure.
    void renderBody(std::string data, std::shared_ptr<ui::View> headerView = nullptr,
                    std::shared_ptr<ui::View> footerView = nullptr, PreloadCallback preload = nullptr,
                    Completion completion = nullptr);

    // The element-constructor interface over the manager's own state, for parsing on the main thread.
    std::optional<KIVOVersion> kivoVersion() const override { return parser_.kivoVersion(); }
    void setKivoVersion(std::optional<KIVOVersion> version) override { parser_.setKivoVersion(version); }
    std::vector<ParsedKIVOElement> parseChildren(const XMLNode& node) override {
        return parser_.parseChildren(node);
    }
    ParsedKIVOElement parseElement(const XMLNode& node) override { return parser_.parseElement(node); }

    // --- building, sizing and stacking views (main thread) ---

    // Makes (without adding or sizing) the view of one element, and registers it when it holds items.
    std::shared_ptr<ui::View> view(const UIElement& element);
    // The width rules, then the height rules, of `child` whose view is `childView`, measured against
    // `layOutIn` (the parent's view); `parent` is null for the document's content.
    void size(BaseUIElement& child, const std::shared_ptr<ui::View>& childView, BaseUIElement* parent,
              const std::shared_ptr<ui::View>& layOutIn);
    // A flexible child's main axis as a multiple of the next flexible sibling's (`comparison`), then its
    // cross axis by the usual rules.
    void sizeFlexGrow(BaseUIElement& child, BaseUIElement* comparison, FlexboxElement& parent,
                      const std::shared_ptr<ui::View>& parentView);
    // Stacks the children's views along `orientation` inside `parentView`, with the spacings their margins
    // and the parent's padding ask for.
    void layout(const std::vector<std::shared_ptr<BaseUIElement>>& children, BaseUIElement* parent,
                const std::shared_ptr<ui::View>& parentView, ui::LayoutAxis orientation);

    // IDs of the item containers registered by view building, in order, and their elements.
    const std::vector<std::string>& baseItemsContainerIDs() const { return baseItemsContainerIDs_; }
    std::shared_ptr<BaseUIElement> baseItemsContainerElement(const std::string& containerID) const;

    // The view the document's content was built into, once rendered.
    const std::shared_ptr<ui::View>& documentElementView() const { return documentElementView_; }
    // The overlay over the content stack that holds badges, and the one that holds annotations.
    const std::shared_ptr<ui::View>& badgeContainerView();
    const std::shared_ptr<ui::View>& annotationClippingsContainerView();
    void layoutBadgeContainerView();
    // Places one badge over `parentView`: the badge's anchor point (its `x` and `y`) lands on the point
    // at `hPos` and `vPos` fractions of the parent's size from its top-left corner. Constraints tie the
    // badge to the parent, so it follows the parent when the layout changes.
    static void layoutBadge(const std::shared_ptr<BadgeView>& badgeView,
                            const std::shared_ptr<ui::View>& parentView,
                            const std::shared_ptr<ui::View>& badgeContainerView,
                            const BadgeElement& badgeElement);
    void layoutAnnotationClippingsContainerView();

    // Visits `start` and then its descendants, depth first, each element before its children (linear
    // layouts', flexboxes' and collapsible layouts' contents). A visitor answering false skips that
    // element's children.
    static void mapUIElements(const UIElement& start, const std::function<bool(const UIElement&)>& visitor);

    // The style with that ID, or null (also for no ID).
    std::shared_ptr<StyleMetaElement> styleElement(const std::optional<std::string>& styleID) const;

    const std::shared_ptr<KIVODocumentElement>& documentElement() const { return documentElement_; }
    const ItemAttributesMap& itemIDAttributes() const { return parser_.itemIDAttributes(); }
    const StylesMap& stylesMap() const { return stylesMap_; }
    bool isLoaded() const { return isLoaded_; }
    // The document's uuid and content hash, when a document is loaded.
    std::optional<std::string> kivoUUID() const;
    std::optional<std::string> contentHash() const;
    // The first wayfinder of the document's head, or null.
    std::shared_ptr<WayfinderMetaElement> wayfinderMetaElement() const;

    const std::optional<std::string>& customFontName() const { return customFontName_; }
    void setCustomFontName(std::optional<std::string> name) { customFontName_ = std::move(name); }

    std::shared_ptr<ui::ScrollView> scrollView() const { return scrollView_.lock(); }
    std::shared_ptr<ui::StackView> contentView() const { return contentView_.lock(); }
    std::shared_ptr<KIVOImageDownloadTaskProvider> imageDownloadTaskProvider() const {
        return provider_.lock();
    }

    LayoutManager(std::weak_ptr<ui::ScrollView> scrollView, std::weak_ptr<ui::StackView> contentView,
                  std::weak_ptr<KIVOImageDownloadTaskProvider> provider);

private:
    // Main queue: takes over a successfully parsed document.
    void adopt(ParsedDocument&& parsed);
    // Main queue: removes the views of the previous document and renders the new one.
    void renderDocument(const std::shared_ptr<KIVODocumentElement>& document,
                        const std::shared_ptr<ui::View>& header, const std::shared_ptr<ui::View>& footer,
                        const Completion& completion);
    // The last steps of a load, once the content view exists: first layout, overlays and styles.
    void finishRendering(const std::shared_ptr<ui::View>& contentView);
    // The view of an image element, loading its picture.
    std::shared_ptr<ui::View> imageView(const std::shared_ptr<ImageElement>& element);
    // Walks the document and places every badge of every element that carries badges.
    void loadBadges();
    // The width and the height of `child` (what `size` does for each axis).
    void sizeWidth(BaseUIElement& child, const std::shared_ptr<ui::View>& childView, BaseUIElement* parent,
                   const std::shared_ptr<ui::View>& layOutIn);
    void sizeHeight(BaseUIElement& child, const std::shared_ptr<ui::View>& childView, BaseUIElement* parent,
                    const std::shared_ptr<ui::View>& layOutIn);
    // Sizes `child` along one axis: a fixed length, its parent's length less the insets, or its aspect ratio
    // to the other axis; a content-wrapping length gets no constraint.
    void sizeAlong(ui::LayoutAxis axis, BaseUIElement& child, const std::shared_ptr<ui::View>& childView,
                   BaseUIElement* parent, const std::shared_ptr<ui::View>& layOutIn);
    ui::EdgeInsets paddingOf(const BaseUIElement* element) const;
    ui::EdgeInsets marginOf(const BaseUIElement& element) const;
    void registerItemsContainer(const std::shared_ptr<BaseUIElement>& element,
                                const std::shared_ptr<ui::View>& view);

    std::weak_ptr<ui::ScrollView> scrollView_;
    std::weak_ptr<ui::StackView> contentView_;
    std::weak_ptr<KIVOImageDownloadTaskProvider> provider_;
    std::optional<std::string> customFontName_;
    ElementParser parser_;
    std::shared_ptr<KIVODocumentElement> documentElement_;
    std::shared_ptr<ui::View> documentElementView_;
    std::shared_ptr<ui::View> badgeContainerView_;
    std::shared_ptr<ui::View> annotationClippingsContainerView_;
    std::vector<std::string> baseItemsContainerIDs_;
    std::map<std::string, std::shared_ptr<BaseUIElement>> baseItemsContainerIDElements_;
    StylesMap stylesMap_;
    bool isLoaded_ = false;
};

} // namespace kivo
