// Pictures of every sort a kit author's tools write, shown by the launcher
// under the settings of Windows 95, 98 and NT 4: each one's colour is
// sampled on the screen. JPEG and GIF pictures show with OLE disabled.
#include <cstdlib>
#include <fstream>

#include "tests/e2e/harness.h"

namespace {

constexpr int kWidth = 617, kHeight = 564;

void Put(std::string& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
}

// A bitmap file of one colour: its header (12, 40, 108 or 124 bytes), depth
// and compression as named, the pixels written to suit.
std::string Bitmap(std::uint32_t header, int bits, std::uint32_t compression, bool topDown, COLORREF c) {
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    std::string table, pixels, masks;
    const int stride = ((kWidth * bits + 31) / 32) * 4;
    if (bits == 8) {
        Put(table, static_cast<std::uint32_t>(b | g << 8 | r << 16), 4);  // one colour: a short table
        if (compression == 1) {
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; x += 255) {
                    pixels.push_back(static_cast<char>(kWidth - x < 255 ? kWidth - x : 255));
                    pixels.push_back(0);
                }
                pixels += std::string("\0\0", 2);
            }
            pixels += std::string("\0\1", 2);
        } else {
            pixels.assign(static_cast<std::size_t>(stride) * kHeight, '\0');
        }
    } else if (bits == 16) {  // 5-6-5
        Put(masks, 0xF800, 4), Put(masks, 0x07E0, 4), Put(masks, 0x001F, 4);
        std::string row;
        for (int x = 0; x < kWidth; ++x) Put(row, static_cast<std::uint32_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3), 2);
        row.resize(stride, '\0');
        for (int y = 0; y < kHeight; ++y) pixels += row;
    } else if (bits == 32) {  // red, green, blue in the top three bytes
        Put(masks, 0xFF000000, 4), Put(masks, 0x00FF0000, 4), Put(masks, 0x0000FF00, 4);
        std::string row;
        for (int x = 0; x < kWidth; ++x) Put(row, static_cast<std::uint32_t>(r << 24 | g << 16 | b << 8), 4);
        for (int y = 0; y < kHeight; ++y) pixels += row;
    } else {
        std::string row;
        for (int x = 0; x < kWidth; ++x) row += {static_cast<char>(b), static_cast<char>(g), static_cast<char>(r)};
        row.resize(stride, '\0');
        for (int y = 0; y < kHeight; ++y) pixels += row;
    }
    std::string info;
    if (header == 12) {
        Put(info, 12, 4), Put(info, kWidth, 2), Put(info, kHeight, 2), Put(info, 1, 2), Put(info, bits, 2);
    } else {
        Put(info, header, 4), Put(info, kWidth, 4), Put(info, static_cast<std::uint32_t>(topDown ? -kHeight : kHeight), 4);
        Put(info, 1, 2), Put(info, bits, 2), Put(info, compression, 4), Put(info, static_cast<std::uint32_t>(pixels.size()), 4);
        Put(info, 2835, 4), Put(info, 2835, 4), Put(info, bits == 8 ? 1 : 0, 4), Put(info, 0, 4);
        if (header > 40) {
            info += masks.empty() ? std::string(12, '\0') : masks;
            info.resize(header, '\0');
        } else {
            info += masks;
        }
    }
    std::string file = "BM";
    const auto offset = static_cast<std::uint32_t>(14 + info.size() + table.size());
    Put(file, offset + static_cast<std::uint32_t>(pixels.size()), 4), Put(file, 0, 4), Put(file, offset, 4);
    return file + info + table + pixels;
}

struct Variant {
    const char* name;
    const char* type;  // tipoimg
    std::string bytes;  // empty: the fixture of that name
    COLORREF colour;
};

std::vector<Variant> Variants() {
    const COLORREF c = RGB(40, 170, 90);
    return {
        {"124-byte header, 32 bits, masks", "bmp", Bitmap(124, 32, 3, false, c), c},
        {"108-byte header, 16 bits 5-6-5", "bmp", Bitmap(108, 16, 3, false, c), c},
        {"40-byte header, run-length 8 bits", "bmp", Bitmap(40, 8, 1, false, c), c},
        {"40-byte header, 8 bits top-down, one colour", "bmp", Bitmap(40, 8, 0, true, c), c},
        {"12-byte core header, 24 bits", "bmp", Bitmap(12, 24, 0, false, c), c},
        {"progressive.jpg", "jpg", "", RGB(0x33, 0x66, 0xCC)},
        {"interlaced.gif", "gif", "", RGB(0x33, 0x66, 0xCC)},
    };
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

TEST(Pictures, EveryVariantShowsOnEveryWindows) {
    for (const char* windows : {"win95", "win98", "nt40"})
        for (const Variant& v : Variants()) {
            SCOPED_TRACE(std::string(windows) + ": " + v.name);
            Kit kit;
            kit.Ini(std::string("[Setup32]\r\nnroimg=1\r\ntipoimg=") + v.type + "\r\ntempo=0\r\n");
            const std::string image = std::string("image1.") + v.type;
            if (v.bytes.empty()) {
                kit.Fixture(v.name, image);
            } else {
                std::ofstream out(kit.Path(image), std::ios::binary);
                out << v.bytes;
            }
            Launcher launcher(kit, windows);
            ASSERT_TRUE(launcher.started());
            // 5-6-5 keeps 5 bits of red and blue; the JPEG is within its rounding.
            EXPECT_SOON(Near(launcher.ClientPixel(), v.colour, 8));
        }
}

// OLE's DLLs disabled for the launcher, as WINEDLLOVERRIDES="ole32,oleaut32,
// olepro32=" would: none can be loaded, by the launcher or for it (Wine's own
// IME support asks for ole32 in every program with a window, which is why no
// list of the loaded DLLs can tell). The key is removed after.
class WithoutOle {
public:
    WithoutOle() {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot create " << kKey;
            return;
        }
        for (const char* dll : {"ole32", "oleaut32", "olepro32"})
            RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
        RegCloseKey(key);
    }
    ~WithoutOle() { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\Setup32.exe\\DllOverrides";
};

TEST(Pictures, JpegAndGifKitRunsWithoutOle) {
    Kit kit;
    kit.Ini("[Setup32]\r\nnroimg=2\r\ntipoimg=jpg\r\ntempo=200\r\n");
    kit.Fixture("red.jpg", "image1.jpg");
    kit.Fixture("blue.gif", "image2.jpg");  // a GIF named .jpg is shown all the same
    WithoutOle withoutOle;
    Launcher launcher(kit, "win95");
    ASSERT_TRUE(launcher.started());
    auto reddish = [](COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60; };
    auto bluish = [](COLORREF c) { return GetBValue(c) > 200 && GetRValue(c) < 60 && GetGValue(c) < 60; };
    EXPECT_SOON(reddish(launcher.ClientPixel()));
    EXPECT_SOON(bluish(launcher.ClientPixel()));
    EXPECT_FALSE(launcher.Ended(0));
}

}  // namespace
