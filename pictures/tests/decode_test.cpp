// The decoders against files whose pixels the test knows: bitmaps of every
// header, depth and compression written here, bitmaps written by ImageMagick,
// JPEG and GIF written by Pillow (make_pictures.py), and damaged files.
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <unistd.h>
#include <fstream>
#include <memory>
#include <iterator>
#include <algorithm>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pictures/dib.h"
#include "pictures/picture_load.h"
#include "pictures/tests/stb_gif.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

// The colour of a Dib's pixel, (0, 0) the top left.
Rgb At(const Dib& dib, int x, int y) {
    const std::uint8_t* e = dib.Colour(x, dib.height - 1 - y);
    if (dib.bitCount < 24) {
        EXPECT_LT((e - dib.bytes.data() - 40) / 4, dib.colors);
    }
    return {e[2], e[1], e[0]};
}

void Put(Bytes& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A bitmap file as a picture tool writes it.
struct BmpSpec {
    std::uint32_t header = 40;
    int width = 0, height = 0;
    int bits = 24;
    std::uint32_t compression = 0;
    bool topDown = false;
    std::uint32_t colorsUsed = 0;
    std::vector<Rgb> table;
    std::uint32_t masks[3] = {0, 0, 0};
    Bytes pixels;  // as stored
};

Bytes Write(const BmpSpec& s) {
    const bool core = s.header == 12;
    const std::uint32_t masksAfter = s.compression == 3 && s.header == 40 ? 12 : 0;
    const std::uint32_t offset = 14 + s.header + masksAfter + static_cast<std::uint32_t>(s.table.size()) * (core ? 3 : 4);
    Bytes b = {'B', 'M'};
    Put(b, offset + static_cast<std::uint32_t>(s.pixels.size()), 4);
    Put(b, 0, 4);
    Put(b, offset, 4);
    Put(b, s.header, 4);
    if (core) {
        Put(b, s.width, 2), Put(b, s.height, 2), Put(b, 1, 2), Put(b, s.bits, 2);
    } else {
        Put(b, s.width, 4), Put(b, s.topDown ? -s.height : s.height, 4), Put(b, 1, 2), Put(b, s.bits, 2);
        Put(b, s.compression, 4), Put(b, static_cast<std::uint32_t>(s.pixels.size()), 4);
        Put(b, 2835, 4), Put(b, 2835, 4), Put(b, s.colorsUsed, 4), Put(b, 0, 4);
        for (std::uint32_t at = 40; at < s.header; at += 4) Put(b, at < 52 ? s.masks[(at - 40) / 4] : 0, 4);
        if (masksAfter)
            for (std::uint32_t m : s.masks) Put(b, m, 4);
    }
    for (const Rgb& c : s.table) {
        b.push_back(static_cast<std::uint8_t>(c.b)), b.push_back(static_cast<std::uint8_t>(c.g)),
            b.push_back(static_cast<std::uint8_t>(c.r));
        if (!core) b.push_back(0);
    }
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
    return b;
}

// Rows in the file's order, each padded to four bytes; value(x, y) with (0, 0)
// the top left.
template <typename Value>
Bytes Rows(int width, int height, int bits, bool topDown, Value value) {
    Bytes out;
    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    for (int r = 0; r < height; ++r) {
        const int y = topDown ? r : height - 1 - r;
        Bytes row(stride, 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, y);
            if (bits < 8) {
                const int shift = 8 - bits - (x * bits) % 8;
                row[x * bits / 8] |= static_cast<std::uint8_t>(v << shift);
            } else {
                for (int i = 0; i < bits / 8; ++i) row[x * bits / 8 + i] = static_cast<std::uint8_t>(v >> (8 * i));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::vector<Rgb> Table(int n) {
    std::vector<Rgb> t;
    for (int i = 0; i < n; ++i) t.push_back({(i * 37) & 255, (i * 91 + 20) & 255, 255 - ((i * 53) & 255)});
    return t;
}

Rgb Smooth(int x, int y) { return {x * 8 & 255, y * 16 & 255, (x + y) * 5 & 255}; }

Dib Decoded(const Bytes& file, PictureColor behind = 0) {
    Dib dib;
    EXPECT_TRUE(DecodePicture(file.data(), file.size(), behind, dib));
    return dib;
}

// Pixels within `margin` of the edges of the 16-pixel blocks are left out:
// there a JPEG's colour, kept at half resolution, is blended across the edge.
void ExpectPixels(const Dib& dib, int width, int height, Rgb (*expected)(int, int), int tolerance = 0,
                  int margin = 0) {
    ASSERT_EQ(dib.width, width);
    ASSERT_EQ(dib.height, height);
    ASSERT_EQ(dib.bytes.size(), dib.bitsOffset() + dib.stride() * static_cast<std::size_t>(height));
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            auto nearEdge = [&](int v) { return v % 16 < margin || v % 16 >= 16 - margin; };
            if (nearEdge(x) || nearEdge(y)) continue;
            const Rgb got = At(dib, x, y), want = expected(x, y);
            if (std::abs(got.r - want.r) > tolerance || std::abs(got.g - want.g) > tolerance ||
                std::abs(got.b - want.b) > tolerance) {
                if (++wrong <= 3) ADD_FAILURE() << "pixel " << x << "," << y << " is " << got << ", not " << want;
            }
        }
    EXPECT_EQ(wrong, 0);
}

// Copied into a spec as a new vector moved in: GCC 12 warns, wrongly, that a
// copy assignment of it passes memmove a null pointer.
std::vector<Rgb> gTable;
int gBits = 0;
Rgb FromTable(int x, int y) { return gTable[static_cast<std::size_t>((x + 3 * y) % (1 << gBits))]; }

TEST(Bmp, IndexedDepthsUnderEveryHeader) {
    for (std::uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u})
        for (int bits : {1, 4, 8})
            for (bool topDown : {false, true}) {
                if (topDown && header == 12) continue;
                SCOPED_TRACE("header " + std::to_string(header) + ", " + std::to_string(bits) + " bits" +
                             (topDown ? ", top-down" : ""));
                gBits = bits;
                gTable = Table(1 << bits);
                BmpSpec s;
                s.header = header, s.width = 13, s.height = 7, s.bits = bits, s.topDown = topDown;
                s.table = std::vector<Rgb>(gTable);
                s.pixels = Rows(13, 7, bits, topDown, [&](int x, int y) { return (x + 3 * y) % (1 << bits); });
                Dib dib = Decoded(Write(s));
                EXPECT_EQ(dib.bitCount, bits) << "the rows as the file holds them";
                ExpectPixels(dib, 13, 7, FromTable);
            }
}

TEST(Bmp, TrueColourUnderEveryHeader) {
    for (std::uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u})
        for (bool topDown : {false, true}) {
            if (topDown && header == 12) continue;
            SCOPED_TRACE("header " + std::to_string(header) + (topDown ? ", top-down" : ""));
            BmpSpec s;
            s.header = header, s.width = 11, s.height = 5, s.bits = 24, s.topDown = topDown;
            s.pixels = Rows(11, 5, 24, topDown, [](int x, int y) {
                const Rgb c = Smooth(x, y);
                return static_cast<std::uint32_t>(c.b | c.g << 8 | c.r << 16);
            });
            Dib dib = Decoded(Write(s));
            EXPECT_EQ(dib.bitCount, 24);
            ExpectPixels(dib, 11, 5, Smooth);
        }
}

// 16 and 32 bits: the masks Windows 95 takes and others it does not.
struct MaskCase {
    const char* name;
    int bits;
    std::uint32_t compression;
    std::uint32_t masks[3];
};

TEST(Bmp, MaskedPixelsWithAnyMasks) {
    const MaskCase cases[] = {
        {"16 bits, 5-5-5 by default", 16, 0, {0x7C00, 0x03E0, 0x001F}},
        {"16 bits, 5-6-5", 16, 3, {0xF800, 0x07E0, 0x001F}},
        {"16 bits, 4-4-4", 16, 3, {0x0F00, 0x00F0, 0x000F}},
        {"16 bits, blue first", 16, 3, {0x001F, 0x03E0, 0x7C00}},
        {"32 bits, 8-8-8 by default", 32, 0, {0xFF0000, 0x00FF00, 0x0000FF}},
        {"32 bits, 10-10-10", 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}},
        {"32 bits, RGBA order", 32, 3, {0xFF000000, 0x00FF0000, 0x0000FF00}},
    };
    for (const MaskCase& c : cases)
        for (std::uint32_t header : {40u, 52u, 108u, 124u}) {
            SCOPED_TRACE(std::string(c.name) + ", header " + std::to_string(header));
            // Each channel's value at full width of its mask, and what it reads as in 8 bits.
            auto field = [&](int channel, int level) -> std::uint32_t {
                const std::uint32_t mask = c.masks[channel];
                const int shift = __builtin_ctz(mask), width = 32 - __builtin_clz(mask) - shift;
                const std::uint32_t top = (1u << width) - 1;
                return (static_cast<std::uint32_t>(level) * top / 255u) << shift;
            };
            static const MaskCase* current;
            current = &c;
            BmpSpec s;
            s.header = header, s.width = 9, s.height = 4, s.bits = c.bits, s.compression = c.compression;
            for (int i = 0; i < 3; ++i) s.masks[i] = c.masks[i];
            s.pixels = Rows(9, 4, c.bits, false, [&](int x, int y) {
                return field(0, x * 31) | field(1, y * 85) | field(2, 255 - x * 28);
            });
            Dib dib = Decoded(Write(s));
            ASSERT_EQ(dib.bitCount, 24);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 9; ++x) {
                    const Rgb got = At(dib, x, y);
                    // The value stored, widened back: within one step of the mask's width
                    // and the rounding down on the way there and back.
                    const Rgb want = {x * 31, y * 85, 255 - x * 28};
                    auto step = [&](int channel) {
                        const std::uint32_t mask = current->masks[channel];
                        const int width = 32 - __builtin_clz(mask) - __builtin_ctz(mask);
                        return width >= 8 ? 1 : 255 / ((1 << width) - 1) + 2;
                    };
                    EXPECT_NEAR(got.r, want.r, step(0)) << x << "," << y;
                    EXPECT_NEAR(got.g, want.g, step(1)) << x << "," << y;
                    EXPECT_NEAR(got.b, want.b, step(2)) << x << "," << y;
                }
        }
}

TEST(Bmp, WhiteOfNarrowMasksIsFullWhite) {
    BmpSpec s;
    s.width = 2, s.height = 1, s.bits = 16, s.compression = 3, s.masks[0] = 0x0F00, s.masks[1] = 0x00F0,
    s.masks[2] = 0x000F;
    s.pixels = Rows(2, 1, 16, false, [](int x, int) { return x ? 0x0FFFu : 0x0800u; });
    Dib dib = Decoded(Write(s));
    EXPECT_EQ(At(dib, 1, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(At(dib, 0, 0), (Rgb{136, 0, 0}));
}

TEST(Bmp, ColourTableShorterThanTheDepthAllows) {
    gBits = 8;
    gTable = Table(3);
    BmpSpec s;
    s.width = 6, s.height = 2, s.bits = 8, s.colorsUsed = 3, s.table = std::vector<Rgb>(gTable);
    s.pixels = Rows(6, 2, 8, false, [](int x, int) { return static_cast<std::uint32_t>(x); });
    Dib dib = Decoded(Write(s));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(At(dib, x, 1), gTable[x]);
    for (int x = 3; x < 6; ++x) EXPECT_EQ(At(dib, x, 0), (Rgb{0, 0, 0})) << "an index past the table is black";
}

// Run-length bitmaps: the expected picture drawn by hand, row 0 the bottom.
TEST(Bmp, RunLength8WithDeltaEndOfLineAndEarlyEnd) {
    BmpSpec s;
    s.width = 8, s.height = 4, s.bits = 8, s.compression = 1, s.table = Table(256);
    s.pixels = {3, 1,  0, 3, 2, 3, 2, 0,  0, 0,   // bottom row: 1 1 1 2 3 2, literal padded
                0, 2, 2, 0, 2, 3, 0, 0,            // row 1: delta to x 2, two 3s
                0, 2, 1, 1, 20, 2,                 // delta (1, 1), twenty twos
                0, 1,                              // end, before the last rows
                9, 9};                             // never read
    // After the second end of line x = 0, y = 2; the delta (1, 1) moves to x = 1, y = 3;
    // the run of 20 twos is cut at the width.
    const int expected[4][8] = {
        {1, 1, 1, 2, 3, 2, 0, 0},
        {0, 0, 3, 3, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0},
        {0, 2, 2, 2, 2, 2, 2, 2},
    };
    const auto table = Table(256);
    Dib dib = Decoded(Write(s));
    for (int row = 0; row < 4; ++row)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(At(dib, x, 3 - row), table[expected[row][x]]) << "row " << row << ", x " << x;
}

TEST(Bmp, RunLength4) {
    BmpSpec s;
    s.width = 12, s.height = 2, s.bits = 4, s.compression = 2, s.table = Table(16);
    s.pixels = {5, 0x12,  0, 5, 0x34, 0x56, 0x70, 0,  0, 0,  // 1 2 1 2 1 3 4 5 6 7
                0, 2, 4, 0,  3, 0xAB,  0, 1};                  // row 1: four skipped, A B A
    const int expected[2][12] = {
        {1, 2, 1, 2, 1, 3, 4, 5, 6, 7, 0, 0},
        {0, 0, 0, 0, 10, 11, 10, 0, 0, 0, 0, 0},
    };
    const auto table = Table(16);
    Dib dib = Decoded(Write(s));
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(At(dib, x, 1 - row), table[expected[row][x]]) << "row " << row << ", x " << x;
}

// Damaged, inconsistent and oversized files are refused, and the Dib given
// keeps what it held.
TEST(Bmp, RefusedFiles) {
    auto plain = [] {
        BmpSpec s;
        s.width = 4, s.height = 4;
        s.pixels = Rows(4, 4, 24, false, [](int, int) { return 0x123456u; });
        return s;
    };
    auto rle = [](Bytes pixels) {
        BmpSpec s;
        s.width = 4, s.height = 2, s.bits = 8, s.compression = 1, s.colorsUsed = 4, s.table = Table(4);
        s.pixels = std::move(pixels);
        return Write(s);
    };
    struct Case {
        const char* name;
        Bytes file;
    };
    std::vector<Case> cases;
    Bytes cut = Write(plain());
    cut.pop_back();
    cases.push_back({"pixels one byte short", cut});
    BmpSpec s = plain();
    s.header = 64;
    cases.push_back({"64-byte OS/2 header", Write(s)});
    s = plain(), s.compression = 1;
    cases.push_back({"24 bits run-length", Write(s)});
    s = plain(), s.compression = 3;
    cases.push_back({"24 bits with masks", Write(s)});
    s = plain(), s.bits = 8, s.colorsUsed = 300, s.table = Table(256);
    cases.push_back({"more colours than 8 bits hold", Write(s)});
    s = plain(), s.width = 0;
    cases.push_back({"no width", Write(s)});
    s = plain(), s.width = 5000, s.height = 5000, s.pixels.clear();
    cases.push_back({"5000 by 5000 pixels", Write(s)});
    s = plain(), s.compression = 4;
    cases.push_back({"a JPEG inside a bitmap", Write(s)});
    Bytes far = Write(plain());
    far[10] = 0xFF, far[11] = 0xFF;
    cases.push_back({"pixels past the end", far});
    cases.push_back({"run-length without its end", rle({4, 1, 0, 0, 4, 2})});
    cases.push_back({"run-length literal past the data", rle({0, 8, 1, 2})});
    cases.push_back({"run-length delta past the data", rle({0, 2, 1})});
    s = plain(), s.bits = 8, s.compression = 1, s.topDown = true, s.table = Table(4), s.pixels = {0, 1};
    cases.push_back({"top-down run-length", Write(s)});
    cases.push_back({"not a bitmap", Bytes{'B', 'X', 0, 0}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Dib dib;
        dib.width = 77;
        dib.bytes = {1, 2, 3};
        EXPECT_FALSE(DecodePicture(c.file.data(), c.file.size(), 0, dib));
        EXPECT_EQ(dib.width, 77);
        EXPECT_EQ(dib.bytes, (Bytes{1, 2, 3}));
        EXPECT_FALSE(DecodeBmp(c.file.data(), c.file.size(), dib)) << "the decoder alone refuses it too";
    }
}

// Every prefix of a run-length file and of a masked one: read in a buffer of
// exactly that size, so that the sanitizers see a read past it.
TEST(Bmp, NoPrefixIsReadPastItsEnd) {
    BmpSpec s;
    s.width = 8, s.height = 4, s.bits = 8, s.compression = 1, s.colorsUsed = 16, s.table = Table(16);
    s.pixels = {3, 1, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 0, 2, 3, 0, 1};
    BmpSpec m;
    m.header = 124, m.width = 3, m.height = 3, m.bits = 16, m.compression = 3, m.masks[0] = 0xF800,
    m.masks[1] = 0x07E0, m.masks[2] = 0x1F;
    m.pixels = Rows(3, 3, 16, false, [](int x, int y) { return static_cast<std::uint32_t>(x * 1000 + y); });
    for (const Bytes& whole : {Write(s), Write(m)})
        for (std::size_t n = 0; n < whole.size(); ++n) {
            std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[n ? n : 1]);
            std::copy(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n), exact.get());
            Dib dib;
            EXPECT_FALSE(DecodePicture(exact.get(), n, 0, dib)) << n << " bytes of " << whole.size();
        }
}

// ---- the file read through a source, as the launcher reads it

// A file handed out at most `most` bytes a call, every call's place noted;
// with `failAt`, the reads stop there as a drive without its disc does.
struct Reader {
    explicit Reader(const Bytes* f) : file(f) {}
    const Bytes* file;
    std::size_t at = 0, most = ~std::size_t{0}, failAt = ~std::size_t{0};
    std::vector<std::pair<const std::uint8_t*, std::size_t>> calls;

    static std::size_t Read(void* context, std::uint8_t* to, std::size_t n) {
        auto* r = static_cast<Reader*>(context);
        r->calls.push_back({to, n});
        n = std::min({n, r->most, r->file->size() - r->at});
        if (r->at + n > r->failAt) n = r->at < r->failAt ? r->failAt - r->at : 0;
        std::copy(r->file->begin() + static_cast<std::ptrdiff_t>(r->at),
                  r->file->begin() + static_cast<std::ptrdiff_t>(r->at + n), to);
        r->at += n;
        return n;
    }
    PictureSource Source() {
        PictureSource source;
        source.read = Read;
        source.context = this;
        source.size = file->size();
        return source;
    }
};

// The Dib's bits read through a Reader; false for a file refused.
bool ReadThrough(Reader& reader, PictureColor behind, Bytes& bits, Bytes* info = nullptr) {
    PictureSource source = reader.Source();
    PictureLoad load;
    if (!StartPictureLoad(source, behind, load)) return false;
    bits.assign(load.bitsSize(), 0xAA);
    if (info) info->assign(load.info(), load.info() + 40 + 4 * load.colors);
    return FinishPictureLoad(source, load, bits.data());
}

// Bitmaps of each kind, some larger than the first read and than the
// buffer of the decoded ones, one with a gap between its table and pixels.
std::vector<std::pair<std::string, Bytes>> Bitmaps() {
    std::vector<std::pair<std::string, Bytes>> files;
    BmpSpec s;
    s.width = 301, s.height = 70;  // 63 KB of pixels
    s.pixels = Rows(301, 70, 24, false, [](int x, int y) { return static_cast<std::uint32_t>(x * 77 + y * 3001); });
    files.push_back({"24 bits", Write(s)});
    s.topDown = true;
    files.push_back({"24 bits, top-down", Write(s)});
    for (int bits : {1, 4, 8}) {
        BmpSpec t;
        t.header = bits == 4 ? 12 : 124, t.width = 97, t.height = 41, t.bits = bits, t.table = Table(1 << bits);
        t.pixels = Rows(97, 41, bits, false, [&](int x, int y) { return static_cast<std::uint32_t>((x * y + x) % (1 << bits)); });
        files.push_back({std::to_string(bits) + " bits", Write(t)});
    }
    BmpSpec m;
    m.header = 108, m.width = 200, m.height = 60, m.bits = 32, m.compression = 3;
    m.masks[0] = 0x3FF00000, m.masks[1] = 0x000FFC00, m.masks[2] = 0x000003FF;
    m.pixels = Rows(200, 60, 32, false, [](int x, int y) { return static_cast<std::uint32_t>(x * 5557 + y * 1234567); });
    files.push_back({"32 bits, masks, 47 KB", Write(m)});
    BmpSpec r;
    r.width = 250, r.height = 300, r.bits = 8, r.compression = 1, r.table = Table(256);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 250; x += 5) r.pixels.insert(r.pixels.end(), {0, 5, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x + y), 1, 2, 0});
        r.pixels.insert(r.pixels.end(), {0, 0});
    }
    r.pixels.insert(r.pixels.end(), {0, 1});
    files.push_back({"run-length 8, 60 KB of runs", Write(r)});
    Bytes gap = Write(s);  // 24 bits, the pixels 5000 bytes further on
    const std::uint32_t offset = 54 + 5000;
    gap.insert(gap.begin() + 54, 5000, 0x5A);
    for (int i = 0; i < 4; ++i) gap[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    files.push_back({"24 bits after a gap", gap});
    return files;
}

TEST(Load, ReadInPiecesAsFromMemory) {
    for (const auto& [name, file] : Bitmaps())
        for (std::size_t most : {std::size_t{1} << 30, std::size_t{4096}, std::size_t{1000}, std::size_t{7}}) {
            SCOPED_TRACE(name + ", " + std::to_string(most) + " bytes a read");
            Dib dib = Decoded(file);
            Reader reader(&file);
            reader.most = most;
            Bytes bits;
            ASSERT_TRUE(ReadThrough(reader, 0, bits));
            EXPECT_EQ(reader.at, file.size()) << "the file is read to its end";
            EXPECT_TRUE(std::equal(bits.begin(), bits.end(), dib.bits())) << "the same rows as from memory";
        }
}

TEST(Load, PlainBitmapRowsAreReadIntoTheBits) {
    // After the first read (headers, table, the first rows) one read asks for
    // the rest of the pixels, straight into the bits where they belong.
    for (const auto& [name, file] : Bitmaps()) {
        if (name != "24 bits" && name != "8 bits" && name != "24 bits after a gap") continue;
        SCOPED_TRACE(name);
        Reader reader(&file);
        Bytes bits;
        ASSERT_TRUE(ReadThrough(reader, 0, bits));
        ASSERT_GE(reader.calls.size(), 2u);
        EXPECT_EQ(reader.calls.front().second, kPictureHead);
        const auto& last = reader.calls.back();
        EXPECT_EQ(last.first + last.second, bits.data() + bits.size());
        const std::uint32_t offset = file[10] | file[11] << 8 | file[12] << 16;
        EXPECT_EQ(last.second, bits.size() - (offset < kPictureHead ? kPictureHead - offset : 0));
    }
}

TEST(Load, GifIsEightBitsWithItsOwnColours) {
    // Four colours, the third transparent: two rows of 0 1 2 3, coded with a
    // clear code before every index so that the codes stay 3 bits wide.
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x81, 0, 0,
                 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120,
                 0x21, 0xF9, 4, 1, 0, 0, 2, 0,
                 0x2C, 0, 0, 0, 0, 4, 0, 2, 0, 0};
    std::vector<int> codes;
    for (int i = 0; i < 8; ++i) codes.push_back(4), codes.push_back(i % 4);
    codes.push_back(5);
    Bytes data;
    std::uint32_t pending = 0;
    int bits = 0;
    for (int c : codes) {
        pending |= static_cast<std::uint32_t>(c) << bits, bits += 3;
        while (bits >= 8) data.push_back(static_cast<std::uint8_t>(pending)), pending >>= 8, bits -= 8;
    }
    if (bits) data.push_back(static_cast<std::uint8_t>(pending));
    gif.push_back(2);
    gif.push_back(static_cast<std::uint8_t>(data.size()));
    gif.insert(gif.end(), data.begin(), data.end());
    gif.insert(gif.end(), {0, 0x3B});
    Dib dib = Decoded(gif, 0x00030201);
    ASSERT_EQ(dib.bitCount, 8);
    ASSERT_EQ(dib.colors, 4);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(At(dib, 0, y), (Rgb{10, 20, 30}));
        EXPECT_EQ(At(dib, 1, y), (Rgb{40, 50, 60}));
        EXPECT_EQ(At(dib, 2, y), (Rgb{1, 2, 3})) << "the transparent colour is the colour behind";
        EXPECT_EQ(At(dib, 3, y), (Rgb{100, 110, 120}));
        EXPECT_EQ(dib.bits()[dib.stride() * static_cast<std::size_t>(y) + 3], 3) << "the file's own index";
    }
}

TEST(Load, AReadThatStopsRefusesThePicture) {
    for (const auto& [name, file] : Bitmaps()) {
        SCOPED_TRACE(name);
        // Within the headers, the first read, the pixels, the last row.
        for (std::size_t failAt : {std::size_t{0}, std::size_t{30}, std::min(kPictureHead - 1, file.size() / 3),
                                   file.size() / 2, file.size() - 3}) {
            Reader reader(&file);
            reader.failAt = failAt;
            Bytes bits;
            EXPECT_FALSE(ReadThrough(reader, 0, bits)) << "reads stop at " << failAt;
        }
    }
}

// ---- files written by the tools

Rgb Blocks(int x, int y) {
    static const Rgb colours[6] = {{200, 30, 40}, {20, 160, 60}, {30, 60, 220}, {240, 220, 40}, {250, 250, 250}, {10, 10, 10}};
    return colours[(x / 16) % 3 + 3 * ((y / 16) % 2)];
}
Rgb GreyBlocks(int x, int y) {
    const int v = 30 + 40 * ((x / 16) % 3 + 3 * ((y / 16) % 2));
    return {v, v, v};
}

class Tools : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char name[] = "/tmp/picture-tests.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder_ = name;
        WritePpm("source.ppm", Blocks);
        WritePpm("grey.ppm", GreyBlocks);
        const std::string command = SYSTEM_PYTHON3 " " PICTURE_TESTS_DIR "/make_pictures.py " + folder_;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    static void TearDownTestSuite() { std::system(("rm -rf " + folder_).c_str()); }

    static void WritePpm(const char* name, Rgb (*colour)(int, int)) {
        std::ofstream out(folder_ + "/" + name, std::ios::binary);
        out << "P6\n48 32\n255\n";
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 48; ++x) {
                const Rgb c = colour(x, y);
                out.put(static_cast<char>(c.r)).put(static_cast<char>(c.g)).put(static_cast<char>(c.b));
            }
    }
    static Bytes Read(const std::string& name) {
        std::ifstream in(folder_ + "/" + name, std::ios::binary);
        EXPECT_TRUE(in) << name;
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static std::string folder_;
};
std::string Tools::folder_;

TEST_F(Tools, ImageMagickBitmaps) {
    for (const char* name : {"im-core.bmp", "im-v3.bmp", "im-v5.bmp", "im-v5-565.bmp", "im-v5-argb.bmp",
                             "im-palette.bmp", "im-rle8.bmp"}) {
        SCOPED_TRACE(name);
        const Bytes file = Read(name);
        ASSERT_GT(file.size(), 30u);
        // 5-6-5 keeps 5 bits of red and blue, 6 of green.
        const bool narrow = std::string(name) == "im-v5-565.bmp";
        ExpectPixels(Decoded(file), 48, 32, Blocks, narrow ? 8 : 0);
    }
    const Bytes rle = Read("im-rle8.bmp");
    EXPECT_EQ(rle[30], 1) << "ImageMagick wrote it run-length";
    EXPECT_EQ(Read("im-v5.bmp")[14], 124);
    EXPECT_EQ(Read("im-core.bmp")[14], 12);
}

TEST_F(Tools, Jpeg) {
    ExpectPixels(Decoded(Read("full-colour.jpg")), 48, 32, Blocks, 12);
    ExpectPixels(Decoded(Read("baseline.jpg")), 48, 32, Blocks, 12, 2);
    ExpectPixels(Decoded(Read("progressive.jpg")), 48, 32, Blocks, 12, 2);
    Dib grey = Decoded(Read("grey.jpg"));
    EXPECT_EQ(grey.bitCount, 8) << "a grey JPEG's section is 8 bits with a grey table";
    EXPECT_EQ(grey.colors, 256);
    ExpectPixels(grey, 48, 32, GreyBlocks, 6);
}

