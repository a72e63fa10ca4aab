// Views and their layers: what a view writes through, and how subview layers keep subview order among
// the sublayers of the superview's layer. Also the layer tree on its own.

#include <ui/graphics/layer.h>
#include <ui/views/scroll_view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

namespace {

using namespace ui;

std::vector<Layer*> sublayersOf(const View& view) {
    std::vector<Layer*> out;
    for (const auto& l : view.layer()->sublayers())
        out.push_back(l.get());
    return out;
}

TEST(ViewLayer, ViewsWriteTheirStateThroughToTheirLayers) {
    auto view = std::make_shared<View>(Rect(10, 20, 30, 40));
    const auto& layer = view->layer();
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->bounds(), Rect(0, 0, 30, 40));
    EXPECT_EQ(layer->position(), Point(25, 40));
    EXPECT_EQ(layer->frame(), view->frame());

    view->setAlpha(0.4);
    view->setHidden(true);
    view->setBackgroundColor(Color::red());
    view->setClipsToBounds(true);
    view->setTransform(AffineTransform::makeScale(2, 1));
    view->setAnchorPoint({0, 0});
    EXPECT_DOUBLE_EQ(layer->opacity(), 0.4);
    EXPECT_TRUE(layer->isHidden());
    EXPECT_EQ(layer->backgroundColor(), Color::red());
    EXPECT_TRUE(layer->masksToBounds());
    EXPECT_EQ(layer->transform(), AffineTransform::makeScale(2, 1));
    EXPECT_EQ(layer->anchorPoint(), Point(0, 0));
    EXPECT_EQ(layer->position(), view->center());
    EXPECT_EQ(layer->frame(), view->frame());

    // A scroll view's content offset is its layer's bounds origin.
    auto scroll = std::make_shared<ScrollView>(Rect(0, 0, 100, 100));
    scroll->setContentSize({100, 500});
    scroll->setContentOffset({0, 120});
    EXPECT_EQ(scroll->layer()->bounds().origin, Point(0, 120));

    // A window's layer covers the window.
    auto window = std::make_shared<Window>(Size(320, 480));
    EXPECT_EQ(window->layer()->bounds(), Rect(0, 0, 320, 480));
    EXPECT_EQ(window->layer()->frame(), Rect(0, 0, 320, 480));
    EXPECT_EQ(window->layer()->delegate() != nullptr, true);
}

TEST(ViewLayer, SubviewLayersFollowSubviewOrder) {
    auto parent = std::make_shared<View>(Rect(0, 0, 100, 100));
    auto a = std::make_shared<View>();
    auto b = std::make_shared<View>();
    auto c = std::make_shared<View>();
    parent->addSubview(a);
    parent->addSubview(b);
    EXPECT_EQ(sublayersOf(*parent), (std::vector<Layer*>{a->layer().get(), b->layer().get()}));
    EXPECT_EQ(a->layer()->superlayer(), parent->layer());

    parent->insertSubview(c, 0);
    EXPECT_EQ(sublayersOf(*parent),
              (std::vector<Layer*>{c->layer().get(), a->layer().get(), b->layer().get()}));
    parent->bringSubviewToFront(c);
    EXPECT_EQ(sublayersOf(*parent),
              (std::vector<Layer*>{a->layer().get(), b->layer().get(), c->layer().get()}));
    parent->sendSubviewToBack(b);
    EXPECT_EQ(sublayersOf(*parent),
              (std::vector<Layer*>{b->layer().get(), a->layer().get(), c->layer().get()}));
    parent->insertSubviewAbove(b, a);
    EXPECT_EQ(sublayersOf(*parent),
              (std::vector<Layer*>{a->layer().get(), b->layer().get(), c->layer().get()}));
    parent->insertSubviewBelow(c, a);
    EXPECT_EQ(sublayersOf(*parent),
              (std::vector<Layer*>{c->layer().get(), a->layer().get(), b->layer().get()}));

    a->removeFromSuperview();
    EXPECT_EQ(sublayersOf(*parent), (std::vector<Layer*>{c->layer().get(), b->layer().get()}));
    EXPECT_EQ(a->layer()->superlayer(), nullptr);

    // Moving a view to another superview moves its layer.
    auto other = std::make_shared<View>();
    other->addSubview(b);
    EXPECT_EQ(sublayersOf(*parent), (std::vector<Layer*>{c->layer().get()}));
    EXPECT_EQ(b->layer()->superlayer(), other->layer());
}

