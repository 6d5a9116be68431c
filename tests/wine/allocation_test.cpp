// A picture whose memory can't be had is skipped like a missing one: the
// frame keeps the picture it shows and the next picture loads. This
// program's imports of the functions that hand out memory to a picture load
// (the C heap and the process heap, which the decoders and the picture
// object take their blocks from, and GDI's DIB section and palette) are
// pointed at functions that refuse one call in turn: the first of a load,
// then the second, and so on until a load makes no more calls than that.
// Each refused load must fail, leave the frame's background as it was and
// keep the program going; the load after it must work. The screen is made
// to claim a palette, so that the picture's palette is asked for too.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/desktop/desktop.h"
#include "platform/forms/win32/win32_forms.h"
#include "tests/wine/imports.h"
#include "wizard/layout.h"

namespace {

struct Refusals {
    bool armed = false;
    int calls = 0, refuse = -1;
    bool refused = false;
    bool Refuse() {
        if (!armed) return false;
        if (calls++ != refuse) return false;
        refused = true;
        return true;
    }
} refusals;

using Malloc = void*(__cdecl*)(std::size_t);
using Calloc = void*(__cdecl*)(std::size_t, std::size_t);
using Realloc = void*(__cdecl*)(void*, std::size_t);
Malloc realMalloc;
Calloc realCalloc;
Realloc realRealloc;
decltype(&HeapAlloc) realHeapAlloc;
decltype(&HeapReAlloc) realHeapReAlloc;
decltype(&CreateDIBSection) realCreateDIBSection;
decltype(&CreatePalette) realCreatePalette;
decltype(&GetDeviceCaps) realGetDeviceCaps;

void* __cdecl RefusingMalloc(std::size_t n) { return refusals.Refuse() ? nullptr : realMalloc(n); }
void* __cdecl RefusingCalloc(std::size_t n, std::size_t size) { return refusals.Refuse() ? nullptr : realCalloc(n, size); }
void* __cdecl RefusingRealloc(void* block, std::size_t n) { return refusals.Refuse() ? nullptr : realRealloc(block, n); }
LPVOID WINAPI RefusingHeapAlloc(HANDLE heap, DWORD flags, SIZE_T n) {
    return refusals.Refuse() ? nullptr : realHeapAlloc(heap, flags, n);
}
LPVOID WINAPI RefusingHeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T n) {
    return refusals.Refuse() ? nullptr : realHeapReAlloc(heap, flags, block, n);
}
HBITMAP WINAPI RefusingCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                        DWORD offset) {
    if (refusals.Refuse()) {
        if (bits) *bits = nullptr;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return realCreateDIBSection(dc, info, usage, bits, section, offset);
}
HPALETTE WINAPI RefusingCreatePalette(const LOGPALETTE* palette) {
    return refusals.Refuse() ? nullptr : realCreatePalette(palette);
}
// A screen of 256 colours, as far as the picture code asks.
int WINAPI PaletteScreenCaps(HDC dc, int index) {
    const int caps = realGetDeviceCaps(dc, index);
    return index == RASTERCAPS ? caps | RC_PALETTE : caps;
}

template <typename F>
void Hook(const char* dll, const char* name, F& real, F to) {
    real = reinterpret_cast<F>(RedirectImport(dll, name, reinterpret_cast<void*>(to)));
}
template <typename F>
void Unhook(const char* dll, const char* name, F real) {
    if (real) RedirectImport(dll, name, reinterpret_cast<void*>(real));
}

class NoEvents : public FormEvents {
public:
    void Load(FormId) override {}
    void Resize(FormId) override {}
    void Activate(FormId) override {}
    void Click(FormId, CtlId) override {}
    void Timer(FormId) override {}
    void QueryUnload(FormId, std::int16_t&, std::int16_t) override {}
    void Unloaded(FormId) override {}
};

// A bitmap of one colour: 24 bits, or run-length 8 bits, a run a row.
void WriteBitmap(const std::string& path, int width, int height, COLORREF colour, bool runLength) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    std::string pixels;
    RGBQUAD table[2] = {{0, 0, 0, 0}, {GetBValue(colour), GetGValue(colour), GetRValue(colour), 0}};
    if (runLength) {
        info.biBitCount = 8;
        info.biCompression = BI_RLE8;
        info.biClrUsed = 2;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; x += 255) pixels += {static_cast<char>(width - x < 255 ? width - x : 255), 1};
            pixels += {0, 0};
        }
        pixels += {0, 1};
    } else {
        info.biBitCount = 24;
        const int stride = (width * 3 + 3) & ~3;
        std::string row(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<char>(GetBValue(colour));
            row[3 * x + 1] = static_cast<char>(GetGValue(colour));
            row[3 * x + 2] = static_cast<char>(GetRValue(colour));
        }
        for (int y = 0; y < height; ++y) pixels += row;
    }
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info + (runLength ? sizeof table : 0);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    if (runLength) out.write(reinterpret_cast<const char*>(table), sizeof table);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

