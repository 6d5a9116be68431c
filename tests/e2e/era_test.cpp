// The screens of the PCs the CD is for: 640 x 480 (a fresh Windows 95 before
// its display driver is set up), 800 x 600 with Large Fonts (120 dpi), and
// the later PCs' larger screens at 144 and 192 dpi. scripts/test.sh runs this
// program once on each, on a display of that size, and says which in
// SETUP32_ERA_SCREEN ("640x480x16") and SETUP32_ERA_DPI.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tests/e2e/designed.h"
#include "tests/e2e/harness.h"

namespace {

using namespace designed;

int Pixels(int twips, int dpi) { return static_cast<int>(std::floor(double(twips) * dpi / 1440 + 0.5)); }

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Show(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") - (" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

RECT WorkArea() {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// The part of the screen where the launcher's pages can be seen: the work
// area, and within it the frame's client area that holds the pages.
RECT Seen(const Launcher& launcher) {
    RECT client, work = WorkArea(), seen;
    GetClientRect(launcher.client(), &client);
    MapWindowPoints(launcher.client(), nullptr, reinterpret_cast<POINT*>(&client), 2);
    IntersectRect(&seen, &client, &work);
    return seen;
}

// A mouse click as the user's hand gives it: the pointer moved to the
// control's centre on the screen, the left button pressed and let go.
void MouseClick(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3]{};
    for (INPUT& i : input) i.type = INPUT_MOUSE;
    input[0].mi.dx = (x * 65536 + cx / 2) / cx;
    input[0].mi.dy = (y * 65536 + cy / 2) / cy;
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input[0], sizeof(INPUT));
    Sleep(50);
    SendInput(2, &input[1], sizeof(INPUT));
}

// Every control of a page where the design puts it at this screen's dpi, its
// text whole, and every one that shows inside the part of the screen where
// it can be seen and clicked.
void ExpectPageWhole(const Launcher& launcher, const char* page, const Designed* controls, std::size_t count,
                     int dpi) {
    HWND hwnd = launcher.Page(page);
    ASSERT_TRUE(launcher.Visible(hwnd)) << page;
    const RECT seen = Seen(launcher);
    RECT outer, client;
    GetWindowRect(hwnd, &outer);
    EXPECT_TRUE(Inside(outer, seen)) << page << " at " << Show(outer) << ", seen " << Show(seen);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, Pixels(6555, dpi)) << page;
    EXPECT_EQ(client.bottom, Pixels(4500, dpi)) << page;
    for (const Designed* c = controls; c != controls + count; ++c) {
        SCOPED_TRACE(std::string(page) + " control " + std::to_string(static_cast<int>(c->id)) + " \"" +
                     c->caption + "\"");
        HWND control = launcher.Control(page, c->id);
        ASSERT_NE(control, nullptr);
        HWND container = c->container == C::None ? hwnd : launcher.Control(page, c->container);
        RECT r = launcher.RectIn(control, container);
        EXPECT_EQ(r.left, Pixels(c->left, dpi));
        EXPECT_EQ(r.top, Pixels(c->top, dpi));
        if (!(c->other & (kFits | kLine | kHolds))) {
            EXPECT_EQ(r.right - r.left, Pixels(c->width, dpi));
            EXPECT_EQ(r.bottom - r.top, Pixels(c->height, dpi));
        }
        if (!launcher.Visible(control)) continue;
        EXPECT_EQ(TextCut(control), "");
        RECT screen;
        GetWindowRect(control, &screen);
        EXPECT_TRUE(Inside(screen, seen)) << Show(screen) << " outside " << Show(seen);
    }
}

// Clicks a button of the launcher with the mouse, after checking that the
// point under its centre is the button.
void ClickWithTheMouse(HWND button) {
    RECT r;
    GetWindowRect(button, &r);
    POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    EXPECT_EQ(WindowFromPoint(centre), button) << WindowText(button) << " at " << Show(r) << " is not under the mouse";
    MouseClick(button);
}

TEST(EraScreen, BothPagesWholeAndNextTakesAMouseClick) {
    const std::string screen = Environment("SETUP32_ERA_SCREEN");
    const int dpi = std::atoi(Environment("SETUP32_ERA_DPI").c_str());
    HDC dc = GetDC(nullptr);
    int width = 0, height = 0, depth = 0;
    ASSERT_EQ(std::sscanf(screen.c_str(), "%dx%dx%d", &width, &height, &depth), 3) << screen;
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), width);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), height);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), depth == 24 ? 32 : depth);  // Wine shows a 24-bit display as 32
    const int seenDpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    ASSERT_EQ(seenDpi, dpi) << "LogPixels did not take";
    const RECT work = WorkArea();
    ASSERT_GT(work.right, work.left);

    Kit kit;
    kit.Ini(
        "[Setup32]\r\nnroimg=1\r\n"
        "[Arquivos]\r\nie3port=ie3port.exe\r\nie4port=ie4port.exe /Q\r\nie5port=ie5port.exe\r\n"
        "Discador=discador.exe\r\n[OKnoCD]\r\nie3port=ok\r\nie4port=ok\r\n");
    kit.Bitmap("image1.bmp", RGB(0, 0, 255));
    for (const char* name : {"ie3port.exe", "ie4port.exe", "ie5port.exe", "discador.exe"}) kit.Installer(name);
    SetBrowser("3.02.1", "3.02");  // the browser page then shows all three options
    Launcher launcher(kit, "win95");
    ASSERT_TRUE(launcher.started());
    RECT frame;
    GetWindowRect(launcher.frame(), &frame);
    SCOPED_TRACE(screen + " at " + std::to_string(dpi) + " dpi, work area " + Show(work) + ", frame " + Show(frame));

    ExpectPageWhole(launcher, "frmini", kStartPage, std::size(kStartPage), dpi);
    ClickWithTheMouse(launcher.Control("frmini", C::cmdNext));
    WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
    EXPECT_FALSE(launcher.Visible(launcher.Page("frmini")));

    ExpectPageWhole(launcher, "frmIE", kBrowserPage, std::size(kBrowserPage), dpi);
    ClickWithTheMouse(launcher.Control("frmIE", C::OpIE4));
    EXPECT_SOON(launcher.Checked(launcher.Control("frmIE", C::OpIE4)));
    ClickWithTheMouse(launcher.Control("frmIE", C::cmdNext));
    EXPECT_TRUE(launcher.Ended());
    EXPECT_SOON(kit.Started() == std::vector<std::string>{"ie4port.exe /Q|3"});
}

}  // namespace
