// Pictures on a screen of 256 colours, at the level of GDI: Wine's X11
// driver cannot run an 8-bit display, so the screen is an 8-bit DIB section
// whose colours are those such a screen has once a palette is realized in the
// foreground (the 20 colours Windows keeps, then the palette's own), or the
// 20 colours alone when no palette is realized. A picture is drawn into it as
// the windows draw it, and its colours are compared with the picture's.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "pictures/dib.h"
#include "platform/forms/win32/picture.h"

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
            const std::uint8_t* row = dib.bits() + dib.stride() * y;
            int b, g, r;
            if (dib.bitCount == 8) {
                const std::uint8_t* e = dib.bytes.data() + 40 + 4 * row[x];
                b = e[0], g = e[1], r = e[2];
            } else {
                b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
            }
            total += std::abs(c.rgbBlue - b) + std::abs(c.rgbGreen - g) + std::abs(c.rgbRed - r);
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

}  // namespace
