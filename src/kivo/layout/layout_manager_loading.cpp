#include "kivo/layout/layout_manager.h"

#include <kivo/fonts/font_repository.h>
#include <kivo/model/base_ui_element.h>
#include <kivo/model/meta_elements.h>
#include <ui/runloop/dispatch_queue.h>
#include <ui/runloop/main_thread.h>
#include <ui/views/scroll_view.h>
#include <ui/views/stack_view.h>
#include <ui/views/view.h>

#include <utility>
#include <vector>

namespace kivo {

std::shared_ptr<LayoutManager> LayoutManager::create(std::weak_ptr<ui::ScrollView> scrollView,
                                                     std::weak_ptr<ui::StackView> contentView,
                                                     std::weak_ptr<KIVOImageDownloadTaskProvider> provider) {
    return std::make_shared<LayoutManager>(std::move(scrollView), std::move(contentView),
                                           std::move(provider));
}

LayoutManager::LayoutManager(std::weak_ptr<ui::ScrollView> scrollView,
                             std::weak_ptr<ui::StackView> contentView,
                             std::weak_ptr<KIVOImageDownloadTaskProvider> provider)
    : scrollView_(std::move(scrollView)), contentView_(std::move(contentView)),
      provider_(std::move(provider)) {}

std::shared_ptr<StyleMetaElement>
LayoutManager::styleElement(const std::optional<std::string>& styleID) const {
    if (!styleID) {
        return nullptr;
    }
    const auto it = stylesMap_.find(*styleID);
    return it == stylesMap_.end() ? nullptr : it->second;
}

std::optional<std::string> LayoutManager::kivoUUID() const {
    return documentElement_ ? std::optional<std::string>(documentElement_->uuid()) : std::nullopt;
}

std::optional<std::string> LayoutManager::contentHash() const {
    return documentElement_ ? documentElement_->contentHash() : std::nullopt;
}

std::shared_ptr<WayfinderMetaElement> LayoutManager::wayfinderMetaElement() const {
    if (!documentElement_) {
        return nullptr;
    }
    for (const HeadElement& head : documentElement_->headElements()) {
        if (const auto* wayfinder = std::get_if<std::shared_ptr<WayfinderMetaElement>>(&head)) {
            return *wayfinder;
        }
    }
    return nullptr;
}

void LayoutManager::renderBody(std::string data, std::shared_ptr<ui::View> headerView,
                               std::shared_ptr<ui::View> footerView, PreloadCallback preload,
                               Completion completion) {
    // Everything the host handed over (views, callbacks that may hold views) is passed from closure to
    // closure by move and released on the main queue only; the background part touches nothing but the
    // markup and the state it builds.
    struct HostSide {
        std::shared_ptr<ui::View> headerView;
        std::shared_ptr<ui::View> footerView;
        PreloadCallback preload;
        Completion completion;
    };
    auto host = std::make_shared<HostSide>(
        HostSide{std::move(headerView), std::move(footerView), std::move(preload), std::move(completion)});
    std::weak_ptr<LayoutManager> weakSelf = weak_from_this();

    ui::DispatchQueue::global().async([weakSelf, data = std::move(data), host = std::move(host)]() mutable {
        PreloadCallback preload = std::move(host->preload);
        auto parsed = std::make_shared<ParsedDocument>(parseDocument(data, [&](const TitleReport& report) {
            if (preload) {
                ui::DispatchQueue::main().async([preload = std::move(preload), report]() mutable {
                    preload(report);
                    preload = nullptr;
                });
            }
        }));
        if (preload) {
            // Not called: hand it back to the main queue to be released there.
            ui::DispatchQueue::main().async([preload = std::move(preload)]() mutable { preload = nullptr; });
        }

        if (parsed->error) {
            ui::DispatchQueue::main().async([parsed, host = std::move(host)]() mutable {
                if (host->completion) {
                    host->completion(nullptr, parsed->error);
                }
                host.reset();
            });
            return;
        }

        // The fonts the styles name are downloaded and registered before anything is drawn with them. The
        // repository calls back on a global queue, also when there is nothing to download.
        FontRepository().loadFonts(parsed->fonts, [weakSelf, parsed, host = std::move(host)]() mutable {
            ui::DispatchQueue::main().async([weakSelf, parsed, host = std::move(host)]() mutable {
                std::shared_ptr<KIVODocumentElement> document = parsed->document;
                if (auto self = weakSelf.lock()) {
                    self->adopt(std::move(*parsed));
                    self->renderDocument(document, host->headerView, host->footerView, host->completion);
                } else if (host->completion) {
                    host->completion(std::move(document), std::nullopt);
                }
                host.reset();
            });
        });
    });
}

void LayoutManager::adopt(ParsedDocument&& parsed) {
    KIVO_ASSERT_MAIN_THREAD();
    documentElement_ = std::move(parsed.document);
    parser_.setKivoVersion(parsed.version);
    parser_.itemIDAttributes() = std::move(parsed.itemIDAttributes);
    // Styles of earlier documents stay unless this one redefines their IDs.
    for (auto& [id, style] : parsed.styles) {
        stylesMap_[id] = std::move(style);
    }
    baseItemsContainerIDs_.clear();
    baseItemsContainerIDElements_.clear();
}

void LayoutManager::renderDocument(const std::shared_ptr<KIVODocumentElement>& document,
                                   const std::shared_ptr<ui::View>& header,
                                   const std::shared_ptr<ui::View>& footer, const Completion& completion) {
    KIVO_ASSERT_MAIN_THREAD();
    // The previous document's views go, overlays and arranged views alike.
    const auto removeSubviews = [](const std::shared_ptr<ui::View>& view) {
        if (!view) {
            return;
        }
        const auto subviews = view->subviews();
        for (const auto& subview : subviews) {
            subview->removeFromSuperview();
        }
    };
    removeSubviews(annotationClippingsContainerView_);
    removeSubviews(badgeContainerView_);
    removeSubviews(documentElementView_);
    const std::shared_ptr<ui::StackView> stack = contentView();
    removeSubviews(stack);
    if (stack) {
        const auto arranged = stack->arrangedSubviews();
        for (const auto& view : arranged) {
            view->removeFromSuperview();
        }
    }

    bool completed = false;
    try {
        // The host's completion runs when the content is rendered, before the footer view is appended.
        document->renderChildren(scrollView(), nullptr, header, footer, *this,
                                 [&](const std::shared_ptr<ui::View>& contentView) {
                                     finishRendering(contentView);
                                     completed = true;
                                     if (completion) {
                                         completion(documentElement_, std::nullopt);
                                     }
                                 });
    } catch (const Error& error) {
        if (!completed && completion) {
            completion(nullptr, error);
        }
    }
}

void LayoutManager::finishRendering(const std::shared_ptr<ui::View>& contentView) {
    documentElementView_ = contentView;
    if (const auto scroll = scrollView()) {
        scroll->setNeedsLayout();
        scroll->layoutIfNeeded();
    }
    layoutBadgeContainerView();
    // Styles are painted once the first layout has given every view its size: border layers are made
    // for the bounds the views have now.
    // The elements are listed first and painted in that order: by now a large document's views and
    // layers have left the cache, and with the list at hand the ones a few elements further on are
    // fetched while one is painted.
    if (documentElement_) {
        std::vector<std::pair<std::shared_ptr<BaseUIElement>, std::shared_ptr<StyleMetaElement>>> styled;
        mapUIElements(documentElement_->content(), [this, &styled](const UIElement& element) {
            std::shared_ptr<BaseUIElement> base = baseElement(element);
            if (auto style = styleElement(base->styleID())) {
                styled.emplace_back(std::move(base), std::move(style));
            }
            return true;
        });
        constexpr std::size_t kAhead = 8;
        for (std::size_t i = 0; i < styled.size(); ++i) {
            if (i + kAhead < styled.size()) {
                ui::prefetchForStyling(styled[i + kAhead].first->view().get());
            }
            if (i + kAhead / 2 < styled.size()) {
                if (const auto& view = styled[i + kAhead / 2].first->view()) {
                    ui::prefetchLayerForStyling(*view);
                }
            }
            styled[i].first->applyStyle(*styled[i].second);
        }
    }
    loadBadges();
    layoutAnnotationClippingsContainerView();
    isLoaded_ = true;
}

} // namespace kivo
