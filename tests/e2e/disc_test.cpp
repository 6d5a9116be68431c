// The kit on a CD-ROM drive, run by tests/disc/disc_test.py: it lays a
// folder (a disc image read back, or a kit) as the root of a Wine drive of
// type cdrom and starts these tests with
//   SETUP32_DISC          the drive's root, "D:\"
//   SETUP32_DISC_LOG      where the stand-in installers log their starts (off the disc)
//   SETUP32_DISC_DIALER   "started" or "missing": what the dialer's Next does on this disc
//   SETUP32_DISC_SIGNALS  a folder where Disc.TheDiscGoesAway asks the driver to
//                         take the disc away ("remove") and learns it is gone
//                         ("removed"), then says the launcher ended ("ended") and
//                         learns the disc is back ("back")
// The launcher is started as AutoPlay starts it: the program of autorun.inf's
// open=, with the drive's root as the current directory.
#include <fstream>
#include <set>

#include "tests/e2e/harness.h"

namespace {

std::string Root() { return Environment("SETUP32_DISC"); }

Kit Disc() { return Kit(Root(), Environment("SETUP32_DISC_LOG")); }

// The program autorun.inf's open= names, as Windows reads the file.
std::string AutorunProgram(const Kit& disc) {
    char open[MAX_PATH] = "";
    GetPrivateProfileStringA("autorun", "open", "", open, sizeof open, disc.Path("autorun.inf").c_str());
    std::string program = open;
    return program.substr(0, program.find(' '));
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The colours of the frame's background over some milliseconds.
std::set<COLORREF> Colours(const Launcher& launcher, int milliseconds) {
    std::set<COLORREF> colours;
    for (int waited = 0; waited < milliseconds; waited += 50) {
        colours.insert(launcher.ClientPixel());
        Sleep(50);
    }
    return colours;
}

bool Answers(const Launcher& launcher) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(launcher.frame(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}

TEST(Disc, TheDriveIsACdRom) { EXPECT_EQ(GetDriveTypeA(Root().c_str()), static_cast<UINT>(DRIVE_CDROM)) << Root(); }

TEST(Disc, AutorunStartsTheLauncherAndAnInstallerFromTheDisc) {
    Kit disc = Disc();
    const std::string program = AutorunProgram(disc);
    ASSERT_FALSE(program.empty()) << "autorun.inf has no open=";
    ASSERT_TRUE(FileExists(disc.Path(program))) << program;
    SetBrowser("4.72.3110.8", "4.72.3110.0");
    Launcher launcher(disc, nullptr, disc.Path(program));
    ASSERT_TRUE(launcher.started()) << "the launcher ended with " << launcher.ExitCode();
    EXPECT_TRUE(launcher.Visible(launcher.Page("frmini")));
    // The slideshow's pictures come from the disc: the background changes.
    EXPECT_GE(Colours(launcher, 6000).size(), 2u) << "the slideshow stood still";
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
    EXPECT_TRUE(launcher.Visible(launcher.Control("frmIE", CtlId::OpIE4)));
    launcher.Click(launcher.Control("frmIE", CtlId::cmdBack));
    WAIT_FOR(launcher.Visible(launcher.Page("frmini")));
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
    launcher.Click(launcher.Control("frmIE", CtlId::OpIE4));
    WAIT_FOR(launcher.Checked(launcher.Control("frmIE", CtlId::OpIE4)));
    launcher.Click(launcher.Control("frmIE", CtlId::cmdNext));
    EXPECT_TRUE(launcher.Ended());
    EXPECT_FALSE(launcher.Box());
    EXPECT_SOON(disc.Started() == std::vector<std::string>{"ie401\\ie4setup.exe|3"});
    SetBrowser(nullptr, nullptr);
}

TEST(Disc, TheDialerFromTheDisc) {
    Kit disc = Disc();
    const bool expected = Environment("SETUP32_DISC_DIALER") == "started";
    Launcher launcher(disc, nullptr, disc.Path(AutorunProgram(disc)));
    ASSERT_TRUE(launcher.started()) << "the launcher ended with " << launcher.ExitCode();
    launcher.Click(launcher.Control("frmini", CtlId::optDiscador));
    WAIT_FOR(launcher.Checked(launcher.Control("frmini", CtlId::optDiscador)));
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    if (expected) {
        WAIT_FOR(disc.Started().size() == 1);
        // Wine puts quotes around a program name that holds blanks.
        std::string started = disc.Started().front();
        if (started.rfind('"', 0) == 0) started.erase(0, 1);
        EXPECT_EQ(started.substr(0, 9), "discador\\");
    } else {
        // A missing dialer: no message, the page stays, nothing starts.
        EXPECT_FALSE(WaitFor([&] { return !disc.Started().empty() || launcher.Box(); }, 3000));
        EXPECT_TRUE(launcher.Visible(launcher.Page("frmini")));
    }
    EXPECT_FALSE(launcher.Ended(0));
}

// The disc goes away while the launcher runs: the driver makes every open
// and read of the kit's files fail as a drive without its disc does. The
// launcher keeps its last picture, answers, reports the installer's failure
// and writes nothing.
TEST(Disc, TheDiscGoesAway) {
    Kit disc = Disc();
    const std::string signals = Environment("SETUP32_DISC_SIGNALS");
    Snapshot before(disc.dir());
    Launcher launcher(disc, nullptr, disc.Path(AutorunProgram(disc)));
    ASSERT_TRUE(launcher.started()) << "the launcher ended with " << launcher.ExitCode();
    ASSERT_GE(Colours(launcher, 2000).size(), 2u) << "the slideshow must run before the disc goes away";
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));

    std::ofstream(signals + "\\remove") << GetProcessId(launcher.process());
    ASSERT_TRUE(WaitFor([&] { return FileExists(signals + "\\removed"); }, 30000)) << "the disc was not taken away";

    Sleep(500);  // a tick that had started before
    const COLORREF last = launcher.ClientPixel();
    const std::set<COLORREF> after = Colours(launcher, 3000);  // six ticks of 500 ms
    EXPECT_EQ(after, std::set<COLORREF>{last}) << "the last picture must stay";
    EXPECT_FALSE(launcher.Ended(0));
    EXPECT_TRUE(Answers(launcher));
    launcher.Click(launcher.Control("frmIE", CtlId::cmdBack));
    EXPECT_SOON(launcher.Visible(launcher.Page("frmini")));
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    EXPECT_SOON(launcher.Visible(launcher.Page("frmIE")));

    launcher.Click(launcher.Control("frmIE", CtlId::cmdNext));
    WAIT_FOR(launcher.Box());
    EXPECT_EQ(launcher.BoxText(), "O arquivo ie5\\ie5setup.exe está faltando.");
    launcher.Answer(IDOK);
    EXPECT_TRUE(launcher.Ended());
    EXPECT_EQ(disc.Started(), std::vector<std::string>{});

    // The disc back, what is on it and the registry are as they were (Wine
    // keeps a volatile copy of some system parameters when its first program
    // of a session starts).
    std::ofstream(signals + "\\ended") << launcher.ExitCode();
    ASSERT_TRUE(WaitFor([&] { return FileExists(signals + "\\back"); }, 30000)) << "the disc did not come back";
    std::vector<std::string> written;
    for (const std::string& change : before.Differences(Snapshot(disc.dir())))
        if (change.find("Software\\Wine\\Temporary System Parameters") == std::string::npos) written.push_back(change);
    EXPECT_EQ(written, std::vector<std::string>{});
}

}  // namespace
