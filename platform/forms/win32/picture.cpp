#include "platform/forms/win32/picture.h"

#include <cstring>
#include <new>

#include "pictures/dib.h"
#include "pictures/picture_load.h"
#include "platform/desktop/quiet_drive_errors.h"

namespace {

// ReadFile for the picture decoders: what it read, 0 when it failed.
std::size_t ReadPart(void* file, std::uint8_t* to, std::size_t n) {
    DWORD read = 0;
    if (!::ReadFile(static_cast<HANDLE>(file), to, static_cast<DWORD>(n), &read, nullptr)) return 0;
    return read;
}

// An 8-bit or smaller picture's own colours; for a deeper one a cube of 6
// levels of red, green and blue and 20 greys between them, which the 20
// colours Windows keeps for itself complete to 256.
HPALETTE PaletteFor(int bitCount, int colors, const std::uint8_t* table) {
    struct {
        WORD version, count;
        PALETTEENTRY entries[256];
    } palette{};
    palette.version = 0x300;
    auto add = [&](int r, int g, int b) {
        palette.entries[palette.count++] = {static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b), 0};
    };
    if (bitCount <= 8) {
        for (int i = 0; i < colors; ++i) add(table[4 * i + 2], table[4 * i + 1], table[4 * i]);
    } else {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b) add(51 * r, 51 * g, 51 * b);
        for (int i = 0; i < 20; ++i) add(8 + 12 * i, 8 + 12 * i, 8 + 12 * i);
    }
    return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
}

// The picture object for a filled DIB section, with its palette when one is
// wanted; null, the section deleted, when either can't be had.
std::unique_ptr<Picture> Made(HBITMAP bitmap, const std::uint8_t* info, bool palette) {
    const int bitCount = info[14], colors = info[32] | info[33] << 8;
    HPALETTE own = palette ? PaletteFor(bitCount, colors, info + 40) : nullptr;
    Picture* picture = palette && !own ? nullptr : new (std::nothrow) Picture(bitmap, own);
    if (!picture) {
        DeleteObject(bitmap);
        if (own) DeleteObject(own);
    }
    return std::unique_ptr<Picture>(picture);
}

// The file's pixels, read into a DIB section made for them.
std::unique_ptr<Picture> FromFile(PictureSource& source, COLORREF behind) {
    PictureLoad load;
    if (!StartPictureLoad(source, behind, load)) return nullptr;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(load.info()), DIB_RGB_COLORS, &bits,
                                      nullptr, 0);
    if (!bitmap) return nullptr;
    if (!bits || !FinishPictureLoad(source, load, static_cast<std::uint8_t*>(bits))) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return Made(bitmap, load.info(), Picture::ScreenHasPalette());
}

}  // namespace

// The file is read once: its headers, then its pixels into the DIB section.
// Every block the load needs may be refused (the file's, the decoders', the
// section, the palette, the object): the load then fails as for a missing
// file, and the picture shown stays.
std::unique_ptr<Picture> Picture::Load(const std::string& path, COLORREF behind) {
    const QuietDriveErrors quiet;  // the disc may be gone: no system box, the picture is skipped
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    std::unique_ptr<Picture> picture;
    DWORD high = 0;
    const DWORD size = GetFileSize(file, &high);
    if (size != INVALID_FILE_SIZE && high == 0) {
        PictureSource source;
        source.read = ReadPart;
        source.context = file;
        source.size = size;
        picture = FromFile(source, behind);
    }
    CloseHandle(file);
    return picture;
}

std::unique_ptr<Picture> Picture::FromDib(const Dib& dib, bool palette) {
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(dib.bytes.data()), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    if (bits) std::memcpy(bits, dib.bits(), dib.bytes.size() - dib.bitsOffset());
    return Made(bitmap, dib.bytes.data(), palette);
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
