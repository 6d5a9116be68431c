// GIF (87a and 89a, interlaced; the first image) into an 8-bit DIB with the
// image's own colour table, so that a palette screen draws it in its own
// colours: the transparent colour, and indices past the table, become the
// colour behind the picture; pixels the image leaves out take the screen's
// background colour when it names one (index above 0), else the colour
// behind, or the nearest of the table when 256 colours leave no room for
// it. The rules are those of stb_image 2.27, which read GIFs here before: a
// byte past the end of the file reads as 0, a code stream may end early
// (the rest is left out), and a code it can't have, a missing clear code or
// table, an image outside the screen or no image at all refuses the file.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "pictures/decoder.h"

namespace {

class Bytes {
public:
    Bytes(const std::uint8_t* d, std::size_t size, std::size_t at) : d_(d), size_(size), at_(at) {}
    unsigned Get8() { return at_ < size_ ? d_[at_++] : (++at_, 0u); }
    unsigned Get16() {
        const unsigned low = Get8();
        return low | Get8() << 8;
    }
    void Skip(std::size_t n) { at_ += n; }
    std::size_t at() const { return at_; }

private:
    const std::uint8_t* d_;
    std::size_t size_, at_;
};

// Colours as blue, green, red, zero, the order of a DIB's table.
void PutColour(std::uint8_t* e, unsigned r, unsigned g, unsigned b) {
    e[0] = static_cast<std::uint8_t>(b), e[1] = static_cast<std::uint8_t>(g), e[2] = static_cast<std::uint8_t>(r),
    e[3] = 0;
}

// An entry of the table showing exactly (r, g, b): one already there, one
// added, or with the table full the nearest.
int EntryFor(std::uint8_t* table, int& count, unsigned r, unsigned g, unsigned b) {
    int best = 0;
    unsigned bestDistance = ~0u;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = table + 4 * i;
        const unsigned distance = static_cast<unsigned>(std::abs(e[2] - static_cast<int>(r)) +
                                                        std::abs(e[1] - static_cast<int>(g)) +
                                                        std::abs(e[0] - static_cast<int>(b)));
        if (distance < bestDistance) best = i, bestDistance = distance;
    }
    if (bestDistance == 0 || count == 256) return best;
    PutColour(table + 4 * count, r, g, b);
    return count++;
}

constexpr int kCodes = 8192;

// A GIF's state between its headers and its pixels: the whole file (the
// caller's bytes, or a block of its size), where the image's data starts,
// its place, the index of the pixels it leaves out.
class Gif final : public PictureDecoder {
public:
    explicit Gif(const PictureHead& head) : PictureDecoder(head) {}
    ~Gif() override { std::free(own); }
    bool Start(PictureSource& source, const PictureHead& head, PictureColor behind, PictureLoad& load);
    bool Finish(PictureSource& source, PictureLoad& load, std::uint8_t* bits) override;

private:
    const std::uint8_t* file = nullptr;
    std::uint8_t* own = nullptr;
    std::size_t at = 0;
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    std::uint8_t fill = 0;
};

