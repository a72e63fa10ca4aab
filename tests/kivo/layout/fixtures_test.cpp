// Layout fixtures: each document under tests/fixtures/layout says, in its leading comment, the window width
// it is laid out at and the frames its elements must get, or the error it must be refused with.
//
//   width 390
//   expect PATH X Y WIDTH HEIGHT     PATH: "." for the body's content, "0.2" for its first child's third
//   error MESSAGE                    child; frames in the content view's coordinates

#include "support/document_host.h"
#include "ui/runloop/hang_guard.h"

#include <kivo/layout/layout_manager.h>
#include <kivo/model/body_elements.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace kivo;

namespace {

struct Expectation {
    std::string path;
    ui::Rect frame;
};

struct Fixture {
    std::string markup;
    double width = 390;
    std::vector<Expectation> frames;
    std::optional<std::string> error;
};

Fixture readFixture(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream all;
    all << in.rdbuf();
    Fixture fixture;
    fixture.markup = all.str();
    const auto begin = fixture.markup.find("<!--");
    const auto end = fixture.markup.find("-->");
    std::istringstream comment(fixture.markup.substr(begin + 4, end - begin - 4));
    std::string line;
    while (std::getline(comment, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "width") {
            words >> fixture.width;
        } else if (keyword == "expect") {
            Expectation e;
            double x = 0, y = 0, w = 0, h = 0;
            words >> e.path >> x >> y >> w >> h;
            e.frame = ui::Rect(x, y, w, h);
            fixture.frames.push_back(e);
        } else if (keyword == "error") {
            std::string rest;
            std::getline(words >> std::ws, rest);
            fixture.error = rest;
        }
    }
    return fixture;
}

// The element at `path` below the content element.
UIElement elementAt(const UIElement& content, const std::string& path) {
    UIElement element = content;
    if (path == ".") {
        return element;
    }
    std::istringstream steps(path);
    std::string step;
    while (std::getline(steps, step, '.')) {
        const auto* linear = std::get_if<std::shared_ptr<LinearLayoutElement>>(&element);
        const auto* flexbox = std::get_if<std::shared_ptr<FlexboxElement>>(&element);
        const auto& children = linear ? (*linear)->content() : (*flexbox)->content();
        element = children.at(std::stoul(step));
    }
    return element;
}

class LayoutFixture : public ::testing::TestWithParam<std::string> {};

} // namespace

TEST_P(LayoutFixture, ProducesItsFrames) {
    const Fixture fixture = readFixture(std::filesystem::path(KIVO_SOURCE_DIR) / "tests/fixtures/layout" /
                                        (GetParam() + ".kivo"));
    ASSERT_TRUE(!fixture.frames.empty() || fixture.error) << "the fixture expects nothing";

    test_support::DocumentHost host(ui::Size(fixture.width, 844));
    bool completed = false;
    std::shared_ptr<KIVODocumentElement> document;
    std::optional<Error> error;
    host.manager->renderBody(fixture.markup, nullptr, nullptr, nullptr,
                             [&](std::shared_ptr<KIVODocumentElement> d, std::optional<Error> e) {
                                 completed = true;
                                 document = std::move(d);
                                 error = std::move(e);
                             });
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return completed; }));

    if (fixture.error) {
        ASSERT_TRUE(error) << "the document was accepted";
        EXPECT_EQ(error->message(), *fixture.error);
        return;
    }
    ASSERT_FALSE(error) << error->message();
    host.window->layoutIfNeeded();
    const auto contentView = baseElement(document->content())->view();
    ASSERT_TRUE(contentView);
    EXPECT_EQ(host.window->refusedConstraintCount(), 0u);
    for (const Expectation& e : fixture.frames) {
        const auto view = baseElement(elementAt(document->content(), e.path))->view();
        ASSERT_TRUE(view) << e.path;
        const ui::Rect frame = view->convertRectTo(view->bounds(), contentView.get());
        const ui::Rect origin = e.path == "." ? ui::Rect(ui::Point(), view->bounds().size) : frame;
        EXPECT_NEAR(origin.origin.x, e.frame.origin.x, 1e-6) << e.path;
        EXPECT_NEAR(origin.origin.y, e.frame.origin.y, 1e-6) << e.path;
        EXPECT_NEAR(frame.size.width, e.frame.size.width, 1e-6) << e.path;
        EXPECT_NEAR(frame.size.height, e.frame.size.height, 1e-6) << e.path;
    }
}

// Every document in the fixture folder, by name.
std::vector<std::string> fixtureNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(KIVO_SOURCE_DIR) /
                                                                 "tests/fixtures/layout")) {
        if (entry.path().extension() == ".kivo") {
            names.push_back(entry.path().stem().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, LayoutFixture, ::testing::ValuesIn(fixtureNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });
