// Loading pictures with the ready-made image provider: real JPEG and PNG files served from 127.0.0.1 or read
// from disk, decoded, cached, and every way a load can fail.

#include "support/image_encoding.h"
#include "support/image_requests.h"
#include "support/loopback_server.h"
#include "ui/runloop/hang_guard.h"

#include <kivo/net/image_provider.h>
#include <ui/graphics/image.h>

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kivo::net {

using test_support::ImageRequest;
using test_support::requestImage;

namespace {

bool waitFor(const std::vector<ImageRequest*>& requests) {
    return ui::testing::runMainUntil([&] {
        return std::all_of(requests.begin(), requests.end(),
                           [](const ImageRequest* r) { return r->completed(); });
    });
}

bool waitFor(ImageRequest& request) {
    return waitFor(std::vector<ImageRequest*>{&request});
}

// A directory of its own under the system's temporary directory, removed afterwards.
class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kivo-net-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

private:
    std::filesystem::path path_;
};

// A TCP port on 127.0.0.1 that refuses connections: bound (so nothing else takes it) but not listening.
class RefusingPort {
public:
    RefusingPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// Four 8 x 8 quadrants: red, green, blue, white. JPEG keeps flat areas close to their colour.
test_support::RGB quadrants(int x, int y) {
    if (y < 8) {
        return x < 8 ? 0xFF0000 : 0x00FF00;
    }
    return x < 8 ? 0x0000FF : 0xFFFFFF;
}

// Distinct exact colours, some translucent, for a lossless PNG.
ui::Color checker(int x, int y) {
    return ui::Color::rgba((x * 60) / 255.0, (y * 80) / 255.0, ((x + y) % 2) * 1.0, y == 2 ? 128 / 255.0 : 1);
}

void expectNear(std::uint32_t actual, std::uint32_t expected, int tolerance, const char* where) {
    for (int shift : {0, 8, 16, 24}) {
        const int a = int((actual >> shift) & 0xFF);
        const int e = int((expected >> shift) & 0xFF);
        EXPECT_NEAR(a, e, tolerance) << where << ": got " << std::hex << actual << ", expected " << expected;
    }
}

void expectQuadrants(const ui::Image& image) {
    ASSERT_EQ(image.pixelWidth(), 16);
    ASSERT_EQ(image.pixelHeight(), 16);
    expectNear(image.rawPixelAt(3, 3), 0xFFFF0000, 6, "red quadrant");
    expectNear(image.rawPixelAt(12, 3), 0xFF00FF00, 6, "green quadrant");
    expectNear(image.rawPixelAt(3, 12), 0xFF0000FF, 6, "blue quadrant");
    expectNear(image.rawPixelAt(12, 12), 0xFFFFFFFF, 6, "white quadrant");
}

void expectChecker(const ui::Image& image) {
    ASSERT_EQ(image.pixelWidth(), 4);
    ASSERT_EQ(image.pixelHeight(), 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const ui::Color expected = checker(x, y);
            const ui::Color actual = image.pixelAt(x, y);
            // Premultiplied storage costs translucent pixels a step of precision.
            const double tolerance = (expected.isOpaque() ? 0.5 : 2.5) / 255;
            EXPECT_NEAR(actual.r(), expected.r(), tolerance) << x << "," << y;
            EXPECT_NEAR(actual.g(), expected.g(), tolerance) << x << "," << y;
            EXPECT_NEAR(actual.b(), expected.b(), tolerance) << x << "," << y;
            EXPECT_NEAR(actual.a(), expected.a(), 0.5 / 255) << x << "," << y;
        }
    }
}

// The load failed with a message that names `url` and contains `words`.
void expectFailure(const ImageRequest& request, const std::string& url, const std::string& words) {
    SCOPED_TRACE(url);
    EXPECT_EQ(request.outcome->calls, 1);
    EXPECT_EQ(request.outcome->image, nullptr);
    ASSERT_TRUE(request.outcome->error.has_value());
    EXPECT_NE(request.outcome->error->find(url), std::string::npos) << *request.outcome->error;
    EXPECT_NE(request.outcome->error->find(words), std::string::npos) << *request.outcome->error;
    EXPECT_TRUE(request.outcome->onMainThread);
    EXPECT_FALSE(request.outcome->duringLoadCall);
}

} // namespace

