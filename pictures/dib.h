// A picture decoded whole into memory, for the programs that look at its
// pixels rather than show it (the checker, the tests): the bitmap info and
// the bits of the DIB section the launcher would make of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pictures/picture_load.h"

struct Dib {
    // A 40-byte BITMAPINFOHEADER (positive height: bottom-up rows), below 24
    // bits its colour table of `colors` entries (blue, green, red, zero),
    // then the rows, each padded to four bytes.
    std::vector<std::uint8_t> bytes;
    int width = 0, height = 0;
    int bitCount = 0;  // 1, 4, 8 or 24
    int colors = 0;    // colour table entries, below 24 bits only

    std::size_t stride() const { return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4; }
    std::size_t bitsOffset() const { return 40 + 4 * static_cast<std::size_t>(colors); }
    const std::uint8_t* bits() const { return bytes.data() + bitsOffset(); }
    // Pixel x of a row (0 the bottom one): its blue, green and red, in the
    // colour table or in the row.
    const std::uint8_t* Colour(int x, int row) const {
        const std::uint8_t* r = bits() + stride() * static_cast<std::size_t>(row);
        if (bitCount == 24) return r + 3 * static_cast<std::size_t>(x);
        const int perByte = 8 / bitCount, shift = 8 - bitCount * (x % perByte + 1);
        return bytes.data() + 40 + 4 * ((r[x / perByte] >> shift) & ((1 << bitCount) - 1));
    }
};

// Turns a picture file's bytes into a Dib as StartPictureLoad and
// FinishPictureLoad do: Windows bitmaps of every header and bit depth, JPEG
// and GIF (its first frame; transparent pixels take the colour `behind`).
// False, with `out` untouched, for a file refused.
bool DecodePicture(const std::uint8_t* data, std::size_t size, PictureColor behind, Dib& out);

// The same for a file that must be a Windows bitmap.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Dib& out);

// A Dib of the given size and depth (8 or 24 bits), its header written, its
// table (for 8 bits) and its pixels zero. False when the size is outside
// the limits.
bool MakeDib(int width, int height, int bitCount, int colors, Dib& out);
