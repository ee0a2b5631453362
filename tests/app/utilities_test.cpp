#include "app/utilities.h"
#include "platform/headless/headless.h"
#include "support/gl_context.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

TEST(RandomTest, DrawsCoverFifteenBitsAndRepeatForASeed) {
    SeedRandom(7);
    std::set<int> seen;
    int low = RandomDrawMax, high = 0;
    for (int i = 0; i < 200000; ++i) {
        const int r = RandomDraw();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, RandomDrawMax);
        low = std::min(low, r);
        high = std::max(high, r);
        seen.insert(r);
    }
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, RandomDrawMax);
    EXPECT_GT(seen.size(), 32000u);

    SeedRandom(99);
    const int a = RandomDraw(), b = RandomDraw();
    SeedRandom(99);
    EXPECT_EQ(RandomDraw(), a);
    EXPECT_EQ(RandomDraw(), b);
}

TEST(RandomTest, SignedDrawSpansExactlyMinusOneToOne) {
    EXPECT_EQ(RandomSignedOf(0), 1.0f);
    EXPECT_NEAR(RandomSignedOf(RandomDrawMax), -1.0f, 1e-6f);
    EXPECT_GE(RandomSignedOf(RandomDrawMax), -1.0f);
    SeedRandom(3);
    for (int i = 0; i < 100000; ++i) {
        const float s = RandomSigned();
        ASSERT_GE(s, -1.0f);
        ASSERT_LE(s, 1.0f);
    }
}

TEST(RandomTest, IndexStaysBelowNIncludingTheTopDraw) {
    EXPECT_EQ(RandomIndexOf(4, RandomDrawMax), 3);
    EXPECT_EQ(RandomIndexOf(4, 0), 0);
    EXPECT_EQ(RandomIndexOf(4, RandomDrawMax - 1), 3);
    EXPECT_EQ(RandomIndexOf(1024, RandomDrawMax), 1023);
    EXPECT_EQ(RandomIndexOf(100000, RandomDrawMax), 99999) << "a large n does not overflow";
    for (int r = 0; r <= RandomDrawMax; ++r) ASSERT_EQ(RandomIndexOf(1, r), 0);

    SeedRandom(5);
    int counts[4] = {};
    for (int i = 0; i < 40000; ++i) {
        const int index = RandomIndex(4);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, 4);
        ++counts[index];
    }
    for (int count : counts) EXPECT_GT(count, 9000);
}

TEST(FloorTest, RoundsTowardMinusInfinity) {
    EXPECT_EQ(Floor(2.5f), 2.0);
    EXPECT_EQ(Floor(-2.5f), -3.0);
    EXPECT_EQ(Floor(-0.0f), 0.0);
    EXPECT_EQ(Floor(3.0f), 3.0);
    EXPECT_EQ(Floor(-1e-7f), -1.0);
}

TEST(ShowMessageTest, FormatsTheNonFatalBoxAndCutsOverlongText) {
    ResetProgramState();
    ShowMessage("Could not open file:", "rock.a3f");
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 1u);
    const auto& box = platform::headless::MessageBoxes()[0];
    EXPECT_EQ(box.text, "Could not open file: rock.a3f The application will continue.");
    EXPECT_EQ(box.caption, "ERROR");
    EXPECT_EQ(box.icon, platform::MessageIcon::Information);
    EXPECT_FALSE(box.ownedByWindow);

    const std::string detail(2000, 'z');
    ShowMessage("Bad model:", detail.c_str());
    const std::string& cut = platform::headless::MessageBoxes()[1].text;
    EXPECT_EQ(cut.size(), MessageCapacity - 1);
    EXPECT_EQ(cut.rfind("Bad model: zzz", 0), 0u);
}

}  // namespace
