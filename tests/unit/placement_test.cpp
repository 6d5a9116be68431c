// Where the frame opens on the screens it meets: its design place when that
// fits the work area, maximised otherwise.
#include <gtest/gtest.h>

#include "platform/desktop/placement.h"

namespace {

// The frame's outer rectangle at its design place: 96 dpi with the borders
// and caption of Windows' standard metrics, and 120 dpi (Large Fonts).
constexpr ScreenBox kAt96 = {113, 78, 738, 570};
constexpr ScreenBox kAt120 = {142, 98, 922, 710};

struct Screen {
    const char* name;
    ScreenBox design, work;
    Placement expected;
};

const Screen kScreens[] = {
    {"1024 x 768, taskbar at the bottom", kAt96, {0, 0, 1024, 740}, {kAt96, false}},
    {"800 x 600, taskbar at the bottom", kAt96, {0, 0, 800, 572}, {kAt96, false}},
    {"800 x 600, taskbar at the top", kAt96, {0, 28, 800, 600}, {kAt96, false}},
    {"800 x 600, taskbar on the left, 120 px wide", kAt96, {120, 0, 800, 600}, {{120, 78, 745, 570}, true}},
    {"800 x 600, taskbar 40 px high at the bottom", kAt96, {0, 0, 800, 560}, {{113, 68, 738, 560}, true}},
    {"640 x 480, taskbar at the bottom", kAt96, {0, 0, 640, 452}, {{15, 0, 640, 452}, true}},
    {"640 x 480, no taskbar", kAt96, {0, 0, 640, 480}, {{15, 0, 640, 480}, true}},
    {"640 x 480, taskbar on the right", kAt96, {0, 0, 580, 480}, {{0, 0, 580, 480}, true}},
    {"800 x 600 at 120 dpi", kAt120, {0, 0, 800, 572}, {{20, 0, 800, 572}, true}},
    {"1024 x 768 at 120 dpi", kAt120, {0, 0, 1024, 740}, {kAt120, false}},
    {"exactly the design's size", kAt96, kAt96, {kAt96, false}},
    {"one pixel short on the right", kAt96, {0, 0, 737, 740}, {{112, 78, 737, 570}, true}},
    {"a second screen to the left of the first", kAt96, {-800, 0, 0, 600}, {{-625, 78, 0, 570}, true}},
    {"no work area", kAt96, {0, 0, 0, 0}, {kAt96, false}},
};

TEST(Placement, TableOfScreens) {
    for (const Screen& s : kScreens) {
        SCOPED_TRACE(s.name);
        const Placement p = PlaceWindow(s.design, s.work);
        EXPECT_EQ(p.maximised, s.expected.maximised);
        EXPECT_EQ(p.box.left, s.expected.box.left);
        EXPECT_EQ(p.box.top, s.expected.box.top);
        EXPECT_EQ(p.box.right, s.expected.box.right);
        EXPECT_EQ(p.box.bottom, s.expected.box.bottom);
    }
}

// Wherever it opens, the restored rectangle lies whole in a usable work area.
TEST(Placement, RestoredBoxInsideTheWorkArea) {
    for (const Screen& s : kScreens) {
        if (s.work.width() <= 0) continue;
        SCOPED_TRACE(s.name);
        const ScreenBox b = PlaceWindow(s.design, s.work).box;
        EXPECT_GE(b.left, s.work.left);
        EXPECT_GE(b.top, s.work.top);
        EXPECT_LE(b.right, s.work.right);
        EXPECT_LE(b.bottom, s.work.bottom);
    }
}

}  // namespace
