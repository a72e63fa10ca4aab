#pragma once

// The common base of every body element, and the capability interfaces through which the rest of the
// framework treats elements by what they can do rather than by class.

#include <kivo/base/item_id.h>
#include <kivo/model/badge_element.h>
#include <kivo/model/kivo_version.h>
#include <kivo/model/measure_spec.h>
#include <ui/foundation/color.h>
#include <ui/foundation/geometry.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {
class View;
}

namespace kivo {

class XMLNode;
class KIVOLayoutElementConstructor;
class StyleMetaElement;
class BadgeElement;
class LayoutManager;
class BaseUIElement;

// Elements that build, size and lay out views for children of their own.
class KIVOElementRenderable {
public:
    virtual ~KIVOElementRenderable() = default;
    // Fills `view` (this element's own view) with the views of the element's children. `element` and
    // `completion` are passed along by callers; containers do not use them.
    virtual void renderChildren(const std::shared_ptr<ui::View>& view,
                                const std::shared_ptr<BaseUIElement>& element, LayoutManager& manager,
                                const std::function<void()>& completion) = 0;
};

// Elements whose views hold interactive items (flyer images, item atoms, collapsible layouts): their views
// are registered as item containers when they are built.
class KIVOInteractiveItemsContainer {
public:
    virtual ~KIVOInteractiveItemsContainer() = default;
};

// Elements and areas that an anchor can point at.
class KIVOAnchorTarget {
public:
    virtual ~KIVOAnchorTarget() = default;
    virtual std::optional<std::int64_t> anchorID() const = 0;
};

// Elements that carry badges.
class KIVOBadgeable {
public:
    virtual ~KIVOBadgeable() = default;
    virtual const std::vector<std::shared_ptr<BadgeElement>>& badges() const = 0;
    // The view a badge with that application is placed over, or null to leave the badge out. By default
    // the element's own view, whatever the application.
    virtual std::shared_ptr<ui::View>
    parentView(std::optional<BadgeElement::BadgeApplication> application) const;
};

// Items: things with an identity that the host hears about.
class KIVOBaseItem {
public:
    virtual ~KIVOBaseItem() = default;
    virtual const KIVOItemID& id() const = 0;
    virtual std::optional<std::int64_t> targetAnchorID() const = 0;
    virtual const std::map<std::string, std::string>& payload() const = 0;
};

class BaseUIElement : public std::enable_shared_from_this<BaseUIElement>, public KIVOAnchorTarget {
public:
    virtual ~BaseUIElement();

    // The element's type name as used in error messages ("LinearLayoutElement", ...).
    virtual std::string_view typeName() const = 0;

    // The element's view once the layout engine has built it; held strongly.
    const std::shared_ptr<ui::View>& view() const { return view_; }
    void setView(std::shared_ptr<ui::View> view) { view_ = std::move(view); }

    const MeasureSpec& widthSpec() const { return widthSpec_; }
    const MeasureSpec& heightSpec() const { return heightSpec_; }
    std::optional<double> aspectRatio() const { return aspectRatio_; }
    const std::optional<ui::Color>& backgroundColor() const { return backgroundColor_; }
    std::optional<std::int64_t> flexGrow() const { return flexGrow_; }
    std::optional<std::int64_t> anchorID() const override { return anchorID_; }
    const std::optional<std::string>& styleID() const { return styleID_; }
    const ui::EdgeInsets& v1Padding() const { return v1Padding_; }
    const ui::EdgeInsets& v1Margin() const { return v1Margin_; }

    // The margin and padding the layout uses: zero without a version; the element's own attributes in
    // version 1; the style's (or zero) in version 2.
    virtual ui::EdgeInsets getMargin(std::optional<KIVOVersion> version, const StyleMetaElement* style) const;
    virtual ui::EdgeInsets getPadding(std::optional<KIVOVersion> version,
                                      const StyleMetaElement* style) const;

    // Paints `style` onto the view, when there is one: its background colour, and a border layer as the
    // lowest sublayer when the style has a border.
    virtual void applyStyle(const StyleMetaElement& style);

    // Whether the width is to fill the parent: "match-parent" always; a number that truncates to 0 in a
    // version-2 document when the element has a flex weight. Widths beyond the 64-bit integer range never
    // do.
    virtual bool shouldWidthMatchParent(std::optional<KIVOVersion> version) const;

    std::string baseDebugDescription() const;
    virtual std::string debugDescription() const { return baseDebugDescription(); }

protected:
    BaseUIElement();
    // Reads the common attributes. Subclasses read their own attributes and children first and call this
    // last, so their own errors come before a missing width or height.
    void initBase(const XMLNode& node) { initBase(node, typeName()); }
    // The same, with the type name for errors given: a base-class constructor cannot ask the subclass
    // for it, as the virtual call still resolves to the base class there.
    void initBase(const XMLNode& node, std::string_view typeName);

private:
    std::shared_ptr<ui::View> view_;
    MeasureSpec widthSpec_ = MeasureSpec::wrapContent();
    MeasureSpec heightSpec_ = MeasureSpec::wrapContent();
    std::optional<double> aspectRatio_;
    std::optional<ui::Color> backgroundColor_;
    std::optional<std::int64_t> flexGrow_;
    std::optional<std::int64_t> anchorID_;
    std::optional<std::string> styleID_;
    ui::EdgeInsets v1Padding_;
    ui::EdgeInsets v1Margin_;
};

} // namespace kivo
