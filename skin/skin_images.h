#pragma once

// Building and releasing the five skin images held in skin_state.h.
namespace skin {

// Creates ButtonSkin 7x84, DropButtonSkin 15x18, GlyphSkin 18x24, BoxSkin 13x52 and
// BarSkin 9x20, in that order, and sets every one of their 2146 pixels. Images that
// already exist are released first. A surface that cannot be made stays empty and
// draws nothing.
void BuildSkinImages();

// Releases all five surfaces, each context before its bitmap, and the primitives'
// scratch surfaces, which live exactly as long as the images.
void ReleaseSkinImages();

} // namespace skin
