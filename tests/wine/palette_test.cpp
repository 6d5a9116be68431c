// Pictures on a screen of 256 colours, at the level of GDI: Wine's X11
// driver cannot run an 8-bit display, so the screen is an 8-bit DIB section
// whose colours are those such a screen has once a palette is realized in the
// foreground (the 20 colours Windows keeps, then the palette's own), or the
// 20 colours alone when no palette is realized. A picture is drawn into it as
// the windows draw it, and its colours are compared with the picture's. For
// a picture loaded from a file, the screen claims a palette (this program's
// import of GetDeviceCaps says RC_PALETTE), as a 256-colour screen does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pictures/dib.h"
#include "platform/forms/win32/picture.h"
#include "tests/wine/imports.h"

namespace {

constexpr int kSize = 64;

std::vector<RGBQUAD> StaticColours() {
    PALETTEENTRY entries[20];
    const UINT n = GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, entries);
    std::vector<RGBQUAD> colours;
    for (UINT i = 0; i < n; ++i) colours.push_back({entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
    return colours;
}

// The screen's colours with a palette realized in the foreground.
std::vector<RGBQUAD> WithPalette(HPALETTE palette) {
    std::vector<RGBQUAD> colours = StaticColours();
    PALETTEENTRY entries[256];
    const UINT n = GetPaletteEntries(palette, 0, 256, entries);
    for (UINT i = 0; i < n && colours.size() < 256; ++i)
        colours.push_back({entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
    return colours;
}

// The mean distance, red, green and blue added, between the picture's
// colours and what an 8-bit screen of these colours shows of it.
double ErrorOnScreen(const Picture& picture, const Dib& dib, const std::vector<RGBQUAD>& colours) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = kSize;
    info.header.biHeight = kSize;
    info.header.biPlanes = 1;
    info.header.biBitCount = 8;
    info.header.biClrUsed = static_cast<DWORD>(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i) info.colours[i] = colours[i];
    void* bits = nullptr;
    HBITMAP screen = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    EXPECT_TRUE(screen && bits);
    if (!screen || !bits) return 1e9;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, screen);
    picture.Draw(dc, 0, 0, false);
    GdiFlush();
    SelectObject(dc, old);
    DeleteDC(dc);

    double total = 0;
    const auto* shown = static_cast<const std::uint8_t*>(bits);
    const std::size_t shownStride = (kSize + 3) & ~3;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const RGBQUAD c = info.colours[shown[shownStride * y + x]];
            const std::uint8_t* e = dib.Colour(x, y);
            total += std::abs(c.rgbBlue - e[0]) + std::abs(c.rgbGreen - e[1]) + std::abs(c.rgbRed - e[2]);
        }
    DeleteObject(screen);
    return total / (kSize * kSize);
}

TEST(PaletteTest, DeepPictureThroughItsColourCube) {
    Dib dib;
    ASSERT_TRUE(MakeDib(kSize, kSize, 24, 0, dib));
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            std::uint8_t* p = dib.bytes.data() + dib.bitsOffset() + dib.stride() * y + 3 * x;
            p[0] = static_cast<std::uint8_t>((x + y) * 2), p[1] = static_cast<std::uint8_t>(y * 4),
            p[2] = static_cast<std::uint8_t>(x * 4);
        }
    auto withPalette = Picture::FromDib(dib, true);
    auto without = Picture::FromDib(dib, false);
    ASSERT_TRUE(withPalette && without);
    ASSERT_NE(withPalette->palette(), nullptr);
    EXPECT_EQ(without->palette(), nullptr);
    const double through = ErrorOnScreen(*withPalette, dib, WithPalette(withPalette->palette()));
    const double alone = ErrorOnScreen(*without, dib, StaticColours());
    std::printf("colour error of a 24-bit gradient: %.1f through its palette, %.1f in the 20 static colours\n",
                through, alone);
    EXPECT_LT(through, alone / 2);
    EXPECT_LT(through, 45.0);  // a cube of 6 levels: at most 25 a channel, about 13 on average
}

TEST(PaletteTest, EightBitPictureThroughItsOwnColours) {
    // 200 colours no static colour matches: the picture's own table gives them all.
    Dib dib;
    ASSERT_TRUE(MakeDib(kSize, kSize, 8, 200, dib));
    for (int i = 0; i < 200; ++i) {
        std::uint8_t* e = dib.bytes.data() + 40 + 4 * i;
        e[0] = static_cast<std::uint8_t>(30 + i / 2), e[1] = static_cast<std::uint8_t>(250 - i), e[2] = static_cast<std::uint8_t>(10 + i);
    }
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            dib.bytes[dib.bitsOffset() + dib.stride() * y + x] = static_cast<std::uint8_t>((x * kSize + y) % 200);
    auto withPalette = Picture::FromDib(dib, true);
    auto without = Picture::FromDib(dib, false);
    ASSERT_TRUE(withPalette && without);
    const double through = ErrorOnScreen(*withPalette, dib, WithPalette(withPalette->palette()));
    const double alone = ErrorOnScreen(*without, dib, StaticColours());
    std::printf("colour error of an 8-bit picture: %.1f through its palette, %.1f in the 20 static colours\n",
                through, alone);
    EXPECT_LT(through, 1.0);
    EXPECT_GT(alone, 20.0);
}