// Whether a GIF's first image is stored interlaced.
bool Interlaced(const Bytes& gif) {
    std::size_t i = 13 + (gif[10] & 0x80 ? 3u << ((gif[10] & 7) + 1) : 0);
    while (i < gif.size() && gif[i] == 0x21) {  // extensions
        i += 2;
        while (i < gif.size() && gif[i]) i += gif[i] + 1u;
        ++i;
    }
    return i + 9 < gif.size() && gif[i] == 0x2C && (gif[i + 9] & 0x40);
}

TEST_F(Tools, GifAndJpegReadInPiecesAsFromMemory) {
    for (const char* name : {"baseline.jpg", "progressive.jpg", "plain87a.gif", "interlaced.gif", "transparent.gif"}) {
        SCOPED_TRACE(name);
        const Bytes file = Read(name);
        Dib dib = Decoded(file, 0x808000);
        Reader reader(&file);
        reader.most = 100;
        Bytes bits, info;
        ASSERT_TRUE(ReadThrough(reader, 0x808000, bits, &info));
        EXPECT_TRUE(std::equal(bits.begin(), bits.end(), dib.bits()));
        EXPECT_TRUE(std::equal(info.begin(), info.end(), dib.bytes.begin()));
        EXPECT_EQ(dib.bitCount, std::string(name).find(".gif") != std::string::npos ? 8 : 24);
    }
}

TEST_F(Tools, Gif) {
    const Bytes plain = Read("plain87a.gif");
    EXPECT_EQ(std::string(plain.begin(), plain.begin() + 6), "GIF87a");
    ExpectPixels(Decoded(plain), 48, 32, Blocks);
    const Bytes interlaced = Read("interlaced.gif");
    EXPECT_TRUE(Interlaced(interlaced));
    EXPECT_FALSE(Interlaced(plain));
    ExpectPixels(Decoded(interlaced), 48, 32, Blocks);
    ExpectPixels(Decoded(Read("frames.gif")), 48, 32, Blocks);
}

