#include "form1_stage.h"
#include "form1_design.h"
#include "icon_pixels.h"
#include "pictures.h"
#include "skin_state.h"

#include <cmath>

namespace {

constexpr char kHomePage[] = "https://qzone.qq.com/";
constexpr DWORD kCloseRed = 0xE04A3C; // the close highlight's face, in DIB order

class Form1Shell : public Form1Stage {
  protected:
    void SetUp() override { Open({}); } // nothing is asked or played

    // The addresses opened so far, waiting up to `ms` for `count` of them.
    std::vector<std::string> Opened(size_t count, DWORD ms = 5000) {
        std::vector<std::string> lines;
        PumpUntil(
            [&] {
                lines.clear();
                for (const auto& [at, address] : opened.Read())
                    lines.push_back(address);
                return lines.size() >= count;
            },
            ms);
        return lines;
    }

    bool Visible(const wchar_t* name) const {
        const DrawnControls& drawn = form->Drawn();
        for (size_t i = 0; i < drawn.size(); ++i)
            if (std::wstring(drawn[i].name) == name)
                return drawn[i].visible;
        ADD_FAILURE() << "no drawn control " << name;
        return false;
    }

    void Send(UINT msg, int x, int y) { SendMessageW(form->hwnd(), msg, 0, MAKELPARAM(x, y)); }

