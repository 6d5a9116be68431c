// A picture loaded from a file, owned as one bitmap.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class Picture {
public:
    // Windows bitmaps, and JPEG and GIF through the system's picture decoder.
    // Null for a file that is missing, unreadable or not a picture.
    static std::unique_ptr<Picture> Load(const std::string& path);

    explicit Picture(HBITMAP bitmap);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    void Draw(HDC dc, int x, int y) const;                    // at its own size
    void Stretch(HDC dc, int x, int y, int w, int h) const;  // to a box

private:
    HBITMAP bitmap_;
    int width_ = 0, height_ = 0;
};
