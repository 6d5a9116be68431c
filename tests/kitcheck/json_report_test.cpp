// The keys of kitcheck's --json report that fit, disc and preview read
// (kitcheck/README.md, "JSON"), each checked against the kit it describes:
// a key that went missing or said something the kit does not hold fails.
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kitcheck/encoding.h"
#include "pictures/dib.h"
#include "tests/kitcheck/json.h"
#include "tests/kitcheck/kit_folder.h"

namespace {

namespace fs = std::filesystem;

// Every row's value, and two pages of different kinds; the dialer's folder
// and program carry accents, and ie5port2 names ie5port's program.
const char* const kIni =
    "; the kit of the JSON test\r\n[Setup32]\r\nnroimg=3\r\ntipoimg = bmp \r\ntipoImgTela=bmp\r\ntempo=800\r\n"
    "[Arquivos]\r\nie3port=ie302\\setup.exe\r\nie4port=ie401\\ie4setup.exe\r\nie5port=ie5\\ie5setup.exe\r\n"
    "ie5port2=ie5\\ie5setup.exe /Q\r\nie3ingl=ie302en\\setup.exe\r\nie4ingl=ie401en\\ie4setup.exe\r\n"
    "ie5ingl=ie5en\\ie5setup.exe\r\nie5ingl2=ie5en\\ie5setup.exe /Q\r\n"
    "Discador=\"discador é\\instalação.exe\" /demo\r\n"
    "[OKnoCD]\r\nie3port=ok\r\nie4port=no\r\nie3ingl=no\r\nie4ingl=no\r\n";

std::string Seed(const std::string& name) {
    std::ifstream file(std::string(KITCHECK_SEEDS) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    EXPECT_FALSE(bytes.str().empty()) << name;
    return bytes.str();
}

class JsonReportTest : public KitFolderTest {
protected:
    void SetUp() override {
        KitFolderTest::SetUp();
        Write("setup.ini", kIni);
        Write("image1.bmp", Bitmap(640, 480));                // 900 KB: slower than the interval
        Write("image2.bmp", Seed("bmp-rle8"));                // the extension is the kit's, the format the file's
        Write("image3.bmp", Seed("jpeg-progressive.jpg"));
        Write("imgini.bmp", Seed("gif87a.gif"));
        Write("imgie.bmp", Seed("jpeg-baseline.jpg"));
        for (const char* name : {"ie302/setup.exe", "ie401/ie4setup.exe", "ie5/ie5setup.exe", "ie302en/setup.exe",
                                 "ie401en/ie4setup.exe", "ie5en/ie5setup.exe"})
            Write(name, "MZ");
        Write(Utf8FromCp1252("discador é/instalação.exe"), "MZ");
    }

    // The report on the kit folder, or with --picture on the files given.
    Json Report(const std::string& pictures = "") const {
        std::string output;
        EXPECT_LE(Run("--json " + (pictures.empty() ? dir_ : "--picture " + pictures), &output), 1);
        Json report = ParseJson(output);
        EXPECT_EQ(report.type, Json::Object) << output;
        return report;
    }

    std::string Bytes(const std::string& name) const {
        std::ifstream file(dir_ + "/" + name, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
};

const Json& Find(const Json& list, const std::string& key, const std::string& value) {
    static const Json none;
    for (const Json& item : list.items)
        if (item[key].text == value) return item;
    ADD_FAILURE() << "no " << key << " " << value;
    return none;
}

std::vector<std::string> Texts(const Json& list) {
    std::vector<std::string> texts;
    for (const Json& item : list.items) texts.push_back(item.text);
    return texts;
}

TEST_F(JsonReportTest, StateAndSetupIni) {
    const Json r = Report();
    EXPECT_EQ(r["kit"].bytes, dir_);
    EXPECT_EQ(r["setup_ini"]["path"].bytes, "setup.ini");
    EXPECT_EQ(r["setup_ini"]["encoding"].text, "ansi");
    const Json& state = r["state"];
    EXPECT_EQ(state["nroImg"].number, 3);
    EXPECT_EQ(state["tipoImg"].text, "bmp");
    EXPECT_EQ(state["tipoImgTela"].text, "bmp");
    EXPECT_EQ(state["interval"].number, 800);
    EXPECT_TRUE(state["okIe3Port"].boolean);
    EXPECT_EQ(state["okIe4Port"].type, Json::Bool);
    EXPECT_FALSE(state["okIe4Port"].boolean);
    EXPECT_FALSE(state["okIe3Ingl"].boolean);
    EXPECT_FALSE(state["okIe4Ingl"].boolean);
}

// Each row's line and bytes hold its value; rewriting those bytes changes
// that row and no other.
TEST_F(JsonReportTest, WhereEachValueStands) {
    const std::string ini = Bytes("setup.ini");
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < ini.size();) {
        const std::size_t end = ini.find("\r\n", start);
        lines.push_back(ini.substr(start, end - start));
        start = end + 2;
    }
    const Json before = Report();
    ASSERT_EQ(before["rows"].items.size(), 17u);
    for (const Json& row : before["rows"].items) {
        SCOPED_TRACE(row["key"].text);
        ASSERT_EQ(row["bytes"].items.size(), 2u);
        const std::size_t begin = static_cast<std::size_t>(row["bytes"].items[0].number);
        const std::size_t end = static_cast<std::size_t>(row["bytes"].items[1].number);
        const std::string held = ini.substr(begin, end - begin);
        EXPECT_EQ(held, row["whole"].text);
        const std::size_t line = static_cast<std::size_t>(row["line"].number);
        ASSERT_GE(line, 1u);
        ASSERT_LE(line, lines.size());
        const std::size_t from = static_cast<std::size_t>(row["span"].items[0].number);
        const std::size_t to = static_cast<std::size_t>(row["span"].items[1].number);
        EXPECT_EQ(lines[line - 1].substr(from, to - from), held);
    }

    const Json& tipoimg = Find(before["rows"], "key", "Setup32/tipoimg");
    const std::size_t begin = static_cast<std::size_t>(tipoimg["bytes"].items[0].number);
    const std::size_t end = static_cast<std::size_t>(tipoimg["bytes"].items[1].number);
    Write("setup.ini", std::string(ini).replace(begin, end - begin, "jpeg"));
    const Json after = Report();
    for (std::size_t i = 0; i < 17; ++i) {
        const Json& was = before["rows"].items[i];
        const Json& now = after["rows"].items[i];
        SCOPED_TRACE(was["key"].text);
        EXPECT_EQ(now["whole"].text, was["key"].text == "Setup32/tipoimg" ? "jpeg" : was["whole"].text);
    }
    EXPECT_EQ(after["state"]["tipoImg"].text, "jpe");

    // A key the file does not hold has no place.
    Write("setup.ini", std::string(ini).replace(ini.find("ie3ingl=no"), 10, ""));
    const Json without = Report();
    const Json& missing = Find(without["rows"], "key", "OKnoCD/ie3ingl");
    EXPECT_EQ(missing["line"].type, Json::Null);
    EXPECT_EQ(missing["bytes"].type, Json::Null);
}

// Each picture: its file, what the decoders make of it, and its cost by the
// model the report gives.
TEST_F(JsonReportTest, PicturesAndTheirCosts) {
    const Json r = Report();
    const Json& model = r["model"];
    EXPECT_EQ(model["access_ms"].number, 150);
    EXPECT_EQ(model["bytes_per_second"].number, 4 * 150 * 1024);
    EXPECT_EQ(model["instructions_per_second"].number, 100e6);
    EXPECT_EQ(model["held_too_long_ms"].number, 1000);
    struct Expected {
        const char* name;
        const char* role;
        int number;
        const char* key;
        const char* kind;
        int bits;
        bool slow;
    } pictures[] = {
        {"image1.bmp", "background", 1, "Setup32/tipoimg", "bmp24", 24, true},
        {"imgini.bmp", "page", 0, "Setup32/tipoImgTela", "gif", 8, false},
        {"image2.bmp", "background", 2, "Setup32/tipoimg", "rle8", 8, false},
        {"image3.bmp", "background", 3, "Setup32/tipoimg", "jpeg-progressive", 24, false},
        {"imgie.bmp", "page", 0, "Setup32/tipoImgTela", "jpeg-baseline-2x2", 24, false},
    };
    const Json& files = r["files"];
    ASSERT_EQ(files.items.size(), 1 + std::size(pictures) + 7) << "setup.ini, the pictures, 7 programs for 9 commands";
    EXPECT_EQ(files.items[0]["role"].text, "setup.ini");
    EXPECT_EQ(files.items[0]["verdict"].text, "read");
    for (std::size_t i = 0; i < std::size(pictures); ++i) {
        const Expected& e = pictures[i];
        const Json& f = files.items[1 + i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(f["name"].text, e.name) << "in the order the launcher asks";
        EXPECT_EQ(f["role"].text, e.role);
        if (e.number) {
            EXPECT_EQ(f["number"].number, e.number);
        }
        EXPECT_EQ(Texts(f["keys"]), std::vector<std::string>{e.key});
        EXPECT_EQ(f["path"].bytes, e.name);
        EXPECT_EQ(f["verdict"].text, "shown");
        const Json& p = f["picture"];
        const std::string bytes = Bytes(e.name);
        Dib dib;
        ASSERT_TRUE(DecodePicture(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), 0, dib));
        EXPECT_EQ(p["kind"].text, e.kind);
        EXPECT_EQ(p["width"].number, dib.width);
        EXPECT_EQ(p["height"].number, dib.height);
        EXPECT_EQ(p["bits"].number, e.bits);
        EXPECT_EQ(p["bytes"].number, static_cast<double>(bytes.size()));
        const Json& cost = p["cost"];
        const double perPixel = model["decode_instructions_per_pixel"][e.kind].number;
        EXPECT_GT(perPixel, 0);
        EXPECT_NEAR(cost["read_ms"].number, 150 + static_cast<double>(bytes.size()) * 1000 / (4 * 150 * 1024), 0.001);
        EXPECT_NEAR(cost["decode_ms"].number, dib.width * dib.height * perPixel / 100e6 * 1000, 0.001);
        EXPECT_NEAR(cost["hold_ms"].number, cost["read_ms"].number + cost["decode_ms"].number, 0.002);
        EXPECT_EQ(f["limit_ms"].number, std::string(e.role) == "background" ? 800 : 1000) << "the interval, or 1 s";
        EXPECT_EQ(f["slow"].boolean, e.slow);
        EXPECT_EQ(f["slow"].boolean, cost["hold_ms"].number > f["limit_ms"].number);
    }

    // Costed alone, the same figures.
    const Json alone = Report(dir_ + "/image3.bmp " + dir_ + "/imgini.bmp");
    EXPECT_EQ(alone["status"].number, 0);
    ASSERT_EQ(alone["pictures"].items.size(), 2u);
    for (const Json& picture : alone["pictures"].items) {
        const std::string name = fs::path(picture["file"].bytes).filename();
        SCOPED_TRACE(name);
        EXPECT_EQ(picture["verdict"].text, "shown");
        const Json& inKit = Find(files, "name", name)["picture"];
        for (const char* key : {"format", "kind"}) EXPECT_EQ(picture["picture"][key].text, inKit[key].text) << key;
        for (const char* key : {"width", "height", "bits", "bytes"})
            EXPECT_EQ(picture["picture"][key].number, inKit[key].number) << key;
        EXPECT_EQ(picture["picture"]["cost"]["hold_ms"].number, inKit["cost"]["hold_ms"].number);
    }
}

TEST_F(JsonReportTest, PicturesNotShown) {
    Write("image2.bmp", "GIF8 not a picture");
    std::remove((dir_ + "/image3.bmp").c_str());
    Write("imgie.bmp", std::string("\x89PNG\r\n\x1A\n", 8));
    const Json r = Report();
    const Json& gif8 = Find(r["files"], "name", "image2.bmp");
    EXPECT_EQ(gif8["verdict"].text, "other-format") << "GIF8 is no GIF87a or GIF89a";
    EXPECT_EQ(gif8["picture"]["cost"].type, Json::Null);
    const Json& missing = Find(r["files"], "name", "image3.bmp");
    EXPECT_EQ(missing["verdict"].text, "missing");
    EXPECT_EQ(missing["path"].type, Json::Null);
    EXPECT_EQ(missing["picture"].type, Json::Null);
    const Json& png = Find(r["files"], "name", "imgie.bmp");
    EXPECT_EQ(png["verdict"].text, "other-format");
    EXPECT_EQ(png["picture"]["format"].text, "PNG");

    const Json alone = Report(dir_ + "/image2.bmp");
    EXPECT_EQ(alone["status"].number, 1);
    EXPECT_EQ(alone["pictures"].items.at(0)["verdict"].text, "other-format");
}

TEST_F(JsonReportTest, Programs) {
    const Json r = Report();
    struct Expected {
        std::string name, path;
        std::vector<std::string> keys;
        bool started;
    } programs[] = {
        {"ie302\\setup.exe", "ie302/setup.exe", {"Arquivos/ie3port"}, true},
        {"ie401\\ie4setup.exe", "ie401/ie4setup.exe", {"Arquivos/ie4port"}, false},  // OKnoCD/ie4port=no
        {"ie5\\ie5setup.exe", "ie5/ie5setup.exe", {"Arquivos/ie5port", "Arquivos/ie5port2"}, true},
        {"ie302en\\setup.exe", "ie302en/setup.exe", {"Arquivos/ie3ingl"}, false},
        {"discador é\\instalação.exe", Utf8FromCp1252("discador é/instalação.exe"), {"Arquivos/Discador"}, true},
    };
    for (const Expected& e : programs) {
        SCOPED_TRACE(e.name);
        const Json& f = Find(r["files"], "name", e.name);
        EXPECT_EQ(f["role"].text, "program");
        EXPECT_EQ(f["path"].bytes, e.path);
        EXPECT_EQ(Texts(f["keys"]), e.keys);
        EXPECT_EQ(f["started"].boolean, e.started);
        EXPECT_EQ(f["verdict"].text, "program");
    }
    std::remove((dir_ + "/ie401en/ie4setup.exe").c_str());
    Write("ie5en/ie5setup.exe", "");
    const Json after = Report();
    EXPECT_EQ(Find(after["files"], "name", "ie401en\\ie4setup.exe")["verdict"].text, "missing");
    EXPECT_EQ(Find(after["files"], "name", "ie401en\\ie4setup.exe")["path"].type, Json::Null);
    EXPECT_EQ(Find(after["files"], "name", "ie5en\\ie5setup.exe")["verdict"].text, "empty");
}

// The disc's entries are the kit folder's files and folders, each once.
TEST_F(JsonReportTest, TheDiscsEntries) {
    Write("LEIA-ME primeiro.txt", "leia");
    std::map<std::string, std::uintmax_t> onDisk;  // path: size, or -1 for a folder
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir_))
        onDisk[fs::relative(e.path(), dir_).string()] = e.is_directory() ? static_cast<std::uintmax_t>(-1) : e.file_size();
    const Json r = Report();
    const Json& disc = r["disc"];
    EXPECT_EQ(disc["launcher"].type, Json::Null);
    EXPECT_EQ(disc["autorun"].type, Json::Null);
    std::map<std::string, std::uintmax_t> listed;
    for (const Json& entry : disc["entries"].items) {
        const std::string path = entry["path"].bytes;
        SCOPED_TRACE(path);
        listed[path] = entry["type"].text == "folder" ? static_cast<std::uintmax_t>(-1)
                                                      : static_cast<std::uintmax_t>(entry["size"].number);
        EXPECT_TRUE(entry["copy"].boolean);
        EXPECT_EQ(entry["link"].type, Json::Null);
        std::string windows = path;
        for (char& c : windows)
            if (c == '/') c = '\\';
        EXPECT_EQ(entry["joliet"].bytes, windows) << "Joliet keeps every name of this kit";
    }
    EXPECT_EQ(listed, onDisk);
    const auto iso = [&](const std::string& path) {
        for (const Json& entry : disc["entries"].items)
            if (entry["path"].bytes == path) return entry["iso9660"].text;
        return std::string("(none)");
    };
    EXPECT_EQ(iso(Utf8FromCp1252("discador é/instalação.exe")), "DISCADOR\\INSTALA_.EXE");
    EXPECT_EQ(iso("LEIA-ME primeiro.txt"), "LEIA_ME_.TXT");
    EXPECT_EQ(iso("ie401en/ie4setup.exe"), "IE401EN\\IE4SETUP.EXE");

    Write("SETUP32.EXE", "MZ");
    Write("AutoRun.inf", "[autorun]\r\nopen=SETUP32.EXE\r\n");
    const Json again = Report();
    EXPECT_EQ(again["disc"]["launcher"].bytes, "SETUP32.EXE");
    EXPECT_EQ(again["disc"]["autorun"].bytes, "AutoRun.inf");
}

}  // namespace
