// Loading through the host view: the order of the callbacks, the completion queue and its lock, and how
// a refused document reaches the host.

#include "kivo/host/host_test_support.h"

#include <kivo/model/element_parser.h>

#include <atomic>
#include <thread>

namespace kivo::host_testing {
namespace {

// A host view subclass that records when its renderCompletion hook runs and what it is given.
class HookRecordingView final : public KIVOView {
public:
    static std::shared_ptr<HookRecordingView> create(std::shared_ptr<std::vector<std::string>> log) {
        auto view = makeView<HookRecordingView>(nullptr);
        view->log_ = std::move(log);
        return view;
    }
    HookRecordingView(Passkey key, const std::shared_ptr<KIVOImageDownloadTaskProvider>& provider)
        : KIVOView(key, provider) {}

    std::vector<std::shared_ptr<KIVODocumentElement>> documents;

protected:
    void renderCompletion(const std::shared_ptr<KIVODocumentElement>& documentElement) override {
        log_->push_back("renderCompletion");
        documents.push_back(documentElement);
    }

private:
    std::shared_ptr<std::vector<std::string>> log_;
};

TEST(KIVOViewLoad, ReportsTheTitleThenCompletesOnTheMainThreadNeverDuringLoad) {
    auto view = KIVOView::create(nullptr);
    auto record = startLoad(*view, kWeeklyDeals);
    EXPECT_TRUE(record->events.empty()) << "a callback ran during load";
    EXPECT_FALSE(view->isLoaded());

    ASSERT_TRUE(waitFor(*record));
    EXPECT_EQ(record->events, (std::vector<std::string>{"preload", "completion"}));
    EXPECT_TRUE(record->callbacksOnMainThread);
    EXPECT_EQ(record->title, "Weekly Deals");
    EXPECT_EQ(record->subtitle, "Week 12");
    EXPECT_FALSE(record->error) << record->error->message();
    EXPECT_TRUE(view->isLoaded());
    EXPECT_EQ(view->uuid(), "DOC-1");
    EXPECT_EQ(view->contentHash(), "abc");
}

TEST(KIVOViewLoad, ADocumentWithoutSubtitleReportsNoSubtitle) {
    auto view = KIVOView::create(nullptr);
    auto record = loadAndWait(*view, kFlyerWithoutSubtitle);
    EXPECT_EQ(record->events, (std::vector<std::string>{"preload", "completion"}));
    EXPECT_EQ(record->title, "Flyer");
    EXPECT_EQ(record->subtitle, std::nullopt);
}

TEST(KIVOViewLoad, LoadsWithoutAnyHostCallbacks) {
    auto view = KIVOView::create(nullptr);
    view->load(kWeeklyDeals);
    EXPECT_TRUE(ui::testing::runMainUntil([&] { return view->isLoaded(); }));
    EXPECT_EQ(view->uuid(), "DOC-1");
}

TEST(KIVOViewLoad, BlocksQueuedBeforeTheDocumentRunInOrderAfterRenderingAndBeforeTheCompletion) {
    auto log = std::make_shared<std::vector<std::string>>();
    auto view = HookRecordingView::create(log);

    view->addBlockToCompletionQueueAndRun([log] { log->push_back("block 1"); });
    view->addBlockToCompletionQueueAndRun([log] { log->push_back("block 2"); });
    EXPECT_TRUE(log->empty()) << "blocks ran before a document was loaded";

    auto record = startLoad(*view, kWeeklyDeals, log);
    view->addBlockToCompletionQueueAndRun([log] { log->push_back("block 3"); });
    EXPECT_TRUE(log->empty()) << "blocks or callbacks ran during load";

    ASSERT_TRUE(waitFor(*record));
    EXPECT_EQ(*log, (std::vector<std::string>{"preload", "renderCompletion", "block 1", "block 2", "block 3",
                                              "completion"}));
    ASSERT_EQ(view->documents.size(), 1u);
    ASSERT_NE(view->documents.front(), nullptr);
    EXPECT_EQ(view->documents.front()->uuid(), "DOC-1");
}

TEST(KIVOViewLoad, BlocksAddedOnceLoadedRunAtOnceAndOnlyOnce) {
    auto view = KIVOView::create(nullptr);
    loadAndWait(*view, kWeeklyDeals);

    int runs = 0;
    view->addBlockToCompletionQueueAndRun([&] { ++runs; });
    EXPECT_EQ(runs, 1);
    view->runCompletionQueue();
    EXPECT_EQ(runs, 1);
}

TEST(KIVOViewLoad, BlocksQueuedDuringASecondLoadRunAgainstTheDocumentStillShown) {
    auto view = KIVOView::create(nullptr);
    loadAndWait(*view, kWeeklyDeals);

    auto record = startLoad(*view, kFlyerWithoutSubtitle);
    std::optional<std::string> uuidSeen;
    view->addBlockToCompletionQueueAndRun([&] { uuidSeen = view->uuid(); });
    EXPECT_EQ(uuidSeen, "DOC-1");
    ASSERT_TRUE(waitFor(*record));
    EXPECT_EQ(view->uuid(), "DOC-2");
}

TEST(KIVOViewLoad, ABlockMayQueueAnotherWhichRunsAfterThoseAlreadyWaiting) {
    auto log = std::make_shared<std::vector<std::string>>();
    auto view = KIVOView::create(nullptr);
    view->addBlockToCompletionQueueAndRun([log, weakView = std::weak_ptr<KIVOView>(view)] {
        log->push_back("first");
        if (auto v = weakView.lock()) {
            v->addBlockToCompletionQueueAndRun([log] { log->push_back("queued by first"); });
        }
    });
    view->addBlockToCompletionQueueAndRun([log] { log->push_back("second"); });

    loadAndWait(*view, kWeeklyDeals);
    EXPECT_EQ(*log, (std::vector<std::string>{"first", "second", "queued by first"}));
}

TEST(KIVOViewLoad, TheQueueIsDrainedUnderTheViewsObjectLock) {
    auto view = KIVOView::create(nullptr);
    loadAndWait(*view, kWeeklyDeals);

    // Another thread tries the lock while a block runs, and once the drain is over.
    const auto lockIsFreeForAnotherThread = [&view] {
        std::atomic<bool> acquired{false};
        std::thread other([&] {
            if (view->objectLock().try_lock()) {
                acquired = true;
                view->objectLock().unlock();
            }
        });
        other.join();
        return acquired.load();
    };

    std::optional<bool> freeDuringBlock;
    view->addBlockToCompletionQueueAndRun([&] { freeDuringBlock = lockIsFreeForAnotherThread(); });
    ASSERT_TRUE(freeDuringBlock.has_value());
    EXPECT_FALSE(*freeDuringBlock);
    EXPECT_TRUE(lockIsFreeForAnotherThread());
}

TEST(KIVOViewLoad, ARefusedDocumentReachesTheCompletionWithTheExactError) {
    auto log = std::make_shared<std::vector<std::string>>();
    auto view = HookRecordingView::create(log);
    bool blockRan = false;
    view->addBlockToCompletionQueueAndRun([&] { blockRan = true; });

    auto record = startLoad(*view, kBadOrientation, log);
    ASSERT_TRUE(waitFor(*record));

    ASSERT_TRUE(record->error.has_value());
    EXPECT_EQ(*record->error, Error(KIVOError::unsupportedOrientation("FlexboxElement", "diagonal")));
    EXPECT_EQ(record->error->message(), "FlexboxElement: Unsupported orientation: diagonal");
    ASSERT_TRUE(record->error->position().has_value());
    EXPECT_EQ(record->error->position()->line, 4);
    // The same error a parse of the bytes gives.
    EXPECT_EQ(record->error, parseDocument(kBadOrientation).error);

    EXPECT_EQ(*log, (std::vector<std::string>{"preload", "renderCompletion", "completion"}));
    ASSERT_EQ(view->documents.size(), 1u);
    EXPECT_EQ(view->documents.front(), nullptr);
    EXPECT_FALSE(view->isLoaded());
    EXPECT_FALSE(blockRan) << "the queue was drained without a loaded document";
}

TEST(KIVOViewLoad, NotXMLReachesTheCompletionAsTheParsersError) {
    auto view = KIVOView::create(nullptr);
    auto record = loadAndWait(*view, "<storefront title=\"x\">\n  <head>\n</storefront>\n");
    ASSERT_TRUE(record->error.has_value());
    EXPECT_EQ(record->error->domain(), "XMLParser");
    EXPECT_EQ(record->events, (std::vector<std::string>{"completion"}));
}

TEST(KIVOViewLoad, TheHostsCompletionRunsEvenWhenTheViewWentAwayMeanwhile) {
    auto view = KIVOView::create(nullptr);
    std::weak_ptr<KIVOView> weakView = view;
    auto record = startLoad(*view, kWeeklyDeals);
    view.reset();
    EXPECT_TRUE(weakView.expired()) << "the load in flight keeps the view alive";

    ASSERT_TRUE(waitFor(*record));
    EXPECT_FALSE(record->error);
}

} // namespace
} // namespace kivo::host_testing