bool Gif::Start(PictureSource& source, const PictureHead& head, PictureColor behind, PictureLoad& load) {
    const std::size_t size = fileSize();
    if (source.bytes) {
        file = source.bytes;
    } else {
        own = static_cast<std::uint8_t*>(std::malloc(size));
        if (!own) return false;
        std::memcpy(own, head.bytes, head.size);
        if (Read(source, own + head.size, size - head.size) != size - head.size) return false;
        file = own;
    }
    if (size < 13 + 10) return false;  // the screen descriptor and at least one image descriptor
    Bytes in(file, size, 6);
    const int screenWidth = static_cast<int>(in.Get16()), screenHeight = static_cast<int>(in.Get16());
    const unsigned flags = in.Get8(), background = in.Get8();
    in.Get8();  // aspect ratio
    std::size_t global = 0;  // where the tables start in the file (0: none)
    int globalCount = 0;
    if (flags & 0x80) {
        global = in.at();
        globalCount = 2 << (flags & 7);
        in.Skip(3u * static_cast<unsigned>(globalCount));
    }
    int transparent = -1;
    for (;;) {
        const unsigned tag = in.Get8();
        if (tag == 0x21) {  // an extension: only the graphic control's transparency matters
            std::size_t length;
            if (in.Get8() == 0xF9) {
                length = in.Get8();
                if (length != 4) {
                    in.Skip(length);
                    continue;
                }
                const unsigned control = in.Get8();
                in.Get16();  // delay
                const unsigned index = in.Get8();
                transparent = control & 1 ? static_cast<int>(index) : -1;
            }
            while ((length = in.Get8()) != 0) in.Skip(length);
            continue;
        }
        if (tag != 0x2C) return false;  // the end with no image, or no block GIF has
        break;
    }
    left = static_cast<int>(in.Get16()), top = static_cast<int>(in.Get16());
    width = static_cast<int>(in.Get16()), height = static_cast<int>(in.Get16());
    if (left + width > screenWidth || top + height > screenHeight) return false;
    const unsigned local = in.Get8();
    interlaced = (local & 0x40) != 0;
    std::size_t colours = global;
    int count = globalCount;
    if (local & 0x80) {
        colours = in.at();
        count = 2 << (local & 7);
        in.Skip(3u * static_cast<unsigned>(count));
    } else if (!global) {
        return false;
    }
    at = in.at();
    const unsigned codeSize = Bytes(file, size, at).Get8();
    if (codeSize > 12) return false;

    // The table: the image's colours (those past the file's end read as 0),
    // then for every index the codes can give beyond them the colour behind.
    const int indices = codeSize >= 8 ? 256 : 1 << codeSize;
    int entries = count > indices ? count : indices;
    std::uint8_t table[4 * 256];
    const unsigned behindRed = behind & 0xFF, behindGreen = (behind >> 8) & 0xFF, behindBlue = (behind >> 16) & 0xFF;
    Bytes read(file, size, colours);
    for (int i = 0; i < entries; ++i) {
        const unsigned r = i < count ? read.Get8() : 0, gr = i < count ? read.Get8() : 0, b = i < count ? read.Get8() : 0;
        if (i == transparent || i >= count)
            PutColour(table + 4 * i, behindRed, behindGreen, behindBlue);
        else
            PutColour(table + 4 * i, r, gr, b);
    }
    // The colour of the pixels the image leaves out.
    unsigned r = behindRed, gr = behindGreen, b = behindBlue;
    if (background > 0) {
        r = gr = b = 0;
        if (static_cast<int>(background) < globalCount) {
            Bytes e(file, size, global + 3 * background);
            r = e.Get8(), gr = e.Get8(), b = e.Get8();
        }
    }
    fill = static_cast<std::uint8_t>(EntryFor(table, entries, r, gr, b));
    if (!load.SetSection(screenWidth, screenHeight, 8, entries)) return false;
    std::memcpy(load.table(), table, 4 * static_cast<std::size_t>(entries));
    return true;
}

