#include "kitcheck/file_platform.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "kitcheck/encoding.h"

#ifdef _WIN32
#include <windows.h>
// The member defined here, not the macro <windows.h> makes of its name; the
// system function is called by its own name, GetPrivateProfileStringA.
#undef GetPrivateProfileString
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "kitcheck/ini_reader.h"
#endif

FilePlatform::FilePlatform(std::string kitFolder) : kitFolder_(std::move(kitFolder)) {
#ifndef _WIN32
    char real[PATH_MAX];
    realKit_ = realpath(kitFolder_.c_str(), real) ? real : kitFolder_;
#endif
}

#ifdef _WIN32

std::string FilePlatform::KitPath() const {
    return kitFolder_.empty() || kitFolder_.back() == '\\' ? kitFolder_ : kitFolder_ + "\\";
}

std::optional<std::string> FilePlatform::Native(const std::string& path) const { return path; }

FileKind FilePlatform::Kind(const std::string& path) const {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? FileKind::Folder : FileKind::File;
}

std::optional<std::uint64_t> FilePlatform::Size(const std::string& path) const {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<std::string> FilePlatform::Found(const std::string& path) const {
    const std::string kit = KitPath();
    if (Kind(path) == FileKind::Missing || path.size() <= kit.size() ||
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path.data(), static_cast<int>(kit.size()), kit.data(),
                       static_cast<int>(kit.size())) != CSTR_EQUAL)
        return std::nullopt;
    std::string relative = path.substr(kit.size());
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return relative;
}

namespace {

void WalkFolder(const std::string& folder, const std::string& relative, std::vector<KitEntry>& entries) {
    std::vector<WIN32_FIND_DATAA> found;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do
        if (std::string(data.cFileName) != "." && std::string(data.cFileName) != "..") found.push_back(data);
    while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(found.begin(), found.end(), [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
        return std::string(a.cFileName) < std::string(b.cFileName);
    });
    for (const WIN32_FIND_DATAA& item : found) {
        KitEntry entry;
        entry.path = relative.empty() ? item.cFileName : relative + "/" + item.cFileName;
        // A junction or link is not followed: it may lead out of the kit or round in a loop.
        if (item.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            entry.type = KitEntry::Other;
        } else if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entry.type = KitEntry::Folder;
        } else {
            entry.type = KitEntry::File;
            entry.size = (static_cast<std::uint64_t>(item.nFileSizeHigh) << 32) | item.nFileSizeLow;
        }
        entries.push_back(entry);
        if (entry.type == KitEntry::Folder) WalkFolder(folder + "\\" + item.cFileName, entry.path, entries);
    }
}

}  // namespace

std::vector<KitEntry> FilePlatform::Walk() const {
    std::vector<KitEntry> entries;
    WalkFolder(KitPath().substr(0, KitPath().size() - 1), "", entries);
    return entries;
}

std::uint32_t FilePlatform::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                    const std::string& def, char* buffer, std::uint32_t size,
                                                    const std::string& file) {
    static char large[65536];
    DWORD count = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), large, sizeof large,
                                             file.c_str());
    whole[section + "/" + key].assign(large, count);
    return ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, size, file.c_str());
}

#else

namespace {

// The root of the disc the kit becomes, as the launcher sees it.
const char kDiscRoot[] = "D:\\";

bool Inside(const std::string& real, const std::string& kit) {
    if (real.compare(0, kit.size(), kit) != 0) return false;
    return real.size() == kit.size() || kit == "/" || real[kit.size()] == '/';
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// A name's characters with letter case folded as Windows folds it; nullopt
// for a name that is not UTF-8, which no name of setup.ini matches.
std::optional<std::u32string> Folded(const std::string& utf8) {
    std::optional<std::u32string> name = DecodeUtf8(utf8);
    if (name) std::transform(name->begin(), name->end(), name->begin(), FoldCase);
    return name;
}

}  // namespace

std::string FilePlatform::KitPath() const { return kDiscRoot; }

// Each name of the path, turned from cp1252 into UTF-8, as it stands, or else
// the entry of its folder that matches it regardless of letter case.
std::optional<std::string> FilePlatform::Native(const std::string& path) const {
    const std::size_t root = sizeof kDiscRoot - 1;
    if (path.size() < root || FoldCase(static_cast<unsigned char>(path[0])) != 'd' || path[1] != ':' ||
        (path[2] != '\\' && path[2] != '/'))
        return std::nullopt;
    std::vector<std::string> names;
    for (std::size_t start = root; start <= path.size();) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".") continue;
        if (name != "..") {
            names.push_back(name);
        } else if (names.empty()) {
            return std::nullopt;  // above the disc's root
        } else {
            names.pop_back();
        }
    }
    std::string found = kitFolder_;
    for (const std::string& name : names) {
        const std::string utf8 = Utf8FromCp1252(name);
        std::string next = Join(found, utf8);
        struct stat info;
        if (lstat(next.c_str(), &info) != 0) {
            const std::optional<std::u32string> wanted = Folded(utf8);
            DIR* dir = opendir(found.c_str());
            if (!dir) return std::nullopt;
            next.clear();
            while (dirent* entry = readdir(dir))
                if (Folded(entry->d_name) == wanted) {
                    next = Join(found, entry->d_name);
                    break;
                }
            closedir(dir);
            if (next.empty()) return std::nullopt;
        }
        char real[PATH_MAX];
        if (!realpath(next.c_str(), real) || !Inside(real, realKit_)) return std::nullopt;
        found = next;
    }
    return found;
}

