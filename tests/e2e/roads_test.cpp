// The roads through the wizard, from the start page to the installer that
// the launcher leaves running.
#include "tests/e2e/harness.h"

namespace {

void KitWith(const Kit& kit, const char* okIe3, const char* okIe4, const char* ie5port = "ie5port.exe") {
    kit.Ini(std::string("[Arquivos]\r\nie3port=ie3port.exe\r\nie4port=ie4port.exe /Q\r\nie5port=") + ie5port +
            "\r\nie3ingl=ie3ingl.exe\r\nDiscador=discador.exe\r\n[OKnoCD]\r\nie3port=" + okIe3 +
            "\r\nie4port=" + okIe4 + "\r\nie3ingl=ok\r\n");
    for (const char* name : {"ie3port.exe", "ie4port.exe", "ie5port.exe", "ie3ingl.exe", "discador.exe"})
        kit.Installer(name);
}

TEST(Roads, BrowserByInstalledVersion) {
    struct Case {
        const char* name;
        const char* build;
        const char* version;
        const char* okIe3;
        const char* okIe4;
        bool op3, op4, op5;
        CtlId choice;
        const char* started;
    } cases[] = {
        {"IE 3 with 3.02 and 4.01 on the CD", "3.02.1", "3.02", "ok", "ok", true, true, true, CtlId::OpIE4,
         "ie4port.exe /Q|3"},
        {"IE 3 with 3.02 on the CD", "3.02.1", "3.02", "ok", "no", true, false, true, CtlId::OpIE3, "ie3port.exe|3"},
        {"IE 3 with only 4.01 on the CD", "3.02.1", "3.02", "no", "ok", false, false, false, CtlId::None,
         "ie5port.exe|3"},
        {"IE 4 with 4.01 on the CD", "4.72.3110.8", "4.72.3110.0", "ok", "OKAY", false, true, true, CtlId::OpIE5,
         "ie5port.exe|3"},
        {"IE 5", "52614", "5.00.2614.3500", "ok", "ok", false, false, false, CtlId::None, "ie5port.exe|3"},
        {"no browser", nullptr, nullptr, "ok", "ok", true, true, true, CtlId::OpIE3, "ie3port.exe|3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Kit kit;
        KitWith(kit, c.okIe3, c.okIe4);
        SetBrowser(c.build, c.version);
        Launcher launcher(kit);
        ASSERT_TRUE(launcher.started());
        launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
        WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
        EXPECT_FALSE(launcher.Visible(launcher.Page("frmini")));
        EXPECT_EQ(launcher.Visible(launcher.Control("frmIE", CtlId::OpIE3)), c.op3);
        EXPECT_EQ(launcher.Visible(launcher.Control("frmIE", CtlId::OpIE4)), c.op4);
        EXPECT_EQ(launcher.Visible(launcher.Control("frmIE", CtlId::OpIE5)), c.op5);
        EXPECT_TRUE(launcher.Checked(launcher.Control("frmIE", CtlId::OpIE5)));
        EXPECT_EQ(WindowText(launcher.Control("frmIE", CtlId::lblResultado)),
                  c.op5 ? "Escolha uma das opções de instalação abaixo."
                        : "Será instalado o Internet Explorer 5 em Português");
        EXPECT_EQ(WindowText(launcher.Control("frmIE", CtlId::lblLinguagem)), "Português");
        if (c.choice != CtlId::None) {
            launcher.Click(launcher.Control("frmIE", c.choice));
            WAIT_FOR(launcher.Checked(launcher.Control("frmIE", c.choice)));
        }
        launcher.Click(launcher.Control("frmIE", CtlId::cmdNext));
        EXPECT_TRUE(launcher.Ended());
        EXPECT_SOON(kit.Started() == std::vector<std::string>{c.started});
    }
    SetBrowser(nullptr, nullptr);
}

TEST(Roads, DialerTwiceAndThePageStays) {
    Kit kit;
    KitWith(kit, "ok", "ok");
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    launcher.Click(launcher.Control("frmini", CtlId::optDiscador));
    WAIT_FOR(launcher.Checked(launcher.Control("frmini", CtlId::optDiscador)));
    EXPECT_FALSE(launcher.Checked(launcher.Control("frmini", CtlId::OptIE)));
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    WAIT_FOR(kit.Started().size() == 1);
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    WAIT_FOR(kit.Started().size() == 2);
    EXPECT_EQ(kit.Started(), (std::vector<std::string>{"discador.exe|3", "discador.exe|3"}));
    EXPECT_FALSE(launcher.Ended(300));
    EXPECT_TRUE(launcher.Visible(launcher.Page("frmini")));
    EXPECT_FALSE(launcher.Box());
}

TEST(Roads, BackKeepsTheChoiceOnBothPages) {
    Kit kit;
    KitWith(kit, "ok", "ok");
    SetBrowser("3.02.1", "3.02");
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
    launcher.Click(launcher.Control("frmIE", CtlId::OpIE3));
    WAIT_FOR(launcher.Checked(launcher.Control("frmIE", CtlId::OpIE3)));
    launcher.Click(launcher.Control("frmIE", CtlId::cmdBack));
    WAIT_FOR(launcher.Visible(launcher.Page("frmini")));
    EXPECT_FALSE(launcher.Visible(launcher.Page("frmIE")));
    EXPECT_TRUE(launcher.Checked(launcher.Control("frmini", CtlId::OptIE)));
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
    EXPECT_TRUE(launcher.Checked(launcher.Control("frmIE", CtlId::OpIE3)));
    EXPECT_FALSE(launcher.Checked(launcher.Control("frmIE", CtlId::OpIE5)));
    launcher.Click(launcher.Control("frmIE", CtlId::cmdNext));
    EXPECT_TRUE(launcher.Ended());
    EXPECT_SOON(kit.Started() == std::vector<std::string>{"ie3port.exe|3"});
    SetBrowser(nullptr, nullptr);
}

TEST(Roads, AMissingInstallerIsReportedThenTheProgramEnds) {
    Kit kit;
    KitWith(kit, "ok", "ok", "ie5\\nao_existe.exe");
    SetBrowser("52614", "5.00.2614.3500");
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
    launcher.Click(launcher.Control("frmIE", CtlId::cmdNext));
    WAIT_FOR(launcher.Box());
    EXPECT_EQ(WindowText(launcher.Box()), "Erro! ");
    EXPECT_EQ(launcher.BoxText(), "O arquivo ie5\\nao_existe.exe está faltando.");
    EXPECT_EQ(launcher.BoxButtons(), std::vector<int>{IDOK});
    EXPECT_FALSE(launcher.Visible(launcher.Page("frmIE")));
    EXPECT_FALSE(launcher.Ended(300));
    launcher.Answer(IDOK);
    EXPECT_TRUE(launcher.Ended());
    EXPECT_TRUE(kit.Started().empty());
    SetBrowser(nullptr, nullptr);
}

// Each question, answered No and then Yes.
TEST(Roads, QuestionsOfThePages) {
    struct Case {
        const char* name;
        bool browserPage, closePage;
        const char* text;
        const char* title;
    } cases[] = {
        {"start page Cancel", false, false, "Você realmente deseja cancelar a instalação?", "QOBSetup"},
        {"start page close", false, true, "Você realmente deseja encerrar a instalação?",
         "QOBSetup - Cancelamento da instalação"},
        {"browser page Cancel", true, false, "Você realmente deseja cancelar a instalação?", "QOBSetup"},
        {"browser page close", true, true, "Você realmente deseja encerrar a instalação?",
         "QOBSetup - Cancelamento da instalação"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Kit kit;
        KitWith(kit, "ok", "ok");
        Launcher launcher(kit);
        ASSERT_TRUE(launcher.started());
        const char* page = c.browserPage ? "frmIE" : "frmini";
        if (c.browserPage) {
            launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
            WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
        }
        auto ask = [&] {
            if (c.closePage)
                PostMessageA(launcher.Page(page), WM_SYSCOMMAND, SC_CLOSE, 0);
            else
                launcher.Click(launcher.Control(page, CtlId::cmdCancel));
        };
        ask();
        WAIT_FOR(launcher.Box());
        EXPECT_EQ(launcher.BoxText(), c.text);
        EXPECT_EQ(WindowText(launcher.Box()), c.title);
        EXPECT_EQ(launcher.BoxButtons(), (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(launcher.BoxDefault(), IDNO);
        launcher.Answer(IDNO);
        WAIT_FOR(!launcher.Box());
        EXPECT_FALSE(launcher.Ended(300));
        EXPECT_TRUE(launcher.Visible(launcher.Page(page)));
        ask();
        WAIT_FOR(launcher.Box());
        launcher.Answer(IDYES);
        EXPECT_TRUE(launcher.Ended());
    }
}

TEST(Roads, WindowsDescription) {
    struct Case {
        const char* version;
        const char* description;
    } cases[] = {
        {"win95", "Windows 95 Version 4.0, Build 950"},
        {"nt40", "Windows NT Version 4.0, Build 1381, Service Pack 6a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        Kit kit;
        Launcher launcher(kit, c.version);
        ASSERT_TRUE(launcher.started());
        launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
        WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
        EXPECT_EQ(WindowText(launcher.Control("frmIE", CtlId::lblSistema)), c.description);
    }
}

// The program's manifest names Windows 8.1, 10 and 11: GetVersionExA tells
// them as they are, not as Windows 8 (6.2, build 9200).
TEST(Roads, Windows10DescribedAsItIs) {
    Kit kit;
    Launcher launcher(kit, "win10");
    ASSERT_TRUE(launcher.started());
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
    const std::string description = WindowText(launcher.Control("frmIE", CtlId::lblSistema));
    const std::string version = "Windows NT Version 10.0, Build ";
    EXPECT_EQ(description.substr(0, version.size()), version);
    EXPECT_NE(description.size(), version.size());
    EXPECT_EQ(description.find_first_not_of("0123456789", version.size()), std::string::npos) << description;
}

}  // namespace
