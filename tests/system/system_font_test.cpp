// The real game's text font, looked up through fontconfig while another part
// of the process (the launcher's toolkit) still holds fontconfig's caches.
#include "platform/platform.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

namespace {

TEST(SystemFontTest, LookupLeavesFontconfigToItsOtherUsers) {
    ASSERT_TRUE(FcInit());
    FcPattern* any = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    ASSERT_NE(any, nullptr);
    FcConfigSubstitute(nullptr, any, FcMatchPattern);
    FcDefaultSubstitute(any);
    FcResult result = FcResultNoMatch;
    // A sorted set refers into the font caches, as the toolkit's open fonts do.
    FcFontSet* held = FcFontSort(nullptr, any, FcFalse, nullptr, &result);
    ASSERT_NE(held, nullptr);
    ASSERT_GT(held->nfont, 0);

    EXPECT_GT(platform::TextLineHeight(), 0);

    FcChar8* family = nullptr;
    EXPECT_EQ(FcPatternGetString(held->fonts[0], FC_FAMILY, 0, &family), FcResultMatch);
    EXPECT_NE(family, nullptr);
    FcFontSetDestroy(held);
    FcPatternDestroy(any);
}

}  // namespace
