// The smallest Win32 program a start-up can be compared with: one window
// class, one top-level window shown, a message loop. Built like Setup32.exe.
//
// Built a second time with SETUP32_BENCH_LAUNCHER_DLLS as minimal_dlls.exe:
// the same program that also loads and starts the system DLLs the launcher
// needs before its first window (common controls, COM and OLE automation),
// so that the table tells the DLLs' share of the launcher's start-up from
// the launcher's own work.
#include <windows.h>

#ifdef SETUP32_BENCH_LAUNCHER_DLLS
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#endif

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
#ifdef SETUP32_BENCH_LAUNCHER_DLLS
    InitCommonControls();
    CoInitialize(nullptr);
    SysFreeString(nullptr);  // imports OLEAUT32 as the launcher does
#endif
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = "Setup32BenchMinimal";
    if (!RegisterClassA(&wc)) return 1;
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                640, 480, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
