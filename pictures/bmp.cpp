// Windows bitmaps. Windows 95 knows neither the 108- and 124-byte headers
// nor 16- and 32-bit masks other than 5-5-5, 5-6-5 and 8-8-8, and decodes no
// run-length bitmap into a DIB section; but the rows of a bitmap without
// compression of 1, 4, 8 or 24 bits are the rows of a DIB section whatever
// its header: those are read from the file straight into the section's bits
// under a 40-byte header (Petzold's CreateDibSectionFromDibFile). Run-length
// bitmaps become 8 bits with their table, masked ones 24 bits, decoded from
// a buffer of at most kChunk bytes of the file.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "pictures/decoder.h"

namespace {

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return U16(p) | (U16(p + 2) << 16); }

enum : std::uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2 };

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

// The colour table, as long as the file has it: entries it lacks stay black.
void ReadTable(const std::uint8_t* d, std::size_t bitsOffset, const BitmapHeader& h, std::uint8_t* table) {
    const std::size_t declared = h.colorsUsed ? h.colorsUsed : (std::size_t{1} << h.bitCount);
    const std::size_t count = std::min(declared, (bitsOffset - h.tableAt) / h.entrySize);
    std::memset(table, 0, 4u << h.bitCount);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = d + h.tableAt + i * h.entrySize;
        table[4 * i] = e[0];
        table[4 * i + 1] = e[1];
        table[4 * i + 2] = e[2];
    }
}

// A bitmap's state between its headers and its pixels: where the pixels
// lie in the file and how they are stored, and the head of the file, which
// may hold the first of them.
class Bmp final : public PictureDecoder {
public:
    explicit Bmp(const PictureHead& head) : PictureDecoder(head), headSize(head.size) {
        std::memcpy(this->head, head.bytes, head.size);
    }
    bool Finish(PictureSource& source, PictureLoad& load, std::uint8_t* bits) override;

    std::size_t bitsOffset = 0, bitsEnd = 0;  // the pixels' bytes in the file
    unsigned bitCount = 0;
    std::uint32_t compression = 0;
    bool topDown = false, plain = false;
    std::uint32_t masks[3] = {0, 0, 0};
    std::uint8_t head[kPictureHead];
    std::size_t headSize;
};

// The pixels' bytes in order, through a buffer: the part of them the head
// of the file holds, then the rest from the source, kChunk bytes at most at
// a time; or the caller's bytes when the whole file is in memory.
constexpr std::size_t kChunk = 32 * 1024;

class Pixels {
public:
    Pixels(PictureSource& source, Bmp& bmp) : source_(source), bmp_(bmp) {}
    ~Pixels() { std::free(buffer_); }
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    // From `from` to `end` in the file; false when the memory can't be had.
    bool Open(std::size_t from, std::size_t end) {
        left_ = end - from;
        if (source_.bytes) {
            at_ = source_.bytes + from;
            have_ = left_;
            return true;
        }
        capacity_ = std::min(kChunk, std::max<std::size_t>(left_, 1));
        buffer_ = static_cast<std::uint8_t*>(std::malloc(capacity_));
        if (!buffer_) return false;
        at_ = buffer_;
        if (from < bmp_.headSize) {
            have_ = std::min(bmp_.headSize - from, left_);
            std::memcpy(buffer_, bmp_.head + from, have_);
        }
        return Skip(from, bmp_.read());
    }

    // The next `n` bytes (at most kChunk), or null when the pixels end first.
    const std::uint8_t* Take(std::size_t n) {
        if (n > left_ || (n > have_ && !Fill(n))) return nullptr;
        const std::uint8_t* p = at_;
        Used(n);
        return p;
    }
    // The bytes at hand, at least `n` of them when the pixels hold that
    // many: the caller reads them in place and says how many it used.
    std::size_t Peek(std::size_t n, const std::uint8_t*& p) {
        if (n > have_ && n <= left_) Fill(n);
        p = at_;
        return have_;
    }
    void Used(std::size_t n) { at_ += n, have_ -= n, left_ -= n; }

private:
    // Reads and drops what lies between the head and the pixels.
    bool Skip(std::size_t from, std::size_t read) {
        while (read < from) {
            const std::size_t n = std::min(capacity_, from - read);
            if (bmp_.Read(source_, buffer_, n) != n) return false;
            read += n;
        }
        return true;
    }
    bool Fill(std::size_t n) {
        if (source_.bytes || n > capacity_) return false;
        std::memmove(buffer_, at_, have_);
        at_ = buffer_;
        const std::size_t want = std::min(capacity_, left_) - have_;
        have_ += bmp_.Read(source_, buffer_ + have_, want);
        return have_ >= n;
    }

