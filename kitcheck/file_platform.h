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

// A symbolic link of the kit: where it leads.
enum class LinkVerdict { None, InKit, Outside, Loop, Broken };

// One file or folder under the kit folder, as a walk of it finds it.
struct KitEntry {
    enum Type { File, Folder, Other };
    std::string path;  // relative to the kit folder, '/' between names, as the file system names it
    Type type = Other;
    std::uint64_t size = 0;  // of a file
    bool readable = true;
    LinkVerdict link = LinkVerdict::None;
    std::string linkTarget;  // as the link holds it
};

class FilePlatform : public System, public Forms {
public:
    // kitFolder: the kit folder's absolute path as the file system names it,
    // without final separator (a root keeps its own).
    explicit FilePlatform(std::string kitFolder);

    const std::string& KitFolder() const { return kitFolder_; }
    // The kit folder as the launcher knows it, its current directory, with
    // its final backslash. On Windows the folder itself; on Linux the root
    // of the disc the kit becomes, "D:\", so that every name the launcher
    // builds is a Windows name in cp1252.
    std::string KitPath() const;

    // --- the kit's files, by the paths the launcher uses ---
    // On Linux each name of the path, cp1252, is matched to the entry of its
    // folder whose UTF-8 name is the same, regardless of letter case, as
    // Windows matches names on the CD; a path that leaves the kit folder,
    // through ".." or a symbolic link, or whose link loops, finds nothing.
    FileKind Kind(const std::string& path) const;
    // At most limit bytes from the start of the file.
    bool Read(const std::string& path, std::string& bytes, std::size_t limit = SIZE_MAX) const;
    std::optional<std::uint64_t> Size(const std::string& path) const;
    // The file found for a path, relative to the kit folder with '/' between
    // names, as the file system names it; nullopt when none is.
    std::optional<std::string> Found(const std::string& path) const;

    // Every file and folder under the kit folder, depth first, each folder's
    // entries by name. A link that stays in the kit is followed (a folder
    // walked); its entry says where it leads.
    std::vector<KitEntry> Walk() const;

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
    std::string AppPath() override { return KitPath(); }
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
    // The file system's path of a launcher's path.
    std::optional<std::string> Native(const std::string& path) const;

    std::string kitFolder_;
    std::string realKit_;  // the kit folder with every link resolved
};
