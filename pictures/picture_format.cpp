#include "pictures/picture_format.h"

#include <cstdint>

namespace {

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }
std::int32_t S32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

bool Fits(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width * height <= kMaxPicturePixels;
}

enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

PictureInfo InspectBmp(const std::uint8_t* d, std::size_t size) {
    PictureInfo info;
    info.format = PictureFormat::Bmp;
    BitmapHeader h;
    if (!ReadBitmapHeader(d, size, size, h)) return info;
    info.ok = true;
    info.width = h.width;
    info.height = h.topDown ? -h.height : h.height;
    if (h.entrySize == 4 && (h.compression == 0 || h.compression == 3)) {
        info.plainBitmap = true;  // rows of any depth, as stored under a header of 40 bytes or more
        info.infoOffset = 14;
        info.bitsOffset = h.bitsOffset;
        info.bitsSize = h.bitsSize;
    }
    return info;
}

PictureInfo InspectJpeg(const std::uint8_t* d, std::size_t size) {
    PictureInfo info;
    info.format = PictureFormat::Jpeg;
    std::size_t i = 2;
    while (i + 4 <= size) {
        if (d[i] != 0xFF) return info;
        const std::uint8_t marker = d[i + 1];
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return info;  // image data before any frame header
        const std::size_t length = (d[i + 2] << 8) | d[i + 3];
        if (length < 2 || i + 2 + length > size) return info;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7) return info;
            info.height = (d[i + 5] << 8) | d[i + 6];
            info.width = (d[i + 7] << 8) | d[i + 8];
            // The frame header is followed by the image data it describes.
            info.ok = Fits(info.width, info.height) && i + 2 + length < size;
            return info;
        }
        i += 2 + length;
    }
    return info;
}

PictureInfo InspectGif(const std::uint8_t* d, std::size_t size) {
    PictureInfo info;
    info.format = PictureFormat::Gif;
    if (size < 13 + 10) return info;  // screen descriptor and at least one image descriptor
    info.width = static_cast<int>(U16(d + 6));
    info.height = static_cast<int>(U16(d + 8));
    info.ok = Fits(info.width, info.height);
    return info;
}

}  // namespace

PictureFormat SniffPicture(const std::uint8_t* data, std::size_t size) {
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return PictureFormat::Bmp;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return PictureFormat::Jpeg;
    if (size >= 6 && data[0] == 'G' && data[1] == 'I' && data[2] == 'F' && data[3] == '8' &&
        (data[4] == '7' || data[4] == '9') && data[5] == 'a')
        return PictureFormat::Gif;
    return PictureFormat::Unknown;
}

PictureInfo InspectPicture(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > kMaxPictureFileSize) return {};
    switch (SniffPicture(data, size)) {
    case PictureFormat::Bmp:
        return InspectBmp(data, size);
    case PictureFormat::Jpeg:
        return InspectJpeg(data, size);
    case PictureFormat::Gif:
        return InspectGif(data, size);
    default:
        return {};
    }
}

// The core header of the first Windows and OS/2 bitmaps (12 bytes), and the
// 40-, 52-, 56-, 108- and 124-byte ones; not the 64-byte OS/2 header.
bool ReadBitmapHeader(const std::uint8_t* d, std::size_t headSize, std::size_t size, BitmapHeader& h) {
    constexpr std::size_t kFileHeader = 14;
    if (size == 0 || size > kMaxPictureFileSize || headSize < (size < kBitmapHead ? size : kBitmapHead) ||
        SniffPicture(d, headSize) != PictureFormat::Bmp || size < kFileHeader + 12)
        return false;
    const std::uint32_t headerSize = U32(d + kFileHeader);
    h.bitsOffset = U32(d + 10);
    if (h.bitsOffset >= size || headerSize > size - kFileHeader) return false;
    if (headerSize == 12) {
        h.width = static_cast<int>(U16(d + 18));
        h.height = static_cast<int>(U16(d + 20));
        if (U16(d + 22) != 1) return false;
        h.bitCount = U16(d + 24);
        if (h.bitCount == 16 || h.bitCount == 32) return false;
        h.entrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
        const std::int32_t height = S32(d + 22);
        if (height == INT32_MIN) return false;
        h.width = S32(d + 18);
        h.topDown = height < 0;
        h.height = h.topDown ? -height : height;
        if (U16(d + 26) != 1) return false;
        h.bitCount = U16(d + 28);
        h.compression = U32(d + 30);
        h.imageSize = U32(d + 34);
        h.colorsUsed = U32(d + 46);
    } else {
        return false;
    }
    h.tableAt = kFileHeader + headerSize;
    if (!Fits(h.width, h.height)) return false;

    const bool indexed = h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8;
    switch (h.bitCount) {
    case 1: case 4: case 8:
        if (h.compression == kRle8 ? h.bitCount != 8 : h.compression == kRle4 ? h.bitCount != 4 : h.compression != kRgb)
            return false;
        if (h.colorsUsed > (1u << h.bitCount)) return false;
        break;
    case 16:
        if (h.compression == kRgb) {
            h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
            break;
        }
        [[fallthrough]];
    case 32:
        if (h.compression == kRgb && h.bitCount == 32) {
            h.masks[0] = 0xFF0000, h.masks[1] = 0x00FF00, h.masks[2] = 0x0000FF;
            break;
        }
        if (h.compression != kBitfields) return false;
        // The masks follow a 40-byte header and are part of any longer one.
        if (kFileHeader + 40 + 12 > h.bitsOffset) return false;
        for (int i = 0; i < 3; ++i) h.masks[i] = U32(d + kFileHeader + 40 + 4 * i);
        if (headerSize == 40) h.tableAt += 12;
        break;
    case 24:
        if (h.compression != kRgb) return false;
        break;
    default:
        return false;
    }
    if (h.topDown && h.compression != kRgb && h.compression != kBitfields) return false;
    // The table the header declares lies before the pixels (a core header's
    // as long as there is room).
    const std::uint64_t declared = indexed ? (h.colorsUsed ? h.colorsUsed : 1u << h.bitCount) : h.colorsUsed;
    if (h.tableAt + (headerSize == 12 ? 0 : 4 * declared) > h.bitsOffset) return false;
    h.plain = h.compression == kRgb && (indexed || h.bitCount == 24);
    if (h.compression == kRle8 || h.compression == kRle4) return true;  // runs checked as they are read
    const std::uint64_t stride = ((static_cast<std::uint64_t>(h.width) * h.bitCount + 31) / 32) * 4;
    const std::uint64_t bytes = stride * static_cast<std::uint64_t>(h.height);
    if (bytes > size - h.bitsOffset) return false;  // cut short
    h.bitsSize = static_cast<std::size_t>(bytes);
    return true;
}
