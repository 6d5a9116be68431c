// The floor of a slideshow tick: the least any Win32 program can do to show a
// picture file anew at every tick. A window whose timer, at the given
// interval, reads the next of image1.bmp .. image3.bmp in the current folder
// the way Windows' own documentation shows (the file header, the info header
// and colour table, then the pixel bytes straight into a DIB section, no
// buffer, no pass over the pixels) and draws it stretched to the client area.
// Its CPU per tick is what the launcher's bitmap tick is compared with.
//
//   floor.exe <interval ms> [<pictures>]   (interval 0: no timer, the idle
//   rate; pictures: how many imageN.bmp, 3 by default)
//
// Only uncompressed bitmaps with a header of 40 bytes or more are read; a
// file that is not one is skipped like a missing one.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char* const kClassName = "Setup32BenchFloor";
constexpr UINT_PTR kTimer = 1;

HBITMAP g_bitmap = nullptr;
int g_width = 0, g_height = 0;
int g_next = 0, g_pictures = 3;

bool ReadAll(HANDLE file, void* to, DWORD size) {
    DWORD read = 0;
    return ReadFile(file, to, size, &read, nullptr) && read == size;
}

HBITMAP LoadBitmapFile(const char* path, int& width, int& height) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HBITMAP bitmap = nullptr;
    BITMAPFILEHEADER fileHeader;
    // The info header and at most 256 colours.
    union {
        BITMAPINFO info;
        BYTE bytes[sizeof(BITMAPV5HEADER) + 256 * sizeof(RGBQUAD)];
    } header;
    if (ReadAll(file, &fileHeader, sizeof fileHeader) && fileHeader.bfType == 0x4D42 &&
        fileHeader.bfOffBits > sizeof fileHeader &&
        fileHeader.bfOffBits - sizeof fileHeader <= sizeof header.bytes &&
        ReadAll(file, header.bytes, fileHeader.bfOffBits - sizeof fileHeader)) {
        const BITMAPINFOHEADER& h = header.info.bmiHeader;
        const DWORD rows = static_cast<DWORD>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
        const DWORD stride = ((static_cast<DWORD>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
        void* bits = nullptr;
        if (h.biSize >= sizeof(BITMAPINFOHEADER) && h.biCompression == BI_RGB && h.biWidth > 0 && rows > 0)
            bitmap = CreateDIBSection(nullptr, &header.info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap && !ReadAll(file, bits, stride * rows)) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
        if (bitmap) {
            width = h.biWidth;
            height = static_cast<int>(rows);
        }
    }
    CloseHandle(file);
    return bitmap;
}

void Tick(HWND hwnd) {
    char path[32];
    std::snprintf(path, sizeof path, "image%d.bmp", g_next + 1);
    g_next = (g_next + 1) % g_pictures;
    int width = 0, height = 0;
    HBITMAP bitmap = LoadBitmapFile(path, width, height);
    if (!bitmap) return;
    if (g_bitmap) DeleteObject(g_bitmap);
    g_bitmap = bitmap;
    g_width = width;
    g_height = height;
    InvalidateRect(hwnd, nullptr, FALSE);
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    if (g_bitmap) {
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, g_bitmap);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, 0, r.right, r.bottom, memory, 0, 0, g_width, g_height, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER:
        if (wParam == kTimer) Tick(hwnd);
        return 0;
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return g_bitmap ? 1 : DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_DESTROY:
        KillTimer(hwnd, kTimer);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    char* rest = nullptr;
    const long interval = std::strtol(commandLine, &rest, 10);
    const long pictures = std::strtol(rest, nullptr, 10);
    if (pictures > 0) g_pictures = static_cast<int>(pictures);

    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) return 1;
    // The client area of the slideshow's pictures, 617 x 564.
    RECT r = {0, 0, 617, 564};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hwnd = CreateWindowExA(0, kClassName, "Floor", WS_OVERLAPPEDWINDOW, 0, 0, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    Tick(hwnd);
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    if (interval > 0) SetTimer(hwnd, kTimer, static_cast<UINT>(interval), nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (g_bitmap) DeleteObject(g_bitmap);
    return static_cast<int>(msg.wParam);
}
