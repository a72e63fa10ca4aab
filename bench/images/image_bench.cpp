// 200 small JPEGs from a loopback server into 200 image views through the image provider's tasks: wall
// time from the first request until every picture is set and the window is drawn, at 1, 6 and 12
// transfers at once, with the growth of the peak resident memory over the run. The same pictures read
// from files give the cost without the network.

#include "support/image_encoding.h"
#include "support/loopback_server.h"

#include <kivo/net/image_provider.h>
#include <ui/graphics/image.h>
#include <ui/graphics/renderer.h>
#include <ui/runloop/run_loop.h>
#include <ui/views/image_view.h>
#include <ui/views/snapshot.h>
#include <ui/views/window.h>

#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kImages = 200;
constexpr int kSide = 120;
constexpr int kColumns = 20;
constexpr double kCell = 60;

// A picture of its own for each index: a gradient tinted by the index, as a product photo's worth of
// detail for the encoder.
std::string pictureJPEG(int index) {
    return kivo::test_support::encodeJPEG(
        kSide, kSide,
        [index](int x, int y) {
            const unsigned r = unsigned(x * 2 + index) & 0xFF;
            const unsigned g = unsigned(y * 2 + index * 7) & 0xFF;
            const unsigned b = unsigned((x ^ y) + index * 13) & 0xFF;
            return kivo::test_support::RGB((r << 16) | (g << 8) | b);
        },
        85);
}

// The packaged cpp-httplib listens with a backlog of 5: a dozen connections opened at once overflow it, and
// the kernel drops SYNs that the client retries only a second later. Listening again on the server's socket
// with a larger backlog (Linux allows that) keeps those retries out of the figures, which are about the
// provider, not about the test server.
void widenListenBacklog(int port) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const int fd = std::atoi(entry.path().filename().c_str());
        int accepting = 0;
        socklen_t length = sizeof accepting;
        if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &accepting, &length) != 0 || accepting == 0) {
            continue;
        }
        sockaddr_in address{};
        socklen_t addressLength = sizeof address;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &addressLength) == 0 &&
            address.sin_family == AF_INET && ntohs(address.sin_port) == port) {
            ::listen(fd, 256);
        }
    }
}

// The pictures, served from 127.0.0.1 and written to a temporary directory, for the whole run.
struct Pictures {
    std::vector<std::string> jpegs;
    kivo::test_support::LoopbackServer server;
    std::filesystem::path directory;
    std::size_t totalBytes = 0;