// The launcher's GIF decoder against stb_image's, which read GIFs before it:
// the same verdict and the same colours for the test's GIFs whole, cut at
// many places and with single bits changed.
TEST_F(Tools, GifAsStbImageReadIt) {
    const PictureColor behind = 0x00406080;
    int accepted = 0, refused = 0;
    for (const char* name :
         {"plain87a.gif", "interlaced.gif", "transparent.gif", "frames.gif", "noise.gif", "noise-interlaced.gif"}) {
        const Bytes file = Read(name);
        std::vector<Bytes> variants = {file};
        for (std::size_t n = 1; n < file.size(); n += 1 + file.size() / 97)
            variants.emplace_back(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        std::uint32_t seed = 1;
        for (int k = 0; k < 400; ++k) {
            Bytes changed = file;
            seed = seed * 1103515245u + 12345u;
            changed[(seed >> 8) % changed.size()] ^= static_cast<std::uint8_t>(1u << (seed >> 28) % 8);
            variants.push_back(changed);
        }
        for (std::size_t v = 0; v < variants.size(); ++v) {
            const Bytes& gif = variants[v];
            SCOPED_TRACE(std::string(name) + ", variant " + std::to_string(v) + ", " + std::to_string(gif.size()) + " bytes");
            Dib dib;
            const bool ours = DecodePicture(gif.data(), gif.size(), behind, dib);
            if (!InspectPicture(gif.data(), gif.size()).ok) {
                EXPECT_FALSE(ours) << "refused before any decoder";
                continue;
            }
            int width = 0, height = 0;
            std::vector<std::uint32_t> want;
            const bool stb = StbGif(gif.data(), gif.size(), behind, width, height, want);
            ASSERT_EQ(ours, stb);
            ++(ours ? accepted : refused);
            if (!ours) continue;
            ASSERT_EQ(dib.width, width);
            ASSERT_EQ(dib.height, height);
            ASSERT_EQ(dib.bitCount, 8);
            const bool room = dib.colors < 256;  // for a colour the table lacks
            int wrong = 0;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t* e = dib.Colour(x, height - 1 - y);
                    const std::uint32_t got = static_cast<std::uint32_t>(e[2] | e[1] << 8 | e[0] << 16);
                    const std::uint32_t expected = want[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                                        static_cast<std::size_t>(x)];
                    if (!SameAsStb(got, expected, behind, gif.data(), gif.size(), room) && ++wrong <= 3)
                        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << got << ", not " << expected;
                }
            ASSERT_EQ(wrong, 0);
        }
    }
    std::printf("GIFs as stb_image reads them: %d accepted, %d refused\n", accepted, refused);
    EXPECT_GT(accepted, 100);
    EXPECT_GT(refused, 100);
}

Rgb BlocksOverTeal(int x, int y) {
    const Rgb c = Blocks(x, y);
    return c == Blocks(0, 0) ? Rgb{0, 128, 128} : c;
}

TEST_F(Tools, TransparentGifShowsWhatIsBehind) {
    const Bytes file = Read("transparent.gif");
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
    ExpectPixels(Decoded(file, 0x808000), 48, 32, BlocksOverTeal);
}

TEST_F(Tools, DamagedJpegAndGifAreRefused) {
    for (const char* name : {"baseline.jpg", "progressive.jpg", "plain87a.gif", "interlaced.gif"}) {
        SCOPED_TRACE(name);
        Bytes file = Read(name);
        // Cut before the image data ends; every cut read from a buffer of its own size.
        for (std::size_t n : {file.size() / 8, file.size() / 3}) {
            std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[n]);
            std::copy(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n), exact.get());
            Dib dib;
            DecodePicture(exact.get(), n, 0, dib);  // the sanitizers judge the reads
        }
        if (std::string(name).find(".jpg") != std::string::npos) {
            // A Huffman table claiming 16 x 255 codes, which stb_image 2.27 would store past its tables.
            Bytes overfull = file;
            std::size_t at = 2;
            while (at + 4 < overfull.size() && !(overfull[at] == 0xFF && overfull[at + 1] == 0xC4))
                at += 2 + (overfull[at + 2] << 8 | overfull[at + 3]);
            ASSERT_LT(at + 21, overfull.size());
            for (int k = 0; k < 16; ++k) overfull[at + 5 + k] = 0xFF;
            Dib dib;
            EXPECT_FALSE(DecodePicture(overfull.data(), overfull.size(), 0, dib));
            // The first scan's first component decoding with tables 3, which
            // the file never defines: stb_image would read them unset.
            Bytes undefined = file;
            at = 2;
            while (at + 4 < undefined.size() && !(undefined[at] == 0xFF && undefined[at + 1] == 0xDA))
                at += 2 + (undefined[at + 2] << 8 | undefined[at + 3]);
            ASSERT_LT(at + 6, undefined.size());
            undefined[at + 6] = 0x33;
            EXPECT_FALSE(DecodePicture(undefined.data(), undefined.size(), 0, dib));
        }
        Bytes wrong = file;
        wrong[1] ^= 0x55;
        Dib dib;
        EXPECT_FALSE(DecodePicture(wrong.data(), wrong.size(), 0, dib));
    }
}

}  // namespace
