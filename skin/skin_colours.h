#pragma once
#include <windows.h>

// The engine's shared palette (COLORREF 0x00BBGGRR) and its one text format.
namespace skin {

inline constexpr COLORREF kFrameEnabled = 0x00D5A554;  // enabled control; progress outer frame
inline constexpr COLORREF kFrameDisabled = 0x00E9CFA4; // disabled control
inline constexpr COLORREF kFramePressedCheck = 0x00C48639;
inline constexpr COLORREF kProgressFill = 0x00F6D64C;
inline constexpr COLORREF kDisabledCaption = 0x00968A79; // caption of a disabled push button
inline constexpr COLORREF kWhite = 0x00FFFFFF;           // backgrounds, inner frames
inline constexpr COLORREF kBlack = 0x00000000;           // captions and header texts
inline constexpr COLORREF kSkinKey = 0x00FF00FF;         // transparent pixels of the images

// One line, centred both ways, cut with an ellipsis when too wide.
inline constexpr UINT kSkinTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
static_assert(kSkinTextFormat == 0x8025);

} // namespace skin
