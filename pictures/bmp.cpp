// Windows bitmaps, read here rather than handed to Windows as the file holds
// them: Windows 95 knows neither the 108- and 124-byte headers nor 16- and
// 32-bit masks other than 5-5-5, 5-6-5 and 8-8-8, and decodes no run-length
// bitmap into a DIB section. Every bitmap becomes an 8-bit Dib with its
// colour table (1, 4 and 8 bits, run-length ones included) or a 24-bit one.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "pictures/dib.h"
#include "pictures/picture_format.h"

namespace {

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

constexpr std::size_t kFileHeader = 14;
enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

// One colour of a masked pixel: its bits moved down and widened to eight.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0, bits = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (!mask) return;
        shift = __builtin_ctz(mask);
        bits = 32 - __builtin_clz(mask) - shift;
    }
    std::uint8_t Take(std::uint32_t pixel) const {
        if (!mask) return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
        return static_cast<std::uint8_t>(v * 255u / ((1u << bits) - 1u));
    }
};

struct Header {
    int width = 0, height = 0;
    bool topDown = false;
    unsigned bitCount = 0;
    std::uint32_t compression = kRgb, colorsUsed = 0, imageSize = 0;
    std::size_t tableAt = 0, entrySize = 4;
    std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue
};

bool ReadHeader(const std::uint8_t* d, std::size_t size, std::size_t bitsOffset, Header& h) {
    if (size < kFileHeader + 12) return false;
    const std::uint32_t headerSize = U32(d + kFileHeader);
    if (headerSize == 12) {  // the core header of the first Windows and OS/2 bitmaps
        h.width = static_cast<int>(U16(d + 18));
        h.height = static_cast<int>(U16(d + 20));
        if (U16(d + 22) != 1) return false;
        h.bitCount = U16(d + 24);
        if (h.bitCount == 16 || h.bitCount == 32) return false;
        h.entrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
        if (size < kFileHeader + headerSize) return false;
        const std::int32_t height = static_cast<std::int32_t>(U32(d + 22));
        h.width = static_cast<int>(static_cast<std::int32_t>(U32(d + 18)));
        h.topDown = height < 0;
        if (height == INT32_MIN) return false;
        h.height = h.topDown ? -height : height;
        if (U16(d + 26) != 1) return false;
        h.bitCount = U16(d + 28);
        h.compression = U32(d + 30);
        h.imageSize = U32(d + 34);
        h.colorsUsed = U32(d + 46);
    } else {
        return false;  // the 64-byte OS/2 header and others Windows never wrote
    }
    h.tableAt = kFileHeader + headerSize;
    if (h.width <= 0 || h.height <= 0 || static_cast<std::int64_t>(h.width) * h.height > kMaxPicturePixels) return false;

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
        if (kFileHeader + 40 + 12 > bitsOffset) return false;
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
    return h.tableAt <= bitsOffset;
}

// The colour table, as long as the file has it: entries it lacks stay black.
void ReadTable(const std::uint8_t* d, std::size_t bitsOffset, const Header& h, Dib& out) {
    const std::size_t declared = h.colorsUsed ? h.colorsUsed : (std::size_t{1} << h.bitCount);
    const std::size_t count = std::min(declared, (bitsOffset - h.tableAt) / h.entrySize);
    std::uint8_t* table = out.bytes.data() + 40;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = d + h.tableAt + i * h.entrySize;
        table[4 * i] = e[0];
        table[4 * i + 1] = e[1];
        table[4 * i + 2] = e[2];
    }
}

