// Downloading and registering the font files that styles name, against a real server on 127.0.0.1.

#include "support/loopback_server.h"
#include "ui/runloop/hang_guard.h"

#include <kivo/fonts/font_repository.h>
#include <kivo/layout/layout_manager.h>
#include <ui/graphics/font.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

using namespace kivo;

namespace {

// Text in these tests sees only the fonts of the fixture configuration (DejaVu), so the Liberation files
// served below count as new fonts. Set before anything in the process touches fontconfig.
const bool fixtureFonts = [] {
    setenv("FONTCONFIG_FILE", KIVO_TEST_FONTS_DIR "/dejavu-only.conf", 1);
    return true;
}();

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

const std::string kSansPath = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
const std::string kSerifPath = "/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf";
const std::string kMonoPath = "/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf";

ui::URL url(const std::string& text) {
    return *ui::URL::fromString(text);
}

// Runs loadFonts and waits (with a guard against hangs only) for its completion, which must come once and
// never during the call.
void loadAndWait(FontRepository& repository, const std::vector<ui::URL>& urls) {
    auto calls = std::make_shared<std::atomic<int>>(0);
    std::promise<void> done;
    auto future = done.get_future();
    auto promise = std::make_shared<std::promise<void>>(std::move(done));
    repository.loadFonts(urls, [calls, promise] {
        if (calls->fetch_add(1) == 0) {
            promise->set_value();
        }
    });
    ASSERT_EQ(future.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    // A second call would come right after the first if it came at all.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(calls->load(), 1);
}

} // namespace

TEST(FontRepository, RegistersWhatDownloadsAndRemembersItForTheProcess) {
    const std::string sans = readFile(kSansPath);
    const std::string serif = readFile(kSerifPath);
    ASSERT_FALSE(sans.empty());
    ASSERT_FALSE(serif.empty());

    test_support::LoopbackServer server;
    std::atomic<int> sansRequests{0};
    server.routes().Get("/sans.ttf", [&](const httplib::Request&, httplib::Response& res) {
        ++sansRequests;
        res.set_content(sans, "font/ttf");
    });
    server.routes().Get("/sans-copy.ttf", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(sans, "font/ttf");
    });
    server.routes().Get("/serif.ttf", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(serif, "font/ttf");
    });
    server.routes().Get("/not-a-font.ttf", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html>certainly not a font</html>", "text/html");
    });
    server.routes().Get("/empty.ttf",
                        [](const httplib::Request&, httplib::Response& res) { res.status = 200; });
    server.routes().Get("/slow.ttf", [&](const httplib::Request&, httplib::Response& res) {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        res.set_content(serif, "font/ttf");
    });
    server.start();

    FontService::Options options;
    options.timeout = std::chrono::milliseconds(300);
    FontRepository repository(std::make_unique<FontService>(options));

    const ui::URL sansURL = url(server.url("/sans.ttf"));
    const ui::URL sansCopyURL = url(server.url("/sans-copy.ttf"));
    const ui::URL serifURL = url(server.url("/serif.ttf"));
    const ui::URL missingURL = url(server.url("/missing.ttf"));
    const ui::URL notAFontURL = url(server.url("/not-a-font.ttf"));
    const ui::URL emptyURL = url(server.url("/empty.ttf"));
    const ui::URL slowURL = url(server.url("/slow.ttf"));
    const ui::URL refusedURL = url("http://127.0.0.1:9/refused.ttf");

    loadAndWait(repository, {serifURL, missingURL, notAFontURL, emptyURL, slowURL, refusedURL, serifURL});

    // The serif font was fetched twice (both before either finished); the second registration failed and
    // the map kept the first name.
    EXPECT_EQ(FontRepository::postScriptName(serifURL), "LiberationSerif");
    // A 404, a page that is not a font, an empty body, a response slower than the timeout and a refused
    // connection leave no entry, so the next load tries them again.
    for (const ui::URL& failed : {missingURL, notAFontURL, emptyURL, slowURL, refusedURL}) {
        EXPECT_FALSE(FontRepository::postScriptName(failed)) << failed.string();
    }
    // The registered family is usable by text at once.
    EXPECT_TRUE(ui::Font::named("LiberationSerif", 12));

    // One font under two URLs: whichever registers second fails and gets no entry.
    loadAndWait(repository, {sansURL, sansCopyURL});
    const bool first = FontRepository::postScriptName(sansURL).has_value();
    const bool second = FontRepository::postScriptName(sansCopyURL).has_value();
    EXPECT_NE(first, second);
    EXPECT_EQ(FontRepository::postScriptName(first ? sansURL : sansCopyURL), "LiberationSans");

    // A URL already in the map is not downloaded again.
    if (first) {
        const int before = sansRequests.load();
        loadAndWait(repository, {sansURL});
        EXPECT_EQ(sansRequests.load(), before);
    }

    // Nothing to download: the completion still runs, once and asynchronously.
    loadAndWait(repository, {});
    loadAndWait(repository, {serifURL});
}

TEST(FontRepository, LoadsTheDocumentsFontsBeforeTheLoadCompletes) {
    const std::string mono = readFile(kMonoPath);
    ASSERT_FALSE(mono.empty());
    test_support::LoopbackServer server;
    server.routes().Get("/mono.ttf", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(mono, "font/ttf");
    });
    server.start();
    const std::string fontURL = server.url("/mono.ttf");

    auto manager = LayoutManager::create({}, {}, {});
    bool completed = false;
    std::optional<Error> error;
    manager->renderBody(
        R"(<storefront kivo-version="2.0" title="T" uuid="U"><head><styles>
             <style id="code" font-family=")" +
            fontURL + R"("/></styles></head>
           <body><linear-layout width="match-parent" height="wrap-content"/></body></storefront>)",
        nullptr, nullptr, nullptr, [&](std::shared_ptr<KIVODocumentElement>, std::optional<Error> e) {
            completed = true;
            error = std::move(e);
        });
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return completed; }));
    EXPECT_FALSE(error);
    EXPECT_EQ(FontRepository::postScriptName(url(fontURL)), "LiberationMono");
}
