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
    FakePlatform::Control& On(FormId form, CtlId control) { return sys.control(form, control); }
};

// ---- start page

TEST_F(PagesTest, StartPageLoadsItsPictureOnceAndCentresOnEveryActivation) {
    Kit();
    Start();
    EXPECT_EQ(std::count(sys.pictureLoads.begin(), sys.pictureLoads.end(), "C:\\KIT\\imgini.gif"), 1);
    sys.frameHeight = 6000;
    w.startPage.cmdNext_Click();
    w.browserPage.cmdBack_Click();
    EXPECT_FLOAT_EQ(*sys.form(FormId::frmini).top, (6000.0f - sys.pageHeight) / 2);
    EXPECT_EQ(sys.form(FormId::frmini).createCount, 1);
    EXPECT_EQ(std::count(sys.pictureLoads.begin(), sys.pictureLoads.end(), "C:\\KIT\\imgini.gif"), 1);
}

TEST_F(PagesTest, NextWithTheBrowserShowsTheBrowserPageWithoutRunningItsSetUpAgain) {
    Kit();
    Start();
    sys.log.clear();
    w.startPage.cmdNext_Click();
    EXPECT_FALSE(sys.form(FormId::frmini).visible);
    EXPECT_TRUE(sys.form(FormId::frmIE).visible);
    EXPECT_LT(At("HideForm frmini"), At("ShowForm frmIE"));
    EXPECT_EQ(sys.form(FormId::frmIE).createCount, 1);
    EXPECT_FALSE(Logged("LoadPicture C:\\KIT\\imgie.gif"));
    EXPECT_TRUE(sys.started.empty());
}

TEST_F(PagesTest, NextWithTheDialerStartsItMaximisedEveryTimeAndStays) {
    Kit();
    Start();
    sys.Select(FormId::frmini, CtlId::optDiscador);
    w.startPage.cmdNext_Click();
    w.startPage.cmdNext_Click();
    using Start = std::pair<std::string, int>;
    EXPECT_EQ(sys.started, (std::vector<Start>{{"discador\\setup.exe", 3}, {"discador\\setup.exe", 3}}));
    EXPECT_TRUE(sys.form(FormId::frmini).visible);
    EXPECT_EQ(sys.ends, 0);
}

