// What a picture file claims to be, checked before any decoder sees it: a
// file that is empty, truncated, inconsistent or too large to show is
// refused here.
#pragma once

#include <cstddef>
#include <cstdint>

enum class PictureFormat { Unknown, Bmp, Jpeg, Gif };

// The largest picture shown: far above any screen of the launcher's machines,
// far below what would exhaust their memory.
constexpr std::int64_t kMaxPicturePixels = 4096LL * 4096LL;
constexpr std::size_t kMaxPictureFileSize = 64u * 1024u * 1024u;

struct PictureInfo {
    PictureFormat format = PictureFormat::Unknown;
    bool ok = false;
    int width = 0, height = 0;  // height may be negative for a top-down bitmap
    // Bitmaps with uncompressed pixels: where the header and the pixels are.
    bool plainBitmap = false;
    std::size_t infoOffset = 0, bitsOffset = 0, bitsSize = 0;
};

// The format a file's first bytes name (at least 6 of them, or all): "BM",
// the JPEG start marker and the first marker's 0xFF, "GIF87a" or "GIF89a".
PictureFormat SniffPicture(const std::uint8_t* data, std::size_t size);

PictureInfo InspectPicture(const std::uint8_t* data, std::size_t size);

// A Windows bitmap's headers, read and checked in one place for the
// decoder and the check above.
struct BitmapHeader {
    int width = 0, height = 0;  // the height positive; topDown says the rows' order
    bool topDown = false;
    unsigned bitCount = 0;
    std::uint32_t compression = 0, colorsUsed = 0, imageSize = 0;
    std::size_t bitsOffset = 0;                // the pixels' first byte in the file
    std::size_t tableAt = 0, entrySize = 4;    // the colour table's
    std::uint32_t masks[3] = {0, 0, 0};        // red, green, blue of 16 and 32 bits
    // Rows of 1, 4, 8 or 24 bits without compression: a DIB section's.
    bool plain = false;
    std::size_t bitsSize = 0;  // the rows' bytes, but for run-length pixels
};

// Reads the headers of a bitmap file of `fileSize` bytes from its first
// bytes `d` (kBitmapHead of them, or all): false for one refused (a header
// or depth no Windows wrote, an inconsistent table or offset, pixels past
// the file's end, too large).
constexpr std::size_t kBitmapHead = 14 + 124 + 12;
bool ReadBitmapHeader(const std::uint8_t* d, std::size_t headSize, std::size_t fileSize, BitmapHeader& h);
