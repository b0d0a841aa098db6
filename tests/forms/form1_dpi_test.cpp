#include "form1_stage.h"

namespace {

class Form1Dpi : public Form1Stage {
  protected:
    void SetUp() override { Serve(0, 0, {{L"/gone.mp3", L"晴天", L"周杰伦"}}); }

    // A window at `dpi` with a song in its table and, once its first frame
    // is drawn, its buttons' tips.
    void OpenAt(UINT dpi) {
        Open(outputs.Factory(), Settings(L""), {}, dpi);
        Query(1);
        SendMessageW(form->hwnd(), WM_PAINT, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return form->ToolTips() != nullptr; }, 2000));
    }

    static long FontHeight(HWND control) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        return font.lfHeight;
    }

    // What depends on the scale, as numbers: the client size, each control's
    // rectangle, the QQ box's and the buttons' font heights, the column widths,
    // every drawn label's and hot area's rectangle, the table's and the tips'
    // font heights.
    std::vector<long> Layout() const {
        RECT r;
        GetClientRect(form->hwnd(), &r);
        std::vector<long> out{r.right, r.bottom};
        auto add = [&](const RECT& rc) { out.insert(out.end(), {rc.left, rc.top, rc.right, rc.bottom}); };
        for (HWND control : {form->Command1(), form->ListView1(), form->QQ(), form->Command2(),
                             form->Command3(), form->Command4()}) {
            GetWindowRect(control, &r);
            MapWindowPoints(nullptr, form->hwnd(), reinterpret_cast<POINT*>(&r), 2);
            add(r);
        }
        out.insert(out.end(), {FontHeight(form->QQ()), FontHeight(form->Command1())});
        for (int i = 0; i < 4; ++i)
            out.push_back(ListView_GetColumnWidth(form->ListView1(), i));
        for (size_t row = 0; row < form->Drawn().size(); ++row)
            add(form->Drawn().Area(row));
        out.insert(out.end(), {FontHeight(form->ListView1()), FontHeight(form->ToolTips())});
        return out;
    }

    void MoveTo(UINT dpi) {
        RECT at;
        GetWindowRect(form->hwnd(), &at);
        SendMessageW(form->hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&at));
        UpdateWindow(form->hwnd());
    }

    NullAudioOutputs outputs;
};

// The design in twips at 96, 120, 144 and 192 dpi: client size, 查询 and the
// table (edges cut towards zero), the fonts (points), the columns (ties to
// even), and the close picture showing over its hot area and not 2 px left.
TEST_F(Form1Dpi, TheWindowIsLaidOutFromItsDesignAtEveryScale) {
    const struct {
        UINT dpi;
        std::vector<long> layout; // the first 18 numbers of Layout(): size, 查询, table, QQ box
        std::vector<long> fontsAndColumns;
        int closeLeft;
    } rows[] = {
        {96, {594, 328, 120, 32, 161, 57, 8, 80, 593, 297}, {-16, -12, 29, 98, 65, 344}, 560},
        {120, {742, 410, 150, 40, 201, 71, 10, 100, 741, 371}, {-20, -15, 37, 122, 81, 430}, 700},
        {144, {891, 492, 180, 48, 241, 85, 12, 120, 889, 445}, {-24, -18, 44, 146, 97, 516}, 840},
        {192, {1188, 656, 240, 64, 322, 114, 16, 160, 1186, 594}, {-32, -24, 58, 195, 130, 688}, 1120},
    };
    std::vector<long> at96;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.dpi);
        OpenAt(r.dpi);
        const std::vector<long> now = Layout();
        EXPECT_EQ(std::vector<long>(now.begin(), now.begin() + 10), r.layout);
        EXPECT_EQ(std::vector<long>(now.begin() + 26, now.begin() + 32), r.fontsAndColumns);
        // The table's and the tips' text scales with the window, and no
        // heading is cut.
        const std::vector<long> systemFonts(now.end() - 2, now.end());
        at96 = r.dpi == 96 ? systemFonts : at96;
        for (size_t i = 0; i < 2; ++i)
            EXPECT_NEAR(systemFonts[i], MulDiv(at96[i], static_cast<int>(r.dpi), 96), 1) << i;
        const HWND header = ListView_GetHeader(form->ListView1());
        const UniqueHdc dc(CreateCompatibleDC(nullptr));
        const SelectGuard font(dc.get(),
                               reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0)));
        for (int i = 0; i < 4; ++i) {
            wchar_t text[16] = {};
            HDITEMW item{};
            item.mask = HDI_TEXT;
            item.pszText = text;
            item.cchTextMax = 16;
            RECT box{}, extent{};
            ASSERT_TRUE(Header_GetItem(header, i, &item) && Header_GetItemRect(header, i, &box));
            DrawTextW(dc.get(), text, -1, &extent, DT_CALCRECT | DT_SINGLELINE);
            EXPECT_LE(extent.right, box.right - box.left) << i;
            EXPECT_LE(extent.bottom, box.bottom - box.top) << i;
        }
        SendMessageW(form->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(r.closeLeft + 1, 2));
        EXPECT_TRUE(form->Drawn()[6].visible) << "CL";
        SendMessageW(form->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(r.closeLeft - 2, 2));
        EXPECT_FALSE(form->Drawn()[6].visible) << "CL";
        form.reset();
    }
}

// Moved to a screen of twice the scale and back: each time the layout a
// fresh start there has, and no GDI object is left behind.
TEST_F(Form1Dpi, MovingBetweenScalesLaysOutAsAFreshStartAndLeaksNothing) {
    OpenAt(192);
    const std::vector<long> at192 = Layout();
    form.reset();
    OpenAt(96);
    const std::vector<long> at96 = Layout();
    MoveTo(192);
    MoveTo(96); // the pictures' caches and the skin's faces are made at both scales once
    const long held = gdi_tally::Held();
    for (int round = 0; round < 2; ++round) {
        MoveTo(192);
        EXPECT_EQ(Layout(), at192) << round;
        MoveTo(96);
        EXPECT_EQ(Layout(), at96) << round;
    }
    EXPECT_EQ(gdi_tally::Held(), held);
}

} // namespace
