// The benchmark's measuring program. It runs under Wine in the same prefix and
// display as the launcher, starts Setup32.exe and the minimal program itself,
// and reads their times, memory and GUI objects from outside, as a task
// manager would. It prints one "name value" line per figure; scripts/bench.sh
// turns them into the table.
//
//   driver.exe <Setup32.exe> <minimal.exe> <minimal_dlls.exe> <kits folder>
//              <start-up runs> <ticks> <tempo ms> [<nsis wizard.exe>]
//
// The NSIS wizard, a peer made with another installer system, is timed to
// its first page like the others.
//
// The kits folder holds five kits made by bench.sh: start (the slideshow at
// its usual pace), idle (tempo=0: no tick at all), bmp, jpg and gif
// (tempo=<tempo ms>, 617 x 564 pictures): what the launcher holds across
// their ticks is read here, their CPU from outside (bench/ticks.py).
//
// What Wine gives, and what is read instead:
// - GetProcessTimes on another process gives near-zero times under Wine 8
//   (20 ms for a launcher that had used over 100 ms), so the CPU time of a
//   process is the sum of GetThreadTimes over its threads, which Wine reads
//   from /proc for any process (in steps of 10 ms).
// - PROCESS_MEMORY_COUNTERS_EX.PrivateUsage is left 0 by Wine 8; its
//   PagefileUsage is the process's anonymous resident memory plus swap, which
//   is what private bytes are on Linux, and is used when PrivateUsage is 0.
// - GetGuiResources is not implemented by Wine 8 (ERROR_CALL_NOT_IMPLEMENTED).
//   GDI objects are then counted in the process's GDI handle table (the PEB's
//   GdiSharedHandleTable, read with ReadProcessMemory), stock objects left
//   out; for USER objects the process's windows are counted.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// ---- clocks

double NowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

