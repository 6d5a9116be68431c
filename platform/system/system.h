// What the launcher takes from the system: the initialization file, the
// registry, the version record, program start, beeps, the current directory
// and the program's folder, the end of the program and message boxes.
// Win32System is the real one, FakeSystem the test double.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Registry roots and access rights, with their Windows values.
constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;
constexpr std::uint32_t kHkeyUsers = 0x80000003u;
constexpr std::uint32_t kKeyRead = 0x20019u;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorMoreData = 234;

using RegKey = std::uintptr_t;

// The OSVERSIONINFOA record, field for field.
struct OsVersionInfo {
    std::uint32_t dwOSVersionInfoSize = 0;
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
constexpr std::uint32_t kOsVersionInfoSize = 148;

// Message box button codes and answers.
constexpr int vbOKOnly = 0;
constexpr int vbYesNoDefaultNo = 260;  // Yes and No (4), No the default (256)
constexpr int vbYes = 6;
constexpr int vbNo = 7;

// Program start window style: maximised and activated.
constexpr int vbMaximizedFocus = 3;

// The help reference that comes with a failure.
struct HelpRef {
    std::string file;
    std::uint32_t context = 0;
};

class System {
public:
    virtual ~System() = default;

    // Initialization file: copies at most size-1 characters and a NUL,
    // returns the count copied (0: nothing read).
    virtual std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                                  const std::string& def, char* buffer,
                                                  std::uint32_t size, const std::string& file) = 0;

    // Registry: the Win32 results (0 on success).
    virtual long RegOpenKeyEx(std::uint32_t root, const std::string& subKey, std::uint32_t access,
                              RegKey& key) = 0;
    virtual long RegQueryValueEx(RegKey key, const std::string& name, std::uint32_t& type,
                                 std::uint8_t* data, std::uint32_t& size) = 0;
    virtual void RegCloseKey(RegKey key) = 0;

    // Fills the record; the caller sets its size field first.
    virtual bool GetVersionEx(OsVersionInfo& info) = 0;

    // Modal message box; without a title the application title shows.
    // Returns the button pressed (vbYes, vbNo, 1 for OK), 0 if it could not be shown.
    virtual int MsgBox(const std::string& text, int buttons,
                       const std::optional<std::string>& title = std::nullopt,
                       const HelpRef& help = {}) = 0;

    // Starts a program with the command line unchanged; not waited for.
    // False when the start failed (then LastFailure tells its help reference).
    virtual bool Shell(const std::string& command, int windowStyle) = 0;
    virtual HelpRef LastFailure() = 0;

    virtual void Beep() = 0;
    virtual bool CurDir(std::string& path) = 0;  // may lack a final backslash
    virtual std::string AppPath() = 0;           // folder of the program file
    virtual void End() = 0;                      // ends the program at once, no close handler runs
};
