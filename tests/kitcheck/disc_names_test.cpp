// The disc's names as kitcheck reports them against those xorriso writes:
// a tree of names that clash, run long, carry accents, dots and characters
// Joliet refuses, written to an image and read back, level 1 and Joliet.
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "kitcheck/disc_view.h"
#include "kitcheck/encoding.h"
#include "tests/kitcheck/json.h"
#include "tests/kitcheck/kit_folder.h"

namespace {

namespace fs = std::filesystem;

std::u32string U(const std::string& ascii) { return std::u32string(ascii.begin(), ascii.end()); }

// The names xorriso keeps in the image: each line of -find is a quoted path.
std::set<std::string> ImageNames(const std::string& iso, const char* tree) {
    std::set<std::string> names;
    const std::string command =
        "xorriso -read_fs " + std::string(tree) + " -indev '" + iso + "' -find / 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    char line[4096];
    while (pipe && std::fgets(line, sizeof line, pipe)) {
        std::string name = line;
        if (name.size() < 4 || name[0] != '\'') continue;
        name = name.substr(1, name.rfind('\'') - 1);  // '/...'
        if (name != "/") names.insert(name);
    }
    if (pipe) pclose(pipe);
    return names;
}

TEST(DiscNames, Identifiers) {
    struct Case {
        const char* name;
        bool folder;
        const char* level1;
        const char* joliet;
    } cases[] = {
        {"setup.exe", false, "SETUP.EXE", "setup.exe"},
        {"installer-fr.exe", false, "INSTALLE.EXE", "installer-fr.exe"},
        {"abc.tar.gz", false, "ABC_TAR.GZ", "abc.tar.gz"},
        {"noext", false, "NOEXT.", "noext"},
        {".hidden", false, "_HIDDEN.", ".hidden"},
        {".ab", false, ".AB", ".ab"},
        {"dir.with.dots", true, "DIR_WITH.DOT", "dir.with.dots"},
        {"w;1", false, "W_1.", "w_1"},
        {"a*b?.txt", false, "A_B_.TXT", "a_b_.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Level1Identifier(U(c.name), c.folder), U(c.level1));
        EXPECT_EQ(JolietIdentifier(U(c.name), c.folder), U(c.joliet));
    }
    const std::u32string accented = U"Instala\u00e7\u00e3o.EXE";
    EXPECT_EQ(Level1Identifier(accented, false), U"INSTALA_.EXE");
    EXPECT_EQ(JolietIdentifier(accented, false), accented);
    // 64 characters at most, the extension's 3 kept.
    EXPECT_EQ(JolietIdentifier(U(std::string(70, 'e') + ".xxxxx"), false), U(std::string(61, 'e') + ".xxx"));
}

TEST(DiscNames, ClashesNumberedAsXorrisoDoes) {
    std::vector<std::u32string> ids = {U"INSTALLE.EXE", U"INSTALLE.EXE", U"UPPER.TXT", U"UPPER.TXT", U"A.TXT"};
    NumberClashes(ids, {false, false, false, false, false},
                  {"installer-fr.exe", "installer-en.exe", "upper.txt", "UPPER.TXT", "a.txt"}, false);
    EXPECT_EQ(ids, (std::vector<std::u32string>{U"INSTALL1.EXE", U"INSTALL0.EXE", U"UPPER1.TXT", U"UPPER0.TXT",
                                                U"A.TXT"}));
}

class DiscNamesTest : public KitFolderTest {};

TEST_F(DiscNamesTest, AgreeWithXorriso) {
    if (std::system("command -v xorriso >/dev/null 2>&1") != 0) GTEST_SKIP() << "xorriso is not installed";
    const std::string kit = dir_ + "/kit";
    const auto put = [&](const std::string& name) { Write("kit/" + name, "x"); };
    for (const char* name : {"installer-fr.exe", "installer-en.exe", "UPPER.TXT", "upper.txt", ".hidden", ".ab",
                             "abc.tar.gz", "noext", "w;1", "a.b/c", "pasta com espa\xC3\xA7o/x.y.z",
                             "Instala\xC3\xA7\xC3\xA3o.EXE", "\xC3\xA7\xC3\xA3o.txt", "dir.with.dots/f"})
        put(name);
    for (int length = 62; length <= 66; ++length) {
        put(std::string(length, 'a'));
        put(std::string(length, 'b') + ".txt");
        put(std::string(length, 'c') + "/f");
    }
    for (int i = 0; i < 12; ++i) put("longname" + std::to_string(i) + ".txt");  // more than 10 clash
    put(std::string(60, 'p') + "/" + std::string(60, 'q') + "/f.txt");          // over 240 bytes in Joliet

    std::string output;
    ASSERT_LE(Run("--json " + kit, &output), 1);
    const Json report = ParseJson(output);
    std::set<std::string> joliet, level1;
    for (const Json& entry : report["disc"]["entries"].items) {
        ASSERT_TRUE(entry["copy"].boolean) << entry["path"].bytes;
        for (auto [key, names] : {std::pair{"joliet", &joliet}, std::pair{"iso9660", &level1}}) {
            if (entry[key].type == Json::Null) continue;
            std::string name = "/" + entry[key].bytes;
            for (char& c : name)
                if (c == '\\') c = '/';
            names->insert(name);
        }
    }
    const std::string iso = dir_ + "/names.iso";
    ASSERT_EQ(std::system(("xorriso -as mkisofs -input-charset utf-8 -iso-level 1 -J -V NAMES -o '" + iso + "' '" +
                           kit + "' >/dev/null 2>&1")
                              .c_str()),
              0);
    EXPECT_EQ(level1, ImageNames(iso, "ecma119"));
    EXPECT_EQ(joliet, ImageNames(iso, "norock"));
}

}  // namespace