TEST(ViewLayer, StandaloneSublayersKeepTheirPlaceAmongSubviewLayers) {
    auto parent = std::make_shared<View>(Rect(0, 0, 100, 100));
    auto a = std::make_shared<View>();
    auto b = std::make_shared<View>();
    auto badge = std::make_shared<Layer>();
    auto underlay = std::make_shared<Layer>();
    parent->addSubview(a);
    parent->layer()->addSublayer(badge);          // above a
    parent->layer()->insertSublayer(underlay, 0); // below everything
    parent->addSubview(b);                        // above the badge: the last subview goes on top
    EXPECT_EQ(sublayersOf(*parent),
              (std::vector<Layer*>{underlay.get(), a->layer().get(), badge.get(), b->layer().get()}));

    // A subview inserted before another goes directly below that one's layer.
    auto c = std::make_shared<View>();
    parent->insertSubview(c, 1);
    EXPECT_EQ(sublayersOf(*parent), (std::vector<Layer*>{underlay.get(), a->layer().get(), badge.get(),
                                                         c->layer().get(), b->layer().get()}));
    parent->insertSubview(c, 0);
    EXPECT_EQ(sublayersOf(*parent), (std::vector<Layer*>{underlay.get(), c->layer().get(), a->layer().get(),
                                                         badge.get(), b->layer().get()}));
    EXPECT_EQ(parent->subviews().size(), 3u) << "layers do not become subviews";
}

// The count of sublayers that are no view's own layer follows every way a layer can come and go: added
// and moved beside subview layers, taken by another layer, removed, and a view dying while its layer is
// still held in the tree.
TEST(ViewLayer, PlainSublayersAreCountedApartFromSubviewLayers) {
    auto parent = std::make_shared<View>(Rect(0, 0, 100, 100));
    auto other = std::make_shared<View>(Rect(0, 0, 100, 100));
    auto a = std::make_shared<View>();
    auto b = std::make_shared<View>();
    parent->addSubview(a);
    parent->addSubview(b);
    EXPECT_EQ(parent->layer()->plainSublayerCount(), 0u);

    auto first = std::make_shared<Layer>();
    auto second = std::make_shared<Layer>();
    parent->layer()->insertSublayer(first, 0);
    parent->layer()->insertSublayerAbove(second, a->layer());
    EXPECT_EQ(parent->layer()->plainSublayerCount(), 2u);
    parent->layer()->insertSublayer(first, 99); // a move counts once
    parent->sendSubviewToBack(b);
    EXPECT_EQ(parent->layer()->plainSublayerCount(), 2u);

    other->layer()->addSublayer(second); // taken by another layer
    other->addSubview(a);                // a subview moving along is no plain layer anywhere
    EXPECT_EQ(parent->layer()->plainSublayerCount(), 1u);
    EXPECT_EQ(other->layer()->plainSublayerCount(), 1u);
    first->removeFromSuperlayer();
    EXPECT_EQ(parent->layer()->plainSublayerCount(), 0u);

    // A view's layer put into a layer by hand is still a view's layer; once the view is gone, the layer
    // that stays behind is a plain one.
    std::shared_ptr<Layer> kept;
    {
        auto gone = std::make_shared<View>();
        kept = gone->layer();
        parent->layer()->addSublayer(kept);
        EXPECT_EQ(parent->layer()->plainSublayerCount(), 0u);
    }
    EXPECT_EQ(parent->layer()->plainSublayerCount(), 1u);
    EXPECT_EQ(parent->layer()->sublayers().size(), 2u) << "b's layer and the one left behind";
    kept->removeFromSuperlayer();
    EXPECT_EQ(parent->layer()->plainSublayerCount(), 0u);
}

TEST(LayerTree, InsertMoveAndRemoveSublayers) {
    auto root = std::make_shared<Layer>();
    auto a = std::make_shared<Layer>();
    auto b = std::make_shared<Layer>();
    auto c = std::make_shared<Layer>();
    a->setName("a");
    root->addSublayer(a);
    root->insertSublayerBelow(b, a);
    root->insertSublayerAbove(c, b);
    ASSERT_EQ(root->sublayers().size(), 3u);
    EXPECT_EQ(root->sublayers()[0], b);
    EXPECT_EQ(root->sublayers()[1], c);
    EXPECT_EQ(root->sublayers()[2], a);
    EXPECT_EQ(root->sublayers()[2]->name(), "a");

    // Moving within the same layer, clamping the index.
    root->insertSublayer(b, 99);
    EXPECT_EQ(root->sublayers().back(), b);
    EXPECT_EQ(root->sublayers().size(), 3u);

    // Cycles are refused.
    c->addSublayer(root);
    EXPECT_EQ(root->superlayer(), nullptr);
    a->addSublayer(a);
    EXPECT_TRUE(a->sublayers().empty());
    auto grandchild = std::make_shared<Layer>();
    a->addSublayer(grandchild);
    grandchild->addSublayer(root);
    EXPECT_EQ(root->superlayer(), nullptr);
    EXPECT_TRUE(grandchild->isDescendantOf(*root));

    // Adding to another layer removes from the first.
    auto other = std::make_shared<Layer>();
    other->addSublayer(a);
    EXPECT_EQ(root->sublayers().size(), 2u);
    EXPECT_EQ(a->superlayer(), other);
    a->removeFromSuperlayer();
    EXPECT_TRUE(other->sublayers().empty());
    EXPECT_EQ(a->superlayer(), nullptr);

    // Frames follow the anchor point.
    a->setFrame(Rect(10, 10, 20, 10));
    EXPECT_EQ(a->position(), Point(20, 15));
    a->setAnchorPoint({0, 0});
    EXPECT_EQ(a->frame(), Rect(20, 15, 20, 10));
    a->setOpacity(3);
    EXPECT_EQ(a->opacity(), 1);
    a->setShouldRasterize(true);
    a->setRasterizationScale(3);
    EXPECT_TRUE(a->shouldRasterize());
    EXPECT_EQ(a->rasterizationScale(), 3);
}

