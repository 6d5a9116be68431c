#include "tests/unit/wizard_fixture.h"

#include "probe/browser_probe.h"

namespace {

using FrameTest = WizardTest;

// The load handler alone: setup.ini, the first picture, the probe, the start
// page; the browser page is created by the first centring, not here.
TEST_F(FrameTest, StartUpRunsInItsOrder) {
    sys.SetRegText(kBrowserKey, "Build", "4.72");
    w.frame.MDIForm_Load();
    EXPECT_EQ(w.ini.kitPath, "C:\\KIT\\");
    ASSERT_EQ(sys.log.size(), 38u);
    EXPECT_EQ(std::count_if(sys.log.begin(), sys.log.begin() + 30,
                            [](const std::string& call) {
                                return call.rfind("GetPrivateProfileString ", 0) == 0 || call == "Beep";
                            }),
              30);  // seventeen reads, thirteen beeps
    EXPECT_EQ(std::vector<std::string>(sys.log.begin() + 30, sys.log.end()),
              (std::vector<std::string>{"LoadPicture C:\\KIT\\image1.bmp",
                                        "RegOpenKeyEx software\\microsoft\\Internet Explorer",
                                        "RegOpenKeyEx software\\microsoft\\Internet Explorer", "CreateForm frmini",
                                        "LoadPicture C:\\KIT\\imgini.bmp", "ShowForm frmini", "SetFormTop frmini",
                                        "SetFormLeft frmini"}));
    EXPECT_EQ(w.frame.IEVer, 3);  // Build 4 without Version
    EXPECT_EQ(w.frame.imgAtual(), 1);
}

TEST_F(FrameTest, TheKitFolderIsTheCurrentDirectory) {
    const std::pair<std::optional<std::string>, const char*> cases[] = {
        {std::string("D:\\"), "D:\\"},
        {std::string("C:\\KIT"), "C:\\KIT\\"},
        {std::nullopt, "C:\\PROGRAMA\\"},  // current directory unreadable: the program's folder
    };
    for (const auto& [current, expected] : cases) {
        Fakes fresh;
        fresh.sys.curDir = current;
        Wizard wizard(fresh.sys, fresh.forms);
        wizard.frame.MDIForm_Load();
        EXPECT_EQ(wizard.ini.kitPath, expected);
        EXPECT_EQ(fresh.log.front(), "GetPrivateProfileString Setup32 nroimg " + std::string(expected) + "setup.ini");
        EXPECT_EQ(fresh.forms.pictureLoads.front(), std::string(expected) + "image1.bmp");
    }
}

TEST_F(FrameTest, SlideshowShowsPictureOneTwiceThenCycles) {
    sys.SetIni("Setup32", "nroimg", "3");
    Start();
    for (int tick = 0; tick < 7; ++tick) w.frame.Timer1_Timer();
    std::vector<std::string> backgrounds;
    for (const std::string& path : forms.pictureLoads)
        if (path.find("image") != std::string::npos) backgrounds.push_back(path.substr(7));
    EXPECT_EQ(backgrounds, (std::vector<std::string>{"image1.bmp", "image1.bmp", "image2.bmp", "image3.bmp",
                                                     "image1.bmp", "image2.bmp", "image3.bmp", "image1.bmp"}));
}

TEST_F(FrameTest, SlideshowWithOneOrFewerPicturesRepeatsPictureOne) {
    for (const char* count : {"1", "0", "-4"}) {
        Fakes fresh;
        fresh.sys.iniFile = "C:\\KIT\\setup.ini";
        fresh.sys.SetIni("Setup32", "nroimg", count);
        fresh.sys.SetIni("Setup32", "tipoimg", "jpeg");
        Wizard wizard(fresh.sys, fresh.forms);
        wizard.frame.MDIForm_Load();
        for (int tick = 0; tick < 3; ++tick) wizard.frame.Timer1_Timer();
        EXPECT_EQ(std::count(fresh.forms.pictureLoads.begin(), fresh.forms.pictureLoads.end(), "C:\\KIT\\image1.jpe"), 4)
            << "nroimg=" << count;
    }
}

TEST_F(FrameTest, AMissingPictureKeepsThePreviousOneAndTheCountGoesOn) {
    sys.SetIni("Setup32", "nroimg", "3");
    forms.pictures = {"C:\\KIT\\image1.bmp", "C:\\KIT\\image3.bmp"};
    Start();
    EXPECT_EQ(forms.form(FormId::MDIQOBSetup).picture, "C:\\KIT\\image1.bmp");
    w.frame.Timer1_Timer();  // 1
    w.frame.Timer1_Timer();  // 2 is missing
    EXPECT_EQ(forms.form(FormId::MDIQOBSetup).picture, "C:\\KIT\\image1.bmp");
    w.frame.Timer1_Timer();  // 3
    EXPECT_EQ(forms.form(FormId::MDIQOBSetup).picture, "C:\\KIT\\image3.bmp");
}

TEST_F(FrameTest, ResizeCentresBothPagesWithOuterSizes) {
    w.frame.MDIForm_Load();
    sys.log.clear();
    forms.frameWidth = 9375, forms.frameHeight = 8985;
    forms.pageWidth = 6675, forms.pageHeight = 4935;
    w.frame.MDIForm_Resize();  // the first: it creates the browser page
    EXPECT_EQ(sys.log, (std::vector<std::string>{"SetFormTop frmini", "SetFormLeft frmini", "CreateForm frmIE",
                                                 "LoadPicture C:\\KIT\\imgie.bmp", "SetFormTop frmIE",
                                                 "SetFormLeft frmIE"}));
    for (FormId page : {FormId::frmini, FormId::frmIE}) {
        EXPECT_FLOAT_EQ(*forms.form(page).top, 2025.0f);
        EXPECT_FLOAT_EQ(*forms.form(page).left, 1350.0f);
    }
    forms.frameWidth = 4005, forms.frameHeight = 3000;  // smaller than a page
    w.frame.MDIForm_Resize();
    EXPECT_FLOAT_EQ(*forms.form(FormId::frmIE).top, -967.5f);
    EXPECT_FLOAT_EQ(*forms.form(FormId::frmIE).left, -1335.0f);
    EXPECT_EQ(forms.form(FormId::frmIE).createCount, 1);
    sys.log.clear();
    w.browserPage.Form_Activate();
    w.startPage.Form_Activate();
    EXPECT_EQ(sys.log, (std::vector<std::string>{"SetFormTop frmIE", "SetFormLeft frmIE", "SetFormTop frmini",
                                                 "SetFormLeft frmini"}));
}

TEST_F(FrameTest, CloseQuestionOnlyForAUserClose) {
    Start();
    struct Case {
        int answer;
        std::int16_t mode;
        std::int16_t cancel;
        std::size_t boxes;
    } cases[] = {{vbNo, 0, 1, 1}, {vbYes, 0, 0, 1}, {0, 0, 0, 1}, {vbNo, 1, 0, 0}, {vbNo, 2, 0, 0}, {vbNo, 3, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE("answer " + std::to_string(c.answer) + " mode " + std::to_string(c.mode));
        sys.boxes.clear();
        sys.answers = {c.answer};
        std::int16_t cancel = 0;
        w.frame.MDIForm_QueryUnload(cancel, c.mode);
        EXPECT_EQ(cancel, c.cancel);
        ASSERT_EQ(sys.boxes.size(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(sys.boxes[0].text, "Você realmente deseja encerrar a instalação?");
            EXPECT_EQ(sys.boxes[0].title, "QOBSetup - Cancelamento da instalação");
            EXPECT_EQ(sys.boxes[0].buttons, 260);
        }
    }
    EXPECT_EQ(sys.ends, 0);  // the frame's own close ends the program by closing, not by End
}

}  // namespace
