// kitcheck's notes for the CD: the slideshow's tick on a slow drive, names a
// disc without Joliet renames, and autorun.inf's program; notes leave the exit
// status at 0.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kitcheck/cd_notes.h"
#include "kitcheck/cost_model.h"
#include "kitcheck/kit_check.h"
#include "tests/kitcheck/kit_folder.h"

namespace {

namespace fs = std::filesystem;

std::string Ini(const std::string& tempo, const std::string& dialer = "discador\\setup.exe /demo") {
    return "[Setup32]\r\nnroimg=2\r\ntipoimg=bmp\r\ntipoImgTela=bmp\r\ntempo=" + tempo +
           "\r\n[Arquivos]\r\nie3port=ie302\\setup.exe\r\nie4port=ie401\\ie4setup.exe\r\nie5port=ie5\\ie5setup.exe\r\n"
           "ie5port2=ie5\\ie5setup.exe /Q\r\nie3ingl=ie302en\\setup.exe\r\nie4ingl=ie401en\\ie4setup.exe\r\n"
           "ie5ingl=ie5en\\ie5setup.exe\r\nie5ingl2=ie5en\\ie5setup.exe /Q\r\nDiscador=" +
           dialer + "\r\n[OKnoCD]\r\nie3port=ok\r\nie4port=ok\r\nie3ingl=no\r\nie4ingl=no\r\n";
}

class CdNotesTest : public KitFolderTest {
protected:
    // A kit without problems: image2 is the larger background picture.
    void Kit(const std::string& ini, int image2Width = 8) const {
        Write("setup.ini", ini);
        Write("image1.bmp", Bitmap(4, 4));
        Write("image2.bmp", Bitmap(image2Width, image2Width));
        Write("imgini.bmp", Bitmap(700, 700));  // a page picture: loaded once, not by the ticks
        Write("imgie.bmp", Bitmap(4, 4));
        for (const char* name : {"ie302/setup.exe", "ie401/ie4setup.exe", "ie5/ie5setup.exe", "ie302en/setup.exe",
                                 "ie401en/ie4setup.exe", "ie5en/ie5setup.exe", "discador/setup.exe"})
            Write(name, "MZ");
    }

    KitReport Check() const {
        FilePlatform sys(dir_);
        return CheckKit(sys);
    }

};

std::vector<std::string> Notes(const KitReport& report) {
    std::vector<std::string> found;
    for (const Problem& n : report.notes) found.push_back(n.code + " " + n.key + " " + n.file);
    return found;
}

TEST(CdNotes, Level1Names) {
    for (const char* name : {"SETUP.EXE", "setup.exe", "ie401\\ie4setup.exe", "IE5/IE5SETUP.EXE", "A", "A_1.B",
                             "IMAGE1.BMP", "12345678.123", "README"})
        EXPECT_TRUE(Level1Name(name)) << name;
    for (const char* name : {"installer-fr.exe", "123456789.exe", "setup.exee", "ie 5\\setup.exe", "ie5.d\\setup.exe",
                             "discador\\instalador.exe", "a.b.c", ".exe", "imagem1.jpeg", "ção.exe", "", "ie5\\",
                             "longfolder\\a.exe"})
        EXPECT_FALSE(Level1Name(name)) << name;
}

TEST(CdNotes, TickTimes) {
    // 150 ms of access, then 600 KB/s on a 4x drive and 1200 KB/s on an 8x.
    EXPECT_NEAR(ReadSeconds(1024 * 1024), 0.150 + 1024.0 / 600, 1e-9);
    EXPECT_NEAR(ReadSeconds(1024 * 1024, 8), 0.150 + 1024.0 / 1200, 1e-9);
    EXPECT_NEAR(ReadSeconds(50 * 1024), 0.150 + 50.0 / 600, 1e-9);
}

TEST(CdNotes, AutorunOpen) {
    EXPECT_EQ(AutorunOpen("[autorun]\r\nopen=Setup32.exe\r\nicon=Setup32.exe,0\r\n"), "Setup32.exe");
    EXPECT_EQ(AutorunOpen("; disc\r\n[AutoRun]\r\n  OPEN = bin\\setup32.exe /x \r\n"), "bin\\setup32.exe");
    EXPECT_EQ(AutorunOpen("[autorun]\nopen=\"pasta x\\setup.exe\" /y\n"), "pasta x\\setup.exe");
    EXPECT_EQ(AutorunOpen("[other]\nopen=setup.exe\n[autorun]\nicon=a.ico\n"), "");
    EXPECT_EQ(AutorunOpen(""), "");
}

TEST_F(CdNotesTest, TheLargestSlideshowPictureAndItsFigures) {
    Kit(Ini("500"), 600);  // 600 x 600 x 3: 1055 KB
    KitReport report = Check();
    EXPECT_EQ(report.problems.size(), 0u);
    ASSERT_EQ(Notes(report), std::vector<std::string>{"slow-on-cd Setup32/tempo image2.bmp"});
    const std::string& message = report.notes[0].message;
    EXPECT_NE(message.find("1055 KB"), std::string::npos) << message;
    EXPECT_NE(message.find("1,9 s num CD-ROM 4x e 1,0 s num 8x, mais que"), std::string::npos) << message;
    EXPECT_NE(message.find("intervalo de 500 ms"), std::string::npos) << message;
    EXPECT_NE(message.find("JPEG"), std::string::npos) << message;
    EXPECT_EQ(report.status(), 0);
}

TEST_F(CdNotesTest, ASlowNoteWhenATickOutlastsTheIntervalOrOneSecond) {
    Kit(Ini("2500"), 300);  // 264 KB: 0.6 s, within the interval and a second
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{});
    Kit(Ini("500"), 300);
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{"slow-on-cd Setup32/tempo image2.bmp"});
    EXPECT_NE(Check().notes[0].message.find("0,6 s num CD-ROM 4x e 0,4 s num 8x, mais que"), std::string::npos);
    Kit(Ini("2500"), 600);  // 1.9 s of every 2.5 s
    KitReport report = Check();
    EXPECT_EQ(Notes(report), std::vector<std::string>{"slow-on-cd Setup32/tempo image2.bmp"});
    EXPECT_NE(report.notes[0].message.find("1,9 s num CD-ROM 4x e 1,0 s num 8x, com o intervalo de 2500 ms"),
              std::string::npos)
        << report.notes[0].message;
    Kit(Ini("0"), 600);  // the slideshow stands still
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{});
    Kit(Ini("500"), 8);  // the 1.4 MB page picture is loaded once, by no tick
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{});
}

