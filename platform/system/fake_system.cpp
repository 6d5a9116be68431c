#include "platform/system/fake_system.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

void FakeSystem::SetIni(const std::string& section, const std::string& key, const std::string& value) {
    ini_[{Lower(section), Lower(key)}] = value;
}

void FakeSystem::SetRegValue(const std::string& key, const std::string& name, std::uint32_t type,
                               std::vector<std::uint8_t> data) {
    registry_[Lower(key)][Lower(name)] = RegValue{type, std::move(data)};
}

void FakeSystem::SetRegText(const std::string& key, const std::string& name, const std::string& text,
                              bool terminated) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    if (terminated) data.push_back(0);
    SetRegValue(key, name, kRegSz, std::move(data));
}

void FakeSystem::AddRegKey(const std::string& key) { registry_[Lower(key)]; }

std::uint32_t FakeSystem::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                    const std::string& def, char* buffer,
                                                    std::uint32_t size, const std::string& file) {
    log.push_back("GetPrivateProfileString " + section + " " + key + " " + file);
    std::string value = def;
    if (iniFile && *iniFile == file) {
        auto found = ini_.find({Lower(section), Lower(key)});
        if (found != ini_.end()) value = found->second;
    }
    if (size == 0) return 0;
    std::uint32_t copied = std::min<std::uint32_t>(static_cast<std::uint32_t>(value.size()), size - 1);
    std::memcpy(buffer, value.data(), copied);
    buffer[copied] = '\0';
    return copied;
}

long FakeSystem::RegOpenKeyEx(std::uint32_t root, const std::string& subKey, std::uint32_t access,
                                RegKey& key) {
    log.push_back("RegOpenKeyEx " + subKey);
    accessRequested.push_back(access);
    if (root != kHkeyLocalMachine || !registry_.count(Lower(subKey))) return kErrorFileNotFound;
    key = nextHandle_++;
    handles_[key] = Lower(subKey);
    ++openKeys;
    return kErrorSuccess;
}

long FakeSystem::RegQueryValueEx(RegKey key, const std::string& name, std::uint32_t& type,
                                   std::uint8_t* data, std::uint32_t& size) {
    auto handle = handles_.find(key);
    if (handle == handles_.end()) return 6;  // invalid handle
    auto& values = registry_[handle->second];
    auto found = values.find(Lower(name));
    if (found == values.end()) return kErrorFileNotFound;
    const RegValue& value = found->second;
    type = value.type;
    if (value.data.size() > size) {
        size = static_cast<std::uint32_t>(value.data.size());
        return kErrorMoreData;
    }
    std::copy(value.data.begin(), value.data.end(), data);
    size = static_cast<std::uint32_t>(value.data.size());
    return kErrorSuccess;
}

void FakeSystem::RegCloseKey(RegKey key) {
    if (handles_.erase(key)) --openKeys;
}

bool FakeSystem::GetVersionEx(OsVersionInfo& info) {
    if (!version || info.dwOSVersionInfoSize != kOsVersionInfoSize) return false;
    info = *version;
    info.dwOSVersionInfoSize = kOsVersionInfoSize;
    return true;
}

int FakeSystem::MsgBox(const std::string& text, int buttons, const std::optional<std::string>& title,
                         const HelpRef& help) {
    log.push_back("MsgBox " + text);
    boxes.push_back(Box{text, buttons, title, help});
    if (answers.empty()) return 0;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool FakeSystem::Shell(const std::string& command, int windowStyle) {
    log.push_back("Shell " + command);
    if (command.empty() || !programs.count(command)) return false;
    started.emplace_back(command, windowStyle);
    return true;
}

HelpRef FakeSystem::LastFailure() { return lastFailure; }

void FakeSystem::Beep() {
    log.push_back("Beep");
    ++beeps;
}

bool FakeSystem::CurDir(std::string& path) {
    if (!curDir) return false;
    path = *curDir;
    return true;
}

std::string FakeSystem::AppPath() { return appPath; }

void FakeSystem::End() {
    log.push_back("End");
    ++ends;
}

