// A stand-in installer for the tests and the demo kit.
//
// With SETUP32_STUB_LOG naming a file it appends "<command line>|<show style>"
// and a CRLF to that file and exits at once. Otherwise it opens a window that
// shows the same facts and an OK button. The show style is the wShowWindow the
// parent passed in STARTUPINFO, or -1 when it passed none.
//
// No C runtime: the program starts at StubMain and only uses KERNEL32, USER32
// and GDI32, so it runs on every Windows the launcher runs on.
#include <windows.h>

namespace {

const char kClass[] = "Setup32Stub";
const char kTitle[] = "Instalador de demonstração";
const int kMargin = 12;

char g_lines[3][4096];
HFONT g_font;
int g_lineHeight = 16;

bool AppendToLog(const char *path, const char *commandLine, int showStyle) {
    // Stubs started side by side take turns, so their lines never interleave.
    HANDLE turn = CreateMutexA(NULL, FALSE, "Setup32StubLog");
    if (turn) WaitForSingleObject(turn, 10000);
    bool ok = false;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        char tail[32];
        int tailLength = wsprintfA(tail, "|%d\r\n", showStyle);
        DWORD written = 0, written2 = 0;
        ok = SetFilePointer(file, 0, NULL, FILE_END) != INVALID_SET_FILE_POINTER &&
             WriteFile(file, commandLine, lstrlenA(commandLine), &written, NULL) &&
             WriteFile(file, tail, tailLength, &written2, NULL);
        CloseHandle(file);
    }
    if (turn) { ReleaseMutex(turn); CloseHandle(turn); }
    return ok;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        HDC dc = GetDC(hwnd);
        HGDIOBJ old = SelectObject(dc, g_font);
        TEXTMETRICA tm;
        if (GetTextMetricsA(dc, &tm)) g_lineHeight = tm.tmHeight + tm.tmExternalLeading + 4;
        SelectObject(dc, old);
        ReleaseDC(hwnd, dc);
        HWND ok = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                  kMargin, 2 * kMargin + 3 * g_lineHeight, 88, 26, hwnd,
                                  (HMENU)IDOK, ((LPCREATESTRUCTA)lParam)->hInstance, NULL);
        SendMessageA(ok, WM_SETFONT, (WPARAM)g_font, FALSE);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        HGDIOBJ old = SelectObject(dc, g_font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        for (int i = 0; i < 3; ++i) {
            RECT line = {kMargin, kMargin + i * g_lineHeight, client.right - kMargin,
                         kMargin + (i + 1) * g_lineHeight};
            DrawTextA(dc, g_lines[i], -1, &line, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
        SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int ShowDemoWindow(const char *commandLine, int showStyle) {
    lstrcpyA(g_lines[0], kTitle);
    lstrcpyA(g_lines[1], "Linha de comando: ");
    lstrcpynA(g_lines[1] + lstrlenA(g_lines[1]), commandLine, 4000);
    wsprintfA(g_lines[2], "Estilo da janela: %d", showStyle);
    g_font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);

    HINSTANCE instance = GetModuleHandleA(NULL);
    static WNDCLASSA wc;   // static: zero-filled without a C runtime
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClass;
    if (!RegisterClassA(&wc)) return 1;
    HWND hwnd = CreateWindowExA(0, kClass, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                560, 200, NULL, NULL, instance, NULL);
    if (!hwnd) return 1;
    // SW_SHOWDEFAULT means "the style in STARTUPINFO"; Wine treats it as
    // SW_SHOWNORMAL, so pass the parent's style itself when there is one.
    ShowWindow(hwnd, showStyle >= 0 ? showStyle : SW_SHOWDEFAULT);
    UpdateWindow(hwnd);
    SetFocus(GetDlgItem(hwnd, IDOK));

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (IsDialogMessageA(hwnd, &msg)) continue;   // Enter, Space and Tab work
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

}  // namespace

extern "C" void StubMain() {
    const char *commandLine = GetCommandLineA();
    static STARTUPINFOA si;
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    int showStyle = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;

    char logPath[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("SETUP32_STUB_LOG", logPath, sizeof logPath);
    if (n > 0 && n < sizeof logPath)
        ExitProcess(AppendToLog(logPath, commandLine, showStyle) ? 0 : 1);
    ExitProcess(ShowDemoWindow(commandLine, showStyle));
}
