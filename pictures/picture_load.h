// A picture file read once, front to back, into the bits of a DIB section
// the caller makes: first the headers, which say what section the picture
// needs, then the pixels, straight into that section's bits.
//
// A bitmap whose rows are already rows every Windows reads from a DIB section
// (no compression; 1, 4, 8 or 24 bits; any header) is read into the bits as
// it lies in the file, with no other copy. Run-length and masked bitmaps are
// decoded row by row from a small buffer of the file; a GIF into 8 bits with
// its own colour table; a JPEG a row of blocks at a time into 24 bits, or 8
// bits of grey. Every block these need comes from malloc or new
// (std::nothrow), and a failed one refuses the picture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pictures/picture_format.h"

// Colours as 0x00BBGGRR.
using PictureColor = std::uint32_t;

// Where a picture file's bytes come from, in order.
struct PictureSource {
    // Fills up to `n` bytes at `to`; how many it gave (0: the end, or a read
    // that failed).
    std::size_t (*read)(void* context, std::uint8_t* to, std::size_t n) = nullptr;
    void* context = nullptr;
    std::size_t size = 0;                  // the file's size
    const std::uint8_t* bytes = nullptr;   // the whole file, when it is in memory already
};

// A file already in memory.
PictureSource MemorySource(const std::uint8_t* data, std::size_t size);

// The first bytes of a file, read before anything else: enough for a
// bitmap's headers and largest colour table.
constexpr std::size_t kPictureHead = 2048;

class PictureDecoder;  // the decoder's own state (pictures/decoder.h)

class PictureLoad {
public:
    PictureLoad() = default;
    ~PictureLoad();
    PictureLoad(const PictureLoad&) = delete;
    PictureLoad& operator=(const PictureLoad&) = delete;

    // The DIB section the picture needs, once StartPictureLoad accepted it:
    // rows bottom-up, 1, 4, 8 or 24 bits, a colour table of `colors` entries
    // below 24 bits.
    int width = 0, height = 0, bitCount = 0, colors = 0;
    // The BITMAPINFO to make it from: a 40-byte header and the colour table.
    const std::uint8_t* info() const { return info_; }
    std::uint8_t* table() { return info_ + 40; }
    std::size_t stride() const { return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4; }
    std::size_t bitsSize() const { return stride() * static_cast<std::size_t>(height); }

    // Fills in the header for the size, depth and table set above; false
    // outside the limits of a picture shown.
    bool SetSection(int width, int height, int bitCount, int colors);

private:
    friend bool StartPictureLoad(PictureSource&, PictureColor, PictureLoad&);
    friend bool FinishPictureLoad(PictureSource&, PictureLoad&, std::uint8_t*);
    PictureDecoder* decoder_ = nullptr;
    alignas(4) std::uint8_t info_[40 + 4 * 256] = {};
};

// Reads the headers (a bitmap's headers and colour table, a JPEG's up to its
// frame, a GIF whole) and sets the section the picture needs. False for a
// file refused: empty, damaged, too large, of no format read here, or one
// whose memory could not be had.
bool StartPictureLoad(PictureSource& source, PictureColor behind, PictureLoad& load);

// Fills `bits` (load.bitsSize() bytes, whatever they held) with the pixels,
// reading the rest of the file. False for a file cut short or damaged, a
// read that failed or memory that could not be had; the bits are then
// partly written.
bool FinishPictureLoad(PictureSource& source, PictureLoad& load, std::uint8_t* bits);
