// The design of the three windows: one table of controls, walked by the
// Win32 layer to create them and by the test double to start them in their
// design state.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "platform/platform.h"

enum class Kind { Image, Label, Frame, Option, Button, PictureBox };

enum DesignFlag : unsigned {
    kSelected = 1u << 0,   // option selected when the window is created
    kHidden = 1u << 1,     // not visible when the window is created
    kDefault = 1u << 2,    // the window's default button (Enter)
    kCancel = 1u << 3,     // the window's cancel button (Esc)
    kAutoSize = 1u << 4,   // label taking the size of its caption on one line
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

extern const std::array<FormDesign, 3> kForms;
extern const std::array<ControlDesign, 25> kControls;

const FormDesign& DesignOf(FormId form);
const ControlDesign* DesignOf(FormId form, CtlId control);

// The controls of a window in creation order, which is the tab order:
// containers before what they hold, and within each container by rising tab
// index, a container standing where its first tab stop is.
std::vector<const ControlDesign*> CreationOrder(FormId form);

// Control ids: Enter and Esc reach the default and cancel buttons as 1 and 2
// (IDOK and IDCANCEL); every other control has an id of its own.
constexpr int ControlIdOf(CtlId control) {
    return control == CtlId::cmdNext ? 1 : control == CtlId::cmdCancel ? 2 : 100 + static_cast<int>(control);
}

constexpr int kTwipsPerInch = 1440;
constexpr long kTimer1DesignInterval = 500;

// Twips to pixels at a given dots per inch, rounded to the nearest pixel;
// false for a value that is no finite number or too large for a position.
bool TwipsToPixels(float twips, int dpi, int& pixels);
float PixelsToTwips(int pixels, int dpi);
