#include <ui/foundation/url.h>

#include <gtest/gtest.h>

#include <unordered_set>

namespace ui {
namespace {

TEST(URL, AcceptsURIReferencesOnly) {
    for (const char* text :
         {"images/milk.png", "https://cdn.example.com/a.png?w=200#top", "file:///tmp/a%20b.png", "../b.png",
          "/root/relative", "mailto:deals@example.com", "#fragment", "a%C3%A9.png"}) {
        const auto url = URL::fromString(text);
        ASSERT_TRUE(url.has_value()) << text;
        EXPECT_EQ(url->string(), text);
    }
    for (const char* text : {"", " ", "a b", " https://x/a.png", "https://x/a.png ", "caf\xC3\xA9.png", "a|b",
                             "a\"b", "a{b}", "a^b", "a\\b", "a<b>", "https://x/%zz", "http://[::1"}) {
        EXPECT_EQ(URL::fromString(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(URL, PartsOfAbsoluteAndRelativeURLs) {
    const URL absolute = *URL::fromString("HTTPS://cdn.example.com/img/a%20b.png?x=1");
    EXPECT_EQ(absolute.scheme(), "https");
    EXPECT_TRUE(absolute.isAbsolute());
    EXPECT_EQ(absolute.host(), "cdn.example.com");
    EXPECT_EQ(absolute.path(), "/img/a%20b.png");
    EXPECT_EQ(absolute.fileSystemPath(), std::nullopt);

    const URL relative = *URL::fromString("images/milk.png");
    EXPECT_EQ(relative.scheme(), "");
    EXPECT_FALSE(relative.isAbsolute());
    EXPECT_EQ(relative.host(), "");
    EXPECT_EQ(relative.path(), "images/milk.png");
    EXPECT_EQ(URL::fromString("/a/b")->path(), "/a/b");

    EXPECT_EQ(URL::fromString("file:///tmp/a%20b.png")->fileSystemPath(), "/tmp/a b.png");
    EXPECT_EQ(URL::fromString("images/milk.png")->fileSystemPath(), std::nullopt);
}

TEST(URL, ResolvesAgainstAnAbsoluteBase) {
    const URL base = *URL::fromString("https://x/a/c.kivo");
    const auto resolve = [&](const char* text) { return URL::fromString(text)->resolvedAgainst(base); };
    EXPECT_EQ(resolve("../b.png"), URL::fromString("https://x/b.png"));
    EXPECT_EQ(resolve("b.png"), URL::fromString("https://x/a/b.png"));
    EXPECT_EQ(resolve("/root.png"), URL::fromString("https://x/root.png"));
    EXPECT_EQ(resolve("//cdn.example.com/p.png"), URL::fromString("https://cdn.example.com/p.png"));
    EXPECT_EQ(resolve("https://other/p.png"), URL::fromString("https://other/p.png"));
    // A relative base resolves nothing.
    EXPECT_EQ(URL::fromString("b.png")->resolvedAgainst(*URL::fromString("a/c.kivo")), std::nullopt);
}

TEST(URL, ComparedAndHashedByText) {
    EXPECT_EQ(URL::fromString("a.png"), URL::fromString("a.png"));
    EXPECT_NE(URL::fromString("a.png"), URL::fromString("./a.png"));
    EXPECT_LT(*URL::fromString("a.png"), *URL::fromString("b.png"));
    const std::unordered_set<URL> set = {*URL::fromString("a.png"), *URL::fromString("a.png"),
                                         *URL::fromString("b.png")};
    EXPECT_EQ(set.size(), 2u);
}

} // namespace
} // namespace ui
