// kitcheck KITFOLDER: what the launcher would meet silently in a kit.
// kitcheck --picture FILE...: what the launcher makes of picture files.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "kitcheck/encoding.h"
#include "kitcheck/file_platform.h"
#include "kitcheck/kit_check.h"
#include "kitcheck/picture_check.h"
#include "kitcheck/report.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#endif

namespace {

// Prints text in the output's encoding (report.h): as it stands on Linux;
// on Windows as it stands, or through the wide console functions when the
// stream is a console, whose own code page is usually the OEM one.
void Print(std::FILE* stream, const std::string& text) {
#ifdef _WIN32
    HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode;
    if (GetConsoleMode(handle, &mode)) {
        int length = MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(length, L'\0');
        MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
        DWORD written;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
#endif
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

// The kit folder as an absolute path without final separator (a root keeps
// its own), or empty when it is no folder.
std::string KitFolder(const std::string& argument) {
#ifdef _WIN32
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(argument.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return "";
    std::string folder(full, length);
    if (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? folder : "";
#else
    char full[PATH_MAX];
    struct stat info;
    if (!realpath(argument.c_str(), full) || stat(full, &info) != 0 || !S_ISDIR(info.st_mode)) return "";
    return full;
#endif
}

// message: cp1252.
int Fail(bool json, const std::string& message) {
    if (json) Print(stdout, JsonError(message));
    Print(stderr, Shown("kitcheck: " + message + "\n"));
    return 2;
}

std::optional<std::uint64_t> FileSize(const std::string& file) {
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
#else
    struct stat info;
    if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
#endif
}

// A picture file judged alone; false when it cannot be read.
bool JudgeFile(const std::string& file, PictureFacts& facts) {
    const std::optional<std::uint64_t> size = FileSize(file);
    std::FILE* stream = size ? std::fopen(file.c_str(), "rb") : nullptr;
    if (!stream) return false;
    std::string bytes(PictureBytesToRead(*size), '\0');
    const std::size_t count = std::fread(&bytes[0], 1, bytes.size(), stream);
    const bool ok = count == bytes.size() && !std::ferror(stream);
    std::fclose(stream);
    if (ok) facts = JudgePicture(bytes, *size);
    return ok;
}

int Pictures(bool json, const std::vector<std::string>& files) {
    std::vector<PictureReport> reports;
    int status = 0;
    for (const std::string& file : files) {
        PictureReport report{file, {}};
        if (!JudgeFile(file, report.facts)) return Fail(json, "não foi possível ler " + Cp1252FromPath(file));
        if (report.facts.verdict != PictureVerdict::Shown) status = 1;
        reports.push_back(report);
    }
    Print(stdout, json ? JsonPictures(reports, status) : TextPictures(reports));
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    bool json = false, pictures = false;
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h" || argument == "/?") {
            Print(stdout, Shown(kHelpText));
            return 0;
        }
        if (argument == "--json") {
            json = true;
        } else if (argument == "--picture") {
            pictures = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return Fail(json, "opção desconhecida: " + Cp1252FromPath(argument) + " (veja --help)");
        } else {
            operands.push_back(argument);
        }
    }
    if (pictures) {
        if (operands.empty()) return Fail(json, "informe um ou mais arquivos de imagem (veja --help)");
        return Pictures(json, operands);
    }
    if (operands.size() != 1) return Fail(json, "informe uma pasta de kit (veja --help)");

    const std::string folder = KitFolder(operands[0]);
    if (folder.empty()) return Fail(json, "a pasta " + Cp1252FromPath(operands[0]) + " não existe ou não é uma pasta");
    FilePlatform sys(folder);
    const std::string ini = sys.KitPath() + "setup.ini";
    std::string bytes;
    FileKind kind = sys.Kind(ini);
    if (kind == FileKind::Folder || (kind == FileKind::File && !sys.Read(ini, bytes)))
        return Fail(json, "não foi possível ler o setup.ini de " + Cp1252FromPath(folder));

    const KitReport report = CheckKit(sys);
    Print(stdout, json ? JsonReport(report) : TextReport(report));
    return report.status();
}
