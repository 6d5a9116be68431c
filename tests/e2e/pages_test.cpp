// The two pages as a user meets them: every control where the window design
// puts it, and the keyboard.
#include "tests/e2e/designed.h"
#include "tests/e2e/harness.h"

namespace {

using namespace designed;

// A kit with every installer and both older Portuguese builds on it.
void FullKit(const Kit& kit, bool ie3 = true, bool ie4 = true) {
    std::string ini =
        "[Setup32]\r\nnroimg=1\r\n"
        "[Arquivos]\r\nie3port=ie3port.exe\r\nie4port=ie4port.exe /Q\r\nie5port=ie5port.exe\r\n"
        "ie5port2=ie5port2.exe\r\nie3ingl=ie3ingl.exe\r\nie4ingl=ie4ingl.exe\r\nie5ingl=ie5ingl.exe\r\n"
        "ie5ingl2=ie5ingl2.exe\r\nDiscador=discador.exe\r\n[OKnoCD]\r\n";
    ini += std::string("ie3port=") + (ie3 ? "ok" : "no") + "\r\nie4port=" + (ie4 ? "OK" : "no") + "\r\n";
    kit.Ini(ini);
    for (const char* name : {"ie3port.exe", "ie4port.exe", "ie5port.exe", "discador.exe"}) kit.Installer(name);
}

// The width of a control's text on one line in the default dialog font.
int TextWidth(HWND control) {
    const std::string text = WindowText(control);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

void ExpectDesign(const Launcher& launcher, const char* page, const Designed* controls, std::size_t count) {
    HWND hwnd = launcher.Page(page);
    ASSERT_NE(hwnd, nullptr) << page;
    EXPECT_EQ(WindowText(hwnd), "QOB - Instalação do Kit de Acesso");
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 6555 / 15) << page;
    EXPECT_EQ(client.bottom, 4500 / 15) << page;
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << page;
    EXPECT_TRUE(style & WS_SYSMENU) << page;
    for (const Designed* c = controls; c != controls + count; ++c) {
        SCOPED_TRACE(std::string(page) + " control " + std::to_string(static_cast<int>(c->id)) + " \"" +
                     c->caption + "\"");
        HWND control = launcher.Control(page, c->id);
        ASSERT_NE(control, nullptr);
        HWND container = c->container == C::None ? hwnd : launcher.Control(page, c->container);
        EXPECT_EQ(GetParent(control), container);
        EXPECT_EQ(WindowText(control), c->caption);
        RECT r = launcher.RectIn(control, container);
        EXPECT_EQ(r.left, c->left / 15);
        EXPECT_EQ(r.top, c->top / 15);
        RECT room;
        GetClientRect(container, &room);
        if (c->other & kLine) {
            GetClientRect(control, &client);
            EXPECT_EQ(client.right, c->width / 15);
            EXPECT_EQ(r.bottom - r.top, 2);
        } else if (c->other & kFits) {  // to the frame's border, its text within
            EXPECT_EQ(r.right, room.right - GetSystemMetrics(SM_CXEDGE));
            EXPECT_LE(TextWidth(control), r.right - r.left);
            EXPECT_EQ(r.bottom - r.top, c->height / 15);
        } else if (c->other & kHolds) {
            EXPECT_GE(r.right - r.left, c->width / 15);
            EXPECT_LE(r.right, room.right);
            EXPECT_EQ(r.bottom - r.top, c->height / 15);
        } else {
            EXPECT_EQ(r.right - r.left, c->width / 15);
            EXPECT_EQ(r.bottom - r.top, c->height / 15);
        }
        EXPECT_EQ((GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0, !(c->other & kHidden));
        EXPECT_EQ(launcher.Checked(control), (c->other & kSelected) != 0);
    }
}

TEST(Pages, DesignOfTheWindowsAt96Dpi) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96) << "the expectations are in pixels at 96 dpi";
    ReleaseDC(nullptr, screen);
    Kit kit;
    Launcher launcher(kit, "win95");
    ASSERT_TRUE(launcher.started());
    EXPECT_EQ(WindowText(launcher.frame()), "QOB - Programa de Instalação");
    RECT client;
    GetClientRect(launcher.frame(), &client);
    POINT origin = {0, 0};
    ClientToScreen(launcher.frame(), &origin);
    EXPECT_EQ(client.right, 9255 / 15);
    EXPECT_EQ(client.bottom, 8460 / 15);
    EXPECT_EQ(origin.x, 1755 / 15);
    EXPECT_EQ(origin.y, 1515 / 15);
    ExpectDesign(launcher, "frmini", kStartPage, std::size(kStartPage));
    ExpectDesign(launcher, "frmIE", kBrowserPage, std::size(kBrowserPage));
    for (const char* page : {"frmini", "frmIE"})
        EXPECT_EQ(GetWindowLongA(launcher.Control(page, C::cmdNext), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON) << page;
}

std::string FocusText(const Launcher& launcher) { return WindowText(launcher.Focus()); }

TEST(Pages, KeyboardTabEnterAndEsc) {
    Kit kit;
    FullKit(kit);
    SetBrowser("3.02.1", "3.02");
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    const std::string optIE = "Instalar o Internet Explorer 5 (com Cadastramento On-Line)";
    WAIT_FOR(FocusText(launcher) == optIE);
    for (const char* expected : {"Próximo >>", "Cancela", optIE.c_str(), "Próximo >>"}) {
        launcher.Key(VK_TAB);
        EXPECT_SOON(FocusText(launcher) == expected);
    }
    launcher.Key(VK_ESCAPE);
    WAIT_FOR(launcher.Box());
    EXPECT_EQ(launcher.BoxText(), "Você realmente deseja cancelar a instalação?");
    launcher.Answer(IDNO);
    WAIT_FOR(!launcher.Box());

    launcher.Key(VK_RETURN);  // focus on Next
    WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
    EXPECT_FALSE(launcher.Visible(launcher.Page("frmini")));
    WAIT_FOR(FocusText(launcher) == "Próximo >>");
    for (const char* expected : {"Cancela", "Instalar Internet Explorer 5", "<< Voltar", "Próximo >>"}) {
        launcher.Key(VK_TAB);
        EXPECT_SOON(FocusText(launcher) == expected);
    }
    // The arrow keys move the choice within the options, in their tab order
    // (4.01, 3.02, 5).
    launcher.Key(VK_TAB);
    launcher.Key(VK_TAB);
    WAIT_FOR(FocusText(launcher) == "Instalar Internet Explorer 5");
    launcher.Key(VK_UP);
    EXPECT_SOON(launcher.Checked(launcher.Control("frmIE", CtlId::OpIE3)));
    EXPECT_FALSE(launcher.Checked(launcher.Control("frmIE", CtlId::OpIE5)));
    launcher.Key(VK_TAB);
    WAIT_FOR(FocusText(launcher) == "<< Voltar");
    launcher.Key(VK_RETURN);  // Enter on another button presses that button
    WAIT_FOR(launcher.Visible(launcher.Page("frmini")));
    EXPECT_FALSE(launcher.Visible(launcher.Page("frmIE")));
    EXPECT_FALSE(launcher.Ended(200));
}

TEST(Pages, TabSkipsHiddenOptions) {
    Kit kit;
    FullKit(kit);
    SetBrowser("5.50.4134.0100", "5.50.4134.0100");
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    WAIT_FOR(FocusText(launcher) == "Próximo >>");
    for (const char* expected : {"Cancela", "<< Voltar", "Próximo >>"}) {
        launcher.Key(VK_TAB);
        EXPECT_SOON(FocusText(launcher) == expected);
    }
    // A frame with no visible option is no container of tab stops for the
    // dialog manager; the start page's is.
    auto controlParent = [&](const char* page) {
        return (GetWindowLongA(launcher.Control(page, CtlId::IEFrame), GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0;
    };
    EXPECT_FALSE(controlParent("frmIE"));
    EXPECT_TRUE(controlParent("frmini"));
}

}  // namespace
