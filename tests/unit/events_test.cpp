// The windows' events, as the Win32 windows report them, each reaching the
// handler of its own window and control.
#include "tests/unit/wizard_fixture.h"

namespace {

struct EventsTest : WizardTest {
    // What one event asks of the platform.
    std::vector<std::string> After(const std::function<void()>& event) {
        const std::size_t from = sys.log.size();
        event();
        return {sys.log.begin() + static_cast<std::ptrdiff_t>(from), sys.log.end()};
    }
    using Calls = std::vector<std::string>;
};

TEST_F(EventsTest, EachEventReachesItsOwnHandler) {
    sys.SetIni("Arquivos", "Discador", "dialer.exe");
    sys.SetIni("Arquivos", "ie5port", "ie5.exe");
    sys.programs = {"dialer.exe", "ie5.exe"};

    EXPECT_EQ(After([&] { w.Load(FormId::MDIQOBSetup); }).back(), "SetFormLeft frmini");
    EXPECT_EQ(After([&] { w.Resize(FormId::MDIQOBSetup); }),
              (Calls{"SetFormTop frmini", "SetFormLeft frmini", "CreateForm frmIE", "LoadPicture C:\\KIT\\imgie.bmp",
                     "SetFormTop frmIE", "SetFormLeft frmIE"}));
    EXPECT_EQ(After([&] { w.Timer(FormId::MDIQOBSetup); }), (Calls{"LoadPicture C:\\KIT\\image1.bmp"}));
    EXPECT_EQ(After([&] { w.Activate(FormId::frmIE); }), (Calls{"SetFormTop frmIE", "SetFormLeft frmIE"}));

    // Options report their clicks too; only the buttons act on them.
    EXPECT_EQ(After([&] { w.Click(FormId::frmini, CtlId::optDiscador); }), Calls{});
    EXPECT_EQ(After([&] { w.Click(FormId::frmIE, CtlId::OpIE5); }), Calls{});

    EXPECT_EQ(After([&] { w.Click(FormId::frmini, CtlId::cmdNext); }),
              (Calls{"HideForm frmini", "ShowForm frmIE", "SetFormTop frmIE", "SetFormLeft frmIE"}));
    EXPECT_EQ(After([&] { w.Click(FormId::frmIE, CtlId::cmdBack); }),
              (Calls{"HideForm frmIE", "ShowForm frmini", "SetFormTop frmini", "SetFormLeft frmini"}));
    forms.Select(FormId::frmini, CtlId::optDiscador);
    EXPECT_EQ(After([&] { w.Click(FormId::frmini, CtlId::cmdNext); }), (Calls{"Shell dialer.exe"}));

    sys.answers = {vbNo, vbNo};
    EXPECT_EQ(After([&] { w.Click(FormId::frmini, CtlId::cmdCancel); }), (Calls{std::string("MsgBox ") + kCancelQuestion}));
    EXPECT_EQ(After([&] { w.Click(FormId::frmIE, CtlId::cmdCancel); }), (Calls{std::string("MsgBox ") + kCancelQuestion}));

    // Yes to the frame's close question lets the frame close; Yes to a
    // page's ends the program at once.
    std::int16_t cancel = 0;
    sys.answers = {vbYes, vbYes, vbYes};
    EXPECT_EQ(After([&] { w.QueryUnload(FormId::MDIQOBSetup, cancel, kCloseByUser); }),
              (Calls{std::string("MsgBox ") + kCloseQuestion}));
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(After([&] { w.QueryUnload(FormId::frmini, cancel, kCloseByUser); }),
              (Calls{std::string("MsgBox ") + kCloseQuestion, "End"}));
    EXPECT_EQ(After([&] { w.QueryUnload(FormId::frmIE, cancel, kCloseByProgram); }), Calls{});

    EXPECT_EQ(After([&] { w.Click(FormId::frmIE, CtlId::cmdNext); }), (Calls{"HideForm frmIE", "Shell ie5.exe", "End"}));
}

// A page closed by another program is made again, with its set-up, the next
// time anything reaches it.
TEST_F(EventsTest, AnUnloadedPageIsMadeAgain) {
    Start();
    w.Unloaded(FormId::frmIE);
    w.Unloaded(FormId::MDIQOBSetup);  // the frame is never made again
    EXPECT_EQ(After([&] { w.Click(FormId::frmini, CtlId::cmdNext); }),
              (Calls{"HideForm frmini", "CreateForm frmIE", "LoadPicture C:\\KIT\\imgie.bmp",
                     "ShowForm frmIE", "SetFormTop frmIE", "SetFormLeft frmIE"}));
    EXPECT_EQ(forms.form(FormId::frmIE).createCount, 2);
    EXPECT_TRUE(w.IsLoaded(FormId::MDIQOBSetup));
}

}  // namespace
