// What every window of the launcher takes from the Windows desktop: the
// program's instance and icon, the default GUI font, the screen's dots per
// inch, and system DLLs loaded from the system folder.
#pragma once

#include <windows.h>

// Loads a DLL of Windows from the system folder, never by its bare name: a
// bare name is searched in the program's folder and the current directory
// first, where anyone may have put a DLL of that name.
HMODULE LoadSystemLibrary(const char* name);

class Desktop {
public:
    explicit Desktop(HINSTANCE instance);

    HINSTANCE instance() const { return instance_; }
    HFONT font() const { return font_; }
    HICON icon() const { return icon_; }
    int dpiX() const { return dpiX_; }
    int dpiY() const { return dpiY_; }
    int ToPixelsX(int twips) const;
    int ToPixelsY(int twips) const;

private:
    HINSTANCE instance_;
    HFONT font_;
    HICON icon_;
    int dpiX_ = 96, dpiY_ = 96;
};