TEST(ImageProvider, DeliversDecodedPicturesFromTheServerAndFromFiles) {
    const std::string jpeg = test_support::encodeJPEG(16, 16, quadrants);
    const std::string png = test_support::encodePNG(4, 3, checker);
    ASSERT_FALSE(jpeg.empty());
    ASSERT_FALSE(png.empty());

    test_support::LoopbackServer server;
    server.routes().Get("/photos/quadrants.jpg", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(jpeg, "image/jpeg");
    });
    server.routes().Get("/photos/checker.png", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(png, "image/png");
    });
    server.routes().Get("/moved.png", [&](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/photos/checker.png");
    });
    server.start();

    TemporaryDirectory directory;
    const std::filesystem::path pngFile = directory.write("pictures/checker file.png", png);
    const std::filesystem::path jpegFile = directory.write("doc/images/quadrants.jpg", jpeg);
    const std::string documentURL = "file://" + (directory.path() / "doc/storefront.kivo").string();

    ImageProviderOptions options;
    options.baseURL = ui::URL::fromString(documentURL);
    options.imageScale = 2;
    auto provider = ImageProvider::create(options);

    ImageRequest jpegOverHTTP = requestImage(*provider, server.url("/photos/quadrants.jpg"));
    ImageRequest pngOverHTTP = requestImage(*provider, server.url("/photos/checker.png"));
    ImageRequest redirected = requestImage(*provider, server.url("/moved.png"));
    ImageRequest fileURL =
        requestImage(*provider, "file://" + (directory.path() / "pictures/checker%20file.png").string());
    ImageRequest relative = requestImage(*provider, "images/quadrants.jpg");
    ImageRequest absolutePath =
        requestImage(*provider, (directory.path() / "pictures/checker%20file.png").string());
    // Nothing arrives during the calls themselves.
    EXPECT_EQ(provider->progress().started, 6u);
    EXPECT_EQ(provider->progress().finished, 0u);

    ASSERT_TRUE(waitFor({&jpegOverHTTP, &pngOverHTTP, &redirected, &fileURL, &relative, &absolutePath}));
    for (const ImageRequest* request :
         {&jpegOverHTTP, &pngOverHTTP, &redirected, &fileURL, &relative, &absolutePath}) {
        EXPECT_EQ(request->outcome->calls, 1);
        EXPECT_FALSE(request->outcome->error) << *request->outcome->error;
        ASSERT_NE(request->outcome->image, nullptr);
        EXPECT_TRUE(request->outcome->onMainThread);
        EXPECT_FALSE(request->outcome->duringLoadCall);
        EXPECT_EQ(request->outcome->image->scale(), 2);
    }
    expectQuadrants(*jpegOverHTTP.outcome->image);
    EXPECT_TRUE(jpegOverHTTP.outcome->image->isOpaque());
    expectChecker(*pngOverHTTP.outcome->image);
    expectChecker(*redirected.outcome->image);
    expectChecker(*fileURL.outcome->image);
    expectQuadrants(*relative.outcome->image);
    expectChecker(*absolutePath.outcome->image);
    EXPECT_EQ(jpegOverHTTP.outcome->image->size(), ui::Size(8, 8));

    EXPECT_EQ(provider->progress().started, 6u);
    EXPECT_EQ(provider->progress().finished, 6u);

    // Relative references resolve against an http base too.
    ImageProviderOptions webOptions;
    webOptions.baseURL = ui::URL::fromString(server.url("/photos/index.kivo"));
    auto webProvider = ImageProvider::create(webOptions);
    ImageRequest webRelative = requestImage(*webProvider, "checker.png");
    ImageRequest webRooted = requestImage(*webProvider, "/photos/quadrants.jpg");
    ASSERT_TRUE(waitFor({&webRelative, &webRooted}));
    ASSERT_NE(webRelative.outcome->image, nullptr);
    expectChecker(*webRelative.outcome->image);
    ASSERT_NE(webRooted.outcome->image, nullptr);
    expectQuadrants(*webRooted.outcome->image);
}

