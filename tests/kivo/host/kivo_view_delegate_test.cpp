// The host view's delegates: a multicast list of weak references, and the visibility messages.

#include "kivo/host/host_test_support.h"

namespace kivo::host_testing {
namespace {

using Log = std::vector<std::string>;

class KIVOViewDelegates : public ::testing::Test {
protected:
    void SetUp() override {
        hosted_ = hostedView();
        loadAndWait(view(), kWeeklyDeals);
        ASSERT_TRUE(view().isLoaded());
    }

    KIVOView& view() { return *hosted_.view; }
    std::shared_ptr<RecordingDelegate> recorder(const std::string& name) {
        return std::make_shared<RecordingDelegate>(name, log_);
    }
    // Scrolls the view's own scroll view by one point, which every delegate hears as kivoViewDidScroll.
    void scrollOnePoint() {
        auto scrollView = scrollViewOf(view());
        ASSERT_NE(scrollView, nullptr);
        scrollView->setContentOffset({0, scrollView->contentOffset().y + 1});
    }

    HostedView hosted_;
    std::shared_ptr<Log> log_ = std::make_shared<Log>();
};

TEST_F(KIVOViewDelegates, EveryAssignedDelegateHearsCallbacksInTheOrderAssigned) {
    auto a = recorder("a");
    auto b = recorder("b");
    view().setDelegate(a);
    view().setDelegate(b);
    EXPECT_EQ(view().delegate(), b);

    view().setIsVisible(true);
    EXPECT_EQ(*log_, (Log{"a:visible:true", "b:visible:true"}));
}

TEST_F(KIVOViewDelegates, AReleasedDelegateIsSkippedAndTheOthersKeepTheirOrder) {
    auto a = recorder("a");
    auto b = recorder("b");
    auto c = recorder("c");
    view().setDelegate(a);
    view().setDelegate(b);
    view().setDelegate(c);

    b.reset();
    scrollOnePoint();
    EXPECT_EQ(*log_, (Log{"a:scroll", "c:scroll"}));

    c.reset();
    EXPECT_EQ(view().delegate(), nullptr) << "the current delegate is not kept alive";
    log_->clear();
    scrollOnePoint();
    EXPECT_EQ(*log_, (Log{"a:scroll"}));
}

TEST_F(KIVOViewDelegates, TheListIsNeverPrunedNorDeduplicated) {
    auto a = recorder("a");
    auto b = recorder("b");
    view().setDelegate(a);
    view().setDelegate(b);
    view().setDelegate(a);
    view().setDelegate(nullptr);
    EXPECT_EQ(view().delegate(), nullptr);

    scrollOnePoint();
    EXPECT_EQ(*log_, (Log{"a:scroll", "b:scroll", "a:scroll"}));
}

TEST_F(KIVOViewDelegates, OptionalMethodsDefaultToDoingNothing) {
    auto minimal = std::make_shared<MinimalDelegate>(log_);
    auto a = recorder("a");
    view().setDelegate(minimal);
    view().setDelegate(a);

    scrollOnePoint();
    EXPECT_EQ(*log_, (Log{"a:scroll"}));

    KIVOViewDelegate& base = *minimal;
    EXPECT_EQ(base.clippingAnnotationViewForKIVOView(view()), nullptr);
    EXPECT_EQ(base.couponAnnotationViewForIn(KIVOItemID("42", KIVOSource::ecom), view()), nullptr);
    EXPECT_EQ(base.couponAnnotationViewForKIVOView(view()), nullptr);
    ui::Point target{3, 4};
    base.kivoViewWillEndDraggingWithVelocityTargetContentOffset(view(), {1, 1}, target);
    EXPECT_EQ(target, (ui::Point{3, 4}));

    // Required methods are sent to it like to any other delegate.
    view().setIsVisible(true);
    EXPECT_EQ(log_->back(), "a:visible:true");
    EXPECT_EQ((*log_)[log_->size() - 2], "minimal:visible");
}

TEST_F(KIVOViewDelegates, VisibilityChangesAreToldOnceEach) {
    auto a = recorder("a");
    view().setDelegate(a);

    EXPECT_FALSE(view().isVisible());
    view().setIsVisible(false);
    EXPECT_TRUE(log_->empty()) << "the unchanged value was told";

    view().setIsVisible(true);
    view().setIsVisible(true);
    view().setIsVisible(false);
    EXPECT_FALSE(view().isVisible());
    EXPECT_EQ(*log_, (Log{"a:visible:true", "a:visible:false"}));
}

TEST(KIVOViewVisibility, IsIgnoredUntilADocumentIsLoaded) {
    auto log = std::make_shared<Log>();
    auto view = KIVOView::create(nullptr);
    auto a = std::make_shared<RecordingDelegate>("a", log);
    view->setDelegate(a);

    view->setIsVisible(true);
    EXPECT_FALSE(view->isVisible());
    EXPECT_TRUE(log->empty());

    loadAndWait(*view, kWeeklyDeals);
    view->setIsVisible(true);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(*log, (Log{"a:visible:true"}));
}

TEST(KIVOViewVisibility, ARefusedFirstDocumentLeavesItIgnored) {
    auto log = std::make_shared<Log>();
    auto view = KIVOView::create(nullptr);
    auto a = std::make_shared<RecordingDelegate>("a", log);
    view->setDelegate(a);

    auto record = loadAndWait(*view, kBadOrientation);
    ASSERT_TRUE(record->error.has_value());
    view->setIsVisible(true);
    EXPECT_FALSE(view->isVisible());
    EXPECT_TRUE(log->empty());
}

} // namespace
} // namespace kivo::host_testing
