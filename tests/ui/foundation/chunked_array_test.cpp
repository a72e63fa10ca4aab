#include "ui/foundation/chunked_array.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using ui::detail::ChunkedArray;

// Counts live instances, so that every element made is seen destroyed exactly once.
struct Tracked {
    static inline int live = 0;
    explicit Tracked(int v) : value(std::make_unique<int>(v)) { ++live; }
    Tracked(Tracked&& other) noexcept : value(std::move(other.value)) { ++live; }
    Tracked& operator=(Tracked&& other) noexcept = default;
    ~Tracked() { --live; }
    std::unique_ptr<int> value;
};

TEST(ChunkedArray, GrowsAcrossChunksWithoutMovingElementsAndReusesChunksAfterClear) {
    constexpr std::size_t count = ChunkedArray<std::string>::kPerChunk * 3 + 5;
    ChunkedArray<std::string> strings;
    std::vector<const std::string*> addresses;
    for (std::size_t i = 0; i < count; ++i) {
        strings.emplace_back("item " + std::to_string(i));
        addresses.push_back(&strings[i]);
    }
    ASSERT_EQ(strings.size(), count);
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(&strings[i], addresses[i]) << "element " << i << " moved";
        EXPECT_EQ(strings[i], "item " + std::to_string(i));
    }
    std::size_t visited = 0;
    for (const std::string& s : strings)
        EXPECT_EQ(s, "item " + std::to_string(visited++));
    EXPECT_EQ(visited, count);

    strings.clear();
    EXPECT_TRUE(strings.empty());
    EXPECT_EQ(strings.begin(), strings.end());
    strings.push_back("again");
    EXPECT_EQ(strings.size(), 1u);
    EXPECT_EQ(strings[0], "again");
    EXPECT_EQ(&strings[0], addresses[0]); // the first chunk was kept
}

TEST(ChunkedArray, DestroysEveryElementOnceThroughClearMoveAndDestruction) {
    Tracked::live = 0;
    {
        ChunkedArray<Tracked> a;
        for (int i = 0; i < static_cast<int>(ChunkedArray<Tracked>::kPerChunk) + 3; ++i)
            a.emplace_back(i);
        EXPECT_EQ(Tracked::live, static_cast<int>(a.size()));
        a.clear();
        EXPECT_EQ(Tracked::live, 0);
        for (int i = 0; i < 10; ++i)
            a.emplace_back(i);

        ChunkedArray<Tracked> b(std::move(a));
        EXPECT_EQ(a.size(), 0u);
        ASSERT_EQ(b.size(), 10u);
        EXPECT_EQ(*b[9].value, 9);
        EXPECT_EQ(Tracked::live, 10);

        ChunkedArray<Tracked> c;
        c.emplace_back(42);
        c = std::move(b);
        EXPECT_EQ(Tracked::live, 10); // c's own element went
        EXPECT_EQ(*c[0].value, 0);
        a.emplace_back(7); // a moved-from array is empty and usable
        EXPECT_EQ(*a[0].value, 7);
        EXPECT_EQ(Tracked::live, 11);
    }
    EXPECT_EQ(Tracked::live, 0);
}

} // namespace
