// The system on Windows. <windows.h> renames several of the interface's
// members to their ANSI names (RegOpenKeyEx to RegOpenKeyExA...); the system
// functions themselves are therefore always called as ::Name.
#pragma once

#include <windows.h>

#include "platform/system/system.h"

class Win32System : public System {
public:
    // The window that owns the message boxes (none until it is given).
    void SetOwner(HWND owner) { owner_ = owner; }

    std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                          const std::string& def, char* buffer, std::uint32_t size,
                                          const std::string& file) override;
    long RegOpenKeyEx(std::uint32_t root, const std::string& subKey, std::uint32_t access,
                      RegKey& key) override;
    long RegQueryValueEx(RegKey key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                         std::uint32_t& size) override;
    void RegCloseKey(RegKey key) override;
    bool GetVersionEx(OsVersionInfo& info) override;
    int MsgBox(const std::string& text, int buttons, const std::optional<std::string>& title,
               const HelpRef& help) override;
    bool Shell(const std::string& command, int windowStyle) override;
    HelpRef LastFailure() override;
    void Beep() override;
    bool CurDir(std::string& path) override;
    std::string AppPath() override;
    void End() override;

private:
    HWND owner_ = nullptr;
};
