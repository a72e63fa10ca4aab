// The image provider's threads: the bound on transfers under way, cancelling a transfer in flight, and
// destroying the provider while it works. The server side observes what the provider really does.

#include "support/image_encoding.h"
#include "support/image_requests.h"
#include "support/loopback_server.h"
#include "ui/runloop/hang_guard.h"

#include <kivo/net/image_provider.h>
#include <ui/graphics/image.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace kivo::net {

using test_support::ImageRequest;
using test_support::requestImage;

namespace {

// A response that never ends on its own: a PNG signature, then one byte every few milliseconds until the
// client goes away (noticed as a failed write) or a guard of 30 seconds passes.
class EndlessResponse {
public:
    void serve(httplib::Response& res) {
        res.set_chunked_content_provider("image/png", [this](std::size_t, httplib::DataSink& sink) {
            {
                std::lock_guard lock(mutex_);
                ++started_;
            }
            ui::RunLoop::main().wakeUp();
            const std::string signature = "\x89PNG\r\n\x1a\n";
            bool writing = sink.write(signature.data(), signature.size());
            const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (writing && std::chrono::steady_clock::now() < guard) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                writing = sink.write("x", 1);
            }
            {
                std::lock_guard lock(mutex_);
                if (!writing) {
                    ++closedByClient_;
                }
            }
            ui::RunLoop::main().wakeUp();
            return false;
        });
    }

    int started() const {
        std::lock_guard lock(mutex_);
        return started_;
    }
    int closedByClient() const {
        std::lock_guard lock(mutex_);
        return closedByClient_;
    }

private:
    mutable std::mutex mutex_;
    int started_ = 0;
    int closedByClient_ = 0;
};

ui::Color checker(int x, int y) {
    return (x + y) % 2 == 0 ? ui::Color::rgb(0.2, 0.4, 0.6) : ui::Color::rgb(1, 0.8, 0);
}

} // namespace

TEST(ImageProviderThreads, NeverRunsMoreTransfersThanTheBound) {
    const std::string png = test_support::encodePNG(4, 4, checker);
    test_support::Gate gate;
    test_support::LoopbackServer server;
    server.routes().Get(R"(/held/(\d+)\.png)", [&](const httplib::Request&, httplib::Response& res) {
        gate.pass();
        res.set_content(png, "image/png");
    });
    server.start();
    test_support::GateOpener openGate(gate);

    ImageProviderOptions options;
    options.maxConcurrentTransfers = 2;
    auto provider = ImageProvider::create(options);
    constexpr int kRequests = 8;
    std::vector<ImageRequest> loads;
    for (int i = 0; i < kRequests; ++i) {
        loads.push_back(requestImage(*provider, server.url("/held/" + std::to_string(i) + ".png")));
    }

    // Let the held responses go one at a time. Whenever the server holds as many as it will get, no more
    // than the bound are inside at once; after each release the provider starts the next one in line.
    for (int released = 0; released < kRequests; ++released) {
        const int expected = std::min(2, kRequests - released);
        ASSERT_TRUE(ui::testing::runMainUntil([&] { return gate.inside() == expected; }))
            << "after " << released << " releases, " << gate.inside() << " inside";
        EXPECT_LE(gate.maxInside(), 2);
        gate.release();
        ASSERT_TRUE(ui::testing::runMainUntil([&] { return gate.left() == released + 1; }));
    }
    std::vector<ImageRequest*> all;
    for (ImageRequest& load : loads) {
        all.push_back(&load);
    }
    ASSERT_TRUE(ui::testing::runMainUntil([&] {
        return std::all_of(all.begin(), all.end(), [](const ImageRequest* r) { return r->completed(); });
    }));
    for (const ImageRequest& load : loads) {
        EXPECT_NE(load.outcome->image, nullptr);
    }
    EXPECT_EQ(gate.maxInside(), 2);
    EXPECT_EQ(gate.arrived(), kRequests);
    EXPECT_EQ(provider->statistics().transfers, std::size_t(kRequests));
}