TEST(ImageProvider, EveryFailureReachesTheCompletionWithAMessageNamingTheURL) {
    const std::string jpeg = test_support::encodeJPEG(16, 16, quadrants);
    // A PNG of noise, far larger than the small body limit used below.
    const std::string noisyPNG = test_support::encodePNG(64, 64, [](int x, int y) {
        const unsigned v = (unsigned(x) * 2654435761u) ^ (unsigned(y) * 40503u * 2654435761u);
        return ui::Color::rgb((v & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, ((v >> 16) & 0xFF) / 255.0);
    });
    ASSERT_GT(noisyPNG.size(), 8000u);
    ASSERT_LT(jpeg.size(), 2000u);

    test_support::Gate gate;
    test_support::LoopbackServer server;
    server.routes().Get("/page.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html>not a picture</html>", "text/html");
    });
    server.routes().Get("/truncated.jpg", [&](const httplib::Request&, httplib::Response& res) {
        // Announces the whole file, sends half of it and closes the connection.
        res.set_content_provider(jpeg.size(), "image/jpeg",
                                 [&](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     if (offset == 0) {
                                         sink.write(jpeg.data(), jpeg.size() / 2);
                                     }
                                     return false;
                                 });
    });
    server.routes().Get("/cut.jpg", [&](const httplib::Request&, httplib::Response& res) {
        // A complete response whose JPEG data stops half way.
        res.set_content(jpeg.substr(0, jpeg.size() / 2), "image/jpeg");
    });
    server.routes().Get("/garbage.jpg", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string("\xFF\xD8\xFF", 3) + std::string(400, '\x5A'), "image/jpeg");
    });
    server.routes().Get("/huge.png", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(test_support::pngHeaderClaiming(10'000, 10'000), "image/png");
    });
    server.routes().Get("/big.png", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(noisyPNG, "image/png");
    });
    server.routes().Get("/big-unannounced.png", [&](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("image/png", [&](std::size_t offset, httplib::DataSink& sink) {
            const std::size_t n = std::min<std::size_t>(512, noisyPNG.size() - offset);
            if (n > 0 && !sink.write(noisyPNG.data() + offset, n)) {
                return false;
            }
            if (offset + n == noisyPNG.size()) {
                sink.done();
            }
            return true;
        });
    });
    server.routes().Get("/forbidden.png", [](const httplib::Request&, httplib::Response& res) {
        res.status = 403;
        res.set_content("no", "text/plain");
    });
    server.routes().Get(
        "/loop.png", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop.png"); });
    server.routes().Get("/to-file.png", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("file:///etc/hostname");
    });
    server.routes().Get("/stalled.png", [&](const httplib::Request&, httplib::Response& res) {
        gate.pass();
        res.set_content("late", "text/plain");
    });
    server.start();
    test_support::GateOpener openGate(gate);
    RefusingPort refusing;

    TemporaryDirectory directory;
    directory.write("big.png", noisyPNG);
    directory.write("broken.jpg", jpeg.substr(0, jpeg.size() / 2));
    std::filesystem::create_directories(directory.path() / "folder.png");
    const std::string fileBase = "file://" + directory.path().string() + "/";

    ImageProviderOptions options;
    options.maxBodyBytes = 2000;
    options.maxRedirects = 3;
    auto provider = ImageProvider::create(options);

    struct Case {
        std::string url;
        std::string words;
        ImageRequest request;
    };
    const std::string refusedURL = "http://127.0.0.1:" + std::to_string(refusing.port()) + "/a.png";
    std::vector<Case> cases = {
        {server.url("/missing.png"), "HTTP status 404", {}},
        {server.url("/forbidden.png"), "HTTP status 403", {}},
        {refusedURL, "connect", {}},
        {server.url("/truncated.jpg"), "closed after", {}},
        {server.url("/cut.jpg"), "could not decode", {}},
        {server.url("/garbage.jpg"), "JPEG", {}},
        {server.url("/page.html"), "not a JPEG or PNG", {}},
        {server.url("/big.png"), "larger than the limit of 2000 bytes", {}},
        {server.url("/big-unannounced.png"), "larger than the limit of 2000 bytes", {}},
        {server.url("/loop.png"), "more than 3 redirects", {}},
        {server.url("/to-file.png"), "protocol", {}},
        // 10,000 x 10,000 is over the pixel count cap: refused from the header, before any pixel memory
        // is taken.
        {server.url("/huge.png"), "dimensions out of range", {}},
        {"ftp://127.0.0.1/a.png", "unsupported URL scheme \"ftp\"", {}},
        {"data:image/png;base64,AAAA", "unsupported URL scheme \"data\"", {}},
        {"images/a.png", "needs a base URL", {}},
        {fileBase + "missing.png", "No such file", {}},
        {fileBase + "folder.png", "directory", {}},
        {fileBase + "big.png", "larger than the limit of 2000 bytes", {}},
        {fileBase + "broken.jpg", "could not decode", {}},
    };
    for (Case& c : cases) {
        c.request = requestImage(*provider, c.url);
    }
    std::vector<ImageRequest*> all;
    for (Case& c : cases) {
        all.push_back(&c.request);
    }
    ASSERT_TRUE(waitFor(all));
    for (const Case& c : cases) {
        expectFailure(c.request, c.url, c.words);
    }
    // A server that never answers runs into the total timeout.
    ImageProviderOptions impatientOptions;
    impatientOptions.totalTimeout = std::chrono::milliseconds(300);
    auto impatient = ImageProvider::create(impatientOptions);
    ImageRequest stalled = requestImage(*impatient, server.url("/stalled.png"));
    ASSERT_TRUE(waitFor(stalled));
    expectFailure(stalled, server.url("/stalled.png"), "timed out");
    gate.open();

    // Offline: the network is not touched, files still load.
    ImageProviderOptions offlineOptions;
    offlineOptions.offline = true;
    auto offline = ImageProvider::create(offlineOptions);
    ImageRequest remote = requestImage(*offline, server.url("/big.png"));
    ImageRequest local = requestImage(*offline, fileBase + "big.png");
    ASSERT_TRUE(waitFor({&remote, &local}));
    expectFailure(remote, server.url("/big.png"), "offline");
    EXPECT_NE(local.outcome->image, nullptr);
    EXPECT_EQ(offline->statistics().transfers, 1u);

    // A relative URL whose base is itself relative cannot resolve.
    ImageProviderOptions relativeBase;
    relativeBase.baseURL = ui::URL::fromString("docs/index.kivo");
    auto confused = ImageProvider::create(relativeBase);
    ImageRequest unresolved = requestImage(*confused, "a.png");
    ASSERT_TRUE(waitFor(unresolved));
    expectFailure(unresolved, "a.png", "not absolute");
}

