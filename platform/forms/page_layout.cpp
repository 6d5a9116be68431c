#include "platform/forms/page_layout.h"

#include <algorithm>
#include <cstring>

#include "platform/desktop/units.h"

namespace {

int Pixels(int twips, int dpi) {
    int pixels = 0;
    TwipsToPixels(static_cast<float>(twips), dpi, pixels);
    return pixels;
}

std::size_t Index(CtlId control) { return static_cast<std::size_t>(control); }

}  // namespace

PageLayout::PageLayout(const Design& design, FormId form, int dpiX, int dpiY, int edge)
    : design_(design), form_(form), dpiX_(dpiX), dpiY_(dpiY), edge_(edge) {
    const FormDesign& page = design.Of(form);
    page_ = {0, 0, Pixels(page.width, dpiX), Pixels(page.height, dpiY)};
    for (const ControlDesign& c : design)
        if (c.form == form && (c.flags & kAutoSize)) text_[Index(c.id)].whole = c.caption;
    PlaceDesign();
}

void PageLayout::SetCaption(CtlId label, const std::string& text) { text_[Index(label)].whole = text; }

void PageLayout::PlaceDesign() {
    for (const ControlDesign& c : design_)
        if (c.form == form_)
            At(c.id) = {Pixels(c.left, dpiX_), Pixels(c.top, dpiY_), Pixels(c.width, dpiX_), Pixels(c.height, dpiY_)};
}

CtlId PageLayout::ContainerOf(CtlId control) const { return design_.Of(form_, control)->container; }

// What a container's border takes from the room it gives: a frame draws its
// border inside its own box, a picture box has its sunken edge around the
// area its controls stand in.
int PageLayout::Inset(CtlId container) const {
    if (container == CtlId::None) return 0;
    return design_.Of(form_, container)->kind == Kind::PictureBox ? 2 * edge_ : edge_;
}

int PageLayout::Room(CtlId container, bool across) const {
    const PixelBox& box = container == CtlId::None ? page_ : Box(container);
    return (across ? box.width : box.height) - Inset(container);
}

int PageLayout::ContentBottom(CtlId container) const {
    int bottom = 0;
    for (const ControlDesign& c : design_)
        if (c.form == form_ && c.container == container) bottom = std::max(bottom, Box(c.id).bottom());
    return bottom;
}

// How far a container's bottom may move down: to the top of the next control
// below it, or else to the end of its own container's room and on through
// the room below that one.
int PageLayout::RoomBelow(CtlId container) const {
    if (container == CtlId::None) return 0;
    const CtlId outer = ContainerOf(container);
    const PixelBox& box = Box(container);
    int limit = Room(outer, false);
    bool blocked = false;
    for (const ControlDesign& c : design_) {
        const PixelBox& other = Box(c.id);
        if (c.form == form_ && c.container == outer && c.id != container && other.top >= box.bottom() &&
            other.top <= limit && other.left < box.right() && other.right() > box.left) {
            limit = other.top;
            blocked = true;
        }
    }
    return limit - box.bottom() + (blocked ? 0 : RoomBelow(outer));
}

// A container grows down to hold what it holds, and its own container with it.
void PageLayout::Grow(CtlId container) {
    for (; container != CtlId::None; container = ContainerOf(container)) {
        const int over = ContentBottom(container) - Room(container, false);
        if (over <= 0) return;
        At(container).height += over;
    }
}

bool PageLayout::Moved(CtlId control) const {
    return std::memcmp(&Box(control), &before_[Index(control)], sizeof(PixelBox)) != 0;
}

void PageLayout::Fit(const TextMeasure& measure) {
    before_ = box_;
    PlaceDesign();
    // Each self-sizing label on one line, its container widened to hold it.
    for (const ControlDesign& c : design_) {
        if (c.form != form_ || !(c.flags & kAutoSize)) continue;
        const std::size_t i = Index(c.id);
        PixelBox& label = At(c.id);
        measure.Measure(text_[i].whole, 0, label.width, label.height);
        text_[i].shown = text_[i].whole;
        if (c.container == CtlId::None) continue;
        PixelBox& container = At(c.container);
        const int most = Room(ContainerOf(c.container), true) - container.left;
        container.width = std::max(container.width, std::min(label.right() + Inset(c.container), most));
    }
    // A label that is still too wide wraps into the room below it, and what
    // finds no room there is cut.
    for (const ControlDesign& c : design_) {
        if (c.form != form_ || !(c.flags & kAutoSize)) continue;
        const std::size_t i = Index(c.id);
        PixelBox& label = At(c.id);
        const int width = Room(c.container, true) - label.left;
        if (label.width > width) {
            const int height =
                label.height + Room(c.container, false) - ContentBottom(c.container) + RoomBelow(c.container);
            const std::string& whole = text_[i].whole;
            std::string& text = text_[i].shown;
            int cx = 0, cy = 0;
            measure.Measure(text, width, cx, cy);
            // Its words before each blank, from the last, blanks after them
            // left out; at the end none of them.
            for (std::size_t n = whole.size(); n-- > 0 && (cx > width || cy > height);) {
                if (n && (whole[n] != ' ' || whole[n - 1] == ' ')) continue;
                text.assign(whole.data(), n);
                text += "...";
                measure.Measure(text, width, cx, cy);
            }
            for (const ControlDesign& below : design_)
                if (below.form == form_ && below.container == c.container && Box(below.id).top >= label.bottom())
                    At(below.id).top += cy - label.height;
            label.height = cy;
        }
        label.width = width;
        Grow(c.container);
    }
}
