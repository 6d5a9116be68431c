// The test double of the system: an in-memory initialization file, registry,
// version record and programs, and a record of everything asked of it.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/system/system.h"

class FakeSystem : public System {
public:
    // Every call worth ordering is logged, in a log it may share with the forms.
    explicit FakeSystem(std::vector<std::string>& log) : log(log) {}

    // --- what the tests set up ---
    // setup.ini: exists only when iniFile is set; names match regardless of case.
    std::optional<std::string> iniFile;
    void SetIni(const std::string& section, const std::string& key, const std::string& value);

    struct RegValue {
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    // Keys by their path below HKEY_LOCAL_MACHINE, names matched regardless of case.
    void SetRegText(const std::string& key, const std::string& name, const std::string& text,
                    bool terminated = true);
    void SetRegValue(const std::string& key, const std::string& name, std::uint32_t type,
                     std::vector<std::uint8_t> data);
    void AddRegKey(const std::string& key);

    std::optional<OsVersionInfo> version;  // unset: the query fails

    std::set<std::string> programs;  // commands that start
    std::deque<int> answers;         // message box answers, in order; empty: the box fails
    HelpRef lastFailure;             // what LastFailure reports
    std::optional<std::string> curDir = std::string("C:\\KIT");
    std::string appPath = "C:\\PROGRAMA";

    // --- what the tests read back ---
    struct Box {
        std::string text;
        int buttons;
        std::optional<std::string> title;
        HelpRef help;
    };

    std::vector<std::string>& log;  // every call, in order
    std::vector<Box> boxes;
    std::vector<std::pair<std::string, int>> started;  // command, window style
    int beeps = 0;
    int ends = 0;
    std::vector<std::uint32_t> accessRequested;
    int openKeys = 0;  // opened and not yet closed

    // --- System ---
    std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                          const std::string& def, char* buffer,
                                          std::uint32_t size, const std::string& file) override;
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
    std::map<std::pair<std::string, std::string>, std::string> ini_;     // lower-cased names
    std::map<std::string, std::map<std::string, RegValue>> registry_;  // lower-cased names
    std::map<RegKey, std::string> handles_;
    RegKey nextHandle_ = 0x100;
};
