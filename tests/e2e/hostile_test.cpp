// Damaged kits and odd registry values: the launcher keeps to its rules
// (skip, beep, box), never crashes or hangs, reaches the same end as with a
// sound kit, and writes nothing, neither in the kit nor in the registry.
#include <cstdio>
#include <fstream>
#include <random>

#include "tests/e2e/harness.h"

namespace {

// What became of a user who goes straight on: Next, Next, and OK to a box.
struct Outcome {
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
    std::string box;
    std::vector<std::string> started;
    std::vector<std::string> options;  // the browser options shown
    std::vector<std::string> written;
};

Outcome StraightOn(const Kit& kit) {
    Outcome outcome;
    SetWindowsVersion(nullptr);
    Snapshot before(kit.dir());
    {
        Launcher launcher(kit);
        if (!launcher.started()) return outcome;
        if (!WaitFor([&] { return launcher.Visible(launcher.Page("frmini")); })) {
            ADD_FAILURE() << "no start page";
            return outcome;
        }
        launcher.Click(launcher.Control("frmini", CtlId::cmdNext));
        if (!WaitFor([&] { return launcher.Visible(launcher.Page("frmIE")); })) {
            ADD_FAILURE() << "no browser page";
            return outcome;
        }
        for (CtlId option : {CtlId::OpIE3, CtlId::OpIE4, CtlId::OpIE5})
            if (launcher.Visible(launcher.Control("frmIE", option)))
                outcome.options.push_back(WindowText(launcher.Control("frmIE", option)));
        launcher.Click(launcher.Control("frmIE", CtlId::cmdNext));
        WaitFor([&] { return launcher.Box() || launcher.Ended(0); });
        if (launcher.Box()) {
            outcome.box = WindowText(launcher.Box()) + "|" + launcher.BoxText();
            launcher.Answer(IDOK);
        }
        outcome.ended = launcher.Ended();
        outcome.exitCode = launcher.ExitCode();
    }
    WaitFor([&] { return !kit.Started().empty(); }, outcome.box.empty() ? 5000 : 0);
    outcome.started = kit.Started();
    // What the stand-in installer logs is the only file written, and Wine
    // keeps a volatile copy of some system parameters when its first program
    // of a session starts.
    for (const std::string& change : before.Differences(Snapshot(kit.dir())))
        if (change.find("\\started.log") == std::string::npos &&
            change.find("Software\\Wine\\Temporary System Parameters") == std::string::npos)
            outcome.written.push_back(change);
    std::printf("    -> %s%s%s\n", outcome.box.empty() ? "" : "box ", outcome.box.c_str(),
                outcome.started.empty() ? "" : ("started " + outcome.started[0]).c_str());
    return outcome;
}

void ExpectSoundEnd(const Outcome& o) {
    EXPECT_TRUE(o.ended);
    EXPECT_EQ(o.exitCode, 0u) << "the launcher did not end by itself";
    EXPECT_EQ(o.written, std::vector<std::string>{});
}

const std::string kSoundIni = "[Arquivos]\r\nie5port=ie5port.exe\r\n";

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

TEST(Hostile, SetupIni) {
    std::mt19937 random(1999);
    std::string garbage(4096, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    std::string padded = "[Setup32]\r\n";
    while (padded.size() < 10 * 1024 * 1024) padded += "chave=valor de enchimento\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : kSoundIni) utf16 += std::string(1, c) + '\0';
    struct Case {
        const char* name;
        std::string content;
        const char* expected;  // the box, or the start
    } cases[] = {
        {"sound", kSoundIni, "ie5port.exe|3"},
        {"binary garbage", garbage, nullptr},
        {"10 MB", padded + kSoundIni, "ie5port.exe|3"},
        {"one line of 100000 characters", "[Arquivos]\r\nie5port=" + std::string(100000, 'x') + "\r\n",
         "Erro! |O arquivo xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx está faltando."},
        {"NUL bytes", std::string("[Arquivos]\r\nie5port=ie5\0port.exe\r\nDiscador=a\0b\r\n", 44), nullptr},
        {"UTF-8 BOM", "\xEF\xBB\xBF" + kSoundIni, nullptr},
        {"UTF-16", utf16, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::printf("  setup.ini: %s\n", c.name);
        Kit kit;
        WriteFile(kit.Path("setup.ini"), c.content);
        kit.Installer("ie5port.exe");
        Outcome o = StraightOn(kit);
        ExpectSoundEnd(o);
        if (!c.expected) continue;  // whatever the reader made of it
        const std::string expected = c.expected;
        if (expected.rfind("Erro! ", 0) == 0) {
            EXPECT_EQ(o.box, expected);
        } else {
            EXPECT_EQ(o.started, std::vector<std::string>{expected});
        }
    }
}

// A bitmap header that declares a size and carries almost nothing.
std::string DeclaredBitmap(int width, int height) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + 64;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    return std::string(reinterpret_cast<char*>(&file), sizeof file) +
           std::string(reinterpret_cast<char*>(&info), sizeof info) + std::string(64, '\x55');
}

TEST(Hostile, Pictures) {
    struct Case {
        const char* name;
        std::function<void(const Kit&)> make;
        bool shown;  // image1 is shown as the background
    } cases[] = {
        {"zero bytes", [](const Kit& k) { WriteFile(k.Path("image1.bmp"), ""); }, false},
        {"truncated",
         [](const Kit& k) {
             k.Bitmap("image1.bmp", RGB(255, 0, 0));
             std::ifstream in(k.Path("image1.bmp"), std::ios::binary);
             std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
             in.close();
             WriteFile(k.Path("image1.bmp"), content.substr(0, content.size() / 2));
         },
         false},
        {"declared 30000 x 30000", [](const Kit& k) { WriteFile(k.Path("image1.bmp"), DeclaredBitmap(30000, 30000)); },
         false},
        {"a JPEG named .bmp", [](const Kit& k) { k.Fixture("red.jpg", "image1.bmp"); }, true},
        {"a folder named image1.bmp", [](const Kit& k) { CreateDirectoryA(k.Path("image1.bmp").c_str(), nullptr); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::printf("  pictures: %s\n", c.name);
        Kit kit;
        kit.Ini(kSoundIni);
        kit.Installer("ie5port.exe");
        c.make(kit);
        // The page pictures are damaged the same way.
        for (const char* page : {"imgini.bmp", "imgie.bmp"}) CopyFileA(kit.Path("image1.bmp").c_str(), kit.Path(page).c_str(), FALSE);
        {
            Launcher launcher(kit);
            ASSERT_TRUE(launcher.started());
            COLORREF workspace = GetSysColor(COLOR_APPWORKSPACE);
            if (c.shown)
                EXPECT_SOON(GetRValue(launcher.ClientPixel()) > 200 && GetGValue(launcher.ClientPixel()) < 60);
            else
                EXPECT_FALSE(WaitFor([&] { return launcher.ClientPixel() != workspace; }, 1500));
        }
        Outcome o = StraightOn(kit);
        ExpectSoundEnd(o);
        EXPECT_EQ(o.started, std::vector<std::string>{"ie5port.exe|3"});
    }
}

TEST(Hostile, InstallerCommands) {
    const std::string name49 = std::string(45, 'i') + ".exe";
    const std::string name60 = std::string(56, 'j') + ".exe";
    struct Case {
        const char* name;
        std::string command;
        std::function<void(const Kit&)> make;
        std::string box;      // empty: started
    } cases[] = {
        {"a folder", "instaladores", [](const Kit& k) { CreateDirectoryA(k.Path("instaladores").c_str(), nullptr); },
         "Erro! |O arquivo instaladores está faltando."},
        {"a text file", "leiame.txt", [](const Kit& k) { WriteFile(k.Path("leiame.txt"), "Leia-me\r\n"); },
         "Erro! |O arquivo leiame.txt está faltando."},
        // Wine quotes a program name with blanks in the command line it
        // passes on; Windows passes the command as it stands.
        {"a path with blanks", "Meus Programas\\ie5 setup.exe",
         [](const Kit& k) {
             CreateDirectoryA(k.Path("Meus Programas").c_str(), nullptr);
             k.Installer("Meus Programas\\ie5 setup.exe");
         },
         ""},
        {"a 49-character name", name49, [&](const Kit& k) { k.Installer(name49); }, ""},
        {"a name cut at 49 characters", name60, [&](const Kit& k) { k.Installer(name60); },
         "Erro! |O arquivo " + name60.substr(0, 49) + " está faltando."},
        {"empty", "", [](const Kit&) {}, "Erro! |O arquivo  está faltando."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::printf("  ie5port: %s\n", c.name);
        Kit kit;
        kit.Ini("[Arquivos]\r\nie5port=" + c.command + "\r\n");
        c.make(kit);
        Outcome o = StraightOn(kit);
        ExpectSoundEnd(o);
        EXPECT_EQ(o.box, c.box);
        if (c.box.empty()) {
            const std::string line = c.command.find(' ') == std::string::npos ? c.command : '"' + c.command + '"';
            EXPECT_EQ(o.started, std::vector<std::string>{line + "|3"});
        }
    }
}

TEST(Hostile, RegistryValues) {
    const std::string ie3 = "Instalar Internet Explorer 3.02", ie4 = "Instalar Internet Explorer 4.01",
                      ie5 = "Instalar Internet Explorer 5";
    const std::vector<std::string> asIE3 = {ie3, ie4, ie5}, asIE4 = {ie4, ie5}, none = {};
    const std::string text = "4.72.3110.8";
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
        std::vector<std::string> options;
    } cases[] = {
        {"REG_NONE", REG_NONE, text, asIE3},
        {"REG_SZ", REG_SZ, text + '\0', asIE4},
        {"REG_SZ without its zero", REG_SZ, text, asIE4},
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, text + '\0', asIE3},
        {"REG_BINARY", REG_BINARY, text, asIE3},
        {"REG_DWORD 4", REG_DWORD, std::string("\x04\0\0\0", 4), asIE4},
        {"REG_DWORD 842477108", REG_DWORD, "4.72", none},  // decimal text beginning with 8
        {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\x04", 4), asIE3},
        {"REG_LINK", REG_LINK, text, asIE3},
        {"REG_MULTI_SZ", REG_MULTI_SZ, text + '\0' + '\0', asIE3},
        {"REG_QWORD", 11, std::string("\x04\0\0\0\0\0\0\0", 8), asIE3},
        // Stored with their terminating zero: the text's own length is one less.
        {"1024 bytes", REG_SZ, std::string(1023, '4') + '\0', asIE4},
        {"1025 bytes", REG_SZ, std::string(1024, '4') + '\0', asIE3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::printf("  Build: %s\n", c.name);
        SetBrowserValue("Build", c.type, c.data);
        SetBrowserValue("Version", REG_SZ, std::string("4.72.3110.0") + '\0');
        Kit kit;
        kit.Ini(kSoundIni + "[OKnoCD]\r\nie3port=ok\r\nie4port=ok\r\n");
        kit.Installer("ie5port.exe");
        Outcome o = StraightOn(kit);
        ExpectSoundEnd(o);
        EXPECT_EQ(o.options, c.options);
        EXPECT_EQ(o.started, std::vector<std::string>{"ie5port.exe|3"});
    }
    SetBrowser(nullptr, nullptr);
}

}  // namespace