    Pictures() {
        std::signal(SIGPIPE, SIG_IGN);
        for (int i = 0; i < kImages; ++i) {
            jpegs.push_back(pictureJPEG(i));
            totalBytes += jpegs.back().size();
        }
        // Room for 12 connections at once, each kept open for the whole load.
        server.routes().new_task_queue = [] { return new httplib::ThreadPool(16); };
        server.routes().set_keep_alive_max_count(10'000);
        server.routes().Get(R"(/pictures/(\d+)\.jpg)",
                            [this](const httplib::Request& req, httplib::Response& res) {
                                const int index = std::stoi(req.matches[1]);
                                if (index < 0 || index >= kImages) {
                                    res.status = 404;
                                    return;
                                }
                                res.set_content(jpegs[std::size_t(index)], "image/jpeg");
                            });
        server.start();
        widenListenBacklog(server.port());

        directory =
            std::filesystem::temp_directory_path() / ("kivo-bench-images-" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory);
        for (int i = 0; i < kImages; ++i) {
            std::ofstream(directory / (std::to_string(i) + ".jpg"), std::ios::binary)
                << jpegs[std::size_t(i)];
        }
    }
    ~Pictures() {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    std::string url(int index, bool fromFiles) const {
        if (fromFiles) {
            return "file://" + (directory / (std::to_string(index) + ".jpg")).string();
        }
        return server.url("/pictures/" + std::to_string(index) + ".jpg");
    }
};

Pictures& pictures() {
    static Pictures shared;
    return shared;
}

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
long statusKiB(const char* field) {
    std::FILE* file = std::fopen("/proc/self/status", "r");
    if (file == nullptr) {
        return -1;
    }
    char line[256];
    long value = -1;
    const std::size_t length = std::char_traits<char>::length(field);
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::char_traits<char>::compare(line, field, length) == 0 && line[length] == ':') {
            value = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(file);
    return value;
}

// Starts a new peak: the kernel sets VmHWM back to the current resident size.
void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Screen {
    std::shared_ptr<ui::Window> window;
    std::vector<std::shared_ptr<ui::ImageView>> views;

    Screen()
        : window(std::make_shared<ui::Window>(ui::Size(kColumns * kCell, (kImages / kColumns) * kCell))) {
        for (int i = 0; i < kImages; ++i) {
            auto view = std::make_shared<ui::ImageView>();
            view->setContentMode(ui::ContentMode::scaleAspectFill);
            view->setFrame({(i % kColumns) * kCell, (i / kColumns) * kCell, kCell, kCell});
            window->addSubview(view);
            views.push_back(std::move(view));
        }
    }
};

void loadIntoViews(benchmark::State& state, bool fromFiles) {
    Pictures& source = pictures();
    long peakGrowthKiB = 0;
    std::size_t transfers = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeakMemory();
        const long baseline = statusKiB("VmRSS");
        auto screen = std::make_unique<Screen>();
        kivo::net::ImageProviderOptions options;
        options.maxConcurrentTransfers = static_cast<std::size_t>(state.range(0));
        auto provider = kivo::net::ImageProvider::create(options);
        ui::Renderer renderer(1);
        std::vector<std::shared_ptr<kivo::KIVOImageDownloadTask>> tasks;
        tasks.reserve(kImages);
        int arrived = 0;
        int failed = 0;
        state.ResumeTiming();

        for (int i = 0; i < kImages; ++i) {
            auto task = provider->newImageDownloadTask();
            ui::ImageView* view = screen->views[std::size_t(i)].get();
            task->loadImageWithURL(*ui::URL::fromString(source.url(i, fromFiles)),
                                   [&arrived, &failed, view](std::shared_ptr<ui::Image> image,
                                                             const std::optional<std::string>&) {
                                       ++arrived;
                                       if (image) {
                                           view->setImage(std::move(image));
                                       } else {
                                           ++failed;
                                       }
                                   });
            tasks.push_back(std::move(task));
        }
        ui::RunLoop::main().runUntil([&] { return arrived == kImages; }, ui::Clock::time_point::max(),
                                     ui::RunLoopMode::Default, std::chrono::seconds(120));
        std::shared_ptr<ui::Image> frame = ui::render(renderer, *screen->window);
        benchmark::DoNotOptimize(frame.get());

        state.PauseTiming();
        if (arrived != kImages || failed != 0 || !frame) {
            state.SkipWithError("not every picture arrived");
        }
        peakGrowthKiB = std::max(peakGrowthKiB, statusKiB("VmHWM") - baseline);
        transfers = provider->statistics().transfers;
        frame.reset();
        tasks.clear();
        provider.reset();
        screen.reset();
        state.ResumeTiming();
    }
    state.counters["peak_rss_growth_MiB"] = double(peakGrowthKiB) / 1024.0;
    state.counters["transfers"] = double(transfers);
    state.counters["jpeg_KiB"] = double(source.totalBytes) / 1024.0;
    state.counters["images_per_s"] =
        benchmark::Counter(double(kImages) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ImagesFromServerIntoViews(benchmark::State& state) {
    loadIntoViews(state, false);
}
BENCHMARK(BM_ImagesFromServerIntoViews)
    ->ArgName("transfers")
    ->Arg(1)
    ->Arg(6)
    ->Arg(12)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ImagesFromFilesIntoViews(benchmark::State& state) {
    loadIntoViews(state, true);
}
BENCHMARK(BM_ImagesFromFilesIntoViews)
    ->ArgName("transfers")
    ->Arg(6)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
