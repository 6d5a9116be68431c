// The kitcheck program on a kit whose folder and names carry accents and
// blanks: one table of faults done to it (names, links, setup.ini's
// encoding, a missing setup.ini, pictures over the launcher's limits), each
// with the exit status and the line it must print, in the text report and
// in the JSON one.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kitcheck/encoding.h"
#include "tests/kitcheck/json.h"
#include "tests/kitcheck/kit_folder.h"

namespace {

namespace fs = std::filesystem;

// cp1252, as Windows writes it: the dialer in a folder of accents and a
// blank.
const char* const kIni =
    "[Setup32]\r\nnroimg=2\r\ntipoimg=bmp\r\ntipoImgTela=bmp\r\ntempo=2500\r\n"
    "[Arquivos]\r\nie3port=ie302\\setup.exe\r\nie4port=ie401\\ie4setup.exe\r\nie5port=ie5\\ie5setup.exe\r\n"
    "ie5port2=ie5\\ie5setup.exe /Q\r\nie3ingl=ie302en\\setup.exe\r\nie4ingl=ie401en\\ie4setup.exe\r\n"
    "ie5ingl=ie5en\\ie5setup.exe\r\nie5ingl2=ie5en\\ie5setup.exe /Q\r\n"
    "Discador=\"discador é\\instalação.exe\" /demo\r\n"
    "[OKnoCD]\r\nie3port=ok\r\nie4port=ok\r\nie3ingl=no\r\nie4ingl=no\r\n";

class AccentedKitTest : public KitFolderTest {
protected:
    void SetUp() override {
        KitFolderTest::SetUp();
        Put("setup.ini", kIni);
        for (const char* name : {"image1.bmp", "image2.bmp", "imgini.bmp", "imgie.bmp"}) Put(name, TinyBitmap());
        for (const char* name : {"ie302\\setup.exe", "ie401\\ie4setup.exe", "ie5\\ie5setup.exe", "ie302en\\setup.exe",
                                 "ie401en\\ie4setup.exe", "ie5en\\ie5setup.exe", "discador é\\instalação.exe"})
            Put(name, "MZ");
    }

public:  // for the faults of the table

    // The kit folder, as the file system names it.
    std::string Kit() const { return dir_ + "/" + Utf8FromCp1252("kit espaço"); }
    // A path of the kit given by its Windows name (cp1252, backslashes).
    std::string Path(std::string name) const {
        for (char& c : name)
            if (c == '\\') c = '/';
        return Kit() + "/" + Utf8FromCp1252(name);
    }
    void Put(const std::string& name, const std::string& bytes) const { PutAt(Path(name), bytes); }
    static void PutAt(const std::string& path, const std::string& bytes) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    void Remove(const std::string& name) const { fs::remove(Path(name)); }
    void Link(const std::string& target, const std::string& name) const {
        fs::create_directories(fs::path(Path(name)).parent_path());
        fs::create_symlink(target, Path(name));
    }

    int Check(const std::string& options, std::string& output) const { return Run(options + " '" + Kit() + "'", &output); }
};

struct Fault {
    const char* name;
    std::function<void(AccentedKitTest&)> make;
    int status;
    std::vector<std::string> found;  // "code file" among the problems and notes (file: cp1252, as Windows names it)
    std::string says = "";           // in the text report (cp1252)
};

// The line of the text report that holds both, or empty.
std::string LineWith(const std::string& text, const std::string& a, const std::string& b) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.find(a) != std::string::npos && line.find(b) != std::string::npos) return line;
        start = end + 1;
    }
    return "";
}

