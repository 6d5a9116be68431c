#include <gtest/gtest.h>

#include "platform/forms/page_layout.h"
#include "wizard/layout.h"

bool operator==(const PixelBox& a, const PixelBox& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}
void PrintTo(const PixelBox& b, std::ostream* out) {
    *out << "(" << b.left << ", " << b.top << ", " << b.width << " x " << b.height << ")";
}

namespace {

// A font of fixed width: every character `advance` pixels, lines `line`
// pixels high, broken at the last blank that keeps a line within the width
// (the blanks at a break dropped); a word wider than that makes the text wider.
class FixedFont final : public TextMeasure {
public:
    FixedFont(int advance, int line) : advance_(advance), line_(line) {}
    void Measure(const std::string& text, int width, int& cx, int& cy) const override {
        const std::size_t most = width ? static_cast<std::size_t>(width / advance_) : text.size();
        std::size_t start = 0, widest = 0, lines = 0;
        while (start < text.size() || lines == 0) {
            std::size_t end = text.size();
            if (end - start > most) {
                end = text.rfind(' ', start + most);
                if (end == std::string::npos || end < start) end = text.find(' ', start + most);
                if (end == std::string::npos) end = text.size();
            }
            widest = std::max(widest, end - start);
            ++lines;
            start = text.find_first_not_of(' ', end);
            if (start == std::string::npos) break;
        }
        cx = static_cast<int>(widest) * advance_;
        cy = static_cast<int>(lines) * line_;
    }

private:
    int advance_, line_;
};

// Words of five letters, one blank between them, cut to a length.
std::string Words(std::size_t length) {
    std::string text;
    while (text.size() < length) text += text.size() % 6 == 5 ? ' ' : 'x';
    return text;
}

using Box = PixelBox;

// The browser page at 96 dpi, in pixels: Picture2 (136, 4, 293 x 129) with
// its 2-pixel sunken edge holds Frame2 (4, 0, 273 x 121), whose border takes
// 2 pixels; the value labels stand 12 pixels in, a row every 20 pixels or so;
// IEFrame begins at 140. A character is 6 pixels wide, a line 13 high.
TEST(PageLayout, SelfSizingLabelsWidenTheirFrameThenWrapThenAreCut) {
    const std::string wraps = Words(60), cut = Words(200);
    struct Case {
        const char* name;
        int line;  // pixels
        std::string sistema, resultado;
        Box frame2, sistemaBox, resultadoBox;
        int picture2Height, label3Top;
        std::string sistemaShown, resultadoShown;
    } cases[] = {
        {"both fit", 13, Words(40), Words(30), {4, 0, 273, 121}, {12, 40, 259, 13}, {12, 96, 259, 13}, 129, 60,
         Words(40), Words(30)},
        {"a text 5 pixels too wide widens the frame by 5", 13, Words(44), Words(30), {4, 0, 278, 121},
         {12, 40, 264, 13}, {12, 96, 264, 13}, 129, 60, Words(44), Words(30)},
        {"no wider than the picture box: it wraps, the rows below move down by a line, the frame grows 3 pixels "
         "into the picture box's margin",
         13, wraps, Words(30), {4, 0, 285, 124}, {12, 40, 271, 26}, {12, 109, 271, 13}, 129, 73, wraps, Words(30)},
        {"lines of 15 pixels: the frame grows 7, the picture box 3 into the room above IEFrame", 15, wraps,
         Words(30), {4, 0, 285, 128}, {12, 40, 271, 30}, {12, 111, 271, 15}, 132, 75, wraps, Words(30)},
        {"two lines find room, five do not: cut after the last word of the second", 13, cut, Words(30), {4, 0, 285, 124}, {12, 40, 271, 26}, {12, 109, 271, 13}, 129, 73,
         cut.substr(0, 83) + "...", Words(30)},
        {"the second text to wrap finds no line left: cut on one", 13, wraps, wraps, {4, 0, 285, 124},
         {12, 40, 271, 26}, {12, 109, 271, 13}, 129, 73, wraps, wraps.substr(0, 41) + "..."},
        {"a first word wider than the room: nothing of it", 13, std::string(100, 'x'), Words(30), {4, 0, 285, 121},
         {12, 40, 271, 13}, {12, 96, 271, 13}, 129, 60, "...", Words(30)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FixedFont font(6, c.line);
        PageLayout layout(WindowDesign(), FormId::frmIE, 96, 96, 2);
        layout.SetCaption(CtlId::lblSistema, c.sistema);
        layout.SetCaption(CtlId::lblResultado, c.resultado);
        layout.Fit(font);
        EXPECT_EQ(layout.Box(CtlId::Frame2), c.frame2);
        EXPECT_EQ(layout.Box(CtlId::Picture2), (Box{136, 4, 293, c.picture2Height}));
        EXPECT_EQ(layout.Box(CtlId::lblSistema), c.sistemaBox);
        EXPECT_EQ(layout.Box(CtlId::Label3).top, c.label3Top);
        EXPECT_EQ(layout.Box(CtlId::lblResultado), c.resultadoBox);
        EXPECT_EQ(layout.Shown(CtlId::lblSistema), c.sistemaShown);
        EXPECT_EQ(layout.Shown(CtlId::lblResultado), c.resultadoShown);
        EXPECT_EQ(layout.Box(CtlId::IEFrame), (Box{140, 140, 285, 81})) << "nothing outside the picture box moves";
        EXPECT_EQ(layout.Box(CtlId::cmdNext), (Box{260, 264, 75, 23}));
    }
}

// At 192 dpi the design doubles, the frame's border does not: the same text
// that wraps at 96 dpi finds room on one line once the frame has widened.
TEST(PageLayout, TheRoomFollowsTheScreensDotsPerInch) {
    PageLayout layout(WindowDesign(), FormId::frmIE, 192, 192, 2);
    layout.SetCaption(CtlId::lblSistema, Words(45));
    layout.Fit(FixedFont(12, 26));
    EXPECT_EQ(layout.Box(CtlId::Frame2), (Box{8, 0, 566, 242}));
    EXPECT_EQ(layout.Box(CtlId::lblSistema), (Box{24, 80, 540, 26}));
}

// Every Fit starts from the design: a short text after a long one puts the
// frame and the rows back, and the windows learn which controls moved.
TEST(PageLayout, EachFitStartsFromTheDesign) {
    PageLayout layout(WindowDesign(), FormId::frmIE, 96, 96, 2);
    const FixedFont font(6, 13);
    layout.SetCaption(CtlId::lblSistema, Words(60));
    layout.Fit(font);
    EXPECT_TRUE(layout.Moved(CtlId::Frame2));
    EXPECT_TRUE(layout.Moved(CtlId::Label3));
    EXPECT_FALSE(layout.Moved(CtlId::IEFrame));
    layout.SetCaption(CtlId::lblSistema, Words(10));
    layout.Fit(font);
    EXPECT_EQ(layout.Box(CtlId::Frame2), (Box{4, 0, 273, 121}));
    EXPECT_EQ(layout.Box(CtlId::Label3), (Box{4, 60, 259 + 8, 13}));
    EXPECT_TRUE(layout.Moved(CtlId::Frame2));
    EXPECT_TRUE(layout.Moved(CtlId::Label3));
    EXPECT_FALSE(layout.Moved(CtlId::Picture2));
}

}  // namespace
