#include <kivo/base/item_id.h>

#include <gtest/gtest.h>

#include <unordered_set>

namespace kivo {
namespace {

TEST(ItemID, ComparedAndHashedByValue) {
    const KIVOItemID a("9", KIVOSource::offer);
    EXPECT_EQ(a, KIVOItemID("9", KIVOSource::offer));
    EXPECT_NE(a, KIVOItemID("9", KIVOSource::coupon));
    EXPECT_NE(a, KIVOItemID("09", KIVOSource::offer));
    EXPECT_EQ(std::hash<KIVOItemID>{}(a), std::hash<KIVOItemID>{}(KIVOItemID("9", KIVOSource::offer)));

    const std::unordered_set<KIVOItemID> set = {a, KIVOItemID("9", KIVOSource::offer),
                                                KIVOItemID("9", KIVOSource::flyer)};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(a.description(), "KIVOItemID(sourceID: 9, source: offer)");
    EXPECT_EQ(KIVOItemID("x", KIVOSource::ecomSearch).description(),
              "KIVOItemID(sourceID: x, source: ecom-search)");
}

} // namespace
} // namespace kivo
