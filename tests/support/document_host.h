#pragma once

// The views a host gives a layout manager, built as a host view builds them: a window, a scroll view that
// fills it, and a vertical stack of the content pinned to the scroll view's content area and as wide as the
// scroll view.

#include <kivo/layout/layout_manager.h>
#include <kivo/views/image_loading.h>
#include <ui/views/scroll_view.h>
#include <ui/views/stack_view.h>
#include <ui/views/window.h>

#include <memory>

namespace kivo::test_support {

struct DocumentHost {
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<ui::ScrollView> scrollView;
    std::shared_ptr<ui::StackView> contentView;
    std::shared_ptr<LayoutManager> manager;

    explicit DocumentHost(ui::Size size = {390, 844},
                          std::weak_ptr<KIVOImageDownloadTaskProvider> provider = {}) {
        window = std::make_shared<ui::Window>(size);
        scrollView = std::make_shared<ui::ScrollView>();
        scrollView->setTranslatesAutoresizingMaskIntoConstraints(false);
        window->addSubview(scrollView);
        contentView = std::make_shared<ui::StackView>();
        contentView->setAxis(ui::LayoutAxis::vertical);
        contentView->setTranslatesAutoresizingMaskIntoConstraints(false);
        scrollView->addSubview(contentView);
        ui::LayoutConstraint::activate({
            scrollView->leadingAnchor().constraintEqualTo(window->leadingAnchor()),
            scrollView->trailingAnchor().constraintEqualTo(window->trailingAnchor()),
            scrollView->topAnchor().constraintEqualTo(window->topAnchor()),
            scrollView->bottomAnchor().constraintEqualTo(window->bottomAnchor()),
            contentView->leadingAnchor().constraintEqualTo(scrollView->leadingAnchor()),
            contentView->trailingAnchor().constraintEqualTo(scrollView->trailingAnchor()),
            contentView->topAnchor().constraintEqualTo(scrollView->topAnchor()),
            contentView->bottomAnchor().constraintEqualTo(scrollView->bottomAnchor()),
            contentView->widthAnchor().constraintEqualTo(scrollView->widthAnchor()),
        });
        manager = LayoutManager::create(scrollView, contentView, std::move(provider));
    }
};

} // namespace kivo::test_support
