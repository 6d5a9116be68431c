// The portable reader against the real GetPrivateProfileStringA: generated
// setup.ini files are read by both, ours here and Windows' by ini_dump.exe
// under Wine. Needs KITCHECK_INI_DUMP (the Linux path of ini_dump.exe) and a
// Wine prefix in the environment; skipped without them.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/setup_ini.h"
#include "kitcheck/ini_reader.h"
#include "tests/kitcheck/ini_generator.h"

namespace {

constexpr std::uint32_t kSeed = 20240611;
constexpr int kFiles = 400;

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex.empty() ? "-" : hex;
}

std::string Output(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[4096];
        std::size_t count;
        while ((count = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, count);
        pclose(pipe);
    }
    return output;
}

std::string Ours(const std::string& bytes, const SetupIniRow& row) {
    char buffer[50];
    std::uint32_t count = ReadIniString(&bytes, row.section, row.key, row.def, buffer, sizeof buffer);
    const std::string whole = FullIniString(&bytes, row.section, row.key, row.def);
    return std::to_string(count) + " " + Hex(std::string(buffer, count)) + " " + std::to_string(whole.size()) +
           " " + Hex(whole);
}

TEST(Differential, PortableReaderAgreesWithWindows) {
    const char* dump = std::getenv("KITCHECK_INI_DUMP");
    if (!dump) GTEST_SKIP() << "KITCHECK_INI_DUMP is not set";

    const char* seedText = std::getenv("KITCHECK_SEED");
    const std::uint32_t seed = seedText ? static_cast<std::uint32_t>(std::strtoul(seedText, nullptr, 10)) : kSeed;

    char pattern[] = "/tmp/kitcheck-differential.XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    const std::string folder = pattern;
    std::vector<std::string> files;
    for (int i = 0; i < kFiles; ++i) {
        files.push_back(GenerateIni(seed + i));
        char name[32];
        std::snprintf(name, sizeof name, "/f%03d.ini", i);
        std::ofstream(folder + name, std::ios::binary) << files.back();
    }

    // The scripts name the Wine loader of their prefix; a plain "wine" otherwise.
    const char* loader = std::getenv("WINELOADER");
    const std::string wine = loader && *loader ? loader : "wine";
    std::string windowsFolder = Output("'" + wine + "' winepath -w '" + folder + "' 2>/dev/null");
    while (!windowsFolder.empty() && (windowsFolder.back() == '\n' || windowsFolder.back() == '\r'))
        windowsFolder.pop_back();
    ASSERT_FALSE(windowsFolder.empty()) << "winepath failed";
    std::istringstream output(Output("'" + wine + "' '" + std::string(dump) + "' '" + windowsFolder + "' 2>/dev/null"));

    std::map<std::string, std::string> theirs;  // "file row" -> "count hex count hex"
    std::string line, file;
    while (std::getline(output, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("FILE ", 0) == 0) file = line.substr(5);
        std::istringstream words(line);
        std::string tag, row;
        if (words >> tag >> row && tag == "ROW") theirs[file + " " + row] = line.substr(5 + row.size());
    }
    ASSERT_EQ(theirs.size(), kFiles * kSetupIniRows.size()) << "ini_dump.exe gave no complete answer";

    int disagreements = 0;
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%03d.ini", i);
        for (std::size_t r = 0; r < kSetupIniRows.size(); ++r) {
            const std::string ours = Ours(files[i], kSetupIniRows[r]);
            const std::string& windows = theirs[std::string(name) + " " + std::to_string(r)];
            if (ours == windows) continue;
            ++disagreements;
            ADD_FAILURE() << name << " " << kSetupIniRows[r].section << "/" << kSetupIniRows[r].key
                          << "\n  ours:    " << ours << "\n  Windows: " << windows << "\n  file: "
                          << CppLiteral(files[i]);
        }
    }
    RecordProperty("files", kFiles);
    RecordProperty("disagreements", disagreements);
    std::printf("[ differential ] seed %u: %d files, %zu rows each, %d disagreements\n", seed, kFiles,
                kSetupIniRows.size(), disagreements);
    if (disagreements == 0) std::filesystem::remove_all(folder);
}

}  // namespace
