// How containers and the document build, size and lay out the views of their children.

#include <kivo/layout/layout_manager.h>
#include <kivo/model/body_elements.h>
#include <kivo/model/document_element.h>
#include <ui/views/scroll_view.h>
#include <ui/views/stack_view.h>

#include <algorithm>

namespace kivo {

namespace {

ui::LayoutAxis axisOf(LinearLayoutElement::Orientation orientation) {
    return orientation == LinearLayoutElement::Orientation::horizontal ? ui::LayoutAxis::horizontal
                                                                       : ui::LayoutAxis::vertical;
}

// Builds a child's view and adds it to `parentView`, laid out by constraints only.
std::shared_ptr<ui::View> buildChildView(const UIElement& child, BaseUIElement& base, ui::View& parentView,
                                         LayoutManager& manager) {
    std::shared_ptr<ui::View> childView = manager.view(child);
    base.setView(childView);
    childView->setTranslatesAutoresizingMaskIntoConstraints(false);
    parentView.addSubview(childView);
    return childView;
}

void renderGrandchildren(const std::shared_ptr<BaseUIElement>& child,
                         const std::shared_ptr<ui::View>& childView, LayoutManager& manager) {
    if (auto* renderable = dynamic_cast<KIVOElementRenderable*>(child.get())) {
        renderable->renderChildren(childView, child, manager, nullptr);
    }
}

} // namespace

void LinearLayoutElement::renderChildren(const std::shared_ptr<ui::View>& parentView,
                                         const std::shared_ptr<BaseUIElement>&, LayoutManager& manager,
                                         const std::function<void()>&) {
    std::vector<std::shared_ptr<BaseUIElement>> children;
    children.reserve(content_.size());
    for (const UIElement& child : content_) {
        const std::shared_ptr<BaseUIElement> base = baseElement(child);
        children.push_back(base);
        const std::shared_ptr<ui::View> childView = buildChildView(child, *base, *parentView, manager);
        manager.size(*base, childView, this, parentView);
        // The child's subtree is complete before the next sibling is built.
        renderGrandchildren(base, childView, manager);
    }
    manager.layout(children, this, parentView, axisOf(orientation_));
}

void FlexboxElement::renderChildren(const std::shared_ptr<ui::View>& parentView,
                                    const std::shared_ptr<BaseUIElement>&, LayoutManager& manager,
                                    const std::function<void()>&) {
    std::vector<std::shared_ptr<BaseUIElement>> children;
    std::vector<std::shared_ptr<BaseUIElement>> flexible;
    children.reserve(content().size());
    for (const UIElement& child : content()) {
        const std::shared_ptr<BaseUIElement> base = baseElement(child);
        children.push_back(base);
        buildChildView(child, *base, *parentView, manager);
        if (base->flexGrow()) {
            flexible.push_back(base);
        }
    }
    for (const std::shared_ptr<BaseUIElement>& child : children) {
        const std::shared_ptr<ui::View> childView = child->view();
        if (!childView) {
            break;
        }
        if (!child->flexGrow()) {
            manager.size(*child, childView, this, parentView);
        } else {
            // Each flexible child is weighed against the next flexible one; the last takes what is left.
            const auto it = std::find(flexible.begin(), flexible.end(), child);
            BaseUIElement* comparison =
                it != flexible.end() && it + 1 != flexible.end() ? (it + 1)->get() : nullptr;
            manager.sizeFlexGrow(*child, comparison, *this, parentView);
        }
        renderGrandchildren(child, childView, manager);
    }
    manager.layout(children, this, parentView, axisOf(orientation()));
}

void KIVODocumentElement::renderChildren(
    const std::shared_ptr<ui::ScrollView>& scrollView, const std::shared_ptr<BaseUIElement>&,
    const std::shared_ptr<ui::View>& headerView, const std::shared_ptr<ui::View>& footerView,
    LayoutManager& manager,
    const std::function<void(const std::shared_ptr<ui::View>& contentView)>& completion) {
    const std::shared_ptr<ui::StackView> stack = manager.contentView();
    if (headerView && stack) {
        stack->addArrangedSubview(headerView);
    }
    const std::shared_ptr<BaseUIElement> content = baseElement(content_);
    const std::shared_ptr<ui::View> contentView = manager.view(content_);
    content->setView(contentView);
    if (stack) {
        stack->addArrangedSubview(contentView);
    }
    manager.size(*content, contentView, nullptr,
                 scrollView ? std::static_pointer_cast<ui::View>(scrollView)
                            : std::static_pointer_cast<ui::View>(stack));
    // Every renderable content renders its children here, whatever its kind, and the completion always
    // comes, so that no load is left waiting for it.
    renderGrandchildren(content, contentView, manager);
    if (completion) {
        completion(contentView);
    }
    if (footerView && stack) {
        stack->addArrangedSubview(footerView);
    }
}

} // namespace kivo