class Allocations : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Hook("msvcrt.dll", "malloc", realMalloc, &RefusingMalloc);
        Hook("msvcrt.dll", "calloc", realCalloc, &RefusingCalloc);
        Hook("msvcrt.dll", "realloc", realRealloc, &RefusingRealloc);
        Hook("kernel32.dll", "HeapAlloc", realHeapAlloc, &RefusingHeapAlloc);
        Hook("kernel32.dll", "HeapReAlloc", realHeapReAlloc, &RefusingHeapReAlloc);
        Hook("gdi32.dll", "CreateDIBSection", realCreateDIBSection, &RefusingCreateDIBSection);
        Hook("gdi32.dll", "CreatePalette", realCreatePalette, &RefusingCreatePalette);
        Hook("gdi32.dll", "GetDeviceCaps", realGetDeviceCaps, &PaletteScreenCaps);
    }
    static void TearDownTestSuite() {
        Unhook("msvcrt.dll", "malloc", realMalloc);
        Unhook("msvcrt.dll", "calloc", realCalloc);
        Unhook("msvcrt.dll", "realloc", realRealloc);
        Unhook("kernel32.dll", "HeapAlloc", realHeapAlloc);
        Unhook("kernel32.dll", "HeapReAlloc", realHeapReAlloc);
        Unhook("gdi32.dll", "CreateDIBSection", realCreateDIBSection);
        Unhook("gdi32.dll", "CreatePalette", realCreatePalette);
        Unhook("gdi32.dll", "GetDeviceCaps", realGetDeviceCaps);
    }

    void SetUp() override {
        ASSERT_NE(realMalloc, nullptr) << "the C heap is imported";
        ASSERT_NE(realCreateDIBSection, nullptr);
        ASSERT_NE(realCreatePalette, nullptr);
        ASSERT_NE(realGetDeviceCaps, nullptr);
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        folder_ = folder;
        previous_ = folder_ + "setup32-allocation-previous.bmp";
        WriteBitmap(previous_, 300, 200, kPrevious, false);
        desktop_ = std::make_unique<Desktop>(GetModuleHandleA(nullptr));
        forms_ = std::make_unique<Win32Forms>(*desktop_, WindowDesign());
        ASSERT_TRUE(forms_->Create(events_));
        client_ = FindWindowExA(forms_->frame(), nullptr, "MDIClient", nullptr);
        ASSERT_NE(client_, nullptr);
    }
    void TearDown() override {
        refusals = Refusals{};
        forms_.reset();
        DeleteFileA(previous_.c_str());
    }

    // The colour in the middle of the frame's background, as it paints it.
    COLORREF Shown() {
        RECT r;
        GetClientRect(client_, &r);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP canvas = CreateCompatibleBitmap(screen, r.right, r.bottom);
        HGDIOBJ old = SelectObject(dc, canvas);
        SendMessageA(client_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        const COLORREF colour = GetPixel(dc, r.right / 2, r.bottom / 2);
        SelectObject(dc, old);
        DeleteObject(canvas);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return colour;
    }

    static bool Near(COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) <= 8 && std::abs(GetGValue(a) - GetGValue(b)) <= 8 &&
               std::abs(GetBValue(a) - GetBValue(b)) <= 8;
    }

    // Refuses each call of a load of `path` in turn, and then lets a load
    // make them all; there must be at least `least` of them.
    void RefuseEachInTurn(const char* what, const std::string& path, COLORREF colour, int least, const char* why) {
        ASSERT_FALSE(path.empty()) << "SETUP32_FIXTURES names the folder of the JPEG and GIF";
        EXPECT_TRUE(forms_->LoadPicture(FormId::MDIQOBSetup, CtlId::None, previous_));
        EXPECT_TRUE(Near(Shown(), kPrevious));
        for (int refuse = 0; refuse < 1000; ++refuse) {
            refusals = Refusals{};
            refusals.refuse = refuse;
            refusals.armed = true;
            const bool loaded = forms_->LoadPicture(FormId::MDIQOBSetup, CtlId::None, path);
            refusals.armed = false;
            if (!refusals.refused) {
                EXPECT_TRUE(loaded) << "with nothing refused";
                EXPECT_TRUE(Near(Shown(), colour)) << std::hex << Shown();
                std::printf("%s: %d calls for memory, refused in turn\n", what, refusals.calls);
                EXPECT_GE(refusals.calls, least) << why;
                return;
            }
            EXPECT_FALSE(loaded) << "call " << refuse << " refused";
            EXPECT_TRUE(Near(Shown(), kPrevious)) << "call " << refuse << " refused: the previous picture stays";
        }
        ADD_FAILURE() << "no end to the calls";
    }

    static constexpr COLORREF kPrevious = RGB(0x20, 0xA0, 0x40);
    NoEvents events_;
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<Win32Forms> forms_;
    HWND client_ = nullptr;
    std::string folder_, previous_;
};

