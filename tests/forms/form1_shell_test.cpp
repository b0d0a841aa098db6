#include "form1.h"
#include "gui_test.h"
#include "icon_pixels.h"
#include "message_pump.h"
#include "pictures.h"
#include "skin_state.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr char kHomePage[] = "https://qzone.qq.com/";

// The fake xdg-open on PATH writes each address Wine's browser hands it to a
// list beside the Wine prefix; the tests that open pages run one at a time.
// The window is never shown: Wine's X11 driver takes two seconds to take a
// shown window down, and nothing here depends on it being seen.
class Form1Shell : public testing::Test {
  protected:
    static void SetUpTestSuite() { InitGuiTestThread(); }

    void SetUp() override {
        log_ = "Z:" + std::string(getenv("WINEPREFIX") ? getenv("WINEPREFIX") : "/tmp") +
               "/qzm-opened.log";
        std::remove(log_.c_str());
        form = std::make_unique<Form1>(L"http://127.0.0.1:9"); // nothing is asked or played
        form->SetMessageBox(RecordMessages(shown));
        ASSERT_TRUE(form->Create());
    }

    // The addresses opened so far, waiting up to `ms` for `count` of them.
    std::vector<std::string> Opened(size_t count, DWORD ms = 5000) {
        std::vector<std::string> lines;
        PumpUntil(
            [&] {
                lines.clear();
                std::ifstream in(log_);
                for (std::string line; std::getline(in, line);)
                    lines.push_back(line.substr(line.find(' ') + 1));
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

    std::unique_ptr<Form1> form;
    std::vector<ShownMessage> shown;
    std::string log_;
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
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(form->hwnd(), &key, &alpha, &flags));
    EXPECT_EQ(key, 0x00FF0000u);
    EXPECT_EQ(flags & LWA_COLORKEY, static_cast<DWORD>(LWA_COLORKEY));
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
    for (const auto& m : moves) {
        SCOPED_TRACE(m.over);
        Send(WM_MOUSEMOVE, m.x, m.y);
        EXPECT_EQ(Visible(L"MI"), m.MI);
        EXPECT_EQ(Visible(L"CL"), m.CL);
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
// to be see-through.
TEST(Pictures, AreNeverPureBlueWhereTheWindowShows) {
    constexpr int W = 598, H = 328, kVisibleWidth = 594, kRadius = 6;
    void* bits = nullptr;
    const UniqueBitmap bitmap = CreateTopDownDib(W, H, &bits);
    UniqueHdc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(bitmap && dc);
    const SelectGuard use(dc.get(), bitmap.get());
    const struct {
        void (*draw)(HDC, const RECT&);
        RECT box;
    } pictures[] = {
        {pictures::DrawBackground, {0, 0, 598, 323}},
        {pictures::DrawBottomStrip, {0, 304, 598, 328}},
        {pictures::DrawIconPicture, {3, 3, 23, 23}},
        {pictures::DrawMinimiseHighlight, {512, 0, 538, 17}},
        {pictures::DrawCloseHighlight, {561, 0, 599, 17}},
    };
    for (const auto& p : pictures) {
        p.draw(dc.get(), p.box);
        GdiFlush();
        for (int y = p.box.top; y < std::min<int>(p.box.bottom, H); ++y)
            for (int x = p.box.left; x < std::min<int>(p.box.right, kVisibleWidth); ++x) {
                const DWORD pixel = static_cast<const DWORD*>(bits)[y * W + x] & 0xFFFFFF;
                const int cx = std::clamp(x, kRadius, kVisibleWidth - 1 - kRadius);
                const int cy = std::clamp(y, kRadius, H - 1 - kRadius);
                const bool inCorner = std::hypot(x - cx, y - cy) > kRadius - 1.5;
                if (pixel == 0x0000FF && !inCorner) // pure blue in DIB order
                    FAIL() << "pure blue at " << x << "," << y;
            }
    }
    const std::vector<std::uint32_t> icon = IconPixels(47);
    EXPECT_EQ(icon.front() >> 24, 0u) << "the icon's corners are transparent";
    EXPECT_EQ(icon[23 * 47 + 10] >> 24, 255u);
}

} // namespace
