// Reads every *.ini file of a folder with the real GetPrivateProfileStringA,
// the way the launcher reads setup.ini, and prints what each of the 17 rows
// gives, for the differential test of kitcheck's portable reader:
//   FILE <name>
//   ROW <index> <count> <hex of the copied bytes or -> <count> <hex or ->
// first with the launcher's 50-character buffer, then with a large one.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/setup_ini.h"

namespace {

std::string Hex(const char* text, DWORD count) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (DWORD i = 0; i < count; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex.empty() ? "-" : hex;
}

std::string Read(const SetupIniRow& row, const std::string& file, DWORD size) {
    std::vector<char> buffer(size, ' ');
    DWORD count = GetPrivateProfileStringA(row.section, row.key, row.def, buffer.data(), size, file.c_str());
    return std::to_string(count) + " " + Hex(buffer.data(), std::min(count, size));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ini_dump FOLDER\n");
        return 2;
    }
    char full[MAX_PATH];
    if (!GetFullPathNameA(argv[1], sizeof full, full, nullptr)) return 2;
    const std::string folder = std::string(full) + "\\";

    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.ini").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 2;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        std::printf("FILE %s\n", name.c_str());
        for (std::size_t i = 0; i < kSetupIniRows.size(); ++i)
            std::printf("ROW %zu %s %s\n", i, Read(kSetupIniRows[i], folder + name, 50).c_str(),
                        Read(kSetupIniRows[i], folder + name, 4096).c_str());
    }
    return 0;
}