ULONGLONG FileTimeValue(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// Pumps the driver's own messages (its reference timer) while it waits.
void Wait(DWORD ms) {
    double end = NowMs() + ms;
    for (;;) {
        double left = end - NowMs();
        if (left <= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left) + 1, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

// ---- a started program

struct Program {
    PROCESS_INFORMATION pi{};
    double startedMs = 0;  // just before CreateProcess
    HWND window = nullptr; // the top-level window once visible
};

bool Start(Program& program, const std::string& exe, const std::string& dir) {
    std::string line = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    program.startedMs = NowMs();
    return CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup,
                          &program.pi) != 0;
}

void End(Program& program) {
    if (!program.pi.hProcess) return;
    if (program.window) PostMessageA(program.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(program.pi.hProcess, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(program.pi.hProcess, 1);
        WaitForSingleObject(program.pi.hProcess, 5000);
    }
    CloseHandle(program.pi.hThread);
    CloseHandle(program.pi.hProcess);
    program = Program{};
}

struct Search {
    DWORD process;
    const char* className;
    HWND found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    char name[64];
    if (process == search->process && IsWindowVisible(hwnd) && GetClassNameA(hwnd, name, sizeof name) &&
        !strcmp(name, search->className)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND VisibleTopLevel(DWORD process, const char* className) {
    Search search{process, className};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The launcher's start page: "frmini" inside the frame's MDI client, visible.
HWND StartPage(DWORD process, HWND& frame) {
    frame = VisibleTopLevel(process, "MDIQOBSetup");
    HWND client = frame ? FindWindowExA(frame, nullptr, "MDIClient", nullptr) : nullptr;
    HWND page = client ? FindWindowExA(client, nullptr, "frmini", nullptr) : nullptr;
    return page && IsWindowVisible(page) ? page : nullptr;
}

enum class Kind { Minimal, Launcher, Nsis };

// The program's first screen: the launcher's start page, the minimal
// program's window, or the NSIS wizard's dialog.
HWND FirstScreen(DWORD process, Kind kind, HWND& window) {
    switch (kind) {
    case Kind::Launcher:
        return StartPage(process, window);
    case Kind::Minimal:
        return window = VisibleTopLevel(process, "Setup32BenchMinimal");
    case Kind::Nsis:
        return window = VisibleTopLevel(process, "#32770");
    }
    return nullptr;
}

// Polls every millisecond until the program's first screen is visible;
// returns the time from process start, or a negative value on failure.
double WaitVisible(Program& program, Kind kind) {
    double deadline = NowMs() + 20000;
    while (NowMs() < deadline) {
        HWND frame = nullptr;
        bool shown = FirstScreen(program.pi.dwProcessId, kind, frame) != nullptr;
        if (shown) {
            program.window = frame;
            return NowMs() - program.startedMs;
        }
        if (WaitForSingleObject(program.pi.hProcess, 0) == WAIT_OBJECT_0) return -1;
        Sleep(1);
    }
    return -1;
}

// ---- what a process uses

ULONGLONG CpuTime100ns(DWORD process) {
    ULONGLONG total = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != process) continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        FILETIME created, ended, kernel, user;
        if (GetThreadTimes(thread, &created, &ended, &kernel, &user))
            total += FileTimeValue(kernel) + FileTimeValue(user);
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return total;
}

SIZE_T PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return 0;
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// One row of the GDI handle table as Wine and Windows lay it out (24 bytes).
#pragma pack(push, 1)
struct GdiHandleEntry {
    ULONGLONG object;
    USHORT ownerProcess;
    USHORT ownerCount;
    UCHAR extType;  // bit 7: a stock object
    UCHAR generation;
    UCHAR type;     // 0: a free row
    UCHAR flags;
    ULONGLONG userPointer;
};
#pragma pack(pop)
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table rows are 24 bytes");
constexpr DWORD kGdiHandleRows = 0x10000;

using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

// GDI objects from the process's handle table, or -1 when it can't be read.
long GdiObjectsFromTable(HANDLE process) {
    auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
    // PEB.GdiSharedHandleTable; the driver is built for the launcher's architecture.
#ifdef _WIN64
    constexpr std::size_t kGdiTableInPeb = 0xF8;
#else
    constexpr std::size_t kGdiTableInPeb = 0x94;
#endif
    ULONG_PTR table = 0;
    if (!ReadProcessMemory(process, reinterpret_cast<BYTE*>(basic.PebBaseAddress) + kGdiTableInPeb, &table,
                           sizeof table, nullptr) ||
        !table)
        return -1;
    static std::vector<GdiHandleEntry> rows(kGdiHandleRows);
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(table), rows.data(),
                           rows.size() * sizeof rows[0], nullptr))
        return -1;
    long count = 0;
    for (const GdiHandleEntry& row : rows)
        if (row.type != 0 && !(row.extType & 0x80)) ++count;
    return count;
}

BOOL CALLBACK CountChildren(HWND, LPARAM lParam) {
    ++*reinterpret_cast<long*>(lParam);
    return TRUE;
}

struct WindowCount {
    DWORD process;
    long count = 0;
};

BOOL CALLBACK CountWindows(HWND hwnd, LPARAM lParam) {
    auto* windows = reinterpret_cast<WindowCount*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process == windows->process) {
        ++windows->count;
        EnumChildWindows(hwnd, CountChildren, reinterpret_cast<LPARAM>(&windows->count));
    }
    return TRUE;
}

// The way GDI and USER objects were counted, for the table's notes.
const char* g_gdiSource = "GetGuiResources";
const char* g_userSource = "GetGuiResources";

struct Usage {
    SIZE_T privateBytes = 0;
    long gdiObjects = -1;
    long userObjects = -1;
};

Usage UsageOf(const Program& program) {
    Usage usage;
    HANDLE process = program.pi.hProcess;
    usage.privateBytes = PrivateBytes(process);
    SetLastError(0);
    DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    if (gdi || GetLastError() == 0) {
        usage.gdiObjects = static_cast<long>(gdi);
    } else {
        usage.gdiObjects = GdiObjectsFromTable(process);
        g_gdiSource = "GDI handle table";
    }
    SetLastError(0);
    DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    if (user || GetLastError() == 0) {
        usage.userObjects = static_cast<long>(user);
    } else {
        WindowCount windows{program.pi.dwProcessId};
        EnumWindows(CountWindows, reinterpret_cast<LPARAM>(&windows));
        usage.userObjects = windows.count;
        g_userSource = "windows";
    }
    return usage;
}

// The launcher's usage between ticks: the lowest of samples taken every 5 ms
// over one slideshow period, so that a tick in progress (a picture being
// decoded next to the one shown) does not count.
Usage QuietUsage(const Program& program, int periodMs) {
    Usage quiet = UsageOf(program);
    for (int t = 5; t < periodMs; t += 5) {
        Sleep(5);
        Usage u = UsageOf(program);
        quiet.privateBytes = std::min(quiet.privateBytes, u.privateBytes);
        quiet.gdiObjects = std::min(quiet.gdiObjects, u.gdiObjects);
        quiet.userObjects = std::min(quiet.userObjects, u.userObjects);
    }
    return quiet;
}

void Print(const char* name, double value) { std::printf("%s %.3f\n", name, value); }

void PrintUsage(const std::string& prefix, const Usage& usage) {
    Print((prefix + ".private_bytes").c_str(), static_cast<double>(usage.privateBytes));
    Print((prefix + ".gdi_objects").c_str(), usage.gdiObjects);
    Print((prefix + ".user_objects").c_str(), usage.userObjects);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// ---- the driver's own clock of ticks: a window timer of the same period,
// counted in the same wall time as the launcher's ticks.

long g_referenceTicks = 0;

void CALLBACK ReferenceTick(HWND, UINT, UINT_PTR, DWORD) { ++g_referenceTicks; }

struct Options {
    std::string setup32, minimal, minimalDlls, kits, nsis;
    int runs = 12;
    int ticks = 200;
    int tempo = 50;
};

bool Fail(const char* what) {
    std::printf("error %s\n", what);
    std::fflush(stdout);
    return false;
}

// Start-up: in turn the minimal program, the minimal program loading the
// DLLs that the launcher loads only when needed (common controls, OLE) and
// the launcher, each to its first screen visible; one
// unmeasured round first.
bool MeasureStartUp(const Options& o) {
    struct Subject {
        const char* name;
        std::string exe;
        Kind kind;
        std::vector<double> ms, cpuMs;
    };
    std::vector<Subject> subjects = {{"minimal", o.minimal, Kind::Minimal, {}, {}},
                                     {"minimal_dlls", o.minimalDlls, Kind::Minimal, {}, {}},
                                     {"setup32", o.setup32, Kind::Launcher, {}, {}}};
    if (!o.nsis.empty()) subjects.push_back({"nsis", o.nsis, Kind::Nsis, {}, {}});
    for (int run = -1; run < o.runs; ++run) {
        for (Subject& subject : subjects) {
            Program program;
            if (!Start(program, subject.exe, o.kits + "\\start")) return Fail(("cannot start " + subject.exe).c_str());
            double ms = WaitVisible(program, subject.kind);
            double cpuMs = static_cast<double>(CpuTime100ns(program.pi.dwProcessId)) / 10000.0;
            End(program);
            if (ms < 0) return Fail((std::string(subject.name) + ": the first screen did not show").c_str());
            if (run >= 0) {
                subject.ms.push_back(ms);
                subject.cpuMs.push_back(cpuMs);
            }
            Sleep(200);  // the ended process's teardown is not the next one's start-up
        }
    }
    Print("startup.runs", o.runs);
    for (const Subject& subject : subjects) {
        std::string p = std::string("startup.") + subject.name;
        Print((p + ".median_ms").c_str(), Median(subject.ms));
        Print((p + ".min_ms").c_str(), *std::min_element(subject.ms.begin(), subject.ms.end()));
        Print((p + ".max_ms").c_str(), *std::max_element(subject.ms.begin(), subject.ms.end()));
        Print((p + ".cpu_median_ms").c_str(), Median(subject.cpuMs));
    }
    return true;
}

struct Window {
    long ticks = 0;     // the reference clock's ticks over the window
    Usage before, after;
};

// Starts the launcher on a kit, lets it settle, then measures over
// ticks x tempo of wall time.
bool MeasureWindow(const Options& o, const std::string& exe, const char* kit, Window& w) {
    Program program;
    if (!Start(program, exe, o.kits + "\\" + kit)) return Fail("cannot start Setup32.exe");
    if (WaitVisible(program, Kind::Launcher) < 0) {
        End(program);
        return Fail("the start page did not show");
    }
    Wait(1000);  // start-up done; about 20 ticks into a running slideshow
    w.before = QuietUsage(program, o.tempo);
    UINT_PTR timer = SetTimer(nullptr, 0, static_cast<UINT>(o.tempo), ReferenceTick);
    g_referenceTicks = 0;
    Wait(static_cast<DWORD>(o.ticks) * static_cast<DWORD>(o.tempo));
    w.ticks = g_referenceTicks;
    KillTimer(nullptr, timer);
    w.after = QuietUsage(program, o.tempo);
    bool alive = WaitForSingleObject(program.pi.hProcess, 0) == WAIT_TIMEOUT;
    End(program);
    return alive || Fail("Setup32.exe ended during the measure");
}

bool MeasureMinimal(const Options& o) {
    Program program;
    if (!Start(program, o.minimal, o.kits + "\\start") || WaitVisible(program, Kind::Minimal) < 0) {
        End(program);
        return Fail("the minimal window did not show");
    }
    Wait(1000);
    PrintUsage("minimal.startup", UsageOf(program));
    End(program);
    return true;
}

bool Run(const Options& o) {
    if (!MeasureStartUp(o)) return false;
    if (!MeasureMinimal(o)) return false;

    // What the launcher holds with no tick, then across the ticks of each
    // format (their CPU is measured from outside: bench/ticks.py).
    Window idle;
    if (!MeasureWindow(o, o.setup32, "idle", idle)) return false;
    PrintUsage("setup32.startup", idle.before);
    for (const char* format : {"bmp", "jpg", "gif"}) {
        Window w;
        if (!MeasureWindow(o, o.setup32, format, w)) return false;
        const std::string p = std::string("tick.") + format;
        Print((p + ".ticks").c_str(), static_cast<double>(w.ticks));
        PrintUsage(p + ".before", w.before);
        PrintUsage(p + ".after", w.after);
    }
    std::printf("source.gdi %s\n", g_gdiSource);
    std::printf("source.user %s\n", g_userSource);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 8 && argc != 9) {
        std::fprintf(stderr, "usage: driver <Setup32.exe> <minimal.exe> <minimal_dlls.exe> <kits> <runs> <ticks> "
                             "<tempo ms> [<nsis wizard.exe>]\n");
        return 2;
    }
    Options o;
    o.setup32 = argv[1];
    o.minimal = argv[2];
    o.minimalDlls = argv[3];
    o.kits = argv[4];
    o.runs = std::max(1, std::atoi(argv[5]));
    o.ticks = std::max(1, std::atoi(argv[6]));
    o.tempo = std::max(10, std::atoi(argv[7]));
    if (argc == 9) o.nsis = argv[8];
    setvbuf(stdout, nullptr, _IONBF, 0);
    return Run(o) ? 0 : 1;
}
