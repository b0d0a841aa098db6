#include "skin_props.h"
#include "skin_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using skin::SkinProp;

TEST(SkinProps, StoreUnderTheUpperCaseNamesOfTheRegistry) {
    const wchar_t* names[] = {L"PROCADDR", L"OLDSTATE",   L"OLDSTYLE", L"MOUSEFLAG",
                              L"TIMERID",  L"ALPHALEVEL", L"HDINDEX",  L"HMINDEX",
                              L"0HDC",     L"1HDC",       L"2HDC",     L"3HDC",
                              L"0BMP",     L"1BMP",       L"2BMP",     L"3BMP"};
    const skin_test::TestWindow window;
    ASSERT_TRUE(window.get());
    for (int i = 0; i < skin::kSkinPropCount; ++i) {
        const auto prop = static_cast<SkinProp>(i);
        ASSERT_TRUE(skin::SetSkinProp(window.get(), prop, 100 + i));
        // Read back with the plain system call under the registry's name.
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(GetPropW(window.get(), names[i])), 100 + i)
            << std::wstring(names[i]).size();
    }
    for (int state = 0; state < 4; ++state) {
        EXPECT_EQ(std::wstring(skin::SkinPropName(skin::StateSurfaceProp(state))),
                  std::to_wstring(state) + L"HDC");
        EXPECT_EQ(std::wstring(skin::SkinPropName(skin::StateBitmapProp(state))),
                  std::to_wstring(state) + L"BMP");
    }
    for (int i = 0; i < skin::kSkinPropCount; ++i)
        skin::RemoveSkinProp(window.get(), static_cast<SkinProp>(i));
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
