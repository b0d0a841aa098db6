#pragma once
#include <cstdint>
#include <vector>

// The tool's icon, a rounded blue tile with a white pair of beamed notes, at
// size x size as premultiplied 0xAARRGGBB pixels, top row first, anti-aliased
// by supersampling. Pure, so the window's icon, the corner picture and the
// program's icon file are one drawing.
std::vector<std::uint32_t> IconPixels(int size);

// The same pixels with straight alpha, as icon resources take them.
std::vector<std::uint32_t> StraightAlpha(std::vector<std::uint32_t> pixels);
