// The system DLL that the launcher loads when it needs it (the common
// controls, for a tool tip) comes from the system folder. Copies of the same
// name beside the program and in the kit folder, which Wine is told to
// prefer to its own, are never loaded, and the tool tip works all the same.
#include <fstream>
#include <iterator>

#include "tests/e2e/harness.h"

namespace {

// Wine told to prefer DLLs found on the search path to its own for the
// launcher's, as WINEDLLOVERRIDES="comctl32=n,b" would
// (Wine takes that variable from the Unix environment, which a program it
// starts inherits from Wine, not from the test): the launcher's own key of
// overrides, removed after.
class PreferFoundDlls {
public:
    PreferFoundDlls() {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot create " << kKey;
            return;
        }
        RegSetValueExA(key, "comctl32", 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"), 15);
        RegCloseKey(key);
    }
    ~PreferFoundDlls() { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\Setup32.exe\\DllOverrides";
};

// An environment variable for the programs a test starts, removed after.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedEnvironment() { SetEnvironmentVariableA(name_, nullptr); }

private:
    const char* name_;
};

struct ToolTips {
    DWORD process;
    LRESULT tools = 0;
};

BOOL CALLBACK CountTools(HWND hwnd, LPARAM lParam) {
    auto* found = reinterpret_cast<ToolTips*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    char name[64];
    if (process == found->process && GetClassNameA(hwnd, name, sizeof name) && !strcmp(name, "tooltips_class32"))
        found->tools += SendMessageA(hwnd, WM_USER + 13, 0, 0);  // TTM_GETTOOLCOUNT
    return TRUE;
}

LRESULT ToolCount(const Launcher& launcher) {
    ToolTips found{GetProcessId(launcher.process())};
    EnumWindows(CountTools, reinterpret_cast<LPARAM>(&found));
    return found.tools;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(Planting, SystemDllsComeFromTheSystemFolder) {
    Kit kit;
    kit.Ini("[Setup32]\r\nnroimg=1\r\ntipoimg=jpg\r\ntempo=0\r\n");
    kit.Fixture("red.jpg", "image1.jpg");
    const std::string program = kit.Path("programa");
    ASSERT_TRUE(CreateDirectoryA(program.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(Environment("SETUP32_EXE").c_str(), (program + "\\Setup32.exe").c_str(), FALSE));
    const std::string planted = Environment("SETUP32_PLANTED") + "\\comctl32.dll";
    ASSERT_TRUE(CopyFileA(planted.c_str(), kit.Path("comctl32.dll").c_str(), FALSE)) << planted;
    ASSERT_TRUE(CopyFileA(planted.c_str(), (program + "\\comctl32.dll").c_str(), FALSE)) << planted;
    PreferFoundDlls overrides;
    ScopedEnvironment log("SETUP32_PLANTED_LOG", kit.Path("planted.log"));

    // Windows 98: the browser page, made at start, gives Label1 a tool tip.
    Launcher launcher(kit, "win98", program + "\\Setup32.exe");
    ASSERT_TRUE(launcher.started());
    EXPECT_SOON(ToolCount(launcher) == 1);
    auto reddish = [](COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60; };
    EXPECT_SOON(reddish(launcher.ClientPixel()));
    EXPECT_EQ(Contents(kit.Path("planted.log")), "");
}

}  // namespace
