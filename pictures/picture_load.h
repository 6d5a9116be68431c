// A picture file read once, front to back, into the bits of a DIB section
// the caller makes: first the headers, which say what section the picture
// needs, then the pixels, straight into that section's bits.
//
// A bitmap whose rows are already rows every Windows reads from a DIB section
// (no compression; 1, 4, 8 or 24 bits; any header) is read into the bits as
// it lies in the file, with no other copy. Run-length and masked bitmaps are
// decoded row by row from a small buffer of the file; a GIF into 8 bits with
// its own colour table; a JPEG by stb_image, whose pixels are copied once.
// Every block these need comes from malloc and a failed one refuses the
// picture.
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

    // What is left of the load, for the decoder that started it.
    PictureFormat format = PictureFormat::Unknown;
    std::uint8_t head[kPictureHead];
    std::size_t headSize = 0;              // bytes of the file in `head`
    std::size_t read = 0;                  // bytes of the file taken from the source so far
    // A file kept whole (JPEG, GIF): from the source, or malloc'ed.
    const std::uint8_t* file = nullptr;
    std::uint8_t* ownFile = nullptr;
    // Bitmaps.
    struct Bitmap {
        std::size_t bitsOffset = 0, bitsEnd = 0;  // the pixels' bytes in the file
        unsigned bitCount = 0;
        std::uint32_t compression = 0;
        bool topDown = false, plain = false;
        std::uint32_t masks[3] = {0, 0, 0};
    } bmp;
    // GIF: where the image's data starts, its place, the index of the
    // pixels it leaves out.
    struct Gif {
        std::size_t at = 0;
        int left = 0, top = 0, width = 0, height = 0;
        bool interlaced = false;
        std::uint8_t fill = 0;
    } gif;
    // JPEG: stb_image's pixels, red, green and blue, top row first.
    std::uint8_t* pixels = nullptr;

private:
    alignas(4) std::uint8_t info_[40 + 4 * 256] = {};
};

// Reads the headers (a bitmap's headers and colour table; a JPEG or GIF
// whole, a JPEG decoded here) and sets the section the picture needs. False
// for a file refused: empty, damaged, too large, of no format read here, or
// one whose memory could not be had.
bool StartPictureLoad(PictureSource& source, PictureColor behind, PictureLoad& load);

// Fills `bits` (load.bitsSize() bytes, whatever they held) with the pixels,
// reading the rest of the file. False for a file cut short or damaged, a
// read that failed or memory that could not be had; the bits are then
// partly written.
bool FinishPictureLoad(PictureSource& source, PictureLoad& load, std::uint8_t* bits);

// The decoders behind them (picture_load.cpp dispatches; each uses only
// picture_source.cpp and picture_format.cpp).
bool StartBmp(PictureLoad& load, std::size_t fileSize);
bool FinishBmp(PictureSource& source, PictureLoad& load, std::uint8_t* bits);
bool StartGif(PictureLoad& load, std::size_t fileSize, PictureColor behind);
bool FinishGif(PictureLoad& load, std::size_t fileSize, std::uint8_t* bits);
bool StartJpeg(PictureLoad& load, std::size_t fileSize);
void FinishJpeg(PictureLoad& load, std::uint8_t* bits);

// Takes up to `n` more bytes of the file from the source into `to`; how many.
std::size_t ReadSource(PictureSource& source, PictureLoad& load, std::uint8_t* to, std::size_t n);
