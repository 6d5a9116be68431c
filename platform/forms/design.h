// How the design of a window is written: one table of windows and one of
// controls, walked by the Win32 windows to create them and by the test double
// to start them in their design state.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/desktop/units.h"
#include "platform/forms/forms.h"

enum class Kind { Image, Label, Frame, Option, Button, PictureBox };

enum DesignFlag : unsigned {
    kSelected = 1u << 0,   // option selected when the window is created
    kHidden = 1u << 1,     // not visible when the window is created
    kDefault = 1u << 2,    // the window's default button (Enter)
    kCancel = 1u << 3,     // the window's cancel button (Esc)
    kAutoSize = 1u << 4,   // label taking the size of its caption (page_layout.h)
    kSeparator = 1u << 5,  // frame drawn as a horizontal line
};

constexpr int kNoTab = -1;

// Positions and sizes in twips, relative to the container's client area.
struct ControlDesign {
    FormId form;
    CtlId id;
    const char* name;
    Kind kind;
    CtlId container;  // CtlId::None: the window itself
    const char* caption;
    int left, top, width, height;
    int tabIndex;
    unsigned flags;
};

// Client area size and design position, in twips.
struct FormDesign {
    FormId form;
    const char* name;
    const char* caption;
    int left, top, width, height;
};

// The design of every window, and the slideshow timer's design interval.
struct Design {
    const FormDesign* forms;
    std::size_t formCount;
    const ControlDesign* controls;
    std::size_t controlCount;
    long timerInterval;

    const ControlDesign* begin() const { return controls; }
    const ControlDesign* end() const { return controls + controlCount; }

    const FormDesign& Of(FormId form) const;  // every window has a design
    const ControlDesign* Of(FormId form, CtlId control) const;

    // The controls of a window in creation order, which is the tab order:
    // containers before what they hold, and within each container by rising
    // tab index, a container standing where its first tab stop is.
    std::vector<const ControlDesign*> CreationOrder(FormId form) const;
};

// Control ids: Enter and Esc reach the default and cancel buttons as 1 and 2
// (IDOK and IDCANCEL); every other control has an id of its own.
constexpr int ControlIdOf(CtlId control) {
    return control == CtlId::cmdNext ? 1 : control == CtlId::cmdCancel ? 2 : 100 + static_cast<int>(control);
}
constexpr CtlId ControlOfId(int id) {
    return id == 1 ? CtlId::cmdNext
         : id == 2 ? CtlId::cmdCancel
         : id > 100 && static_cast<std::size_t>(id - 100) < kCtlIdCount ? static_cast<CtlId>(id - 100)
                                                                       : CtlId::None;
}
