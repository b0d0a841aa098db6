#include "form1_stage.h"
#include "window_text.h"

#include <array>

namespace {

// What of the window depends on its scale, in client pixels: its size, every
// control's rectangle, the fonts' heights, the drawn labels' and hot areas'
// rectangles and the table's column widths.
struct Layout {
    SIZE client;
    std::vector<RECT> controls;
    std::vector<LONG> fontHeights; // QQ box, buttons
    std::vector<RECT> drawn;
    std::vector<int> columns;

    bool operator==(const Layout& o) const {
        auto same = [](const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; };
        return client.cx == o.client.cx && client.cy == o.client.cy &&
               std::equal(controls.begin(), controls.end(), o.controls.begin(), o.controls.end(),
                          same) &&
               fontHeights == o.fontHeights &&
               std::equal(drawn.begin(), drawn.end(), o.drawn.begin(), o.drawn.end(), same) &&
               columns == o.columns;
    }
};

RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LONG FontHeight(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

class Form1Dpi : public Form1Stage {
  protected:
    void SetUp() override { Serve(0, 0, {{L"/gone.mp3", L"晴天", L"周杰伦"}}); }

    void OpenAt(UINT dpi) {
        Open(outputs.Factory(), Settings(L""), {}, dpi);
        Query(1);
    }

    Layout Now() const {
        Layout now;
        RECT client;
        GetClientRect(form->hwnd(), &client);
        now.client = {client.right, client.bottom};
        for (HWND control : {form->QQ(), form->Command1(), form->Command2(), form->Command3(),
                             form->Command4(), form->ListView1()})
            now.controls.push_back(ChildRect(control));
        now.fontHeights = {FontHeight(form->QQ()), FontHeight(form->Command1())};
        for (size_t row = 0; row < form->Drawn().size(); ++row)
            now.drawn.push_back(form->Drawn().Area(row));
        for (int i = 0; i < 4; ++i)
            now.columns.push_back(ListView_GetColumnWidth(form->ListView1(), i));
        return now;
    }

    void MoveTo(UINT dpi) {
        RECT at;
        GetWindowRect(form->hwnd(), &at);
        SendMessageW(form->hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&at));
    }

    NullAudioOutputs outputs;
};

// The design in twips at 96, 120, 144 and 192 dpi: twips to pixels cut
// towards zero edge by edge, fonts in points, columns rounded half to even.
TEST_F(Form1Dpi, TheWindowIsLaidOutFromItsDesignAtEveryScale) {
    const struct {
        UINT dpi;
        SIZE client;
        RECT command1, table;
        LONG qqFont, buttonFont;
        RECT closeArea; // Label6, the hot area over the painted close button
        std::array<int, 4> columns;
    } rows[] = {
        {96, {594, 328}, {120, 32, 161, 57}, {8, 80, 593, 297}, -16, -12, {560, 0, 601, 17},
         {29, 98, 65, 344}},
        {120, {742, 410}, {150, 40, 201, 71}, {10, 100, 741, 371}, -20, -15, {700, 0, 751, 21},
         {37, 122, 81, 430}},
        {144, {891, 492}, {180, 48, 241, 85}, {12, 120, 889, 445}, -24, -18, {840, 0, 901, 25},
         {44, 146, 97, 516}},
        {192, {1188, 656}, {240, 64, 322, 114}, {16, 160, 1186, 594}, -32, -24, {1120, 0, 1202, 34},
         {58, 195, 130, 688}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.dpi);
        OpenAt(r.dpi);
        const Layout now = Now();
        EXPECT_EQ(now.client.cx * 10000 + now.client.cy, r.client.cx * 10000 + r.client.cy);
        EXPECT_TRUE(EqualRect(&now.controls[1], &r.command1));
        EXPECT_TRUE(EqualRect(&now.controls[5], &r.table));
        EXPECT_EQ(now.fontHeights, (std::vector<LONG>{r.qqFont, r.buttonFont}));
        EXPECT_EQ(now.columns, std::vector<int>(r.columns.begin(), r.columns.end()));
        // The close picture shows over its hot area, and only there.
        SendMessageW(form->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(r.closeArea.left + 1, 2));
        EXPECT_TRUE(form->Drawn()[6].visible) << "CL";
        SendMessageW(form->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(r.closeArea.left - 2, 2));
        EXPECT_FALSE(form->Drawn()[6].visible) << "CL";
        form.reset();
    }
}

// Moved to a screen of twice the scale and back: each time the layout a
// fresh start there has, and no GDI object is left behind.
TEST_F(Form1Dpi, MovingBetweenScalesLaysOutAsAFreshStartAndLeaksNothing) {
    OpenAt(192);
    const Layout at192 = Now();
    form.reset();
    OpenAt(96);
    const Layout at96 = Now();
    UpdateWindow(form->hwnd());
    MoveTo(192);
    MoveTo(96); // the pictures' caches and the skin's faces are made at both scales once
    const long held = gdi_tally::Held();
    for (int round = 0; round < 2; ++round) {
        MoveTo(192);
        UpdateWindow(form->hwnd());
        EXPECT_TRUE(Now() == at192) << round;
        EXPECT_EQ(form->Dpi(), 192u);
        MoveTo(96);
        UpdateWindow(form->hwnd());
        EXPECT_TRUE(Now() == at96) << round;
    }
    EXPECT_EQ(gdi_tally::Held(), held);
}

// At every scale each text fits where it is shown: the buttons' captions inside
// the skin's caption box (2 pixels in), the headings inside their columns and
// the labels' captions inside their designed boxes.
TEST_F(Form1Dpi, AtEveryScaleNoTextIsClipped) {
    for (const UINT dpi : {96u, 120u, 144u, 192u}) {
        SCOPED_TRACE(dpi);
        OpenAt(dpi);
        const UniqueHdc dc(CreateCompatibleDC(nullptr));
        auto extent = [&](HFONT font, const std::wstring& text) {
            const SelectGuard use(dc.get(), font);
            SIZE size{};
            GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
            return size;
        };
        for (HWND button : {form->Command1(), form->Command2(), form->Command3(), form->Command4()}) {
            RECT box;
            GetClientRect(button, &box);
            const SIZE text = extent(reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)),
                                     WindowText(button));
            EXPECT_LE(text.cx, box.right - 4) << WindowText(button);
            EXPECT_LE(text.cy, box.bottom - 4) << WindowText(button);
        }
        const HWND header = ListView_GetHeader(form->ListView1());
        const HFONT headerFont = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
        const wchar_t* headings[] = {L"编号", L"歌曲", L"歌手", L"地址"};
        for (int i = 0; i < 4; ++i)
            EXPECT_LE(extent(headerFont, headings[i]).cx,
                      ListView_GetColumnWidth(form->ListView1(), i) - 4)
                << i;
        // The captions 歌曲, 歌手 and 出处 in the label font, within their boxes
        // (the characters' ascent, as at 96 dpi the design leaves the cell's
        // leading below the box).
        TEXTMETRICW metrics{};
        {
            const SelectGuard use(dc.get(), form->LabelFont());
            GetTextMetricsW(dc.get(), &metrics);
        }
        for (const auto& place : {form1_design::kLabel1Place, form1_design::kLabel2Place,
                                  form1_design::kLabel4Place}) {
            const RECT box = form1_design::PixelRect(place, dpi);
            EXPECT_LE(extent(form->LabelFont(), L"歌曲").cx, box.right - box.left);
            EXPECT_LE(metrics.tmAscent, box.bottom - box.top);
        }
        form.reset();
    }
}

} // namespace