// A layer or view that someone else still holds when its parent goes: it has no parent any more, and
// walks up the tree stop at it instead of reaching the parent that is gone.
TEST(LayerTree, ChildrenOutliveTheirParents) {
    auto root = std::make_shared<Layer>();
    auto parent = std::make_shared<Layer>();
    auto child = std::make_shared<Layer>();
    root->addSublayer(parent);
    parent->addSublayer(child);
    EXPECT_TRUE(child->isDescendantOf(*root));
    parent->removeFromSuperlayer();
    EXPECT_FALSE(child->isDescendantOf(*root));
    EXPECT_TRUE(child->isDescendantOf(*parent));
    parent.reset();
    EXPECT_EQ(child->superlayer(), nullptr);
    EXPECT_FALSE(child->isDescendantOf(*root));
    root->addSublayer(child);
    EXPECT_TRUE(child->isDescendantOf(*root));
    EXPECT_EQ(child->superlayer(), root);

    auto window = std::make_shared<Window>(Size{200, 200});
    auto outer = std::make_shared<View>();
    auto inner = std::make_shared<View>();
    window->addSubview(outer);
    outer->setFrame({10, 20, 100, 100});
    outer->addSubview(inner);
    inner->setFrame({5, 5, 10, 10});
    EXPECT_EQ(inner->convertPointTo({0, 0}, nullptr), Point(15, 25));
    outer->removeFromSuperview();
    outer.reset(); // inner is still held here
    EXPECT_EQ(inner->superview(), nullptr);
    EXPECT_FALSE(inner->isDescendantOf(*window));
    EXPECT_EQ(inner->convertPointTo({3, 4}, nullptr), Point(3, 4)); // inner is the root of its tree now
    window->addSubview(inner);
    EXPECT_TRUE(inner->isDescendantOf(*window));
    EXPECT_EQ(inner->convertPointTo({1, 1}, window.get()), Point(6, 6));
}

// The properties most layers leave alone: their defaults, what is set, and back to the defaults.
TEST(LayerTree, RarelySetPropertiesKeepWhatIsSet) {
    Layer layer;
    EXPECT_EQ(layer.name(), "");
    EXPECT_EQ(layer.borderColor(), Color::black());
    EXPECT_EQ(layer.shadowColor(), Color::black());
    EXPECT_EQ(layer.shadowOffset(), Size(0, -3));
    EXPECT_EQ(layer.shadowRadius(), 3);
    EXPECT_FALSE(layer.shadowPath());
    EXPECT_EQ(layer.contents(), nullptr);
    EXPECT_EQ(layer.contentsGravity(), ContentsGravity::resize);
    EXPECT_FALSE(layer.shouldRasterize());
    EXPECT_EQ(layer.rasterizationScale(), 1);

    // Setting a default changes nothing; the next setter's value is kept alongside the others.
    layer.setBorderColor(Color::black());
    layer.setShadowRadius(-2); // clamped to 0
    EXPECT_EQ(layer.shadowRadius(), 0);
    layer.setBorderColor(Color::red());
    layer.setName("card");
    layer.setShadowOffset({2, 2});
    layer.setShadowPath(BezierPath::rect({0, 0, 4, 4}));
    layer.setContentsGravity(ContentsGravity::center);
    EXPECT_EQ(layer.borderColor(), Color::red());
    EXPECT_EQ(layer.name(), "card");
    EXPECT_EQ(layer.shadowOffset(), Size(2, 2));
    EXPECT_EQ(layer.shadowRadius(), 0);
    ASSERT_TRUE(layer.shadowPath());
    EXPECT_EQ(*layer.shadowPath(), BezierPath::rect({0, 0, 4, 4}));
    EXPECT_EQ(layer.contentsGravity(), ContentsGravity::center);
    EXPECT_EQ(layer.shadowColor(), Color::black());

    layer.setBorderColor(Color::black());
    layer.setName("");
    layer.setShadowPath(std::nullopt);
    EXPECT_EQ(layer.borderColor(), Color::black());
    EXPECT_EQ(layer.name(), "");
    EXPECT_FALSE(layer.shadowPath());
    EXPECT_EQ(layer.shadowOffset(), Size(2, 2));

    // Another layer's defaults are not touched by any of this.
    Layer fresh;
    EXPECT_EQ(fresh.borderColor(), Color::black());
    EXPECT_EQ(fresh.shadowOffset(), Size(0, -3));
    EXPECT_EQ(fresh.name(), "");
}

} // namespace