TEST(ImageProviderThreads, CancelStopsTheTransferAndNoCompletionRuns) {
    const std::string png = test_support::encodePNG(4, 4, checker);
    EndlessResponse endless;
    test_support::Gate gate;
    std::atomic<int> queuedRequests{0};
    test_support::LoopbackServer server;
    server.routes().Get("/endless.png",
                        [&](const httplib::Request&, httplib::Response& res) { endless.serve(res); });
    server.routes().Get("/held.png", [&](const httplib::Request&, httplib::Response& res) {
        gate.pass();
        res.set_content(png, "image/png");
    });
    server.routes().Get(R"(/queued/(\d+)\.png)", [&](const httplib::Request&, httplib::Response& res) {
        ++queuedRequests;
        res.set_content(png, "image/png");
    });
    server.start();
    test_support::GateOpener openGate(gate);

    auto provider = ImageProvider::create();

    // A transfer under way: once the body is flowing, cancel closes the connection.
    ImageRequest endlessLoad = requestImage(*provider, server.url("/endless.png"));
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return endless.started() == 1; }));
    endlessLoad.task->cancel();
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return endless.closedByClient() == 1; }));
    EXPECT_EQ(provider->progress().started, 1u);
    EXPECT_EQ(provider->progress().finished, 1u);

    // Releasing the task counts as cancelling it.
    {
        ImageRequest dropped = requestImage(*provider, server.url("/endless.png"));
        ASSERT_TRUE(ui::testing::runMainUntil([&] { return endless.started() == 2; }));
        dropped.task.reset();
        ASSERT_TRUE(ui::testing::runMainUntil([&] { return endless.closedByClient() == 2; }));
        EXPECT_EQ(dropped.outcome->calls, 0);
    }

    // With one transfer at a time, a load waiting in line is cancelled before it ever reaches the server.
    ImageProviderOptions serial;
    serial.maxConcurrentTransfers = 1;
    auto one = ImageProvider::create(serial);
    ImageRequest held = requestImage(*one, server.url("/held.png"));
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return gate.inside() == 1; }));
    ImageRequest waiting = requestImage(*one, server.url("/queued/1.png"));
    ImageRequest next = requestImage(*one, server.url("/queued/2.png"));
    waiting.task->cancel();
    gate.release();
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return held.completed() && next.completed(); }));
    EXPECT_NE(held.outcome->image, nullptr);
    EXPECT_NE(next.outcome->image, nullptr);
    EXPECT_EQ(queuedRequests.load(), 1); // only /queued/2.png
    EXPECT_EQ(one->statistics().transfers, 2u);

    // Whatever the cancelled loads could still have delivered has had every chance to arrive by now.
    ui::RunLoop::main().runFor(std::chrono::milliseconds(50));
    EXPECT_EQ(endlessLoad.outcome->calls, 0);
    EXPECT_EQ(waiting.outcome->calls, 0);
    EXPECT_EQ(one->progress().started, 3u);
    EXPECT_EQ(one->progress().finished, 3u);
    EXPECT_EQ(provider->progress().started, provider->progress().finished);

    // Cancelling again, or after the completion ran, is harmless.
    endlessLoad.task->cancel();
    held.task->cancel();
    EXPECT_EQ(held.outcome->calls, 1);
}

TEST(ImageProviderThreads, DestroyingTheProviderWithWorkInFlightIsSafe) {
    const std::string png = test_support::encodePNG(64, 64, checker);
    EndlessResponse endless;
    test_support::Gate gate;
    test_support::LoopbackServer server;
    server.routes().Get("/endless.png",
                        [&](const httplib::Request&, httplib::Response& res) { endless.serve(res); });
    server.routes().Get(R"(/held/(\d+)\.png)", [&](const httplib::Request&, httplib::Response& res) {
        gate.pass();
        res.set_content(png, "image/png");
    });
    server.routes().Get(R"(/quick/(\d+)\.png)", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(png, "image/png");
    });
    server.start();
    test_support::GateOpener openGate(gate);

    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("kivo-net-destroy-" + std::to_string(::getpid()) + ".png");
    std::ofstream(file, std::ios::binary) << png;

    std::vector<ImageRequest> loads;
    std::vector<int> callsBefore;
    std::shared_ptr<KIVOImageDownloadTask> unused;
    {
        ImageProviderOptions options;
        options.maxConcurrentTransfers = 3;
        auto provider = ImageProvider::create(options);
        loads.push_back(requestImage(*provider, server.url("/endless.png")));
        loads.push_back(requestImage(*provider, server.url("/held/1.png")));
        // Some quick ones, likely done and waiting for the main loop when the provider goes.
        for (int i = 0; i < 6; ++i) {
            loads.push_back(requestImage(*provider, server.url("/quick/" + std::to_string(i) + ".png")));
            loads.push_back(requestImage(*provider, "file://" + file.string()));
        }
        loads.push_back(requestImage(*provider, server.url("/held/2.png")));
        unused = provider->newImageDownloadTask();
        ASSERT_TRUE(ui::testing::runMainUntil([&] { return endless.started() == 1 && gate.inside() >= 1; }));
        // The provider goes while transfers stream, wait at the server, sit in line, are decoded or wait
        // for the main loop to deliver them. Some quick ones may have been delivered already.
        for (const ImageRequest& load : loads) {
            callsBefore.push_back(load.outcome->calls);
        }
    }
    // Its transfer thread closed the streaming connection on the way out.
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return endless.closedByClient() == 1; }));
    gate.open();
    ui::RunLoop::main().runFor(std::chrono::milliseconds(50));
    // Nothing pending then was delivered afterwards; the streaming and held ones were surely pending.
    ASSERT_EQ(callsBefore.size(), loads.size());
    for (std::size_t i = 0; i < loads.size(); ++i) {
        EXPECT_EQ(loads[i].outcome->calls, callsBefore[i]) << i;
    }
    EXPECT_EQ(loads.front().outcome->calls, 0);
    EXPECT_EQ(loads[1].outcome->calls, 0);
    EXPECT_EQ(loads.back().outcome->calls, 0);
    // The tasks outlive the provider safely: cancelling does nothing, a new load reports the provider gone.
    for (ImageRequest& load : loads) {
        load.task->cancel();
    }
    std::optional<std::string> error;
    bool called = false;
    unused->loadImageWithURL(*ui::URL::fromString("file://" + file.string()), [&](auto image, auto e) {
        called = true;
        EXPECT_EQ(image, nullptr);
        error = e;
    });
    EXPECT_FALSE(called);
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return called; }));
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("provider is gone"), std::string::npos) << *error;
    std::filesystem::remove(file);
}

} // namespace kivo::net
