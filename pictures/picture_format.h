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

// A bitmap's check from the first bytes of its file, the file being
// `fileSize` bytes: `head` holds at least kBitmapHead of them (or all).
constexpr std::size_t kBitmapHead = 54;
PictureInfo InspectBitmapHead(const std::uint8_t* head, std::size_t headSize, std::size_t fileSize);
