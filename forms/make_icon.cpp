// Writes the program's icon file from the same drawing as the window's icon;
// the build runs it (under Wine when cross-compiling) before the resources
// are compiled: make_icon OUT.ico
#include "icon_pixels.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSizes[] = {16, 20, 24, 32, 40, 48, 64};

void Put16(std::vector<unsigned char>& out, unsigned v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One icon image: a bitmap header of twice the height (colour, then mask),
// 32-bit straight-alpha rows bottom up, and the 1-bit mask rows bottom up.
std::vector<unsigned char> IconImage(int size) {
    const std::vector<std::uint32_t> pixels = StraightAlpha(IconPixels(size));
    const int maskStride = ((size + 31) / 32) * 4;
    std::vector<unsigned char> image;
    Put32(image, 40);
    Put32(image, static_cast<std::uint32_t>(size));
    Put32(image, static_cast<std::uint32_t>(size * 2));
    Put16(image, 1);
    Put16(image, 32);
    for (int i = 0; i < 6; ++i)
        Put32(image, 0); // no compression, sizes and colours unused
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x)
            Put32(image, pixels[static_cast<size_t>(y * size + x)]);
    for (int y = size - 1; y >= 0; --y) {
        std::vector<unsigned char> row(static_cast<size_t>(maskStride), 0);
        for (int x = 0; x < size; ++x)
            if ((pixels[static_cast<size_t>(y * size + x)] >> 24) == 0)
                row[static_cast<size_t>(x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
        image.insert(image.end(), row.begin(), row.end());
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUT.ico\n");
        return 2;
    }
    std::vector<std::vector<unsigned char>> images;
    for (int size : kSizes)
        images.push_back(IconImage(size));
    std::vector<unsigned char> file;
    Put16(file, 0);
    Put16(file, 1); // an icon
    Put16(file, static_cast<unsigned>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        file.push_back(static_cast<unsigned char>(kSizes[i]));
        file.push_back(static_cast<unsigned char>(kSizes[i]));
        file.push_back(0); // no palette
        file.push_back(0);
        Put16(file, 1);
        Put16(file, 32);
        Put32(file, static_cast<std::uint32_t>(images[i].size()));
        Put32(file, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& image : images)
        file.insert(file.end(), image.begin(), image.end());
    FILE* out = std::fopen(argv[1], "wb");
    if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size()) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
