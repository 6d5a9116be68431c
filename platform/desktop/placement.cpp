#include "platform/desktop/placement.h"

namespace {

// A span of a given length inside [low, high): where it starts when it
// starts as near as it can to where it wanted.
int Fit(int start, int length, int low, int high) {
    if (start + length > high) start = high - length;
    if (start < low) start = low;
    return start;
}

}  // namespace

Placement PlaceWindow(const ScreenBox& design, const ScreenBox& work) {
    const bool fits = design.left >= work.left && design.top >= work.top && design.right <= work.right &&
                      design.bottom <= work.bottom;
    if (fits || work.width() <= 0 || work.height() <= 0) return {design, false};
    const int width = design.width() < work.width() ? design.width() : work.width();
    const int height = design.height() < work.height() ? design.height() : work.height();
    const int left = Fit(design.left, width, work.left, work.right);
    const int top = Fit(design.top, height, work.top, work.bottom);
    return {{left, top, left + width, top + height}, true};
}
