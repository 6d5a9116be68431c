// Drives the real Setup32.exe from a second Windows program in the same Wine
// prefix and display: kits in fresh folders, the registry as each test needs
// it, and the launcher's windows found and pressed as a user would.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/forms/forms.h"

// Polls a condition until it holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 10000);

// Fails the test at the caller's line when the condition does not come true.
#define WAIT_FOR(condition) ASSERT_TRUE(WaitFor([&] { return static_cast<bool>(condition); })) << #condition
#define EXPECT_SOON(condition) EXPECT_TRUE(WaitFor([&] { return static_cast<bool>(condition); })) << #condition

std::string Environment(const char* name);

// A kit folder of its own for one test, away from the program's folder.
class Kit {
public:
    Kit();
    // A folder that is already there, a disc's root among them; the stand-in
    // installers log their starts to logFile, off the disc.
    Kit(std::string dir, std::string logFile);
    const std::string& dir() const { return dir_; }
    const std::string& log() const { return log_; }
    std::string Path(const std::string& name) const {
        return dir_ + (!dir_.empty() && dir_.back() == '\\' ? "" : "\\") + name;
    }

    void Ini(const std::string& text) const;
    void Bitmap(const std::string& name, COLORREF color, int width = 617, int height = 564) const;
    void Fixture(const std::string& fixture, const std::string& name) const;  // a prepared file
    void Installer(const std::string& name) const;                            // the stand-in installer
    std::vector<std::string> Started() const;  // "command line|window style" per start

private:
    std::string dir_;
    std::string log_;
};

// The browser's values in the registry, as a machine has them.
void SetBrowser(const char* build, const char* version);
// A value of the browser's key of any type and content.
void SetBrowserValue(const char* name, DWORD type, const std::string& data);
// What the launcher's GetVersionExA reports ("win95", "nt40"...; null: Wine's default).
void SetWindowsVersion(const char* version);

// Everything a program could have written: every file below a folder and
// every registry value of the machine and the user, each with a digest of
// its content. Two snapshots compare as lists of what differs.
class Snapshot {
public:
    explicit Snapshot(const std::string& folder);
    std::vector<std::string> Differences(const Snapshot& later) const;

private:
    std::map<std::string, std::uint64_t> entries_;
};

// A running launcher.
class Launcher {
public:
    // Starts Setup32.exe with the kit as its current directory; windowsVersion
    // ("win95", "nt40"...) is what the launcher's GetVersionExA reports, and
    // program a copy of the launcher to start instead of SETUP32_EXE.
    explicit Launcher(const Kit& kit, const char* windowsVersion = nullptr, const std::string& program = "");
    ~Launcher();
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    bool started() const { return frame_ != nullptr; }
    bool Ended(int milliseconds = 10000) const;
    DWORD ExitCode() const;  // STILL_ACTIVE while it runs
    HANDLE process() const { return process_.hProcess; }
    HWND frame() const { return frame_; }
    HWND client() const;

    HWND Page(const char* className) const;  // "frmini" or "frmIE"
    HWND Control(const char* page, CtlId control) const;
    std::string Text(HWND hwnd) const;
    bool Visible(HWND hwnd) const;
    bool Checked(HWND hwnd) const;

    void Click(HWND button) const;       // posted, as a mouse click would come
    void Key(WPARAM virtualKey) const;   // to the control with the focus
    HWND Focus() const;

    // The open message box of the launcher, if any.
    HWND Box() const;
    std::string BoxText() const;
    std::vector<int> BoxButtons() const;  // the visible ones' ids
    int BoxDefault() const;               // the id of the default button
    void Answer(int id) const;

    COLORREF ClientPixel() const;  // a point of the frame's background, clear of the pages
    RECT RectIn(HWND hwnd, HWND parent) const;

private:
    PROCESS_INFORMATION process_{};
    DWORD thread_ = 0;
    HWND frame_ = nullptr;
    std::string version_;
};

std::string WindowText(HWND hwnd);

// What of a control's text the user cannot see, or "" when all of it shows:
// the text measured in the control's own font (WM_GETFONT) and laid out as
// the control lays it out, against the part of its client area that each
// container up to its page leaves visible (a frame's inside of its border, a
// picture box's client area).
std::string TextCut(HWND control);
