#include "tests/unit/wizard_fixture.h"

#include <cstring>

#include "probe/browser_probe.h"

namespace {

struct PagesTest : WizardTest {
    void Kit() {
        sys.SetIni("Setup32", "tipoImgTela", "gif");
        sys.SetIni("Arquivos", "Discador", "discador\\setup.exe");
        sys.SetIni("Arquivos", "ie3port", "ie3\\setup.exe");
        sys.SetIni("Arquivos", "ie4port", "ie4\\ie4setup.exe");
        sys.SetIni("Arquivos", "ie5port", "ie5\\ie5setup.exe /q");
        sys.SetIni("Arquivos", "ie5ingl", "ie5i\\ie5setup.exe");
        sys.SetIni("OKnoCD", "ie3port", "ok");
        sys.SetIni("OKnoCD", "ie4port", "ok");
        sys.programs = {"discador\\setup.exe", "ie3\\setup.exe", "ie4\\ie4setup.exe", "ie5\\ie5setup.exe /q"};
    }
    void Installed(const char* build, const char* version) {
        sys.SetRegText(kBrowserKey, "Build", build);
        sys.SetRegText(kBrowserKey, "Version", version);
    }
    FakeForms::Control& On(FormId form, CtlId control) { return forms.control(form, control); }
};

// ---- start page

TEST_F(PagesTest, StartPageLoadsItsPictureOnceAndCentresOnEveryActivation) {
    Kit();
    Start();
    EXPECT_EQ(std::count(forms.pictureLoads.begin(), forms.pictureLoads.end(), "C:\\KIT\\imgini.gif"), 1);
    forms.frameHeight = 6000;
    w.startPage.cmdNext_Click();
    w.browserPage.cmdBack_Click();
    EXPECT_FLOAT_EQ(*forms.form(FormId::frmini).top, (6000.0f - forms.pageHeight) / 2);
    EXPECT_EQ(forms.form(FormId::frmini).createCount, 1);
    EXPECT_EQ(std::count(forms.pictureLoads.begin(), forms.pictureLoads.end(), "C:\\KIT\\imgini.gif"), 1);
}

TEST_F(PagesTest, NextWithTheBrowserShowsTheBrowserPageWithoutRunningItsSetUpAgain) {
    Kit();
    Start();
    sys.log.clear();
    w.startPage.cmdNext_Click();
    EXPECT_FALSE(forms.form(FormId::frmini).visible);
    EXPECT_TRUE(forms.form(FormId::frmIE).visible);
    EXPECT_LT(At("HideForm frmini"), At("ShowForm frmIE"));
    EXPECT_EQ(forms.form(FormId::frmIE).createCount, 1);
    EXPECT_FALSE(Logged("LoadPicture C:\\KIT\\imgie.gif"));
    EXPECT_TRUE(sys.started.empty());
}

TEST_F(PagesTest, ADialerThatDoesNotStartIsNotReported) {
    Start();  // no setup.ini: the command is empty
    forms.Select(FormId::frmini, CtlId::optDiscador);
    w.startPage.cmdNext_Click();
    EXPECT_TRUE(Logged("Shell "));
    EXPECT_TRUE(sys.boxes.empty());
    EXPECT_TRUE(forms.form(FormId::frmini).visible);
    EXPECT_EQ(sys.ends, 0);
}

TEST_F(PagesTest, NextWithNoOptionSelectedDoesNothing) {
    Kit();
    Start();
    On(FormId::frmini, CtlId::OptIE).checked = false;
    sys.log.clear();
    w.startPage.cmdNext_Click();
    EXPECT_EQ(sys.log, std::vector<std::string>{});
}

// ---- questions, on both pages

TEST_F(PagesTest, CancelAndCloseQuestions) {
    struct Case {
        const char* name;
        bool browserPage, close;
        int answer;
        std::int16_t mode;
        int ends;
        std::int16_t cancel;
        std::size_t boxes;
    } cases[] = {
        {"start cancel yes", false, false, vbYes, 0, 1, 0, 1},
        {"start cancel no", false, false, vbNo, 0, 0, 0, 1},
        {"start cancel box fails", false, false, 0, 0, 1, 0, 1},
        {"start close yes", false, true, vbYes, 0, 1, 0, 1},
        {"start close no", false, true, vbNo, 0, 0, 1, 1},
        {"start close box fails", false, true, 0, 0, 0, 1, 1},
        {"start close by the frame", false, true, vbYes, 4, 0, 0, 0},
        {"browser cancel yes", true, false, vbYes, 0, 1, 0, 1},
        {"browser cancel no", true, false, vbNo, 0, 0, 0, 1},
        {"browser close yes", true, true, vbYes, 0, 1, 0, 1},
        {"browser close no", true, true, vbNo, 0, 0, 1, 1},
        {"browser close by program", true, true, vbYes, 1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fakes fresh;
        Wizard wizard(fresh.sys, fresh.forms);
        wizard.frame.MDIForm_Load();
        wizard.frame.MDIForm_Resize();
        fresh.sys.answers = {c.answer};
        std::int16_t cancel = 0;
        if (c.close && c.browserPage) wizard.browserPage.Form_QueryUnload(cancel, c.mode);
        if (c.close && !c.browserPage) wizard.startPage.Form_QueryUnload(cancel, c.mode);
        if (!c.close && c.browserPage) wizard.browserPage.cmdCancel_Click();
        if (!c.close && !c.browserPage) wizard.startPage.cmdCancel_Click();
        EXPECT_EQ(fresh.sys.ends, c.ends);
        EXPECT_EQ(cancel, c.cancel);
        ASSERT_EQ(fresh.sys.boxes.size(), c.boxes);
        if (!c.boxes) continue;
        const FakeSystem::Box& box = fresh.sys.boxes[0];
        EXPECT_EQ(box.buttons, 260);
        EXPECT_EQ(box.text, c.close ? "Você realmente deseja encerrar a instalação?"
                                    : "Você realmente deseja cancelar a instalação?");
        EXPECT_EQ(box.title, c.close ? "QOBSetup - Cancelamento da instalação" : "QOBSetup");
    }
}

// ---- browser page set-up

TEST_F(PagesTest, SetUpShowsTheSystemTheLanguageAndTheOffer) {
    Kit();
    Installed("4.72.3110.8", "4.72.3110.0");
    OsVersionInfo info;
    info.dwPlatformId = 1, info.dwMajorVersion = 4, info.dwMinorVersion = 10, info.dwBuildNumber = 0x040A08AE;
    std::strcpy(info.szCSDVersion, " A ");
    sys.version = info;
    Start();
    EXPECT_EQ(On(FormId::frmIE, CtlId::Image1).picture, "");  // imgie.gif is not in the kit
    EXPECT_TRUE(Logged("LoadPicture C:\\KIT\\imgie.gif"));
    EXPECT_EQ(On(FormId::frmIE, CtlId::lblSistema).caption, "Windows 98 Version 4.10, Build 2222, Service Pack  A ");
    EXPECT_EQ(On(FormId::frmIE, CtlId::Label1).toolTip, " A ");
    EXPECT_EQ(On(FormId::frmIE, CtlId::lblLinguagem).caption, "Português");
    EXPECT_EQ(On(FormId::frmIE, CtlId::lblResultado).caption, "Escolha uma das opções de instalação abaixo.");
    EXPECT_FALSE(On(FormId::frmIE, CtlId::OpIE3).visible);
    EXPECT_TRUE(On(FormId::frmIE, CtlId::OpIE4).visible);
    EXPECT_TRUE(On(FormId::frmIE, CtlId::OpIE5).visible);
    EXPECT_TRUE(On(FormId::frmIE, CtlId::OpIE5).checked);
    EXPECT_LT(At("SetVisible OpIE4"), At("SetVisible OpIE5"));
}

TEST_F(PagesTest, SetUpOnNTAndOnAFailedQuery) {
    OsVersionInfo nt;
    nt.dwPlatformId = 2, nt.dwMajorVersion = 5, nt.dwBuildNumber = 2195;
    std::strcpy(nt.szCSDVersion, "Service Pack 4");
    sys.version = nt;
    Start();
    EXPECT_EQ(On(FormId::frmIE, CtlId::lblSistema).caption, "Windows NT Version 5.0, Build 2195, Service Pack 4");
    EXPECT_FALSE(On(FormId::frmIE, CtlId::Label1).toolTipSet);

    Fakes failed;  // no version record
    Wizard wizard(failed.sys, failed.forms);
    wizard.frame.MDIForm_Load();
    wizard.frame.MDIForm_Resize();
    EXPECT_EQ(failed.forms.control(FormId::frmIE, CtlId::lblSistema).caption, "lblSistema");
    EXPECT_FALSE(failed.forms.control(FormId::frmIE, CtlId::Label1).toolTipSet);
    EXPECT_EQ(failed.forms.control(FormId::frmIE, CtlId::lblResultado).caption,
              "Será instalado o Internet Explorer 5 em Português");
}

TEST_F(PagesTest, SetUpWithAnUnknownLanguageAsksNothingButSaysSo) {
    Start();
    w.frame.Lang = "port";
    sys.answers = {1};
    w.browserPage.Form_Load();
    ASSERT_EQ(sys.boxes.size(), 1u);
    EXPECT_EQ(sys.boxes[0].text, "não foi possivel determinar");
    EXPECT_EQ(sys.boxes[0].buttons, 0);
    EXPECT_FALSE(sys.boxes[0].title.has_value());
}

// ---- browser page actions

// Next hides the page, starts the command of the language and the chosen
// version, and ends; each row of both languages read from its own key.
TEST_F(PagesTest, NextStartsTheInstallerOfTheLanguageAndTheChoice) {
    struct Case {
        const char* lang;
        CtlId choice;  // None: no option selected
        int IEVer;
        const char* command;  // null: nothing is started
    } cases[] = {
        {"PORT", CtlId::OpIE3, 3, "p3.exe"}, {"PORT", CtlId::OpIE4, 4, "p4.exe"}, {"PORT", CtlId::OpIE5, 5, "p5.exe"},
        {"PORT", CtlId::None, 5, "p5.exe"},  {"INGL", CtlId::OpIE3, 3, "i3.exe"}, {"INGL", CtlId::OpIE4, 4, "i4.exe"},
        {"INGL", CtlId::OpIE5, 5, "i5.exe"}, {"INGL", CtlId::None, 5, "i5.exe"},  {"port", CtlId::OpIE3, 3, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lang) + " " + std::to_string(c.IEVer));
        Fakes fresh;
        fresh.sys.iniFile = "C:\\KIT\\setup.ini";
        const std::pair<const char*, const char*> keys[] = {{"ie3port", "p3.exe"}, {"ie4port", "p4.exe"},
                                                             {"ie5port", "p5.exe"}, {"ie5port2", "p52.exe"},
                                                             {"ie3ingl", "i3.exe"}, {"ie4ingl", "i4.exe"},
                                                             {"ie5ingl", "i5.exe"}, {"ie5ingl2", "i52.exe"}};
        for (const auto& [key, command] : keys) {
            fresh.sys.SetIni("Arquivos", key, command);
            fresh.sys.programs.insert(command);
        }
        Wizard wizard(fresh.sys, fresh.forms);
        wizard.frame.MDIForm_Load();
        wizard.frame.MDIForm_Resize();
        wizard.frame.Lang = c.lang;
        if (c.choice != CtlId::None) fresh.forms.Select(FormId::frmIE, c.choice);
        if (c.choice == CtlId::None) fresh.forms.control(FormId::frmIE, CtlId::OpIE5).checked = false;
        fresh.log.clear();
        wizard.browserPage.cmdNext_Click();
        EXPECT_EQ(wizard.frame.IEVer, c.IEVer);
        std::vector<std::string> expected = {"HideForm frmIE", "End"};
        if (c.command) expected.insert(expected.begin() + 1, "Shell " + std::string(c.command));
        EXPECT_EQ(fresh.log, expected);
        for (const auto& start : fresh.sys.started) EXPECT_EQ(start.second, 3);  // maximised
        EXPECT_TRUE(fresh.sys.boxes.empty());
    }
}

TEST_F(PagesTest, AMissingInstallerIsReportedThenTheProgramEnds) {
    Kit();
    sys.programs.clear();
    sys.lastFailure = {"kit.hlp", 53};
    Start();
    sys.answers = {1};
    w.startPage.cmdNext_Click();
    sys.log.clear();
    w.browserPage.cmdNext_Click();
    EXPECT_EQ(sys.log, (std::vector<std::string>{"HideForm frmIE", "Shell ie5\\ie5setup.exe /q",
                                                 "MsgBox O arquivo ie5\\ie5setup.exe /q está faltando.", "End"}));
    ASSERT_EQ(sys.boxes.size(), 1u);
    EXPECT_EQ(sys.boxes[0].title, "Erro! ");
    EXPECT_EQ(sys.boxes[0].buttons, 0);
    EXPECT_EQ(sys.boxes[0].help.file, "kit.hlp");  // F1 in the box opens the failure's help
    EXPECT_EQ(sys.boxes[0].help.context, 53u);
}

}  // namespace
