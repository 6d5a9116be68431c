#include "platform/fake_platform.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "wizard/layout.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

const char* FormName(FormId form) { return DesignOf(form).name; }

FakePlatform::FakePlatform() { form(FormId::MDIQOBSetup).created = true; }

void FakePlatform::SetIni(const std::string& section, const std::string& key, const std::string& value) {
    ini_[{Lower(section), Lower(key)}] = value;
}

void FakePlatform::SetRegValue(const std::string& key, const std::string& name, std::uint32_t type,
                               std::vector<std::uint8_t> data) {
    registry_[Lower(key)][Lower(name)] = RegValue{type, std::move(data)};
}

void FakePlatform::SetRegText(const std::string& key, const std::string& name, const std::string& text,
                              bool terminated) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    if (terminated) data.push_back(0);
    SetRegValue(key, name, kRegSz, std::move(data));
}

void FakePlatform::AddRegKey(const std::string& key) { registry_[Lower(key)]; }

void FakePlatform::Select(FormId f, CtlId option) {
    const ControlDesign* chosen = DesignOf(f, option);
    for (const ControlDesign& c : kControls)
        if (c.form == f && c.kind == Kind::Option && c.container == chosen->container)
            control(f, c.id).checked = c.id == option;
}

std::uint32_t FakePlatform::GetPrivateProfileString(const std::string& section, const std::string& key,
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

long FakePlatform::RegOpenKeyEx(std::uint32_t root, const std::string& subKey, std::uint32_t access,
                                RegKey& key) {
    log.push_back("RegOpenKeyEx " + subKey);
    accessRequested.push_back(access);
    if (root != kHkeyLocalMachine || !registry_.count(Lower(subKey))) return kErrorFileNotFound;
    key = nextHandle_++;
    handles_[key] = Lower(subKey);
    ++openKeys;
    return kErrorSuccess;
}

long FakePlatform::RegQueryValueEx(RegKey key, const std::string& name, std::uint32_t& type,
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

void FakePlatform::RegCloseKey(RegKey key) {
    if (handles_.erase(key)) --openKeys;
}

bool FakePlatform::GetVersionEx(OsVersionInfo& info) {
    if (!version || info.dwOSVersionInfoSize != kOsVersionInfoSize) return false;
    info = *version;
    info.dwOSVersionInfoSize = kOsVersionInfoSize;
    return true;
}

bool FakePlatform::LoadPicture(FormId f, CtlId c, const std::string& path) {
    log.push_back("LoadPicture " + path);
    pictureLoads.push_back(path);
    if (!pictures.count(path)) return false;
    if (c == CtlId::None)
        form(f).picture = path;
    else
        control(f, c).picture = path;
    return true;
}

int FakePlatform::MsgBox(const std::string& text, int buttons, const std::optional<std::string>& title,
                         const HelpRef& help) {
    log.push_back("MsgBox " + text);
    boxes.push_back(Box{text, buttons, title, help});
    if (answers.empty()) return 0;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool FakePlatform::Shell(const std::string& command, int windowStyle) {
    log.push_back("Shell " + command);
    if (command.empty() || !programs.count(command)) return false;
    started.emplace_back(command, windowStyle);
    return true;
}

HelpRef FakePlatform::LastFailure() { return lastFailure; }

void FakePlatform::Beep() {
    log.push_back("Beep");
    ++beeps;
}

bool FakePlatform::CurDir(std::string& path) {
    if (!curDir) return false;
    path = *curDir;
    return true;
}

std::string FakePlatform::AppPath() { return appPath; }

void FakePlatform::End() {
    log.push_back("End");
    ++ends;
}

bool FakePlatform::SetTimerInterval(long ms) {
    if (!TimerAccepts(ms)) return false;
    timerInterval = ms;
    return true;
}

void FakePlatform::CreateForm(FormId f) {
    log.push_back(std::string("CreateForm ") + FormName(f));
    Form& page = form(f);
    page.created = true;
    ++page.createCount;
    for (const ControlDesign& c : kControls) {
        if (c.form != f) continue;
        Control& state = control(f, c.id);
        state = Control{};
        state.caption = c.caption;
        state.visible = !(c.flags & kHidden);
        state.checked = (c.flags & kSelected) != 0;
    }
}

void FakePlatform::ShowForm(FormId f) {
    log.push_back(std::string("ShowForm ") + FormName(f));
    form(f).visible = true;
    if (onActivate) onActivate(f);
}

void FakePlatform::HideForm(FormId f) {
    log.push_back(std::string("HideForm ") + FormName(f));
    form(f).visible = false;
}

bool FakePlatform::OuterSize(FormId f, float& width, float& height) {
    if (f == FormId::MDIQOBSetup) {
        width = frameWidth, height = frameHeight;
    } else {
        width = pageWidth, height = pageHeight;
    }
    return true;
}

bool FakePlatform::SetFormTop(FormId f, float twips) {
    log.push_back(std::string("SetFormTop ") + FormName(f));
    int px;
    if (!TwipsToPixels(twips, 96, px)) return false;
    form(f).top = twips;
    return true;
}

bool FakePlatform::SetFormLeft(FormId f, float twips) {
    log.push_back(std::string("SetFormLeft ") + FormName(f));
    int px;
    if (!TwipsToPixels(twips, 96, px)) return false;
    form(f).left = twips;
    return true;
}

void FakePlatform::SetCaption(FormId f, CtlId c, const std::string& text) { control(f, c).caption = text; }

void FakePlatform::SetToolTip(FormId f, CtlId c, const std::string& text) {
    control(f, c).toolTip = text;
    control(f, c).toolTipSet = true;
}

void FakePlatform::SetVisible(FormId f, CtlId c, bool visible) {
    log.push_back(std::string("SetVisible ") + DesignOf(f, c)->name);
    control(f, c).visible = visible;
}

bool FakePlatform::IsChecked(FormId f, CtlId c) { return control(f, c).checked; }
