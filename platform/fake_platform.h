// The test double of the platform: an in-memory initialization file,
// registry, pictures and windows, and a record of everything asked of it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

class FakePlatform : public Platform {
public:
    FakePlatform();

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

    std::set<std::string> pictures;  // files that load as pictures
    std::set<std::string> programs;  // commands that start
    std::deque<int> answers;         // message box answers, in order; empty: the box fails
    HelpRef lastFailure;             // what LastFailure reports
    std::optional<std::string> curDir = std::string("C:\\KIT");
    std::string appPath = "C:\\PROGRAMA";
    float frameWidth = 9375, frameHeight = 8985;  // outer sizes in twips
    float pageWidth = 6675, pageHeight = 4935;

    std::function<void(FormId)> onActivate;  // the platform's activation event

    // Selects an option as a click would: clears the others of its group.
    void Select(FormId form, CtlId option);

    // --- what the tests read back ---
    struct Box {
        std::string text;
        int buttons;
        std::optional<std::string> title;
        HelpRef help;
    };
    struct Control {
        std::string caption, toolTip, picture;
        bool visible = true, checked = false;
        bool toolTipSet = false;
    };
    struct Form {
        bool created = false, visible = false;
        int createCount = 0;
        std::optional<float> top, left;
        std::string picture;  // the frame's background
    };

    std::vector<std::string> log;  // every call, in order
    std::vector<Box> boxes;
    std::vector<std::pair<std::string, int>> started;  // command, window style
    std::vector<std::string> pictureLoads;             // every path asked for
    int beeps = 0;
    int ends = 0;
    long timerInterval = 500;
    std::vector<std::uint32_t> accessRequested;
    int openKeys = 0;  // opened and not yet closed

    Form& form(FormId id) { return forms_[static_cast<int>(id)]; }
    Control& control(FormId form, CtlId id) { return controls_[{form, id}]; }

    // --- Platform ---
    std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                          const std::string& def, char* buffer, std::uint32_t size,
                                          const std::string& file) override;
    long RegOpenKeyEx(std::uint32_t root, const std::string& subKey, std::uint32_t access,
                      RegKey& key) override;
    long RegQueryValueEx(RegKey key, const std::string& name, std::uint32_t& type, std::uint8_t* data,
                         std::uint32_t& size) override;
    void RegCloseKey(RegKey key) override;
    bool GetVersionEx(OsVersionInfo& info) override;
    bool LoadPicture(FormId form, CtlId control, const std::string& path) override;
    int MsgBox(const std::string& text, int buttons, const std::optional<std::string>& title,
               const HelpRef& help) override;
    bool Shell(const std::string& command, int windowStyle) override;
    HelpRef LastFailure() override;
    void Beep() override;
    bool CurDir(std::string& path) override;
    std::string AppPath() override;
    void End() override;
    bool SetTimerInterval(long ms) override;
    void CreateForm(FormId form) override;
    void ShowForm(FormId form) override;
    void HideForm(FormId form) override;
    bool OuterSize(FormId form, float& width, float& height) override;
    bool SetFormTop(FormId form, float twips) override;
    bool SetFormLeft(FormId form, float twips) override;
    void SetCaption(FormId form, CtlId control, const std::string& text) override;
    void SetToolTip(FormId form, CtlId control, const std::string& text) override;
    void SetVisible(FormId form, CtlId control, bool visible) override;
    bool IsChecked(FormId form, CtlId control) override;

private:
    std::map<std::pair<std::string, std::string>, std::string> ini_;     // lower-cased names
    std::map<std::string, std::map<std::string, RegValue>> registry_;  // lower-cased names
    std::map<RegKey, std::string> handles_;
    RegKey nextHandle_ = 0x100;
    Form forms_[3];
    std::map<std::pair<FormId, CtlId>, Control> controls_;
};

const char* FormName(FormId form);
