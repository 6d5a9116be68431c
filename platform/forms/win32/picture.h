// A picture loaded from a file, owned as one bitmap and, on a screen of 256
// or 16 colours, the palette it is drawn through.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

struct Dib;

class Picture {
public:
    // Windows bitmaps, JPEG and GIF, decoded by the launcher itself into a
    // DIB section; the transparent pixels of a GIF take the colour `behind`.
    // Null for a file that is missing, unreadable or not a picture the
    // decoders read, and when any memory the load needs can't be had. On a
    // palette device the picture gets a palette of its own.
    static std::unique_ptr<Picture> Load(const std::string& path, COLORREF behind);
    // A decoded picture; with `palette`, drawn through one: its own colour
    // table for a picture of 8 bits or fewer, a colour cube for a deeper one.
    static std::unique_ptr<Picture> FromDib(const Dib& dib, bool palette);
    // Whether the screen shows its colours through a palette.
    static bool ScreenHasPalette();

    Picture(HBITMAP bitmap, HPALETTE palette);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    HPALETTE palette() const { return palette_; }

    // Selects the palette into `dc` and realizes it, in the foreground or
    // as a background palette; how many entries changed (0 without one).
    UINT Realize(HDC dc, bool background) const;

    // At its own size, or stretched to a box (colour on colour: Windows 95
    // has no halftone stretching), through its palette when it has one.
    void Draw(HDC dc, int x, int y, bool background) const;
    void Stretch(HDC dc, int x, int y, int w, int h, bool background) const;

private:
    HBITMAP bitmap_;
    HPALETTE palette_;
    int width_ = 0, height_ = 0;
};