bool Gif::Finish(PictureSource&, PictureLoad& load, std::uint8_t* bits) {
    const std::size_t size = fileSize();
    const Gif& g = *this;
    // Pixels the image leaves out take the fill: all of them first, unless
    // the image covers the picture row after row, when only those after an
    // early end of its data are left.
    const bool covers = g.left == 0 && g.top == 0 && g.width == load.width && g.height == load.height && !g.interlaced;
    if (!covers) std::memset(bits, g.fill, load.bitsSize());
    // The code table: each code's prefix code, string length, last and first
    // index; and room for a string that runs past the end of a row.
    auto* block = static_cast<std::uint8_t*>(std::malloc(kCodes * (2 + 2 + 1 + 1 + 1)));
    if (!block) return false;
    auto* prefix = reinterpret_cast<std::int16_t*>(block);
    auto* length = reinterpret_cast<std::uint16_t*>(block + 2 * kCodes);
    std::uint8_t* suffix = block + 4 * kCodes;
    std::uint8_t* first = suffix + kCodes;
    std::uint8_t* string = first + kCodes;

    const std::uint8_t* data = file;
    const int codeSize0 = g.at < size ? data[g.at] : 0;
    const int clear = 1 << codeSize0;
    for (int i = 0; i < clear; ++i)
        prefix[i] = -1, length[i] = 1, suffix[i] = first[i] = static_cast<std::uint8_t>(i);

    // Where the next pixel goes: x and y in the image, y stepping through the
    // passes of an interlaced one; `room`, how far a string may reach in
    // place in this row (none past the image).
    const std::size_t stride = load.stride();
    int x = 0, y = g.width == 0 ? g.height : 0, step = g.interlaced ? 8 : 1, pass = g.interlaced ? 3 : 0;
    auto rowAt = [&](int row) { return bits + stride * static_cast<std::size_t>(load.height - 1 - g.top - row) + g.left; };
    std::uint8_t* row = y < g.height ? rowAt(y) : nullptr;
    int room = y < g.height ? g.width : -1;
    auto nextRow = [&]() {
        x = 0;
        y += step;
        while (y >= g.height && pass > 0) {
            step = 1 << pass;
            y = step >> 1;
            --pass;
        }
        if (y < g.height)
            row = rowAt(y);
        else
            room = -1;
    };

    // The data blocks: the bytes of the current one that lie in the file,
    // and how many more it claims past the file's end (they read as 0).
    std::size_t next = g.at + 1;
    const std::uint8_t *p = data, *blockEnd = data;
    std::size_t past = 0;
    std::uint32_t pending = 0;
    int pendingBits = 0;

    int codeSize = codeSize0 + 1, mask = (1 << codeSize) - 1, available = clear + 2, old = -1;
    bool cleared = false, ok = true;
    for (;;) {
        if (pendingBits < codeSize) {
            // Fewer bits than a code (at most 12) wait: two bytes fit.
            if (blockEnd - p >= 2) {
                pending |= static_cast<std::uint32_t>(p[0] | p[1] << 8) << pendingBits;
                p += 2;
                pendingBits += 16;
            } else if (p < blockEnd) {
                pending |= static_cast<std::uint32_t>(*p++) << pendingBits;
                pendingBits += 8;
            } else if (past) {
                --past;
                pendingBits += 8;
            } else {
                const std::size_t blockLength = next < size ? data[next] : 0;
                if (blockLength == 0) break;  // the data ends early: the rest is left out
                const std::size_t from = next + 1, to = from + blockLength;
                p = data + std::min(from, size);
                blockEnd = data + std::min(to, size);
                past = to > size ? to - std::max(from, size) : 0;
                next = to;
            }
            continue;
        }
        const int code = static_cast<int>(pending & static_cast<std::uint32_t>(mask));
        pending >>= codeSize;
        pendingBits -= codeSize;
        if (static_cast<unsigned>(code - clear) < 2) {
            if (code != clear) break;  // the end
            codeSize = codeSize0 + 1, mask = (1 << codeSize) - 1, available = clear + 2, old = -1;
            cleared = true;
            continue;
        }
        // A code of the table, or the one it is about to hold (the previous
        // code's string and its own first index); none before a clear code.
        if (old >= 0) {
            if (code > available || available == kCodes) {
                ok = false;
                break;
            }
            prefix[available] = static_cast<std::int16_t>(old);
            length[available] = static_cast<std::uint16_t>(length[old] + 1);
            first[available] = first[old];
            suffix[available] = first[code];
            ++available;
        } else if (code >= available || !cleared) {
            ok = false;
            break;
        }
        if ((available & mask) == 0 && available <= 0x0FFF) {
            ++codeSize;
            mask = (1 << codeSize) - 1;
        }
        old = code;
        // The code's indices, last first: in place when they end in this row,
        // else through `string` and row by row.
        int n = length[code];
        if (x + n <= room) {  // most strings are a pixel or two long
            std::uint8_t* to = row + x;
            to[n - 1] = suffix[code];
            to[0] = first[code];
            int c = prefix[code];
            for (int k = n - 2; k > 0; --k, c = prefix[c]) to[k] = suffix[c];
            x += n;
            if (x == g.width) nextRow();
            continue;
        }
        if (y >= g.height) continue;  // past the image: dropped
        std::uint8_t* s = string + kCodes;
        for (int c = code; c >= 0; c = prefix[c]) *--s = suffix[c];
        for (; n && y < g.height; --n, ++s) {
            row[x] = *s;
            if (++x == g.width) nextRow();
        }
    }
    std::free(block);
    if (covers && y < g.height) {
        std::memset(row + x, g.fill, static_cast<std::size_t>(g.width - x));
        std::memset(bits, g.fill, stride * static_cast<std::size_t>(g.height - 1 - y));
    }
    return ok;
}

}  // namespace

PictureDecoder* StartGif(PictureSource& source, const PictureHead& head, PictureColor behind, PictureLoad& load) {
    Gif* gif = new (std::nothrow) Gif(head);
    if (gif && !gif->Start(source, head, behind, load)) {
        delete gif;
        return nullptr;
    }
    return gif;
}