    PictureSource& source_;
    Bmp& bmp_;
    std::uint8_t* buffer_ = nullptr;
    const std::uint8_t* at_ = nullptr;
    std::size_t capacity_ = 0, have_ = 0, left_ = 0;
};

std::uint8_t* Row(const PictureLoad& load, std::uint8_t* bits, std::size_t y) { return bits + load.stride() * y; }

// Masked 16- and 32-bit pixels into 24 bits, a piece of a row at a time.
bool ReadMasked(Pixels& in, const Bmp& b, const PictureLoad& load, std::uint8_t* bits) {
    const unsigned bytes = b.bitCount / 8;
    const std::size_t stride = ((static_cast<std::size_t>(load.width) * b.bitCount + 31) / 32) * 4;
    const std::size_t piece = kChunk / 4 * 4;
    const Channel red(b.masks[0]), green(b.masks[1]), blue(b.masks[2]);
    for (int r = 0; r < load.height; ++r) {
        std::uint8_t* to = Row(load, bits, static_cast<std::size_t>(b.topDown ? load.height - 1 - r : r));
        for (std::size_t done = 0; done < stride;) {
            const std::size_t n = std::min(piece, stride - done);
            const std::uint8_t* from = in.Take(n);
            if (!from) return false;
            const std::size_t pixelsHere = std::min(n, static_cast<std::size_t>(load.width) * bytes - std::min(done, static_cast<std::size_t>(load.width) * bytes)) / bytes;
            for (std::size_t x = 0; x < pixelsHere; ++x, from += bytes, to += 3) {
                const std::uint32_t pixel = bytes == 2 ? U16(from) : U32(from);
                to[0] = blue.Take(pixel);
                to[1] = green.Take(pixel);
                to[2] = red.Take(pixel);
            }
            done += n;
        }
    }
    return true;
}

// Run-length pixels, bottom row first: runs, literal runs padded to a word,
// end of line, a delta (pixels skipped keep colour 0) and end of picture,
// which may come before the last row. Pixels beyond the width are dropped;
// a stream that ends without its end is refused. The codes are read in
// place, most runs being a pixel or two long.
bool ReadRuns(Pixels& in, const Bmp& b, const PictureLoad& load, std::uint8_t* bits) {
    std::memset(bits, 0, load.bitsSize());
    const bool rle8 = b.compression == kRle8;
    const std::size_t width = static_cast<std::size_t>(load.width), height = static_cast<std::size_t>(load.height);
    const std::size_t stride = load.stride();
    const std::uint8_t *start = nullptr, *p = nullptr, *end = nullptr;
    auto ensure = [&](std::size_t n) {
        if (static_cast<std::size_t>(end - p) >= n) return true;
        in.Used(static_cast<std::size_t>(p - start));
        const std::size_t have = in.Peek(n, start);
        p = start;
        end = start + have;
        return have >= n;
    };
    std::size_t x = 0, y = 0;
    std::uint8_t* row = bits;
    while (y < height) {
        if (!ensure(2)) return false;
        const unsigned count = p[0], value = p[1];
        p += 2;
        if (count) {
            std::size_t n = std::min<std::size_t>(count, width - x);
            std::uint8_t* to = row + x;
            x += n;
            if (rle8) {
                if (n <= 2) {
                    if (n) to[0] = to[n - 1] = static_cast<std::uint8_t>(value);
                } else {
                    std::memset(to, static_cast<int>(value), n);
                }
            } else {
                for (std::size_t k = 0; k < n; ++k) to[k] = static_cast<std::uint8_t>(k % 2 ? value & 15 : value >> 4);
            }
        } else if (value == 0) {
            x = 0;
            ++y;
            row += stride;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (!ensure(2)) return false;
            x = std::min(width, x + p[0]);
            y += p[1];
            p += 2;
            if (y < height) row = bits + stride * y;
        } else {
            const std::size_t bytes = rle8 ? value : (value + 1u) / 2;
            if (!ensure(bytes)) return false;
            std::size_t n = std::min<std::size_t>(value, width - x);
            std::uint8_t* to = row + x;
            x += n;
            if (rle8) {
                for (const std::uint8_t* d = p; n--;) *to++ = *d++;
            } else {
                for (std::size_t k = 0; k < n; ++k) to[k] = static_cast<std::uint8_t>(k % 2 ? p[k / 2] & 15 : p[k / 2] >> 4);
            }
            p += bytes;
            if (bytes % 2 && ensure(1)) ++p;  // the word's padding, which may be missing at the end
        }
    }
    return true;
}