TEST_F(CdNotesTest, ANameWithoutLevel1FormNeedsJoliet) {
    Kit(Ini("2500", "discador\\installer-fr.exe /demo"));
    Write("discador/installer-fr.exe", "MZ");
    KitReport report = Check();
    EXPECT_EQ(report.problems.size(), 0u);
    EXPECT_EQ(Notes(report),
              std::vector<std::string>{"name-needs-joliet Arquivos/Discador discador\\installer-fr.exe"});
    EXPECT_NE(report.notes[0].message.find("Joliet"), std::string::npos);

    // The long name of a folder, and of a missing program (a problem too).
    Kit(Ini("2500", "instaladores\\setup.exe"));
    Write("instaladores/setup.exe", "MZ");
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{"name-needs-joliet Arquivos/Discador instaladores\\setup.exe"});
}

TEST_F(CdNotesTest, AutorunProgramOnTheDisc) {
    Kit(Ini("2500"));
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{}) << "no autorun.inf: nothing to say";
    Write("autorun.inf", "[autorun]\r\nopen=Setup32.exe\r\nicon=Setup32.exe,0\r\n");
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{"autorun-open-missing autorun/open Setup32.exe"});
    Write("SETUP32.EXE", "MZ");  // any letter case, as on the disc
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{});
    Write("autorun.inf", "[autorun]\r\nopen=\\bin\\launch.exe\r\n");
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{"autorun-open-missing autorun/open \\bin\\launch.exe"});
    Write("bin/launch.exe", "MZ");
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{});
    Write("autorun.inf", "[autorun]\r\nopen=..\\SETUP32.EXE\r\n");
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{"autorun-open-missing autorun/open ..\\SETUP32.EXE"});
    Write("autorun.inf", "[autorun]\r\nicon=x.ico\r\n");
    EXPECT_EQ(Notes(Check()), std::vector<std::string>{"autorun-open-missing autorun/open autorun.inf"});
}

TEST_F(CdNotesTest, NotesLeaveTheExitStatusAtZero) {
    Kit(Ini("500", "discador\\installer-fr.exe"), 600);
    Write("discador/installer-fr.exe", "MZ");
    std::string output;
    EXPECT_EQ(Run(dir_, &output), 0);
    EXPECT_NE(output.find("Notas: 2"), std::string::npos) << output;
    EXPECT_NE(output.find("[slow-on-cd] Setup32/tempo (image2.bmp)"), std::string::npos) << output;
    EXPECT_NE(output.find("Resultado: kit sem problemas, 2 nota(s)."), std::string::npos) << output;
    EXPECT_EQ(Run("--json " + dir_, &output), 0);
    EXPECT_NE(output.find("\"status\": 0"), std::string::npos) << output;
    EXPECT_NE(output.find("\"notes\": [\n    {\"code\": \"slow-on-cd\", \"key\": \"Setup32/tempo\", \"file\": "
                          "\"image2.bmp\""),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("{\"code\": \"name-needs-joliet\", \"key\": \"Arquivos/Discador\", \"file\": "
                          "\"discador\\\\installer-fr.exe\""),
              std::string::npos)
        << output;

    fs::remove(fs::path(dir_) / "image1.bmp");  // a problem beside the notes
    EXPECT_EQ(Run(dir_, &output), 1);
    EXPECT_NE(output.find("Resultado: 1 problema(s), 2 nota(s)."), std::string::npos) << output;
    EXPECT_EQ(Run("--help", &output), 0);
    EXPECT_NE(output.find("name-needs-joliet"), std::string::npos);
}

}  // namespace
