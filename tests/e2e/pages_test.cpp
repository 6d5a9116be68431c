// The two pages as a user meets them: their controls, the keyboard, the
// browser and dialer roads, the questions and the Windows description.
#include "tests/e2e/harness.h"

namespace {

const char* const kChoose = "Escolha uma das opções de instalação abaixo.";
const char* const kPlanIE5 = "Será instalado o Internet Explorer 5 em Português";

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

struct Control {
    CtlId id;
    const char* caption;
    bool visible, checked;
};

void ExpectControls(const Launcher& launcher, const char* page, const std::vector<Control>& controls) {
    for (const Control& c : controls) {
        SCOPED_TRACE(std::string(page) + " " + c.caption);
        HWND hwnd = launcher.Control(page, c.id);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(WindowText(hwnd), c.caption);
        EXPECT_EQ((GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0, c.visible);
        EXPECT_EQ(launcher.Checked(hwnd), c.checked);
    }
}

TEST(Pages, ControlsAsDesigned) {
    Kit kit;
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    ExpectControls(launcher, "frmini",
                   {{CtlId::Label1, "Escolha uma das opções abaixo:", true, false},
                    {CtlId::OptIE, "Instalar o Internet Explorer 5 (com Cadastramento On-Line)", true, true},
                    {CtlId::optDiscador, "Instalar o Discador do QOB", true, false},
                    {CtlId::cmdNext, "Próximo >>", true, false},
                    {CtlId::cmdCancel, "Cancela", true, false}});
    ExpectControls(launcher, "frmIE",
                   {{CtlId::Label1, "Informações da Instalação:", true, false},
                    {CtlId::Label2, "Sistema: ", true, false},
                    {CtlId::Label3, "Idioma:", true, false},
                    {CtlId::lblLinguagem, "Português", true, false},
                    {CtlId::lblResultado, kPlanIE5, true, false},
                    {CtlId::OpIE3, "Instalar Internet Explorer 3.02", false, false},
                    {CtlId::OpIE4, "Instalar Internet Explorer 4.01", false, false},
                    {CtlId::OpIE5, "Instalar Internet Explorer 5", false, true},
                    {CtlId::cmdBack, "<< Voltar", true, false},
                    {CtlId::cmdNext, "Próximo >>", true, false},
                    {CtlId::cmdCancel, "Cancela", true, false}});
    for (const char* page : {"frmini", "frmIE"}) {
        HWND hwnd = launcher.Page(page);
        EXPECT_EQ(WindowText(hwnd), "QOB - Instalação do Kit de Acesso");
        LONG style = GetWindowLongA(hwnd, GWL_STYLE);
        EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << page;
        EXPECT_TRUE(style & WS_SYSMENU) << page;
        HWND next = launcher.Control(page, CtlId::cmdNext);
        EXPECT_EQ(GetWindowLongA(next, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON) << page;
        // 1125 x 345 twips at 96 dpi.
        RECT r = launcher.RectIn(next, hwnd);
        EXPECT_EQ(r.right - r.left, 75);
        EXPECT_EQ(r.bottom - r.top, 23);
    }
    // The options stand in their frame, the labels in the picture box's frame.
    EXPECT_EQ(GetParent(launcher.Control("frmIE", CtlId::OpIE5)), launcher.Control("frmIE", CtlId::IEFrame));
    EXPECT_EQ(GetParent(launcher.Control("frmIE", CtlId::lblSistema)), launcher.Control("frmIE", CtlId::Frame2));
    EXPECT_EQ(GetParent(launcher.Control("frmIE", CtlId::Frame2)), launcher.Control("frmIE", CtlId::Picture2));
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
