#pragma once
#include <windows.h>

// Off-screen surfaces that DrawSkinSlice and DrawKeyed compose in, kept by the engine
// and reused by every call. Under Wine a display DC costs about 0.3 ms and a display
// bitmap 0.1 ms, so making them per call put a ten-control repaint near 10 ms.
// GUI thread only: the primitives that borrow them never run concurrently, and no
// primitive or painter sends a message while it holds one (a message could paint
// another control into the same surface).
namespace skin {

enum class ScratchRole {
    Slice,     // DrawSkinSlice's composition
    KeyedWork, // DrawKeyed: the destination's pixels, then the result
    KeyedCopy, // DrawKeyed: the source with its key pixels blackened
    KeyedMask, // DrawKeyed: monochrome, 1 where the key was
    Compose,   // a painter's picture of a control or a part of one
};

// A memory DC of at least width x height for the role (display-compatible; the mask
// is monochrome), or null when it cannot be made. Only its top-left width x height is
// meaningful; its pixels are whatever the last borrower left. A surface that must
// grow is replaced by one covering both the old and the new size.
HDC BorrowScratch(ScratchRole role, int width, int height);

// A halftone palette made once, for keyed copies that are given none.
HPALETTE ScratchHalftonePalette();

// Frees every scratch surface and the palette; the next borrow makes them again.
// Done when the skin images are released, i.e. when the last skinned window goes.
void ReleaseScratchSurfaces();

} // namespace skin