TEST_F(AccentedKitTest, EachFaultWithItsStatusAndLine) {
    const std::string cp1252Name = std::string("discador ") + "\xC3\xA9" + "/instala\xE7\xE3o.exe";
    const Fault faults[] = {
        {"the kit as it is: accents and blanks in folders and names", [](AccentedKitTest&) {}, 0, {}},
        {"the program's name written in cp1252 bytes, not UTF-8",
         [&](AccentedKitTest& t) {
             t.Remove("discador é\\instalação.exe");
             PutAt(t.Kit() + "/" + cp1252Name, "MZ");
         },
         1,
         {"program-missing discador é\\instalação.exe", "name-not-utf8 discador é\\instalação.exe"},
         "não está em UTF-8"},
        {"a character cp1252 lacks", [](AccentedKitTest& t) { PutAt(t.Kit() + "/leia-me \xE2\x9C\x93.txt", "x"); }, 1,
         {"name-not-cp1252 leia-me ?.txt"}, "U+2713"},
        {"a colon, which Joliet does not hold", [](AccentedKitTest& t) { t.Put("a:b.txt", "x"); }, 1,
         {"name-not-joliet a:b.txt"}, "no disco o nome fica a_b.txt"},
        {"a name of 70 characters", [](AccentedKitTest& t) { t.Put(std::string(66, 'n') + ".txt", "x"); }, 1,
         {"name-not-joliet " + std::string(66, 'n') + ".txt"}, "tem 70 caracteres"},
        {"a name ending in a dot", [](AccentedKitTest& t) { t.Put("leiame.", "x"); }, 1, {"name-not-joliet leiame."}},
        {"two names that differ in letter case only",
         [](AccentedKitTest& t) {
             t.Put("LEIAME.TXT", "x");
             t.Put("leiame.txt", "y");
         },
         1, {"name-case-clash leiame.txt"}},
        {"a picture linked to a file outside the kit",
         [](AccentedKitTest& t) {
             t.Remove("image2.bmp");
             t.Link("/etc/passwd", "image2.bmp");
         },
         1, {"link-outside-kit image2.bmp", "picture-missing image2.bmp"}, "/etc/passwd"},
        {"a link to itself", [](AccentedKitTest& t) { t.Link("volta", "volta"); }, 1, {"link-loop volta"}},
        {"a folder's link to the folder above", [](AccentedKitTest& t) { t.Link("..", "pasta\\acima"); }, 1,
         {"link-loop pasta\\acima"}},
        {"a link to nothing", [](AccentedKitTest& t) { t.Link("nada.bmp", "foto.bmp"); }, 1, {"link-broken foto.bmp"}},
        {"a picture linked inside the kit",
         [](AccentedKitTest& t) {
             t.Remove("image2.bmp");
             t.Put("fotos de férias\\praia.bmp", TinyBitmap());
             t.Link(Utf8FromCp1252("fotos de férias/praia.bmp"), "image2.bmp");
         },
         0, {"link-in-kit image2.bmp"}},
        {"setup.ini in UTF-8 with a byte order mark",
         [](AccentedKitTest& t) { t.Put("setup.ini", "\xEF\xBB\xBF" + Utf8FromCp1252(kIni)); }, 1,
         {"setup-ini-bom setup.ini"}, "o Windows 95/98 lê o setup.ini como ANSI"},
        {"setup.ini in UTF-16",
         [](AccentedKitTest& t) {
             std::string utf16 = "\xFF\xFE";
             for (char c : std::string(kIni)) utf16 += std::string{c, '\0'};  // its accents are Latin-1's
             t.Put("setup.ini", utf16);
         },
         1, {"setup-ini-bom setup.ini"}, "UTF-16"},
        {"no setup.ini", [](AccentedKitTest& t) { t.Remove("setup.ini"); }, 1, {"setup-ini-missing setup.ini"},
         "setup.ini não existe"},
        {"a picture of 8000 x 8000 pixels",
         [](AccentedKitTest& t) {
             std::string big = TinyBitmap();
             big[18] = static_cast<char>(8000 & 0xFF), big[19] = static_cast<char>(8000 >> 8);
             big[22] = big[18], big[23] = big[19];
             t.Put("image2.bmp", big);
         },
         1, {"picture-too-large image2.bmp"}, "não mostra imagem de mais de 4096 x 4096 pixels"},
        {"a picture of more than 64 MB",
         [](AccentedKitTest& t) {
             t.Put("image2.bmp", Bitmap(4, 4));
             ASSERT_EQ(truncate(t.Path("image2.bmp").c_str(), 65 * 1024 * 1024), 0);  // sparse
         },
         1, {"picture-too-large image2.bmp"}, "não mostra imagem de mais de 64 MB"},
        {"a fifo", [](AccentedKitTest& t) { ASSERT_EQ(mkfifo(t.Path("fila").c_str(), 0600), 0); }, 1,
         {"special-file fila"}},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        SetUp();
        fault.make(*this);
        std::string text, json;
        EXPECT_EQ(Check("", text), fault.status) << text;
        EXPECT_EQ(text.rfind("Kit: " + Kit() + "\n", 0), 0u) << "the kit's path in UTF-8, as it is named";
        EXPECT_EQ(Check("--json", json), fault.status);
        const Json report = ParseJson(json);
        ASSERT_EQ(report.type, Json::Object) << json;
        EXPECT_EQ(report["status"].number, fault.status);
        EXPECT_EQ(report["kit"].bytes, Kit());
        std::vector<std::string> found;
        for (const char* list : {"problems", "notes"})
            for (const Json& item : report[list].items) found.push_back(item["code"].text + " " + item["file"].text);
        for (const std::string& expected : fault.found) {
            EXPECT_NE(std::find(found.begin(), found.end(), expected), found.end()) << expected << " in " << json;
            const std::string code = "[" + expected.substr(0, expected.find(' ')) + "]";
            const std::string line = LineWith(text, code, Utf8FromCp1252(expected.substr(expected.find(' ') + 1)));
            EXPECT_FALSE(line.empty()) << expected << " in " << text;
        }
        if (fault.status == 0) {
            EXPECT_TRUE(report["problems"].items.empty()) << json;
        }
        if (!fault.says.empty()) {
            EXPECT_NE(text.find(Utf8FromCp1252(fault.says)), std::string::npos) << text;
        }
    }
}

