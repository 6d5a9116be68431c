#include "platform/desktop/desktop.h"

#include <cstring>

#include "platform/desktop/units.h"
#include "resources/version.h"

HMODULE LoadSystemLibrary(const char* name) {
    char path[MAX_PATH + 1];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    const std::size_t nameLength = std::strlen(name);
    if (length == 0 || length + 1 + nameLength >= sizeof path) return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, name, nameLength + 1);
    return LoadLibraryA(path);
}

Desktop::Desktop(HINSTANCE instance)
    : instance_(instance),
      font_(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))),
      icon_(LoadIconA(instance, MAKEINTRESOURCEA(SETUP32_ICON))) {
    if (HDC screen = GetDC(nullptr)) {
        dpiX_ = GetDeviceCaps(screen, LOGPIXELSX);
        dpiY_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    if (dpiX_ <= 0) dpiX_ = 96;
    if (dpiY_ <= 0) dpiY_ = 96;
}

int Desktop::ToPixelsX(int twips) const {
    int px = 0;
    TwipsToPixels(static_cast<float>(twips), dpiX_, px);
    return px;
}

int Desktop::ToPixelsY(int twips) const {
    int px = 0;
    TwipsToPixels(static_cast<float>(twips), dpiY_, px);
    return px;
}