TEST(ImageProvider, TheMemoryCacheAnswersRepeatsWithoutAnotherRequest) {
    // 100 x 100 pictures: 40,000 decoded bytes each.
    const std::string red = test_support::encodeJPEG(100, 100, [](int, int) { return 0xFF0000u; });
    const std::string blue = test_support::encodeJPEG(100, 100, [](int, int) { return 0x0000FFu; });
    std::atomic<int> redRequests{0};
    std::atomic<int> blueRequests{0};
    std::atomic<int> flakyRequests{0};
    test_support::LoopbackServer server;
    server.routes().Get("/red.jpg", [&](const httplib::Request&, httplib::Response& res) {
        ++redRequests;
        res.set_content(red, "image/jpeg");
    });
    server.routes().Get("/blue.jpg", [&](const httplib::Request&, httplib::Response& res) {
        ++blueRequests;
        res.set_content(blue, "image/jpeg");
    });
    server.routes().Get("/flaky.jpg", [&](const httplib::Request&, httplib::Response& res) {
        ++flakyRequests;
        res.status = 404;
    });
    server.start();
    const std::string redURL = server.url("/red.jpg");
    const std::string blueURL = server.url("/blue.jpg");

    // Room for one picture only.
    ImageProviderOptions options;
    options.memoryCacheBytes = 50'000;
    auto provider = ImageProvider::create(options);

    ImageRequest first = requestImage(*provider, redURL);
    ASSERT_TRUE(waitFor(first));
    ASSERT_NE(first.outcome->image, nullptr);
    EXPECT_EQ(provider->statistics().cachedBytes, 40'000u);

    ImageRequest again = requestImage(*provider, redURL);
    EXPECT_FALSE(again.completed()); // cache hits arrive asynchronously too
    ASSERT_TRUE(waitFor(again));
    EXPECT_EQ(again.outcome->image, first.outcome->image);
    EXPECT_TRUE(again.outcome->onMainThread);
    EXPECT_EQ(redRequests.load(), 1);
    EXPECT_EQ(provider->statistics().cacheHits, 1u);
    EXPECT_EQ(provider->statistics().transfers, 1u);

    // The blue picture pushes the red one out; red is fetched again, and then blue is the one to go.
    ImageRequest blueLoad = requestImage(*provider, blueURL);
    ASSERT_TRUE(waitFor(blueLoad));
    EXPECT_EQ(provider->statistics().cachedImages, 1u);
    ImageRequest redAgain = requestImage(*provider, redURL);
    ASSERT_TRUE(waitFor(redAgain));
    ASSERT_NE(redAgain.outcome->image, nullptr);
    EXPECT_NE(redAgain.outcome->image, first.outcome->image);
    EXPECT_EQ(redRequests.load(), 2);
    ImageRequest blueAgain = requestImage(*provider, blueURL);
    ASSERT_TRUE(waitFor(blueAgain));
    EXPECT_EQ(blueRequests.load(), 2);

    // Failures are not cached: a missing picture is asked for each time.
    ImageRequest flaky1 = requestImage(*provider, server.url("/flaky.jpg"));
    ASSERT_TRUE(waitFor(flaky1));
    ImageRequest flaky2 = requestImage(*provider, server.url("/flaky.jpg"));
    ASSERT_TRUE(waitFor(flaky2));
    EXPECT_TRUE(flaky2.outcome->error);
    EXPECT_EQ(flakyRequests.load(), 2);

    // clearMemoryCache empties it; a cache of size 0 keeps nothing.
    provider->clearMemoryCache();
    EXPECT_EQ(provider->statistics().cachedBytes, 0u);
    ImageProviderOptions noCache;
    noCache.memoryCacheBytes = 0;
    auto uncached = ImageProvider::create(noCache);
    ImageRequest u1 = requestImage(*uncached, blueURL);
    ASSERT_TRUE(waitFor(u1));
    ImageRequest u2 = requestImage(*uncached, blueURL);
    ASSERT_TRUE(waitFor(u2));
    EXPECT_NE(u2.outcome->image, nullptr);
    EXPECT_EQ(blueRequests.load(), 4);
    EXPECT_EQ(uncached->statistics().cachedImages, 0u);
}

TEST(ImageProvider, ConcurrentRequestsForOneURLShareOneTransfer) {
    const std::string png = test_support::encodePNG(4, 3, checker);
    test_support::Gate gate;
    std::atomic<int> requests{0};
    test_support::LoopbackServer server;
    server.routes().Get("/shared.png", [&](const httplib::Request&, httplib::Response& res) {
        ++requests;
        gate.pass();
        res.set_content(png, "image/png");
    });
    server.start();
    test_support::GateOpener openGate(gate);

    auto provider = ImageProvider::create();
    std::vector<ImageRequest> loads;
    for (int i = 0; i < 5; ++i) {
        loads.push_back(requestImage(*provider, server.url("/shared.png")));
    }
    // The transfer is held at the server until every request has joined it.
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return gate.inside() == 1; }));
    // One of the five gives up; the others still get the picture.
    loads[2].task->cancel();
    gate.release();
    std::vector<ImageRequest*> waiting = {&loads[0], &loads[1], &loads[3], &loads[4]};
    ASSERT_TRUE(waitFor(waiting));
    for (const ImageRequest* request : waiting) {
        ASSERT_NE(request->outcome->image, nullptr);
        EXPECT_EQ(request->outcome->image, loads[0].outcome->image);
    }
    expectChecker(*loads[0].outcome->image);
    EXPECT_EQ(loads[2].outcome->calls, 0);
    EXPECT_EQ(requests.load(), 1);
    EXPECT_EQ(provider->statistics().transfers, 1u);
    EXPECT_EQ(provider->statistics().coalesced, 4u);
    EXPECT_EQ(provider->progress().started, 5u);
    EXPECT_EQ(provider->progress().finished, 5u);
}