TEST_F(PagesTest, ADialerThatDoesNotStartIsNotReported) {
    Start();  // no setup.ini: the command is empty
    sys.Select(FormId::frmini, CtlId::optDiscador);
    w.startPage.cmdNext_Click();
    EXPECT_TRUE(Logged("Shell "));
    EXPECT_TRUE(sys.boxes.empty());
    EXPECT_TRUE(sys.form(FormId::frmini).visible);
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
        FakePlatform fresh;
        Wizard wizard(fresh);
        wizard.frame.MDIForm_Load();
        wizard.frame.MDIForm_Resize();
        fresh.answers = {c.answer};
        std::int16_t cancel = 0;
        if (c.close && c.browserPage) wizard.browserPage.Form_QueryUnload(cancel, c.mode);
        if (c.close && !c.browserPage) wizard.startPage.Form_QueryUnload(cancel, c.mode);
        if (!c.close && c.browserPage) wizard.browserPage.cmdCancel_Click();
        if (!c.close && !c.browserPage) wizard.startPage.cmdCancel_Click();
        EXPECT_EQ(fresh.ends, c.ends);
        EXPECT_EQ(cancel, c.cancel);
        ASSERT_EQ(fresh.boxes.size(), c.boxes);
        if (!c.boxes) continue;
        const FakePlatform::Box& box = fresh.boxes[0];
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

    FakePlatform failed;  // no version record
    Wizard wizard(failed);
    wizard.frame.MDIForm_Load();
    wizard.frame.MDIForm_Resize();
    EXPECT_EQ(failed.control(FormId::frmIE, CtlId::lblSistema).caption, "lblSistema");
    EXPECT_FALSE(failed.control(FormId::frmIE, CtlId::Label1).toolTipSet);
    EXPECT_EQ(failed.control(FormId::frmIE, CtlId::lblResultado).caption,
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

TEST_F(PagesTest, NextStartsTheChosenInstallerAndEnds) {
    struct Case {
        const char* build;
        CtlId choice;
        const char* command;
        int IEVer;
    } cases[] = {
        {"3.02", CtlId::OpIE3, "ie3\\setup.exe", 3},
        {"3.02", CtlId::OpIE4, "ie4\\ie4setup.exe", 4},
        {"3.02", CtlId::OpIE5, "ie5\\ie5setup.exe /q", 5},
        {"4.72", CtlId::OpIE4, "ie4\\ie4setup.exe", 4},
        {"5.00", CtlId::None, "ie5\\ie5setup.exe /q", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.build) + " " + std::to_string(static_cast<int>(c.choice)));
        FakePlatform fresh;
        sys.log.clear();
        std::swap(sys, fresh);
        sys.iniFile = "C:\\KIT\\setup.ini";
        Kit();
        Installed(c.build, c.build);
        Wizard wizard(sys);
        sys.onActivate = [&](FormId page) { wizard.Activated(page); };
        wizard.frame.MDIForm_Load();
        wizard.frame.MDIForm_Resize();
        wizard.startPage.cmdNext_Click();
        if (c.choice != CtlId::None) {
            ASSERT_TRUE(On(FormId::frmIE, c.choice).visible);
            sys.Select(FormId::frmIE, c.choice);
        }
        wizard.browserPage.cmdNext_Click();
        EXPECT_EQ(wizard.frame.IEVer, c.IEVer);
        using Start = std::pair<std::string, int>;
        EXPECT_EQ(sys.started, (std::vector<Start>{{c.command, 3}}));
        EXPECT_FALSE(sys.form(FormId::frmIE).visible);
        EXPECT_LT(At("HideForm frmIE"), At("Shell " + std::string(c.command)));
        EXPECT_EQ(sys.ends, 1);
        EXPECT_TRUE(sys.boxes.empty());
        sys.onActivate = nullptr;
    }
}

TEST_F(PagesTest, NextWithNoOptionSelectedTakesVersionFive) {
    Kit();
    Installed("3.02", "3.02");
    Start();
    for (CtlId option : {CtlId::OpIE3, CtlId::OpIE4, CtlId::OpIE5}) On(FormId::frmIE, option).checked = false;
    w.browserPage.cmdNext_Click();
    EXPECT_EQ(w.frame.IEVer, 5);
    ASSERT_EQ(sys.started.size(), 1u);
    EXPECT_EQ(sys.started[0].first, "ie5\\ie5setup.exe /q");
}

TEST_F(PagesTest, AMissingInstallerIsReportedThenTheProgramEnds) {
    Kit();
    sys.programs.clear();
    Start();
    sys.answers = {1};
    w.startPage.cmdNext_Click();
    w.browserPage.cmdNext_Click();
    ASSERT_EQ(sys.boxes.size(), 1u);
    EXPECT_EQ(sys.boxes[0].text, "O arquivo ie5\\ie5setup.exe /q está faltando.");
    EXPECT_EQ(sys.boxes[0].title, "Erro! ");
    EXPECT_EQ(sys.boxes[0].buttons, 0);
    EXPECT_LT(At("HideForm frmIE"), At("MsgBox O arquivo ie5\\ie5setup.exe /q está faltando."));
    EXPECT_LT(At("MsgBox O arquivo ie5\\ie5setup.exe /q está faltando."), At("End"));
    EXPECT_EQ(sys.ends, 1);
}

TEST_F(PagesTest, NextWithAnUnknownLanguageStartsNothingAndEnds) {
    Kit();
    Start();
    w.frame.Lang = "ESPA";
    w.browserPage.cmdNext_Click();
    EXPECT_TRUE(sys.started.empty());
    EXPECT_FALSE(Logged("Shell ie5\\ie5setup.exe /q"));
    EXPECT_TRUE(sys.boxes.empty());
    EXPECT_EQ(sys.ends, 1);
}

TEST_F(PagesTest, BackKeepsTheChoiceOnBothPages) {
    Kit();
    Installed("3.02", "3.02");
    Start();
    w.startPage.cmdNext_Click();
    sys.Select(FormId::frmIE, CtlId::OpIE3);
    w.browserPage.cmdBack_Click();
    EXPECT_TRUE(sys.form(FormId::frmini).visible);
    EXPECT_FALSE(sys.form(FormId::frmIE).visible);
    EXPECT_TRUE(On(FormId::frmini, CtlId::OptIE).checked);
    w.startPage.cmdNext_Click();
    EXPECT_TRUE(On(FormId::frmIE, CtlId::OpIE3).checked);
    EXPECT_FALSE(On(FormId::frmIE, CtlId::OpIE5).checked);
    EXPECT_EQ(sys.form(FormId::frmIE).createCount, 1);
}

}  // namespace
