#pragma once
#include <windows.h>

// The main window as designed: placements in twips from the top-left corner of
// the client area, colours, fonts, captions and prompts. A twip is 1/1440 of
// an inch: 15 to a pixel at 96 dots per inch, fewer on a scaled screen.
namespace form1_design {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr UINT kDesignDpi = 96;

struct Placement {
    int left, top, width, height;
};

// Twips to whole pixels at `dpi`, cut towards zero as the form package did.
constexpr int Px(int twips, UINT dpi = kDesignDpi) {
    return static_cast<int>(static_cast<long long>(twips) * dpi / kTwipsPerInch);
}
// Each edge converted on its own, so neighbours that meet in twips meet in pixels.
constexpr RECT PixelRect(const Placement& p, UINT dpi = kDesignDpi) {
    return {Px(p.left, dpi), Px(p.top, dpi), Px(p.left + p.width, dpi), Px(p.top + p.height, dpi)};
}
// A length designed in pixels at 96 dpi, at `dpi` (rounded to nearest).
constexpr int Scaled(int pixels, UINT dpi) {
    return static_cast<int>((static_cast<long long>(pixels) * dpi + kDesignDpi / 2) / kDesignDpi);
}

inline constexpr wchar_t kTitle[] = L"QQ空间背景音乐";
inline constexpr wchar_t kSampleNumber[] = L"123456789";
inline constexpr wchar_t kQQAccessibleName[] = L"QQ号"; // what a screen reader calls the box

inline constexpr Placement kClient{0, 0, 8910, 4920};
inline constexpr Placement kQQPlace{120, 480, 1575, 375};
inline constexpr Placement kCommand1Place{1800, 480, 615, 375};
inline constexpr Placement kCommand2Place{2520, 480, 615, 375};
inline constexpr Placement kCommand3Place{3240, 480, 615, 375};
inline constexpr Placement kCommand4Place{3960, 480, 615, 375};
inline constexpr Placement kListView1Place{120, 1200, 8775, 3255};
// The hidden lists lie outside the client area and are never shown.
inline constexpr Placement kList3Place{9000, 0, 1200, 600};
inline constexpr Placement kList2Place{9000, 600, 1200, 600};
inline constexpr Placement kList1Place{9000, 1200, 1200, 600};

// Labels the window draws itself, transparent over its background.
inline constexpr Placement kLabel1Place{4920, 480, 390, 180};
inline constexpr Placement kLabel2Place{4920, 720, 390, 180};
inline constexpr Placement kLabel4Place{120, 960, 390, 180};
inline constexpr Placement kGqmPlace{5400, 480, 105, 180};
inline constexpr Placement kGqPlace{5400, 720, 105, 180};
inline constexpr Placement kGuRLPlace{600, 960, 8220, 180};
inline constexpr Placement kLabel8Place{120, 4560, 105, 180};

// Pictures, and the transparent hot areas of the painted frame.
inline constexpr Placement kImage1Place{0, 0, 8960, 4845};  // the background
inline constexpr Placement kImage2Place{50, 50, 300, 300};  // the corner icon, stretched
inline constexpr Placement kImage3Place{0, 4560, 8970, 360}; // the bottom strip
inline constexpr Placement kLabel3Place{0, 0, 7695, 375};   // the title strip: drag handle
inline constexpr Placement kLabel5Place{7680, 0, 375, 255}; // over the painted minimise button
inline constexpr Placement kLabel6Place{8400, 0, 615, 255}; // over the painted close button
inline constexpr Placement kMIPlace{7680, 10, 390, 255};
inline constexpr Placement kCLPlace{8415, 10, 570, 255};

inline constexpr COLORREF kFormBackColor = 0x00FFFCEE;
inline constexpr COLORREF kQQTextColor = 0x0000C000;
inline constexpr COLORREF kListTextColor = 0x00BE9507;
inline constexpr COLORREF kCaptionColor = 0x008C581A;
inline constexpr COLORREF kSongTextColor = 0x00BE9507;
inline constexpr COLORREF kStatusColor = 0x00BF7822;

struct FontDesign {
    const wchar_t* face;
    int points;
    LONG weight;
    BYTE charset;
};
inline constexpr FontDesign kQQFont{L"宋体", 12, FW_BOLD, GB2312_CHARSET};
inline constexpr FontDesign kLabelFont{L"宋体", 9, FW_BOLD, GB2312_CHARSET};
inline constexpr FontDesign kButtonFont{L"宋体", 9, FW_NORMAL, GB2312_CHARSET};

inline constexpr wchar_t kCommand1Caption[] = L"查询";
inline constexpr wchar_t kCommand3Caption[] = L"退出";
inline constexpr wchar_t kCommand4Caption[] = L"关于";
inline constexpr wchar_t kCommand1Tip[] = L"查询";
inline constexpr wchar_t kCommand2Tip[] = L"播放或暂停";
inline constexpr wchar_t kCommand3Tip[] = L"退出程序";
inline constexpr wchar_t kCommand4Tip[] = L"关于我们";
// The caption under which a click pauses, and the one under which it plays.
// While a song plays the poll writes the first, so one click pauses.
inline constexpr wchar_t kPauseCaption[] = L"播/暂";
inline constexpr wchar_t kPlayCaption[] = L"暂/播";
inline constexpr const wchar_t* kColumnTexts[] = {L"编号", L"歌曲", L"歌手", L"地址"};

inline constexpr wchar_t kBadNumberPrompt[] = L"QQ号为5至10位数字";
inline constexpr wchar_t kLoadFailedPrompt[] = L"获取歌曲列表失败，请检查网络后重试";
inline constexpr wchar_t kErrorCaption[] = L"错误";
inline constexpr wchar_t kNoSongsPrompt[] = L"对不起，该好友没有歌曲，请重新搜索！";
inline constexpr wchar_t kNoSongsCaption[] = L"搜索失败";
inline constexpr wchar_t kCopiedPrompt[] = L"复制成功！";
inline constexpr wchar_t kCopyFailedPrompt[] = L"复制失败，请重试";
inline constexpr wchar_t kCopyCaption[] = L"复制";

inline constexpr wchar_t kExitPrompt[] = L"您确定要退出吗？";
inline constexpr wchar_t kExitCaption[] = L"提示";

// The maker's home page, opened by 退出, 关于, the bottom strip and the close picture.
inline constexpr wchar_t kHomePage[] = L"https://qzone.qq.com/";

// Loaded, the window turns its background into this colour and makes it its
// colour key: only the pictures and controls are seen, and clicks on the rest
// go to what lies beneath.
inline constexpr COLORREF kKeyColour = 0x00FF0000;

inline constexpr UINT kTimer1IntervalMs = 1000;

} // namespace form1_design
