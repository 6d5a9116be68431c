// Where a top-level window opens on a screen that may be smaller than its
// design: the screens of the era include 640 x 480 and 800 x 600 with Large
// Fonts, where the frame's design size does not fit.
#pragma once

// A rectangle in screen pixels, right and bottom outside it.
struct ScreenBox {
    int left, top, right, bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const ScreenBox& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct Placement {
    ScreenBox box;   // the window's outer rectangle (when maximised: its restored one)
    bool maximised;
};

// The design's outer rectangle where it lies whole inside the work area (the
// screen less the taskbar); otherwise the window opens maximised, and its
// restored rectangle is the design's cut to the work area's size and moved
// into it, so that Restore too leaves every part of it on the screen.
//
// Maximised rather than only moved and sized into the work area: a window
// the screen cannot hold then shows the largest client area the screen
// gives, without borders beyond its edges, and the system keeps it to the
// work area when the taskbar is moved or resized; the pages, centred in the
// client area, stay whole either way.
Placement PlaceWindow(const ScreenBox& design, const ScreenBox& workArea);
