// How long the launcher's window thread is held by each slideshow tick:
//   held.exe SETUP32_EXE KITFOLDER SECONDS
// starts the launcher on the kit, waits for its frame, then sends it a
// message that does nothing (WM_NULL) over and over for SECONDS and times
// each answer. While a tick loads and draws its picture the thread answers
// nothing: an answer that took longer than 50 ms is a stall, counted with
// its length. Prints "held STALLS TOTAL_MS LONGEST_MS SECONDS" on one line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Found {
    DWORD process;
    HWND hwnd;
};

BOOL CALLBACK FindFrame(HWND hwnd, LPARAM lParam) {
    auto* found = reinterpret_cast<Found*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    char name[64];
    if (process == found->process && GetClassNameA(hwnd, name, sizeof name) && !strcmp(name, "MDIQOBSetup") &&
        IsWindowVisible(hwnd)) {
        found->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: held SETUP32_EXE KITFOLDER SECONDS\n");
        return 2;
    }
    const std::string exe = argv[1], kit = argv[2];
    const double seconds = std::atof(argv[3]);
    std::string line = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, kit.c_str(), &startup, &process)) {
        std::fprintf(stderr, "held: cannot start %s\n", exe.c_str());
        return 1;
    }
    Found found{process.dwProcessId, nullptr};
    for (int i = 0; i < 3000 && !found.hwnd; ++i) {
        EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&found));
        if (!found.hwnd) Sleep(10);
    }
    int status = 1;
    if (found.hwnd) {
        WaitForInputIdle(process.hProcess, 30000);
        int stalls = 0;
        double total = 0, longest = 0;
        const double start = Now();
        while (Now() - start < seconds * 1000) {
            const double before = Now();
            DWORD_PTR result;
            if (!SendMessageTimeoutA(found.hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result)) break;
            const double took = Now() - before;
            if (took > 50) {
                ++stalls;
                total += took;
                if (took > longest) longest = took;
            }
            Sleep(5);
        }
        std::printf("held %d %.0f %.0f %.1f\n", stalls, total, longest, (Now() - start) / 1000);
        status = 0;
    } else {
        std::fprintf(stderr, "held: the frame did not show\n");
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return status;
}
