#include "ui/views/window.h"

#include "ui/layout/layout_engine.h"

namespace ui {

Window::Window(Size size) {
    bounds_ = Rect(Point(), size);
    center_ = Point(size.width / 2, size.height / 2);
    layer_->setBounds(bounds_);
    layer_->setPosition(center_);
    window_ = this;
    engine_ = std::make_unique<LayoutEngine>(*this);
}

Window::~Window() {
    // The solver goes first, whole; subviews may outlive the window (a host can hold them), so they
    // are told they left it.
    engine_.reset();
    for (const auto& sub : subviews_)
        sub->setWindowRecursively(nullptr);
    window_ = nullptr;
}

void Window::setSize(Size size) {
    setBounds(Rect(bounds().origin, size));
    setCenter(Point(size.width / 2, size.height / 2));
    passRequested_ = true;
}

std::size_t Window::refusedConstraintCount() const {
    return engine_->refusedConstraintCount();
}

void Window::layoutIfNeeded() {
    if (inLayoutPass_)
        return; // a layoutSubviews that asks for layout is served by the loop below
    inLayoutPass_ = true;
    // Layout can ask for more layout (a view that rebuilds constraints in layoutSubviews); a small bound
    // keeps a view that always asks from hanging the program.
    for (int i = 0; i < 8 && passRequested_; ++i) {
        engine_->layoutPass();
        ++layoutPasses_;
    }
    inLayoutPass_ = false;
}

} // namespace ui
