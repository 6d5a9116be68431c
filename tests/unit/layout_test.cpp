#include <gtest/gtest.h>

#include "wizard/layout.h"

namespace {

std::vector<std::string> TabStops(FormId form) {
    std::vector<std::string> names;
    for (const ControlDesign* c : CreationOrder(form))
        if (c->kind == Kind::Option || c->kind == Kind::Button) names.push_back(c->name);
    return names;
}

TEST(Layout, CreationOrderFollowsTheTabOrderWithinEachContainer) {
    EXPECT_EQ(TabStops(FormId::frmini), (std::vector<std::string>{"OptIE", "optDiscador", "cmdNext", "cmdCancel"}));
    EXPECT_EQ(TabStops(FormId::frmIE),
              (std::vector<std::string>{"cmdNext", "cmdCancel", "OpIE4", "OpIE3", "OpIE5", "cmdBack"}));
}

TEST(TwipsToPixels, RoundsAtTheDisplaysResolution) {
    struct Case {
        float twips;
        int dpi, pixels;
    } cases[] = {
        {1125, 96, 75}, {345, 96, 23}, {9255, 96, 617}, {8460, 96, 564}, {1125, 120, 94},
        {7.5f, 96, 1},  {-7.5f, 96, 0}, {-1155, 96, -77}, {6555, 144, 656},
    };
    for (const Case& c : cases) {
        int px = 0;
        ASSERT_TRUE(TwipsToPixels(c.twips, c.dpi, px));
        EXPECT_EQ(px, c.pixels) << c.twips << " twips at " << c.dpi;
    }
    int px = 0;
    EXPECT_FALSE(TwipsToPixels(1e30f, 96, px));
    EXPECT_FALSE(TwipsToPixels(std::numeric_limits<float>::quiet_NaN(), 96, px));
}

}  // namespace