std::string Fixture(const char* name) {
    const char* folder = std::getenv("SETUP32_FIXTURES");
    return folder ? std::string(folder) + "\\" + name : std::string();
}

TEST_F(Allocations, PlainBitmap) {
    const std::string path = folder_ + "setup32-allocation-plain.bmp";
    WriteBitmap(path, 617, 564, RGB(0xC0, 0x30, 0x30), false);
    RefuseEachInTurn("plain bitmap", path, RGB(0xC0, 0x30, 0x30), 4,
                     "the decoder, the section, the palette, the picture");
    DeleteFileA(path.c_str());
}

TEST_F(Allocations, RunLengthBitmap) {
    const std::string path = folder_ + "setup32-allocation-rle.bmp";
    WriteBitmap(path, 617, 564, RGB(0x30, 0x30, 0xC0), true);
    RefuseEachInTurn("run-length bitmap", path, RGB(0x30, 0x30, 0xC0), 5,
                     "the decoder, the file's buffer, the section, the palette, the picture");
    DeleteFileA(path.c_str());
}

TEST_F(Allocations, Jpeg) {
    RefuseEachInTurn("JPEG", Fixture("red.jpg"), RGB(0xFE, 0, 0), 5,
                     "the decoder, its rows, the section, the palette, the picture");
}

TEST_F(Allocations, ProgressiveJpeg) {
    RefuseEachInTurn("progressive JPEG", Fixture("progressive.jpg"), RGB(0x33, 0x66, 0xCC), 6,
                     "the decoder, its rows, its coefficients, the section, the palette, the picture");
}

TEST_F(Allocations, Gif) {
    RefuseEachInTurn("GIF", Fixture("blue.gif"), RGB(0, 0, 0xFF), 6,
                     "the decoder, the file, the code table, the section, the palette, the picture");
}

}  // namespace
