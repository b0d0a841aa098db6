#include "skin_props.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

namespace {

using skin::SkinProp;

// Other code finds the skin's state by these names (GetPropW on the window).
TEST(SkinProps, StoreUnderTheirUpperCaseNames) {
    const skin_test::TestWindow window;
    ASSERT_TRUE(window.get());
    const std::pair<SkinProp, const wchar_t*> named[] = {
        {SkinProp::PROCADDR, L"PROCADDR"},
        {skin::StateSurfaceProp(0), L"0HDC"},
        {skin::StateBitmapProp(3), L"3BMP"},
    };
    for (const auto& [prop, name] : named) {
        ASSERT_TRUE(skin::SetSkinProp(window.get(), prop, 7));
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(GetPropW(window.get(), name)), 7);
        skin::RemoveSkinProp(window.get(), prop);
    }
}

TEST(SkinProps, PointerSizedValuesRoundTripAndAbsentReadsAsZero) {
    const skin_test::TestWindow window;
    ASSERT_TRUE(window.get());
    EXPECT_EQ(skin::GetSkinProp(window.get(), SkinProp::HDINDEX), 0); // never set

    const std::intptr_t values[] = {
        -1, 0, 1, INTPTR_MAX, INTPTR_MIN, static_cast<std::intptr_t>(0x1234567890ABCDEFll)};
    for (const std::intptr_t v : values) {
        ASSERT_TRUE(skin::SetSkinProp(window.get(), SkinProp::HMINDEX, v));
        EXPECT_EQ(skin::GetSkinProp(window.get(), SkinProp::HMINDEX), v);
    }
    // Set to 0 and never set read alike; removal answers the value and leaves 0.
    skin::SetSkinProp(window.get(), SkinProp::HDINDEX, -1);
    EXPECT_EQ(skin::RemoveSkinProp(window.get(), SkinProp::HDINDEX), -1);
    EXPECT_EQ(skin::GetSkinProp(window.get(), SkinProp::HDINDEX), 0);
    EXPECT_EQ(GetPropW(window.get(), L"HDINDEX"), nullptr);
    EXPECT_EQ(skin::RemoveSkinProp(window.get(), SkinProp::HDINDEX), 0);

    const WNDPROC proc = DefWindowProcW;
    skin::SetSkinPropAs(window.get(), SkinProp::PROCADDR, proc);
    EXPECT_EQ(skin::GetSkinPropAs<WNDPROC>(window.get(), SkinProp::PROCADDR), proc);
    skin::RemoveSkinProp(window.get(), SkinProp::PROCADDR);
    skin::RemoveSkinProp(window.get(), SkinProp::HMINDEX);
}

} // namespace
