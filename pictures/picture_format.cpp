#include "pictures/picture_format.h"

namespace {

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }
std::int32_t S32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

bool Fits(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width * height <= kMaxPicturePixels;
}

PictureInfo InspectBmp(const std::uint8_t* d, std::size_t size) {
    PictureInfo info;
    info.format = PictureFormat::Bmp;
    constexpr std::size_t kFileHeader = 14;
    if (size < kFileHeader + 12) return info;
    const std::uint32_t headerSize = U32(d + kFileHeader);
    const std::uint32_t bitsOffset = U32(d + 10);
    if (bitsOffset >= size || headerSize > size - kFileHeader) return info;

    if (headerSize == 12) {  // the old core header: the rest is checked by the bitmap decoder
        info.width = static_cast<int>(U16(d + 18));
        info.height = static_cast<int>(U16(d + 20));
        info.ok = Fits(info.width, info.height);
        return info;
    }
    if (headerSize < 40) return info;
    const std::int64_t width = S32(d + 18);
    const std::int64_t height = S32(d + 22);
    const std::uint32_t planes = U16(d + 26);
    const std::uint32_t bitCount = U16(d + 28);
    const std::uint32_t compression = U32(d + 30);
    const std::uint32_t colorsUsed = U32(d + 46);
    const std::int64_t rows = height < 0 ? -height : height;
    if (planes != 1 || !Fits(width, rows)) return info;
    info.width = static_cast<int>(width);
    info.height = static_cast<int>(height);

    const bool indexed = bitCount == 1 || bitCount == 4 || bitCount == 8;
    if (!indexed && bitCount != 16 && bitCount != 24 && bitCount != 32) return info;
    if (indexed && colorsUsed > (1u << bitCount)) return info;
    std::uint64_t tableSize = indexed ? 4ull * (colorsUsed ? colorsUsed : 1u << bitCount) : 4ull * colorsUsed;
    if (compression == 3) tableSize += headerSize == 40 ? 12 : 0;  // the three masks follow a short header
    if (kFileHeader + headerSize + tableSize > bitsOffset) return info;

    if (compression == 1 || compression == 2) {  // run-length: the decoder checks the runs as it reads them
        info.ok = (compression == 1 ? bitCount == 8 : bitCount == 4) && height > 0;
        return info;
    }
    if (compression != 0 && !(compression == 3 && (bitCount == 16 || bitCount == 32))) return info;
    const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bitCount + 31) / 32) * 4;
    const std::uint64_t bitsSize = stride * static_cast<std::uint64_t>(rows);
    if (bitsSize > size - bitsOffset) return info;  // truncated
    info.plainBitmap = true;
    info.infoOffset = kFileHeader;
    info.bitsOffset = bitsOffset;
    info.bitsSize = static_cast<std::size_t>(bitsSize);
    info.ok = true;
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

PictureInfo InspectBitmapHead(const std::uint8_t* head, std::size_t headSize, std::size_t fileSize) {
    // The checks of a bitmap read its first kBitmapHead bytes only.
    if (fileSize == 0 || fileSize > kMaxPictureFileSize || headSize < (fileSize < kBitmapHead ? fileSize : kBitmapHead) ||
        SniffPicture(head, headSize) != PictureFormat::Bmp)
        return {};
    return InspectBmp(head, fileSize);
}

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
