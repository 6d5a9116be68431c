// A stand-in for a system DLL (comctl32, ole32, oleaut32) put where a
// program that loads DLLs by bare name would find it first: beside the
// program or in its current directory. Loading it appends its name and the
// loading program's path to the file that SETUP32_PLANTED_LOG names; it
// exports nothing a program could use.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char log[MAX_PATH], line[2 * MAX_PATH + 8];
    DWORD n = GetEnvironmentVariableA("SETUP32_PLANTED_LOG", log, sizeof log);
    if (n == 0 || n >= sizeof log) return TRUE;
    char dll[MAX_PATH], program[MAX_PATH];
    if (!GetModuleFileNameA(self, dll, sizeof dll)) lstrcpyA(dll, "?");
    if (!GetModuleFileNameA(nullptr, program, sizeof program)) lstrcpyA(program, "?");
    int length = wsprintfA(line, "%s loaded by %s\r\n", dll, program);
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
        CloseHandle(file);
    }
    return TRUE;
}