bool ReadRows(const std::uint8_t* d, std::size_t size, std::size_t bitsOffset, const Header& h, Dib& out) {
    const std::uint64_t stride = ((static_cast<std::uint64_t>(h.width) * h.bitCount + 31) / 32) * 4;
    if (stride * static_cast<std::uint64_t>(h.height) > size - bitsOffset) return false;  // truncated
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    const std::size_t w = static_cast<std::size_t>(h.width);
    for (int r = 0; r < h.height; ++r) {
        const std::uint8_t* from = d + bitsOffset + stride * static_cast<std::uint64_t>(r);
        const int row = h.topDown ? h.height - 1 - r : r;
        std::uint8_t* to = out.bytes.data() + out.bitsOffset() + out.stride() * static_cast<std::size_t>(row);
        switch (h.bitCount) {
        case 1:
            for (std::size_t x = 0; x < w; ++x) to[x] = (from[x / 8] >> (7 - x % 8)) & 1;
            break;
        case 4:
            for (std::size_t x = 0; x < w; ++x) to[x] = (x % 2 ? from[x / 2] : from[x / 2] >> 4) & 15;
            break;
        case 8:
            std::copy(from, from + w, to);
            break;
        case 24:
            std::copy(from, from + 3 * w, to);
            break;
        default:
            for (std::size_t x = 0; x < w; ++x) {
                const std::uint32_t pixel = h.bitCount == 16 ? U16(from + 2 * x) : U32(from + 4 * x);
                to[3 * x] = blue.Take(pixel);
                to[3 * x + 1] = green.Take(pixel);
                to[3 * x + 2] = red.Take(pixel);
            }
        }
    }
    return true;
}

// Run-length pixels, bottom row first: runs, literal runs padded to a word,
// end of line, a delta (pixels skipped keep colour 0) and end of picture,
// which may come before the last row. Pixels beyond the width are dropped;
// a stream that ends without its end is refused.
bool ReadRuns(const std::uint8_t* d, std::size_t size, std::size_t bitsOffset, const Header& h, Dib& out) {
    std::size_t end = size;
    if (h.imageSize && h.imageSize <= size - bitsOffset) end = bitsOffset + h.imageSize;
    const bool rle8 = h.compression == kRle8;
    const std::size_t width = static_cast<std::size_t>(h.width), height = static_cast<std::size_t>(h.height);
    std::size_t x = 0, y = 0, i = bitsOffset;
    auto row = [&]() { return out.bytes.data() + out.bitsOffset() + out.stride() * y; };
    while (y < height) {
        if (end - i < 2) return false;
        const std::uint8_t count = d[i], value = d[i + 1];
        i += 2;
        if (count) {
            const std::size_t n = std::min<std::size_t>(count, width - x);
            std::uint8_t* to = row() + x;
            for (std::size_t k = 0; k < n; ++k)
                to[k] = rle8 ? value : (k % 2 ? value & 15 : value >> 4);
            x += n;
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (end - i < 2) return false;
            x = std::min(width, x + d[i]);
            y += d[i + 1];
            i += 2;
        } else {
            const std::size_t bytes = rle8 ? value : (value + 1u) / 2;
            if (end - i < bytes) return false;
            const std::size_t n = std::min<std::size_t>(value, width - x);
            std::uint8_t* to = row() + x;
            for (std::size_t k = 0; k < n; ++k)
                to[k] = rle8 ? d[i + k] : (k % 2 ? d[i + k / 2] & 15 : d[i + k / 2] >> 4);
            x += n;
            i += std::min(end - i, (bytes + 1) & ~std::size_t{1});
        }
    }
    return true;
}

}  // namespace

bool DecodeBmp(const std::uint8_t* d, std::size_t size, Dib& out) {
    if (size < kFileHeader + 12 || d[0] != 'B' || d[1] != 'M' || size > kMaxPictureFileSize) return false;
    const std::size_t bitsOffset = U32(d + 10);
    Header h;
    if (bitsOffset >= size || !ReadHeader(d, size, bitsOffset, h)) return false;
    const bool indexed = h.bitCount <= 8;
    Dib dib;
    if (!MakeDib(h.width, h.height, indexed ? 8 : 24, indexed ? 1 << h.bitCount : 0, dib)) return false;
    if (indexed) ReadTable(d, bitsOffset, h, dib);
    const bool ok = h.compression == kRle8 || h.compression == kRle4 ? ReadRuns(d, size, bitsOffset, h, dib)
                                                                      : ReadRows(d, size, bitsOffset, h, dib);
    if (ok) out = std::move(dib);
    return ok;
}
