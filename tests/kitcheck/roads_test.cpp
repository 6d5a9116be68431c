// Which commands a kit's launcher can start: kitcheck's roads against the
// launcher's own pages pressed on the test doubles, and a command no road
// starts, whose missing program is a note that says why.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kitcheck/kit_check.h"
#include "probe/browser_probe.h"
#include "tests/kitcheck/kit_folder.h"
#include "tests/unit/fakes.h"
#include "wizard/wizard.h"

namespace {

namespace fs = std::filesystem;

// Every command a different program, so that what is started names its key.
const std::pair<const char*, const char*> kCommands[] = {
    {"ie3port", "ie302\\setup.exe"},    {"ie4port", "ie401\\ie4setup.exe"},   {"ie5port", "ie5\\ie5setup.exe"},
    {"ie5port2", "ie5\\ie5setup2.exe"}, {"ie3ingl", "ie302en\\setup.exe"},    {"ie4ingl", "ie401en\\ie4setup.exe"},
    {"ie5ingl", "ie5en\\ie5setup.exe"}, {"ie5ingl2", "ie5en\\ie5setup2.exe"}, {"Discador", "discador\\setup.exe"}};
const char* const kFlags[] = {"ie3port", "ie4port", "ie3ingl", "ie4ingl"};

// The installed browsers the registry can tell: none, 3, 4, 5.
const std::pair<const char*, const char*> kInstalled[] = {{nullptr, nullptr}, {"3.0", "3.02"}, {"4.72", "4.72"},
                                                          {"52614", "5.00"}};

// What the launcher's pages start, pressed by a user on a machine with the
// browser given: the dialer, and on the browser page each option shown and
// no option. Each road in a run of its own: the browser page's Next ends it.
std::set<std::string> PressedRoads(const std::vector<std::string>& flags) {
    std::set<std::string> keys;
    auto setUp = [&](Fakes& f, const std::pair<const char*, const char*>& installed) {
        f.sys.iniFile = "C:\\KIT\\setup.ini";
        for (const auto& [key, command] : kCommands) {
            f.sys.SetIni("Arquivos", key, command);
            f.sys.programs.insert(command);
        }
        for (std::size_t i = 0; i < flags.size(); ++i) f.sys.SetIni("OKnoCD", kFlags[i], flags[i]);
        if (installed.first) {
            f.sys.SetRegText(kBrowserKey, "Build", installed.first);
            f.sys.SetRegText(kBrowserKey, "Version", installed.second);
        }
    };
    auto record = [&](const Fakes& f) {
        for (const auto& start : f.sys.started)
            for (const auto& [key, command] : kCommands)
                if (start.first == command) keys.insert(std::string("Arquivos/") + key);
    };
    for (const auto& installed : kInstalled) {
        for (CtlId choice : {CtlId::None, CtlId::OpIE3, CtlId::OpIE4, CtlId::OpIE5, CtlId::optDiscador}) {
            Fakes f;
            setUp(f, installed);
            Wizard w(f.sys, f.forms);
            f.forms.events = &w;
            w.frame.MDIForm_Load();
            w.frame.MDIForm_Resize();
            if (choice == CtlId::optDiscador) {
                f.forms.Select(FormId::frmini, CtlId::optDiscador);
                w.startPage.cmdNext_Click();
                record(f);
                continue;
            }
            w.startPage.cmdNext_Click();  // OptIE: on to the browser page
            if (choice != CtlId::None) {
                if (!f.forms.control(FormId::frmIE, choice).visible) continue;  // not offered: no click on it
                f.forms.Select(FormId::frmIE, choice);
            }
            w.browserPage.cmdNext_Click();
            record(f);
        }
    }
    return keys;
}

class RoadsTest : public KitFolderTest {
protected:
    void Kit(const std::vector<std::string>& flags) const {
        std::string ini = "[Setup32]\r\nnroimg=1\r\n[Arquivos]\r\n";
        for (const auto& [key, command] : kCommands) ini += std::string(key) + "=" + command + "\r\n";
        ini += "[OKnoCD]\r\n";
        for (std::size_t i = 0; i < flags.size(); ++i) ini += std::string(kFlags[i]) + "=" + flags[i] + "\r\n";
        Write("setup.ini", ini);
        for (const char* name : {"image1.bmp", "imgini.bmp", "imgie.bmp"}) Write(name, TinyBitmap());
    }
    KitReport Check() const {
        FilePlatform sys(dir_);
        return CheckKit(sys);
    }
};

std::vector<std::string> Notes(const KitReport& report, const std::string& code = "never-started") {
    std::vector<std::string> found;
    for (const Problem& n : report.notes)
        if (n.code == code) found.push_back(n.key + " " + n.file);
    return found;
}

TEST_F(RoadsTest, KitchecksRoadsAreThoseThePagesStart) {
    const std::vector<std::vector<std::string>> combinations = {
        {"ok", "ok", "ok", "ok"}, {"ok", "no", "no", "no"}, {"no", "ok", "no", "no"}, {"no", "no", "no", "no"},
        {"no", "no", "ok", "ok"}, {"ok", "ok", "no", "no"}, {}};
    for (const auto& flags : combinations) {
        std::string name;
        for (const std::string& flag : flags) name += flag + " ";
        SCOPED_TRACE(name);
        Kit(flags);
        const std::set<std::string> pressed = PressedRoads(flags);
        EXPECT_EQ(Check().started, pressed);
        // Never an English build, nor the second IE 5 commands; always IE 5 and the dialer.
        for (const char* key : {"Arquivos/ie3ingl", "Arquivos/ie4ingl", "Arquivos/ie5ingl", "Arquivos/ie5ingl2",
                                "Arquivos/ie5port2"})
            EXPECT_EQ(pressed.count(key), 0u) << key;
        EXPECT_EQ(pressed.count("Arquivos/ie5port"), 1u);
        EXPECT_EQ(pressed.count("Arquivos/Discador"), 1u);
    }
}

// The demo kit's layout without the English builds and IE 3.02, which the
// kit does not offer: no problem, and a note for each with its reason.
TEST_F(RoadsTest, CommandsNoRoadStartsAreNotesThatSayWhy) {
    Kit({"no", "ok", "no", "no"});
    for (const char* program : {"ie401/ie4setup.exe", "ie5/ie5setup.exe", "ie5/ie5setup2.exe", "discador/setup.exe"})
        Write(program, "MZ");
    KitReport report = Check();
    EXPECT_TRUE(report.problems.empty()) << report.problems.front().code << " " << report.problems.front().key;
    EXPECT_EQ(report.status(), 0);
    EXPECT_EQ(Notes(report), (std::vector<std::string>{"Arquivos/ie3port ie302\\setup.exe",
                                                       "Arquivos/ie3ingl ie302en\\setup.exe",
                                                       "Arquivos/ie4ingl ie401en\\ie4setup.exe",
                                                       "Arquivos/ie5ingl ie5en\\ie5setup.exe",
                                                       "Arquivos/ie5ingl2 ie5en\\ie5setup2.exe"}));
    EXPECT_EQ(report.notes[0].message,
              "o programa ie302\\setup.exe não está no kit. Não é um problema: Arquivos/ie3port nunca é iniciado, "
              "porque a página do navegador só o oferece com o Internet Explorer 3 instalado e OKnoCD/ie3port=ok, e "
              "aqui OKnoCD/ie3port é \"no\".");
    EXPECT_EQ(report.notes[1].message,
              "o programa ie302en\\setup.exe não está no kit. Não é um problema: Arquivos/ie3ingl nunca é iniciado, "
              "porque só o idioma Inglês (INGL) o inicia, e o Setup32 sempre instala em Português (PORT).");
    EXPECT_EQ(report.notes[4].message,
              "o programa ie5en\\ie5setup2.exe não está no kit. Não é um problema: Arquivos/ie5ingl2 nunca é "
              "iniciado, porque o Setup32 lê esta chave mas não a usa: nenhuma opção da página do navegador nem o "
              "discador a inicia.");

    std::string output;
    EXPECT_EQ(Run(dir_, &output), 0) << output;
    EXPECT_NE(output.find("Resultado: kit sem problemas, 5 nota(s)."), std::string::npos) << output;
}

TEST_F(RoadsTest, ACommandSomeRoadStartsKeepsEveryCheck) {
    Kit({"ok", "ok", "no", "no"});
    for (const char* program : {"ie5/ie5setup.exe", "ie5/ie5setup2.exe", "discador/setup.exe", "ie302en/setup.exe",
                                "ie401en/ie4setup.exe", "ie5en/ie5setup.exe", "ie5en/ie5setup2.exe"})
        Write(program, "MZ");
    KitReport report = Check();
    std::vector<std::string> problems;
    for (const Problem& p : report.problems) problems.push_back(p.code + " " + p.key);
    EXPECT_EQ(problems, (std::vector<std::string>{"program-missing Arquivos/ie3port", "program-missing Arquivos/ie4port",
                                                  "offered-installer-missing OKnoCD/ie3port",
                                                  "offered-installer-missing OKnoCD/ie4port"}));
    EXPECT_EQ(Notes(report), std::vector<std::string>{});
}

TEST_F(RoadsTest, TheFlagThatWouldOfferIt) {
    // IE 4.01 with neither flag: offered to IE 4 once OKnoCD/ie4port is ok;
    // the flag's key missing altogether.
    Kit({"no"});
    for (const char* program : {"ie302/setup.exe", "ie5/ie5setup.exe", "discador/setup.exe"}) Write(program, "MZ");
    KitReport report = Check();
    ASSERT_EQ(Notes(report).size(), 6u);
    EXPECT_EQ(report.notes[0].key, "Arquivos/ie4port");
    EXPECT_NE(report.notes[0].message.find("nunca é iniciado, porque a página do navegador só o oferece com o Internet "
                                           "Explorer 4 instalado e OKnoCD/ie4port=ok, e aqui a chave está ausente ou "
                                           "vazia."),
              std::string::npos)
        << report.notes[0].message;
    EXPECT_NE(report.notes[1].message.find("Arquivos/ie5port2 nunca é iniciado, porque o Setup32 lê esta chave mas não"),
              std::string::npos)
        << report.notes[1].message;
}

TEST_F(RoadsTest, EveryCheckOfACommandNoRoadStartsIsANote) {
    Kit({"ok", "ok"});
    for (const char* program : {"ie302/setup.exe", "ie401/ie4setup.exe", "ie5/ie5setup.exe", "discador/setup.exe"})
        Write(program, "MZ");
    Write("ie302en/setup.exe", "");         // no program
    Write("ie401en/ie4setup.exe", "MZ");   // sound
    Write("ie5en/ie5setup.exe", "MZ");
    Write("instala.bat", "@echo off");
    std::string text = "[Setup32]\r\nnroimg=1\r\n[Arquivos]\r\nie3port=ie302\\setup.exe\r\nie4port=ie401\\ie4setup.exe\r\n"
                       "ie5port=ie5\\ie5setup.exe\r\nie5port2=\"  \"\r\nie3ingl=ie302en\\setup.exe\r\n"
                       "ie4ingl=ie401en\\ie4setup.exe\r\nie5ingl=instala.bat\r\nie5ingl2=C:\\ie5\\setup.exe\r\n"
                       "Discador=discador\\setup.exe\r\n[OKnoCD]\r\nie3port=ok\r\nie4port=ok\r\nie3ingl=ok\r\nie4ingl=ok\r\n";
    Write("setup.ini", text);
    for (const char* name : {"image1.bmp", "imgini.bmp", "imgie.bmp"}) Write(name, TinyBitmap());
    KitReport report = Check();
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(Notes(report), (std::vector<std::string>{"Arquivos/ie5port2 ", "Arquivos/ie3ingl ie302en\\setup.exe",
                                                       "Arquivos/ie5ingl instala.bat",
                                                       "Arquivos/ie5ingl2 C:\\ie5\\setup.exe"}));
    EXPECT_EQ(report.notes[0].message.rfind("o comando está vazio: nada é iniciado. Não é um problema:", 0), 0u)
        << report.notes[0].message;
}

}  // namespace
