#include "platform/forms/win32/picture.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>
#include <vector>

#include "pictures/picture_format.h"
#include "platform/desktop/desktop.h"
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

HBITMAP FromPlainBitmap(const std::vector<std::uint8_t>& bytes, const PictureInfo& info) {
    auto header = reinterpret_cast<const BITMAPINFO*>(bytes.data() + info.infoOffset);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) std::memcpy(bits, bytes.data() + info.bitsOffset, info.bitsSize);
    return bitmap;
}

// The system's picture decoder is in OLE, which a kit of plain bitmaps never
// needs: its DLLs are loaded, and COM started on this thread, with the first
// picture that needs them rather than before the first window.
struct Ole {
    decltype(&CreateStreamOnHGlobal) createStream = nullptr;
    decltype(&OleLoadPicture) loadPicture = nullptr;
};

template <typename Function>
Function Proc(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}

const Ole* LoadOle() {
    static Ole ole;
    static bool tried = false;
    if (!tried) {
        tried = true;
        HMODULE ole32 = LoadSystemLibrary("ole32.dll");
        auto coInitialize = Proc<decltype(&CoInitialize)>(ole32, "CoInitialize");
        if (coInitialize && SUCCEEDED(coInitialize(nullptr))) {
            ole.createStream = Proc<decltype(&CreateStreamOnHGlobal)>(ole32, "CreateStreamOnHGlobal");
            // The picture functions came in OLEPRO32.DLL before OLEAUT32.DLL held them.
            ole.loadPicture = Proc<decltype(&OleLoadPicture)>(LoadSystemLibrary("oleaut32.dll"), "OleLoadPicture");
            if (!ole.loadPicture)
                ole.loadPicture = Proc<decltype(&OleLoadPicture)>(LoadSystemLibrary("olepro32.dll"), "OleLoadPicture");
        }
    }
    return ole.createStream && ole.loadPicture ? &ole : nullptr;
}

// The system decoder: run-length bitmaps, JPEG and GIF.
HBITMAP FromDecoder(const std::vector<std::uint8_t>& bytes) {
    const Ole* ole = LoadOle();
    if (!ole) return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return nullptr;
    if (void* p = GlobalLock(memory)) {
        std::memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(memory);
    }
    IStream* stream = nullptr;
    if (FAILED(ole->createStream(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    HBITMAP copy = nullptr;
    if (SUCCEEDED(ole->loadPicture(stream, static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                                 reinterpret_cast<void**>(&picture)))) {
        short type = PICTYPE_UNINITIALIZED;
        OLE_HANDLE handle = 0;
        if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP &&
            SUCCEEDED(picture->get_Handle(&handle)) && handle)
            // An OLE_HANDLE holds 32 bits; a 64-bit process's GDI handle is
            // that value sign-extended, as LongToHandle does.
            copy = static_cast<HBITMAP>(CopyImage(reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(static_cast<LONG>(handle))),
                                                  IMAGE_BITMAP, 0, 0, 0));
        picture->Release();
    }
    stream->Release();
    return copy;
}

}  // namespace

std::unique_ptr<Picture> Picture::Load(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFile(path, bytes)) return nullptr;
    PictureInfo info = InspectPicture(bytes.data(), bytes.size());
    if (!info.ok) return nullptr;
    HBITMAP bitmap = info.plainBitmap ? FromPlainBitmap(bytes, info) : FromDecoder(bytes);
    if (!bitmap) return nullptr;
    return std::make_unique<Picture>(bitmap);
}

Picture::Picture(HBITMAP bitmap) : bitmap_(bitmap) {
    BITMAP b{};
    if (GetObjectA(bitmap_, sizeof b, &b)) {
        width_ = b.bmWidth;
        height_ = b.bmHeight < 0 ? -b.bmHeight : b.bmHeight;
    }
}

Picture::~Picture() { DeleteObject(bitmap_); }

void Picture::Draw(HDC dc, int x, int y) const { Stretch(dc, x, y, width_, height_); }

void Picture::Stretch(HDC dc, int x, int y, int w, int h) const {
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
}
