#include "platform/forms/win32/picture.h"

#include <cstring>
#include <vector>

#include "pictures/dib.h"
#include "pictures/picture_format.h"
#include "platform/desktop/quiet_drive_errors.h"

namespace {

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    const QuietDriveErrors quiet;  // the disc may be gone: no system box, the picture is skipped
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size > 0 && size <= kMaxPictureFileSize;
    if (ok) {
        bytes.resize(size);
        DWORD read = 0;
        ok = ::ReadFile(file, bytes.data(), size, &read, nullptr) && read == size;
    }
    CloseHandle(file);
    return ok;
}

// The decoded picture as a DIB section: Windows gets only the 40-byte header
// and 8- or 24-bit pixels, which every version of it reads.
HBITMAP FromDib(const Dib& dib) {
    auto header = reinterpret_cast<const BITMAPINFO*>(dib.bytes.data());
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) std::memcpy(bits, dib.bits(), dib.bytes.size() - dib.bitsOffset());
    return bitmap;
}

// An 8-bit picture's own colours; for a deeper one a cube of 6 levels of
// red, green and blue and 20 greys between them, which the 20 colours
// Windows keeps for itself complete to 256.
HPALETTE PaletteFor(const Dib& dib) {
    struct {
        WORD version, count;
        PALETTEENTRY entries[256];
    } palette{};
    palette.version = 0x300;
    auto add = [&](int r, int g, int b) {
        palette.entries[palette.count++] = {static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b), 0};
    };
    if (dib.bitCount == 8) {
        const std::uint8_t* table = dib.bytes.data() + 40;
        for (int i = 0; i < dib.colors; ++i) add(table[4 * i + 2], table[4 * i + 1], table[4 * i]);
    } else {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) add(51 * r, 51 * g, 51 * b);
        for (int i = 0; i < 20; ++i) add(8 + 12 * i, 8 + 12 * i, 8 + 12 * i);
    }
    return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
}

}  // namespace

std::unique_ptr<Picture> Picture::Load(const std::string& path, COLORREF behind) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFile(path, bytes)) return nullptr;
    Dib dib;
    if (!DecodePicture(bytes.data(), bytes.size(), behind, dib)) return nullptr;
    return FromDib(dib, ScreenHasPalette());
}

std::unique_ptr<Picture> Picture::FromDib(const Dib& dib, bool palette) {
    HBITMAP bitmap = ::FromDib(dib);
    if (!bitmap) return nullptr;
    return std::make_unique<Picture>(bitmap, palette ? PaletteFor(dib) : nullptr);
}

bool Picture::ScreenHasPalette() {
    HDC screen = GetDC(nullptr);
    const bool palette = screen && (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE);
    if (screen) ReleaseDC(nullptr, screen);
    return palette;
}

Picture::Picture(HBITMAP bitmap, HPALETTE palette) : bitmap_(bitmap), palette_(palette) {
    BITMAP b{};
    if (GetObjectA(bitmap_, sizeof b, &b)) {
        width_ = b.bmWidth;
        height_ = b.bmHeight < 0 ? -b.bmHeight : b.bmHeight;
    }
}

Picture::~Picture() {
    DeleteObject(bitmap_);
    if (palette_) DeleteObject(palette_);
}

UINT Picture::Realize(HDC dc, bool background) const {
    if (!palette_) return 0;
    HPALETTE old = SelectPalette(dc, palette_, background);
    const UINT changed = RealizePalette(dc);
    if (old) SelectPalette(dc, old, TRUE);
    return changed == GDI_ERROR ? 0 : changed;
}

void Picture::Draw(HDC dc, int x, int y, bool background) const { Stretch(dc, x, y, width_, height_, background); }

void Picture::Stretch(HDC dc, int x, int y, int w, int h, bool background) const {
    HPALETTE oldPalette = palette_ ? SelectPalette(dc, palette_, background) : nullptr;
    if (palette_) RealizePalette(dc);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap_);
    if (w == width_ && h == height_) {
        BitBlt(dc, x, y, w, h, memory, 0, 0, SRCCOPY);
    } else {
        int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, x, y, w, h, memory, 0, 0, width_, height_, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    if (oldPalette) SelectPalette(dc, oldPalette, TRUE);
}
