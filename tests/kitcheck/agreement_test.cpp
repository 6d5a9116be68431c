// kitcheck's offer matrix against the launcher itself: for a few kits and
// installed browsers, the row of kitcheck.exe --json for the registry's
// classification must be what the real Setup32.exe shows on its browser
// page, and the command its Next starts. Built into e2e_tests; needs
// SETUP32_KITCHECK, the Windows path of kitcheck.exe.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/kitcheck/json.h"

namespace {

// kitcheck.exe --json on the kit: its exit status and its output.
std::string KitcheckJson(const Kit& kit, DWORD& status) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    status = 999;
    if (!CreatePipe(&read, &write, &inherit, 0)) return "";
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    const std::string exe = Environment("SETUP32_KITCHECK");
    std::string line = "\"" + exe + "\" --json \"" + kit.dir() + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(write);
    std::string output;
    if (started) {
        char chunk[4096];
        DWORD count;
        while (ReadFile(read, chunk, sizeof chunk, &count, nullptr) && count > 0) output.append(chunk, count);
        WaitForSingleObject(process.hProcess, 30000);
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(read);
    return output;
}

const Json& RowFor(const Json& report, const std::string& browser) {
    static const Json none;
    for (const Json& row : report["matrix"].items)
        if (row["browser"].text == browser) return row;
    return none;
}

bool Offers(const Json& row, int version) {
    for (const Json& option : row["options"].items)
        if (static_cast<int>(option.number) == version) return true;
    return false;
}

// What kitcheck says Next starts after a choice (CtlId::None: no choice).
std::string CommandFor(const Json& row, CtlId choice) {
    if (choice == CtlId::None) return row["default"]["command"].text;
    const int version = choice == CtlId::OpIE3 ? 3 : choice == CtlId::OpIE4 ? 4 : 5;
    for (const Json& start : row["choices"].items)
        if (static_cast<int>(start["version"].number) == version) return start["command"].text;
    return "(not offered)";
}

TEST(Kitcheck, OfferMatrixAgreesWithTheLauncher) {
    struct Case {
        const char* name;
        bool with302, with401;  // the builds on the CD: flag and installer
        const char* build;
        const char* version;
        const char* row;  // kitcheck's classification of that registry
        CtlId choice;
    } cases[] = {
        {"3.02 and 4.01, IE 3", true, true, "3.02.1", "3.02", "3", CtlId::OpIE4},
        {"3.02 only, IE 3", true, false, "3.02.1", "3.02", "3", CtlId::OpIE3},
        {"4.01 only, IE 3", false, true, "3.02.1", "3.02", "3", CtlId::None},
        {"4.01 only, IE 4", false, true, "4.72.3110.8", "4.72.3110.0", "4", CtlId::OpIE4},
        {"neither, IE 4", false, false, "4.72.3110.8", "4.72.3110.0", "4", CtlId::None},
        {"3.02 and 4.01, IE 5", true, true, "52614", "5.00.2614.3500", "5", CtlId::None},
        {"3.02 and 4.01, no browser", true, true, nullptr, nullptr, "unknown", CtlId::OpIE3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Kit kit;
        kit.Ini(std::string("[Arquivos]\r\nie3port=ie3port.exe\r\nie4port=ie4port.exe /Q\r\nie5port=ie5port.exe\r\n") +
                "Discador=discador.exe\r\n[OKnoCD]\r\nie3port=" + (c.with302 ? "ok" : "no") +
                "\r\nie4port=" + (c.with401 ? "ok" : "no") + "\r\n");
        kit.Installer("ie5port.exe");
        kit.Installer("discador.exe");
        if (c.with302) kit.Installer("ie3port.exe");
        if (c.with401) kit.Installer("ie4port.exe");

        DWORD status;
        const std::string output = KitcheckJson(kit, status);
        const Json report = ParseJson(output);
        ASSERT_EQ(report.type, Json::Object) << output;
        EXPECT_EQ(report["status"].number, static_cast<double>(status));
        const Json& row = RowFor(report, c.row);
        ASSERT_EQ(row.type, Json::Object) << output;

        SetBrowser(c.build, c.version);
        Launcher launcher(kit);
        ASSERT_TRUE(launcher.started());
        launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
        WAIT_FOR(launcher.Visible(launcher.Page("frmIE")));
        EXPECT_EQ(launcher.Visible(launcher.Control("frmIE", CtlId::OpIE3)), Offers(row, 3));
        EXPECT_EQ(launcher.Visible(launcher.Control("frmIE", CtlId::OpIE4)), Offers(row, 4));
        EXPECT_EQ(launcher.Visible(launcher.Control("frmIE", CtlId::OpIE5)), Offers(row, 5));
        EXPECT_EQ(WindowText(launcher.Control("frmIE", CtlId::lblResultado)), row["plan"].text);
        if (c.choice != CtlId::None) {
            launcher.Click(launcher.Control("frmIE", c.choice));
            WAIT_FOR(launcher.Checked(launcher.Control("frmIE", c.choice)));
        }
        launcher.Click(launcher.Control("frmIE", CtlId::cmdNext));
        EXPECT_TRUE(launcher.Ended());
        const std::string command = CommandFor(row, c.choice);
        EXPECT_SOON(kit.Started() == std::vector<std::string>{command + "|3"});
    }
    SetBrowser(nullptr, nullptr);
}

TEST(Kitcheck, DialerAgreesWithTheLauncher) {
    Kit kit;
    kit.Ini("[Arquivos]\r\nDiscador=discador.exe /demo\r\n");
    kit.Installer("discador.exe");
    DWORD status;
    const Json report = ParseJson(KitcheckJson(kit, status));
    EXPECT_EQ(status, 1u);  // the other rows beep
    Launcher launcher(kit);
    ASSERT_TRUE(launcher.started());
    launcher.Click(launcher.Control("frmini", CtlId::optDiscador));
    WAIT_FOR(launcher.Checked(launcher.Control("frmini", CtlId::optDiscador)));
    launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
    EXPECT_SOON(kit.Started() == std::vector<std::string>{report["dialer"].text + "|3"});
    launcher.Click(launcher.Control("frmini", CtlId::cmdCancel));
    WAIT_FOR(launcher.Box());
    launcher.Answer(IDYES);
    EXPECT_TRUE(launcher.Ended());
}

}  // namespace