    OpenedPages opened;
};

// One window from loading to 退出: its shape, the skin, the painted frame's
// hover pictures, the buttons and areas that open the home page, minimise,
// and leaving.
TEST_F(Form1Shell, TheFramedWindowFromLoadToExit) {
    RECT client;
    GetClientRect(form->hwnd(), &client);
    EXPECT_EQ(client.right, 594);
    EXPECT_EQ(client.bottom, 328);
    EXPECT_EQ(GetWindowLongW(form->hwnd(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    // The background is keyed out once the first frame is drawn.
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    SendMessageW(form->hwnd(), WM_PAINT, 0, 0);
    ASSERT_TRUE(PumpUntil(
        [&] { return GetLayeredWindowAttributes(form->hwnd(), &key, &alpha, &flags); }, 2000));
    EXPECT_EQ(key, 0x00FF0000u);
    EXPECT_EQ(flags & LWA_COLORKEY, static_cast<DWORD>(LWA_COLORKEY));
    // The rounded corners' outside is cut from the window's shape, their border line kept.
    const UniqueRegion shape(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(form->hwnd(), shape.get()), ERROR);
    EXPECT_FALSE(PtInRegion(shape.get(), 0, 0) || PtInRegion(shape.get(), 1, 1));
    EXPECT_TRUE(PtInRegion(shape.get(), 0, 5) && PtInRegion(shape.get(), 5, 0) &&
                PtInRegion(shape.get(), 593, 322));
    for (HWND sunken : {form->QQ(), form->ListView1()})
        EXPECT_TRUE(GetWindowLongW(sunken, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    // Loaded, the window hands itself and every control to the skin.
    int descendants = 0;
    EnumChildWindows(
        form->hwnd(), [](HWND, LPARAM n) { return ++*reinterpret_cast<int*>(n), TRUE; },
        reinterpret_cast<LPARAM>(&descendants));
    EXPECT_EQ(skin::SkinnedWindowCount, descendants + 1);
    const HWND header = ListView_GetHeader(form->ListView1());
    for (HWND control : {form->Command1(), form->Command2(), form->Command3(), form->Command4(),
                         form->QQ(), header, form->hwnd()})
        EXPECT_NE(GetPropW(control, L"PROCADDR"), nullptr);

    // Mouse moves over the painted frame, one row per move: which of the
    // close and minimise pictures and hot areas show afterwards.
    const struct {
        const char* over;
        int x, y;
        bool MI, CL, Label5, Label6;
    } moves[] = {
        {"the background", 300, 60, false, false, true, true},
        {"the minimise area", 520, 8, true, false, false, true},
        {"the painted maximise button", 549, 8, false, false, true, true},
        {"the close area", 575, 8, false, true, true, false},
        {"the title strip", 200, 10, false, false, true, true},
        {"the close area again", 575, 8, false, true, true, false},
        {"the minimise area straight from it", 520, 8, true, true, false, false},
        {"the background again", 300, 200, false, false, true, true},
    };
    // The close highlight's red shows exactly while it is visible.
    auto closeRedShown = [&] {
        void* bits = nullptr;
        const UniqueBitmap dib = CreateTopDownDib(client.right, client.bottom, &bits);
        const UniqueHdc dc(CreateCompatibleDC(nullptr));
        const SelectGuard use(dc.get(), dib.get());
        form->Drawn().Paint(dc.get(), client, static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
        GdiFlush();
        const auto* pixel = static_cast<const DWORD*>(bits);
        return std::count(pixel, pixel + client.right * client.bottom, kCloseRed) > 0;
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.over);
        Send(WM_MOUSEMOVE, m.x, m.y);
        EXPECT_EQ(Visible(L"MI"), m.MI);
        EXPECT_EQ(Visible(L"CL"), m.CL);
        EXPECT_EQ(closeRedShown(), m.CL);
        EXPECT_EQ(Visible(L"Label5"), m.Label5);
        EXPECT_EQ(Visible(L"Label6"), m.Label6);
    }

    // 关于 and a click on the bottom strip open the home page; a button
    // pressed or released elsewhere is no click.
    SendMessageW(form->Command4(), BM_CLICK, 0, 0);
    Send(WM_LBUTTONDOWN, 300, 316);
    Send(WM_LBUTTONUP, 300, 316);
    Send(WM_LBUTTONDOWN, 300, 316);
    Send(WM_LBUTTONUP, 300, 60);
    Send(WM_LBUTTONDOWN, 300, 60);
    Send(WM_LBUTTONUP, 300, 316);
    EXPECT_EQ(Opened(2), std::vector<std::string>(2, kHomePage));
    PumpFor(300);
    EXPECT_EQ(Opened(3, 0).size(), 2u);
    EXPECT_TRUE(IsWindow(form->hwnd()));

    Send(WM_MOUSEMOVE, 520, 8);
    Send(WM_LBUTTONDOWN, 520, 8);
    EXPECT_TRUE(IsIconic(form->hwnd()));

    // 退出 opens the home page and closes without a question; the skin lets
    // go of the window, and with the last skinned window its images go.
    SendMessageW(form->Command3(), BM_CLICK, 0, 0);
    EXPECT_EQ(form->hwnd(), nullptr);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(skin::SkinnedWindowCount, 0);
    EXPECT_FALSE(skin::SkinImagesReady);
    EXPECT_FALSE(skin::ButtonSkin);
    EXPECT_EQ(Opened(3), std::vector<std::string>(3, kHomePage));
}

// Pure blue is the window's colour key: the pictures may use it only in the
// rounded-off corners and beyond the client area, where the window is meant
// to be see-through. At every scale they are drawn, not stretched: the
// window's border stays one solid colour.
TEST(Pictures, AreNeverPureBlueWhereTheWindowShowsAndStaySolidAtEveryScale) {
    using namespace form1_design;
    constexpr DWORD kBorder = 0x4F8FCB; // in DIB order
    for (const UINT dpi : {96u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        const int W = Scaled(600, dpi), H = Px(kClient.height, dpi);
        const int visibleWidth = Px(kClient.width, dpi), radius = Scaled(6, dpi);
        void* bits = nullptr;
        const UniqueBitmap bitmap = CreateTopDownDib(W, H, &bits);
        UniqueHdc dc(CreateCompatibleDC(nullptr));
        ASSERT_TRUE(bitmap && dc);
        const SelectGuard use(dc.get(), bitmap.get());
        auto at = [&](int x, int y) { return static_cast<const DWORD*>(bits)[y * W + x] & 0xFFFFFF; };
        const struct {
            void (*draw)(HDC, const RECT&, UINT);
            Placement place;
        } pictures[] = {
            {pictures::DrawBackground, kImage1Place},
            {pictures::DrawBottomStrip, kImage3Place},
            {pictures::DrawIconPicture, kImage2Place},
            {pictures::DrawMinimiseHighlight, kMIPlace},
            {pictures::DrawCloseHighlight, kCLPlace},
        };
        for (const auto& p : pictures) {
            const RECT box = PixelRect(p.place, dpi);
            p.draw(dc.get(), box, dpi);
            GdiFlush();
            for (int y = box.top; y < std::min<int>(box.bottom, H); ++y)
                for (int x = box.left; x < std::min<int>(box.right, visibleWidth); ++x) {
                    const int cx = std::clamp(x, radius, visibleWidth - 1 - radius);
                    const int cy = std::clamp(y, radius, H - 1 - radius);
                    const bool inCorner = std::hypot(x - cx, y - cy) > radius - 0.5 - dpi / 96.0;
                    if (at(x, y) == 0x0000FF && !inCorner) // pure blue in DIB order
                        FAIL() << "pure blue at " << x << "," << y;
                }
            for (int y = Scaled(30, dpi); p.draw == pictures::DrawBackground && y < Scaled(300, dpi);
                 ++y)
                ASSERT_EQ(at(0, y) * 0x1000000ull + at(visibleWidth - 1, y),
                          kBorder * 0x1000000ull + kBorder)
                    << "the border at row " << y;
            // The bottom strip's top line runs between its borders; the close
            // highlight's red face reaches the window's edge.
            for (int x = Scaled(1, dpi); p.draw == pictures::DrawBottomStrip &&
                                         x < visibleWidth - Scaled(1, dpi);
                 ++x)
                ASSERT_EQ(at(x, box.top), 0x9AC3E9u) << "the strip's line at " << x;
            if (p.draw == pictures::DrawCloseHighlight) {
                EXPECT_EQ(at(visibleWidth - 1, (box.top + box.bottom) / 2), kCloseRed);
            }
        }
    }
    EXPECT_EQ(Scaled(99, 120), 124) << "to the nearest pixel";
    EXPECT_EQ(Scaled(7, 144), 11);
    const std::vector<std::uint32_t> icon = IconPixels(47);
    EXPECT_EQ(icon.front() >> 24, 0u) << "the icon's corners are transparent";
    EXPECT_EQ(icon[23 * 47 + 10] >> 24, 255u);
}

} // namespace
