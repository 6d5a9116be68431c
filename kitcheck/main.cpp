// kitcheck KITFOLDER: what the launcher would meet silently in a kit.
#include <cstdio>
#include <string>

#include "kitcheck/encoding.h"
#include "kitcheck/file_platform.h"
#include "kitcheck/kit_check.h"
#include "kitcheck/report.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <cstdlib>
#endif

namespace {

// Prints cp1252 text: as UTF-8 on Linux; on Windows as it stands, or through
// the wide console functions when the stream is a console, whose own code
// page is usually the OEM one.
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
    std::fwrite(text.data(), 1, text.size(), stream);
#else
    const std::string utf8 = Utf8FromCp1252(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
#endif
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
#else
    char full[PATH_MAX];
    if (!realpath(argument.c_str(), full)) return "";
    std::string folder = full;
#endif
    return FilePlatform(folder).Kind(folder) == FileKind::Folder ? folder : "";
}

int Fail(bool json, const std::string& message) {
    if (json) Print(stdout, JsonError(message));
    Print(stderr, "kitcheck: " + message + "\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool json = false;
    std::string folderArgument;
    int folders = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h" || argument == "/?") {
            Print(stdout, kHelpText);
            return 0;
        }
        if (argument == "--json") {
            json = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return Fail(json, "opção desconhecida: " + argument + " (veja --help)");
        } else {
            folderArgument = argument;
            ++folders;
        }
    }
    if (folders != 1) return Fail(json, "informe uma pasta de kit (veja --help)");

    const std::string folder = KitFolder(folderArgument);
    if (folder.empty()) return Fail(json, "a pasta " + folderArgument + " não existe ou não é uma pasta");
    FilePlatform sys(folder);
    const std::string ini = folder + (folder.back() == '\\' ? "" : "\\") + "setup.ini";
    std::string bytes;
    FileKind kind = sys.Kind(ini);
    if (kind == FileKind::Folder || (kind == FileKind::File && !sys.Read(ini, bytes)))
        return Fail(json, "não foi possível ler " + ini);

    const KitReport report = CheckKit(sys);
    Print(stdout, json ? JsonReport(report) : TextReport(report));
    return report.status();
}
