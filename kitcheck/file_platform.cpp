#include "kitcheck/file_platform.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#ifdef _WIN32
#include <windows.h>
// The member defined here, not the macro <windows.h> makes of its name; the
// system function is called by its own name, GetPrivateProfileStringA.
#undef GetPrivateProfileString
#else
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include "kitcheck/ini_reader.h"
#endif

FilePlatform::FilePlatform(std::string kitFolder) : kitFolder_(std::move(kitFolder)) {}

#ifdef _WIN32

std::optional<std::string> FilePlatform::Native(const std::string& path) const { return path; }

FileKind FilePlatform::Kind(const std::string& path) const {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? FileKind::Folder : FileKind::File;
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

// Each name of the path as it stands, or else the one entry of its folder
// that matches it regardless of letter case.
std::optional<std::string> FilePlatform::Native(const std::string& path) const {
    std::string found;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        const std::string folder = found.empty() ? "/" : found;
        std::string next = found + "/" + name;
        struct stat info;
        if (stat(next.c_str(), &info) != 0) {
            DIR* dir = opendir(folder.c_str());
            if (!dir) return std::nullopt;
            next.clear();
            while (dirent* entry = readdir(dir))
                if (strcasecmp(entry->d_name, name.c_str()) == 0) {
                    next = found + "/" + entry->d_name;
                    break;
                }
            closedir(dir);
            if (next.empty()) return std::nullopt;
        }
        found = next;
    }
    return found.empty() ? "/" : found;
}

FileKind FilePlatform::Kind(const std::string& path) const {
    std::optional<std::string> native = Native(path);
    struct stat info;
    if (!native || stat(native->c_str(), &info) != 0) return FileKind::Missing;
    return S_ISDIR(info.st_mode) ? FileKind::Folder : FileKind::File;
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
    path = kitFolder_;
    return true;
}

bool FilePlatform::SetTimerInterval(long ms) {
    if (!TimerAccepts(ms)) return false;
    timerInterval = ms;
    return true;
}