TEST(ImageProvider, ATaskLoadsOnePictureOnly) {
    const std::string png = test_support::encodePNG(4, 3, checker);
    TemporaryDirectory directory;
    const std::string url = "file://" + directory.write("a.png", png).string();
    auto provider = ImageProvider::create();

    ImageRequest first = requestImage(*provider, url);
    // Using the same task again is refused with an error of its own; the first load is unaffected.
    auto second = std::make_shared<test_support::ImageOutcome>();
    first.task->loadImageWithURL(*ui::URL::fromString(url), [second](auto image, auto error) {
        ++second->calls;
        second->image = image;
        second->error = error;
    });
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return first.completed() && second->calls > 0; }));
    EXPECT_NE(first.outcome->image, nullptr);
    EXPECT_EQ(second->image, nullptr);
    ASSERT_TRUE(second->error);
    EXPECT_NE(second->error->find("used before"), std::string::npos) << *second->error;

    // A task cancelled before it started never calls a completion, even once a load is asked of it.
    auto unused = provider->newImageDownloadTask();
    unused->cancel();
    bool called = false;
    unused->loadImageWithURL(*ui::URL::fromString(url), [&](auto, auto) { called = true; });
    ImageRequest marker = requestImage(*provider, url);
    ASSERT_TRUE(waitFor(marker));
    EXPECT_FALSE(called);
    // Cancelling a finished task changes nothing.
    first.task->cancel();
    EXPECT_EQ(first.outcome->calls, 1);
    EXPECT_EQ(provider->progress().started, provider->progress().finished);
}

} // namespace kivo::net
