// The tool's pictures: read from files beside the document, downloaded from a real server, waited for
// with a time limit, and every picture that is not shown reported.

#include "support/loopback_server.h"
#include "tools/kivo/kivo_process.h"

#include <ui/graphics/image.h>
#include <ui/graphics/renderer.h>
#include <ui/views/snapshot.h>
#include <ui/views/view.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <nlohmann/json.hpp>

namespace kivo::cli::testing {
namespace {

using ImagesCommand = KivoCLITest;

// A PNG of one colour, drawn and encoded by the toolkit.
std::string solidPNG(ui::Size size, ui::Color color) {
    auto view = std::make_shared<ui::View>(ui::Rect(0, 0, size.width, size.height));
    view->setBackgroundColor(color);
    const auto bytes = ui::snapshotPNG(*view, 1);
    return std::string(bytes.begin(), bytes.end());
}

std::string documentWith(const std::string& imageURL, const std::string& badgeURL,
                         const std::string& more = "") {
    return R"(<storefront kivo-version="2.0" title="T" uuid="U"><head/><body>
  <linear-layout width="match-parent" height="wrap-content">
    <image width="match-parent" height="100">
      <url-source url=")" +
           imageURL + R"(" width="40" height="20"/>
      <badge url=")" +
           badgeURL + R"(" width="20" height="20" h-pos="1" v-pos="0" x="end"/>
    </image>)" +
           more +
           R"(
  </linear-layout></body></storefront>)";
}

std::shared_ptr<ui::Image> decodePNG(const std::filesystem::path& path) {
    const auto decoded = ui::Image::decodeFile(path);
    EXPECT_TRUE(decoded) << decoded.error;
    return decoded.image;
}

TEST_F(ImagesCommand, PicturesBesideTheDocumentAreDrawnWithTheirBadges) {
    std::filesystem::create_directories(docs() / "images");
    writeDocument("images/red.png", solidPNG({40, 20}, ui::Color::red()));
    writeDocument("images/blue badge.png", solidPNG({10, 10}, ui::Color::blue()));
    writeDocument("deals.kivo", documentWith("images/red.png", "images/blue%20badge.png"));
    const auto r = runKivo({"render", "deals.kivo", "-o", "deals.png", "--width", "200", "--height", "150",
                            "--scale", "1", "--offline"});
    EXPECT_EXITED_WITH(r, 0);
    EXPECT_EQ(r.err, "") << "no picture is missing";
    const auto shot = decodePNG(docs() / "deals.png");
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->pixelAt(10, 90), ui::Color::red()) << "the picture stretched over the image";
    EXPECT_EQ(shot->pixelAt(150, 10), ui::Color::red());
    EXPECT_EQ(shot->pixelAt(190, 10), ui::Color::blue()) << "the badge in the top-right corner";
    EXPECT_EQ(shot->pixelAt(179, 10), ui::Color::red());
    EXPECT_NE(shot->pixelAt(100, 120), ui::Color::red()) << "nothing below the image";
}

TEST_F(ImagesCommand, DownloadsAreWaitedForAndFailuresAndLatecomersReported) {
    test_support::LoopbackServer server;
    const std::string green = solidPNG({8, 8}, ui::Color::green());
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    server.routes().Get("/green.png", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(green, "image/png");
    });
    server.routes().Get("/slow.png", [&](const httplib::Request&, httplib::Response& response) {
        std::unique_lock lock(mutex);
        released.wait_for(lock, std::chrono::seconds(30), [&] { return release; });
        response.set_content(green, "image/png");
    });
    server.start();
    // /gone.png has no route: the server answers 404.
    writeDocument("web.kivo",
                  documentWith(server.url("/green.png"), server.url("/gone.png"),
                               R"(<image width="100" height="50"><url-source url=")" +
                                   server.url("/slow.png") + R"(" width="8" height="8"/></image>)"));
    const auto r = runKivo({"render", "web.kivo", "-o", "web.png", "--width", "200", "--height", "200",
                            "--scale", "1", "--timeout", "1"});
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    released.notify_all();
    EXPECT_EXITED_WITH(r, 0);
    EXPECT_NE(r.err.find("warning: picture not shown"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("/gone.png"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("404"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 of 3 pictures did not arrive in time"), std::string::npos) << r.err;
    const auto shot = decodePNG(docs() / "web.png");
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->pixelAt(20, 50), ui::Color::green()) << "the picture that came is drawn";
    // The released handler still uses this test's locals: the server stops before they go.
    server.stop();
}

TEST_F(ImagesCommand, OfflineLoadsNothingFromTheNetworkAndLayoutReportsThePictures) {
    test_support::LoopbackServer server;
    int requests = 0;
    std::mutex mutex;
    server.routes().Get("/a.png", [&](const httplib::Request&, httplib::Response& response) {
        std::lock_guard lock(mutex);
        ++requests;
        response.status = 404;
    });
    server.start();
    std::filesystem::create_directories(docs() / "images");
    writeDocument("images/red.png", solidPNG({4, 4}, ui::Color::red()));
    writeDocument("mixed.kivo", documentWith("images/red.png", server.url("/a.png")));
    const auto r = runKivo({"layout", "mixed.kivo", "--json", "--offline"});
    EXPECT_EXITED_WITH(r, 0);
    const auto report = nlohmann::ordered_json::parse(r.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << r.out;
    EXPECT_EQ(report["images"]["requested"], 2);
    EXPECT_EQ(report["images"]["loaded"], 1);
    ASSERT_EQ(report["images"]["failed"].size(), 1u);
    EXPECT_EQ(report["images"]["failed"][0]["url"], server.url("/a.png"));
    EXPECT_NE(report["images"]["failed"][0]["message"].get<std::string>().find("offline"), std::string::npos);
    EXPECT_EQ(report["images"]["timedOut"], false);
    server.stop();
    EXPECT_EQ(requests, 0);
}

} // namespace
} // namespace kivo::cli::testing