FileKind FilePlatform::Kind(const std::string& path) const {
    std::optional<std::string> native = Native(path);
    struct stat info;
    if (!native || stat(native->c_str(), &info) != 0) return FileKind::Missing;
    // A fifo or a device is nothing the disc holds, and reading one may never end.
    return S_ISDIR(info.st_mode) ? FileKind::Folder : S_ISREG(info.st_mode) ? FileKind::File : FileKind::Missing;
}

std::optional<std::uint64_t> FilePlatform::Size(const std::string& path) const {
    std::optional<std::string> native = Native(path);
    struct stat info;
    if (!native || stat(native->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::string> FilePlatform::Found(const std::string& path) const {
    std::optional<std::string> native = Native(path);
    if (!native || Kind(path) == FileKind::Missing) return std::nullopt;
    return native->size() > kitFolder_.size() ? native->substr(kitFolder_.size() + (kitFolder_ == "/" ? 0 : 1)) : "";
}

namespace {

struct Walker {
    const std::string& realKit;
    std::vector<std::string> realFolders;  // the folders being walked, links resolved
    std::vector<KitEntry> entries;

    void Folder(const std::string& folder, const std::string& relative) {
        DIR* dir = opendir(folder.c_str());
        if (!dir) return;
        std::vector<std::string> names;
        while (dirent* entry = readdir(dir))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") names.push_back(entry->d_name);
        closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) Entry(Join(folder, name), relative.empty() ? name : relative + "/" + name);
    }

    void Entry(const std::string& full, const std::string& relative) {
        KitEntry entry;
        entry.path = relative;
        struct stat info;
        if (lstat(full.c_str(), &info) != 0) return;
        char real[PATH_MAX] = "";
        if (S_ISLNK(info.st_mode)) {
            char target[PATH_MAX];
            const ssize_t length = readlink(full.c_str(), target, sizeof target);
            entry.linkTarget.assign(target, length > 0 ? static_cast<std::size_t>(length) : 0);
            if (!realpath(full.c_str(), real))
                entry.link = errno == ELOOP ? LinkVerdict::Loop : LinkVerdict::Broken;
            else if (!Inside(real, realKit))
                entry.link = LinkVerdict::Outside;
            else if (stat(full.c_str(), &info) != 0)
                entry.link = LinkVerdict::Broken;
            else if (S_ISDIR(info.st_mode) && std::find(realFolders.begin(), realFolders.end(), real) != realFolders.end())
                entry.link = LinkVerdict::Loop;  // a folder that holds the link itself
            else
                entry.link = LinkVerdict::InKit;
            if (entry.link != LinkVerdict::InKit) {
                entries.push_back(entry);
                return;
            }
        }
        entry.type = S_ISREG(info.st_mode) ? KitEntry::File : S_ISDIR(info.st_mode) ? KitEntry::Folder : KitEntry::Other;
        if (entry.type == KitEntry::File) entry.size = static_cast<std::uint64_t>(info.st_size);
        entry.readable = entry.type == KitEntry::Other ||
                         access(full.c_str(), entry.type == KitEntry::Folder ? R_OK | X_OK : R_OK) == 0;
        entries.push_back(entry);
        if (entry.type != KitEntry::Folder || !entry.readable || !realpath(full.c_str(), real)) return;
        realFolders.push_back(real);
        Folder(full, relative);
        realFolders.pop_back();
    }
};

}  // namespace

std::vector<KitEntry> FilePlatform::Walk() const {
    Walker walker{realKit_, {realKit_}, {}};
    walker.Folder(kitFolder_, "");
    return walker.entries;
}

std::uint32_t FilePlatform::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                    const std::string& def, char* buffer, std::uint32_t size,
                                                    const std::string& file) {
    std::string bytes;
    const std::string* text = Kind(file) == FileKind::File && Read(file, bytes) ? &bytes : nullptr;
    whole[section + "/" + key] = FullIniString(text, section, key, def);
    return ReadIniString(text, section, key, def, buffer, size);
}

#endif

bool FilePlatform::Read(const std::string& path, std::string& bytes, std::size_t limit) const {
    std::optional<std::string> native = Native(path);
    if (!native || Kind(path) != FileKind::File) return false;
    std::FILE* file = std::fopen(native->c_str(), "rb");
    if (!file) return false;
    bytes.clear();
    char chunk[65536];
    std::size_t count;
    while (bytes.size() < limit &&
           (count = std::fread(chunk, 1, std::min(sizeof chunk, limit - bytes.size()), file)) > 0)
        bytes.append(chunk, count);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool FilePlatform::LoadPicture(FormId, CtlId, const std::string& path) {
    pictureLoads.push_back(path);
    return false;
}

bool FilePlatform::CurDir(std::string& path) {
    path = KitPath();
    return true;
}

bool FilePlatform::SetTimerInterval(long ms) {
    if (!TimerAccepts(ms)) return false;
    timerInterval = ms;
    return true;
}