decltype(&GetDeviceCaps) realGetDeviceCaps;
int WINAPI PaletteScreenCaps(HDC dc, int index) {
    const int caps = realGetDeviceCaps(dc, index);
    return index == RASTERCAPS ? caps | RC_PALETTE : caps;
}

// A GIF of kSize x kSize pixels, its indices coded 9 bits each, every one
// after a clear code, so that the code table never grows.
std::string Gif(const std::vector<RGBQUAD>& table, const std::vector<std::uint8_t>& indices, int transparent) {
    std::string gif = "GIF89a";
    auto put16 = [&](int v) { gif += static_cast<char>(v & 255), gif += static_cast<char>(v >> 8); };
    put16(kSize), put16(kSize);
    gif += {static_cast<char>(0x87), 0, 0};  // a table of 256 colours, background 0
    for (std::size_t i = 0; i < 256; ++i) {
        const RGBQUAD c = i < table.size() ? table[i] : RGBQUAD{};
        gif += {static_cast<char>(c.rgbRed), static_cast<char>(c.rgbGreen), static_cast<char>(c.rgbBlue)};
    }
    gif += {0x21, static_cast<char>(0xF9), 4, 1, 0, 0, static_cast<char>(transparent), 0};
    gif += {0x2C, 0, 0, 0, 0};
    put16(kSize), put16(kSize);
    gif += {0, 8};
    std::string data;
    std::uint32_t pending = 0;
    int bits = 0;
    auto code = [&](unsigned c) {
        pending |= c << bits, bits += 9;
        for (; bits >= 8; pending >>= 8, bits -= 8) data += static_cast<char>(pending & 255);
    };
    for (std::uint8_t index : indices) code(256), code(index);
    code(257);
    if (bits) data += static_cast<char>(pending & 255);
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        gif += static_cast<char>(n);
        gif += data.substr(at, n);
    }
    gif += {0, 0x3B};
    return gif;
}

TEST(PaletteTest, GifThroughItsOwnColours) {
    // 200 colours no static colour matches, the last of them transparent:
    // the GIF becomes an 8-bit picture drawn through its own table, the
    // transparent pixels in the colour behind it.
    std::vector<RGBQUAD> table;
    for (int i = 0; i < 200; ++i)
        table.push_back({static_cast<BYTE>(30 + i / 2), static_cast<BYTE>(250 - i), static_cast<BYTE>(10 + i), 0});
    const RGBQUAD behind = {0x60, 0x50, 0x40, 0};
    Dib expected;
    ASSERT_TRUE(MakeDib(kSize, kSize, 8, 200, expected));
    for (int i = 0; i < 200; ++i) {
        const RGBQUAD c = i == 199 ? behind : table[static_cast<std::size_t>(i)];
        std::uint8_t* e = expected.bytes.data() + 40 + 4 * i;
        e[0] = c.rgbBlue, e[1] = c.rgbGreen, e[2] = c.rgbRed;
    }
    std::vector<std::uint8_t> indices;  // top row first, as a GIF has them
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const auto index = static_cast<std::uint8_t>((x * kSize + y) % 200);
            indices.push_back(index);
            expected.bytes[expected.bitsOffset() + expected.stride() * (kSize - 1 - y) + x] = index;
        }
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + "setup32-palette.gif";
    {
        const std::string gif = Gif(table, indices, 199);
        std::ofstream(path, std::ios::binary).write(gif.data(), static_cast<std::streamsize>(gif.size()));
    }
    realGetDeviceCaps = reinterpret_cast<decltype(&GetDeviceCaps)>(
        RedirectImport("gdi32.dll", "GetDeviceCaps", reinterpret_cast<void*>(&PaletteScreenCaps)));
    ASSERT_NE(realGetDeviceCaps, nullptr);
    auto picture = Picture::Load(path, RGB(behind.rgbRed, behind.rgbGreen, behind.rgbBlue));
    RedirectImport("gdi32.dll", "GetDeviceCaps", reinterpret_cast<void*>(realGetDeviceCaps));
    DeleteFileA(path.c_str());
    ASSERT_TRUE(picture);
    ASSERT_NE(picture->palette(), nullptr);
    PALETTEENTRY entries[256];
    ASSERT_EQ(GetPaletteEntries(picture->palette(), 0, 256, entries), 256u) << "the GIF's table of 256";
    for (int i : {0, 5, 198}) {
        const RGBQUAD& c = table[static_cast<std::size_t>(i)];
        EXPECT_TRUE(entries[i].peRed == c.rgbRed && entries[i].peGreen == c.rgbGreen && entries[i].peBlue == c.rgbBlue)
            << "entry " << i << " is the GIF's own colour";
    }
    EXPECT_TRUE(entries[199].peRed == behind.rgbRed && entries[199].peGreen == behind.rgbGreen &&
                entries[199].peBlue == behind.rgbBlue)
        << "the transparent entry is the colour behind";
    const double through = ErrorOnScreen(*picture, expected, WithPalette(picture->palette()));
    std::printf("colour error of a 200-colour GIF: %.1f through its palette\n", through);
    EXPECT_EQ(through, 0.0);
}

}  // namespace

