// Every text of both pages whole on this screen (scripts/test.sh runs
// era_tests at 96, 120, 144 and 192 dpi, SETUP32_ERA_DPI): for each Windows
// the browser page describes and each row of its offers, every caption,
// label, option and frame caption shows all of its text.
#include <string>

#include "tests/e2e/harness.h"

namespace {

BOOL CALLBACK AddChild(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

// Every visible control of a page with its text whole; how many options show.
int ExpectTextsWhole(const Launcher& launcher, const char* page) {
    std::vector<HWND> controls;
    EnumChildWindows(launcher.Page(page), AddChild, reinterpret_cast<LPARAM>(&controls));
    int options = 0;
    for (HWND control : controls) {
        if (!IsWindowVisible(control)) continue;
        EXPECT_EQ(TextCut(control), "") << page << " control " << GetDlgCtrlID(control);
        options += (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
    }
    return options;
}

TEST(TextFit, EveryTextOfBothPagesWhole) {
    struct Windows {
        const char* version;  // Wine's name of it
        const char* description;
    } const windows[] = {
        {"win98", "Windows 98 Version 4.10, Build 2222, Service Pack  A "},
        {"nt40", "Windows NT Version 4.0, Build 1381, Service Pack 6a"},
        {"win2k", "Windows NT Version 5.0, Build 2195, Service Pack 4"},
        {"winxp", "Windows NT Version 5.1, Build 2600, Service Pack 3"},
        {"win7", "Windows NT Version 6.1, Build 7601, Service Pack 1"},
        {"win10", "Windows NT Version 10.0, Build 18362"},
    };
    // The rows of offers that a run meets (the probe always says "PORT").
    struct Offers {
        const char* name;
        const char* build;
        const char* version;
        int options;
    } const offers[] = {
        {"IE 3 installed, 3.02 and 4.01 on the CD", "3.02.1", "3.02", 3},
        {"IE 4 installed, 4.01 on the CD", "4.72.3110.8", "4.72.3110.0", 2},
        {"IE 5 installed", "5.50.4134.0100", "5.50.4134.0100", 0},
    };
    for (const Windows& w : windows) {
        for (const Offers& o : offers) {
            SCOPED_TRACE(std::string(w.version) + ", " + o.name + ", " + Environment("SETUP32_ERA_DPI") + " dpi");
            Kit kit;
            kit.Ini("[Arquivos]\r\nie3port=ie3port.exe\r\nie4port=ie4port.exe\r\n[OKnoCD]\r\nie3port=ok\r\nie4port=ok\r\n");
            SetBrowser(o.build, o.version);
            Launcher launcher(kit, w.version);
            ASSERT_TRUE(launcher.started());
            EXPECT_EQ(ExpectTextsWhole(launcher, "frmini"), 2);
            launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
            WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
            EXPECT_EQ(WindowText(launcher.Control("frmIE", CtlId::lblSistema)), w.description);
            EXPECT_EQ(ExpectTextsWhole(launcher, "frmIE"), o.options);
        }
    }
}

}  // namespace