// Rows stored top row first, read in that order, put bottom-up.
void TurnOver(const PictureLoad& load, std::uint8_t* bits) {
    const std::size_t stride = load.stride();
    for (std::size_t a = 0, b = static_cast<std::size_t>(load.height) - 1; a < b; ++a, --b) {
        std::uint8_t* p = bits + a * stride;
        std::uint8_t* q = bits + b * stride;
        for (std::size_t i = 0; i < stride; ++i) std::swap(p[i], q[i]);
    }
}

bool Bmp::Finish(PictureSource& source, PictureLoad& load, std::uint8_t* bits) {
    if (plain) {
        // The rows as the file holds them: what the head already has, then
        // the rest read straight into the bits. Between the head and the
        // pixels, the bits serve to read what is dropped.
        const std::size_t total = load.bitsSize();
        std::size_t done = 0;
        if (bitsOffset < headSize) {
            done = std::min(headSize - bitsOffset, total);
            std::memcpy(bits, head + bitsOffset, done);
        }
        while (read() < bitsOffset) {
            const std::size_t n = std::min(total, bitsOffset - read());
            if (Read(source, bits, n) != n) return false;
        }
        if (Read(source, bits + done, total - done) != total - done) return false;
        if (topDown) TurnOver(load, bits);
        return true;
    }
    Pixels in(source, *this);
    if (!in.Open(bitsOffset, bitsEnd)) return false;
    return compression == kRle8 || compression == kRle4 ? ReadRuns(in, *this, load, bits)
                                                          : ReadMasked(in, *this, load, bits);
}

}  // namespace

PictureDecoder* StartBmp(PictureSource&, const PictureHead& head, PictureLoad& load) {
    BitmapHeader h;
    if (!ReadBitmapHeader(head.bytes, head.size, head.fileSize, h)) return nullptr;
    Bmp* b = new (std::nothrow) Bmp(head);
    if (!b) return nullptr;
    b->bitsOffset = h.bitsOffset;
    b->bitsEnd = h.bitsOffset + h.bitsSize;
    b->bitCount = h.bitCount;
    b->compression = h.compression;
    b->topDown = h.topDown;
    for (int i = 0; i < 3; ++i) b->masks[i] = h.masks[i];
    b->plain = h.plain;
    const bool indexed = h.bitCount <= 8;
    bool ok;
    if (h.compression == kRle8 || h.compression == kRle4) {
        b->bitsEnd = head.fileSize;
        if (h.imageSize && h.imageSize <= head.fileSize - h.bitsOffset) b->bitsEnd = h.bitsOffset + h.imageSize;
        ok = load.SetSection(h.width, h.height, 8, 1 << h.bitCount);
    } else {
        ok = load.SetSection(h.width, h.height, h.plain ? static_cast<int>(h.bitCount) : 24, indexed ? 1 << h.bitCount : 0);
    }
    if (!ok) {
        delete b;
        return nullptr;
    }
    if (indexed) ReadTable(head.bytes, h.bitsOffset, h, load.table());
    return b;
}
