#include "platform/system/win32/win32_system.h"

#include <cstring>

namespace {

const char* const kApplicationTitle = "Setup32";

}  // namespace

std::uint32_t Win32System::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                     const std::string& def, char* buffer, std::uint32_t size,
                                                     const std::string& file) {
    return ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, size, file.c_str());
}

long Win32System::RegOpenKeyEx(std::uint32_t root, const std::string& subKey, std::uint32_t access,
                                 RegKey& key) {
    HKEY opened = nullptr;
    LONG result = ::RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root)), subKey.c_str(), 0, access,
                                &opened);
    key = reinterpret_cast<RegKey>(opened);
    return result;
}

long Win32System::RegQueryValueEx(RegKey key, const std::string& name, std::uint32_t& type,
                                    std::uint8_t* data, std::uint32_t& size) {
    DWORD t = 0, s = size;
    LONG result = ::RegQueryValueExA(reinterpret_cast<HKEY>(key), name.c_str(), nullptr, &t, data, &s);
    type = t;
    size = s;
    return result;
}

void Win32System::RegCloseKey(RegKey key) { ::RegCloseKey(reinterpret_cast<HKEY>(key)); }

bool Win32System::GetVersionEx(OsVersionInfo& info) {
    OSVERSIONINFOA v;
    std::memset(&v, 0, sizeof v);
    v.dwOSVersionInfoSize = info.dwOSVersionInfoSize;
    if (!::GetVersionExA(&v)) return false;
    info.dwMajorVersion = v.dwMajorVersion;
    info.dwMinorVersion = v.dwMinorVersion;
    info.dwBuildNumber = v.dwBuildNumber;
    info.dwPlatformId = v.dwPlatformId;
    std::memcpy(info.szCSDVersion, v.szCSDVersion, sizeof info.szCSDVersion);
    return true;
}

int Win32System::MsgBox(const std::string& text, int buttons, const std::optional<std::string>& title,
                          const HelpRef&) {
    // The launcher ships no help file, so no box offers help.
    return MessageBoxA(owner_, text.c_str(), title ? title->c_str() : kApplicationTitle,
                       static_cast<UINT>(buttons));
}

bool Win32System::Shell(const std::string& command, int windowStyle) {
    if (command.empty()) return false;
    std::string line = command;  // CreateProcessA may write into the command line
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

HelpRef Win32System::LastFailure() { return HelpRef{}; }

void Win32System::Beep() { MessageBeep(0); }

bool Win32System::CurDir(std::string& path) {
    char buffer[MAX_PATH + 1];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer) return false;
    path.assign(buffer, length);
    return true;
}

std::string Win32System::AppPath() {
    char buffer[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return "";
    std::string path(buffer, length);
    std::size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos) return "";
    path.erase(slash);
    if (path.size() == 2 && path[1] == ':') path += '\\';  // a drive's root keeps its backslash
    return path;
}

void Win32System::End() { ExitProcess(0); }
