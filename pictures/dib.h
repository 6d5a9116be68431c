// The one form the windows draw: a device-independent bitmap as Windows 95
// reads it, whatever the picture file held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Dib {
    // A 40-byte BITMAPINFOHEADER (positive height: bottom-up rows), for an
    // 8-bit picture its colour table of `colors` entries (blue, green, red,
    // zero), then the rows, each padded to four bytes.
    std::vector<std::uint8_t> bytes;
    int width = 0, height = 0;
    int bitCount = 0;  // 8 or 24
    int colors = 0;    // colour table entries, 8-bit pictures only

    std::size_t stride() const { return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4; }
    std::size_t bitsOffset() const { return 40 + 4 * static_cast<std::size_t>(colors); }
    const std::uint8_t* bits() const { return bytes.data() + bitsOffset(); }
};

// Colours as 0x00BBGGRR.
using PictureColor = std::uint32_t;

// Turns a picture file's bytes into a Dib: Windows bitmaps of every header
// and bit depth, JPEG and GIF (its first frame; transparent pixels take the
// colour `behind`). False, with `out` untouched, for a file that InspectPicture
// refuses, that is damaged or that no decoder here reads.
bool DecodePicture(const std::uint8_t* data, std::size_t size, PictureColor behind, Dib& out);

// The decoders behind it, each given a file that InspectPicture accepted as
// its format.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, Dib& out);
bool DecodeJpegOrGif(const std::uint8_t* data, std::size_t size, PictureColor behind, Dib& out);

// A Dib of the given size and depth, its header written, its table (for
// 8 bits) and its pixels zero. False when the size is outside the limits.
bool MakeDib(int width, int height, int bitCount, int colors, Dib& out);
