#include "skin_props.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

namespace {

using skin::SkinProp;

// Other code finds the skin's state under these names (GetPropW on the window); every
// pointer-sized value comes back whole; never set, set to 0 and removed read alike, and
// a removal answers the value it took away.
TEST(SkinProps, PointerSizedValuesUnderTheirNamesAndAbsentReadsAsZero) {
    const skin_test::Control window(skin_test::Insets{});
    const HWND w = window.get();
    ASSERT_TRUE(w);
    EXPECT_EQ(skin::GetSkinProp(w, SkinProp::HDINDEX), 0);
    const std::pair<SkinProp, const wchar_t*> named[] = {{SkinProp::PROCADDR, L"PROCADDR"},
                                                         {skin::StateSurfaceProp(0), L"0HDC"},
                                                         {skin::StateBitmapProp(3), L"3BMP"}};
    for (const auto& [prop, name] : named) {
        ASSERT_TRUE(skin::SetSkinProp(w, prop, 7));
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(GetPropW(w, name)), 7) << static_cast<int>(prop);
        EXPECT_EQ(skin::RemoveSkinProp(w, prop), 7);
        EXPECT_EQ(GetPropW(w, name), nullptr);
    }
    for (const std::intptr_t v : {std::intptr_t{-1}, std::intptr_t{0}, INTPTR_MAX, INTPTR_MIN,
                                  static_cast<std::intptr_t>(0x1234567890ABCDEFll)}) {
        ASSERT_TRUE(skin::SetSkinProp(w, SkinProp::HMINDEX, v));
        EXPECT_EQ(skin::GetSkinProp(w, SkinProp::HMINDEX), v);
    }
    skin::SetSkinProp(w, SkinProp::HDINDEX, -1);
    EXPECT_EQ(skin::RemoveSkinProp(w, SkinProp::HDINDEX), -1);
    EXPECT_EQ(skin::GetSkinProp(w, SkinProp::HDINDEX), 0);
    EXPECT_EQ(skin::RemoveSkinProp(w, SkinProp::HDINDEX), 0);
}

} // namespace