// Without setup.ini there is one problem that says so, and the beeps the
// start-up sounds stay in the report.
TEST_F(AccentedKitTest, NoSetupIniIsOneProblem) {
    Remove("setup.ini");
    std::string json;
    EXPECT_EQ(Check("--json", json), 1);
    const Json report = ParseJson(json);
    ASSERT_EQ(report["problems"].items.size(), 1u) << json;
    EXPECT_EQ(report["problems"].items[0]["code"].text, "setup-ini-missing");
    EXPECT_EQ(report["beeps"].number, 13);
    EXPECT_EQ(report["setup_ini"]["path"].type, Json::Null);
    EXPECT_EQ(report["rows"].items.size(), 17u);
}

// What a link that leaves the kit names is never read as the kit's, and
// never copied: the disc's entry says so.
TEST_F(AccentedKitTest, NothingFromOutsideTheKitIsCopied) {
    Remove("image2.bmp");
    PutAt(dir_ + "/fora/segredo.bmp", TinyBitmap());
    Link(dir_ + "/fora", "pasta de fora");
    Link("../fora/segredo.bmp", "image2.bmp");
    std::string json;
    EXPECT_EQ(Check("--json", json), 1);
    const Json report = ParseJson(json);
    for (const Json& file : report["files"].items) {
        if (file["name"].text == "image2.bmp") {
            EXPECT_EQ(file["path"].type, Json::Null) << "the launcher finds nothing";
        }
    }
    int links = 0;
    for (const Json& entry : report["disc"]["entries"].items) {
        const std::string path = entry["path"].bytes;
        EXPECT_EQ(path.find("segredo"), std::string::npos) << "nothing under a link that leaves the kit: " << path;
        if (entry["link"].type == Json::Null) continue;
        ++links;
        EXPECT_EQ(entry["link"]["verdict"].text, "outside") << path;
        EXPECT_FALSE(entry["copy"].boolean) << path;
    }
    EXPECT_EQ(links, 2);
}

}  // namespace
