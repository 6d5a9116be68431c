// Where a page's controls go at the screen's dots per inch once the texts of
// its self-sizing labels are known. Every control stands where the design
// puts it; a self-sizing label keeps its place and shows its text on one
// line, as long as its container has the room:
//   1. A label that would pass its container's inner right edge widens the
//      container, as far as the inner edge of the container's own container.
//   2. A label still too wide wraps at blanks within that room; the controls
//      below it in its container move down by the height it gains, and the
//      container grows down into the room below it: the rest of its own
//      container, and so on up to the next control below it on the page.
//      Nothing else moves.
//   3. A text whose lines still find no room is cut after its last word that
//      fits, with "..." (a text whose first word does not fit: "...").
// The label's box reaches the container's inner right edge, and is as high
// as its lines: a renderer that draws a little wider than it measures (Wine
// at 96 and 120 dpi) loses nothing of a text that fits with room to spare.
// The text sizes come from the windows, in the labels' own font.
#pragma once

#include <array>
#include <string>

#include "platform/forms/design.h"

// A rectangle in pixels, relative to its container's client area.
struct PixelBox {
    int left, top, width, height;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

class TextMeasure {
public:
    // The size of a text on one line (width 0), or broken at blanks into
    // lines no wider than width, as a label that wraps draws it; a word wider
    // than width makes the size wider.
    virtual void Measure(const std::string& text, int width, int& cx, int& cy) const = 0;

protected:
    ~TextMeasure() = default;
};

class PageLayout {
public:
    // edge: the width of a frame's border and of a picture box's sunken edge.
    PageLayout(const Design& design, FormId form, int dpiX, int dpiY, int edge);

    void SetCaption(CtlId label, const std::string& text);  // a self-sizing label's whole text
    void Fit(const TextMeasure& measure);                    // every control placed again

    const PixelBox& Box(CtlId control) const { return box_[static_cast<std::size_t>(control)]; }
    const std::string& Shown(CtlId label) const { return text_[static_cast<std::size_t>(label)].shown; }
    // Whether the last Fit placed a control elsewhere than it stood before
    // (before the first: where the design puts it).
    bool Moved(CtlId control) const;

private:
    PixelBox& At(CtlId control) { return box_[static_cast<std::size_t>(control)]; }
    CtlId ContainerOf(CtlId control) const;
    int Inset(CtlId container) const;
    int Room(CtlId container, bool across) const;  // its inner width (across) or height
    int ContentBottom(CtlId container) const;
    int RoomBelow(CtlId container) const;
    void Grow(CtlId container);
    void PlaceDesign();

    const Design& design_;
    const FormId form_;
    const int dpiX_, dpiY_, edge_;
    PixelBox page_;
    std::array<PixelBox, kCtlIdCount> box_, before_;  // for the controls of the page
    struct Text {
        std::string whole, shown;
    };
    std::array<Text, kCtlIdCount> text_;  // for its self-sizing labels
};
