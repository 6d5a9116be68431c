// The launcher's platform for kitcheck: setup.ini and the kit's files are
// read from disk, and everything else is inert. The launcher's own code runs
// on it unchanged; what it asked for is recorded for the checks.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/forms/forms.h"
#include "platform/system/system.h"
#include "wizard/layout.h"

enum class FileKind { Missing, File, Folder };

class FilePlatform : public System, public Forms {
public:
    // kitFolder: an absolute path of the kit folder, without final separator.
    // It is the launcher's current directory.
    explicit FilePlatform(std::string kitFolder);

    // --- the kit's files, by the paths the launcher uses ---
    // Backslashes separate folders; in the Linux build each name is matched
    // regardless of letter case, as Windows matches names on the CD.
    FileKind Kind(const std::string& path) const;
    // At most limit bytes from the start of the file.
    bool Read(const std::string& path, std::string& bytes, std::size_t limit = SIZE_MAX) const;

    // --- what the launcher did ---
    int beeps = 0;
    long timerInterval = kTimer1DesignInterval;  // the slideshow timer's interval, from the design
    std::vector<std::string> pictureLoads;     // every picture asked for, in order
    std::map<std::string, std::string> whole;  // "section/key": the value a large buffer takes
    // The variable of the installer state each program start was handed, in
    // order: which command a road starts, not only its text.
    std::vector<const std::string*> started;

    // --- what kitcheck sets before it presses a button ---
    std::set<std::pair<FormId, CtlId>> checked;  // the option buttons selected

    // --- System ---
    std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                          const std::string& def, char* buffer, std::uint32_t size,
                                          const std::string& file) override;
    long RegOpenKeyEx(std::uint32_t, const std::string&, std::uint32_t, RegKey&) override { return kErrorFileNotFound; }
    long RegQueryValueEx(RegKey, const std::string&, std::uint32_t&, std::uint8_t*, std::uint32_t&) override {
        return kErrorFileNotFound;
    }
    void RegCloseKey(RegKey) override {}
    bool GetVersionEx(OsVersionInfo&) override { return false; }
    int MsgBox(const std::string&, int, const std::optional<std::string>&, const HelpRef&) override { return 0; }
    bool Shell(const std::string& command, int) override {
        started.push_back(&command);
        return false;
    }
    HelpRef LastFailure() override { return {}; }
    void Beep() override { ++beeps; }
    bool CurDir(std::string& path) override;
    std::string AppPath() override { return kitFolder_; }
    void End() override {}

    // --- Forms ---
    bool LoadPicture(FormId form, CtlId control, const std::string& path) override;
    bool SetTimerInterval(long ms) override;
    void CreateForm(FormId) override {}
    void ShowForm(FormId) override {}
    void HideForm(FormId) override {}
    bool OuterSize(FormId, float&, float&) override { return false; }
    bool SetFormTop(FormId, float) override { return false; }
    bool SetFormLeft(FormId, float) override { return false; }
    void SetCaption(FormId, CtlId, const std::string&) override {}
    void SetToolTip(FormId, CtlId, const std::string&) override {}
    void SetVisible(FormId, CtlId, bool) override {}
    bool IsChecked(FormId form, CtlId control) override { return checked.count({form, control}) > 0; }

private:
    std::optional<std::string> Native(const std::string& path) const;

    std::string kitFolder_;
};
