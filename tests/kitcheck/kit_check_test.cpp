// kitcheck on kits built in a temporary folder: a clean kit, each problem
// with its key or file, the browser page's offers, and the program's exit
// status and report forms.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kitcheck/file_formats.h"
#include "kitcheck/kit_check.h"
#include "tests/kitcheck/kit_folder.h"
#include "kitcheck/report.h"

namespace {

namespace fs = std::filesystem;

const char* const kCleanIni =
    "[Setup32]\r\nnroimg=2\r\ntipoimg=bmp\r\ntipoImgTela=bmp\r\ntempo=2500\r\n"
    "[Arquivos]\r\nie3port=ie302\\setup.exe\r\nie4port=ie401\\ie4setup.exe\r\nie5port=ie5\\ie5setup.exe\r\n"
    "ie5port2=ie5\\ie5setup.exe /Q\r\nie3ingl=ie302en\\setup.exe\r\nie4ingl=ie401en\\ie4setup.exe\r\n"
    "ie5ingl=ie5en\\ie5setup.exe\r\nie5ingl2=ie5en\\ie5setup.exe /Q\r\nDiscador=discador\\setup.exe /demo\r\n"
    "[OKnoCD]\r\nie3port=ok\r\nie4port=ok\r\nie3ingl=no\r\nie4ingl=no\r\n";

class KitCheckTest : public KitFolderTest {
protected:
    // The clean kit: setup.ini, both background pictures, the page pictures
    // and every installer.
    void Clean(const std::string& ini = kCleanIni) const {
        Write("setup.ini", ini);
        for (const char* name : {"image1.bmp", "image2.bmp", "imgini.bmp", "imgie.bmp"}) Write(name, TinyBitmap());
        for (const char* name : {"ie302/setup.exe", "ie401/ie4setup.exe", "ie5/ie5setup.exe", "ie302en/setup.exe",
                                 "ie401en/ie4setup.exe", "ie5en/ie5setup.exe", "discador/setup.exe"})
            Write(name, "MZ");
    }

    // The clean setup.ini with one line replaced (or removed when empty).
    static std::string IniWith(const std::string& line, const std::string& replacement) {
        std::string ini = kCleanIni;
        std::size_t at = ini.find(line + "\r\n");
        EXPECT_NE(at, std::string::npos) << line;
        return at == std::string::npos ? ini
                                       : ini.replace(at, line.size() + 2,
                                                     replacement.empty() ? "" : replacement + "\r\n");
    }

    KitReport Check() const {
        FilePlatform sys(dir_);
        return CheckKit(sys);
    }

};

std::vector<std::string> Found(const KitReport& report) {
    std::vector<std::string> found;
    for (const Problem& p : report.problems) found.push_back(p.code + " " + p.key + " " + p.file);
    return found;
}

TEST_F(KitCheckTest, ACleanKitHasNoProblem) {
    Clean();
    KitReport report = Check();
    EXPECT_EQ(Found(report), std::vector<std::string>{});
    EXPECT_EQ(report.status(), 0);
    EXPECT_EQ(report.beeps, 0);
    EXPECT_EQ(report.lang, "PORT");
    EXPECT_EQ(report.dialer, "discador\\setup.exe /demo");
    ASSERT_EQ(report.rows.size(), 17u);
    EXPECT_EQ(report.rows[3].key, "Setup32/tempo");
    EXPECT_EQ(report.rows[3].value, "2500");
}

TEST_F(KitCheckTest, EachProblemWithItsKeyOrFile) {
    const std::string long60 = "discador\\setup.exe /demo /a-very-long-option-cut-here";
    struct Case {
        const char* name;
        std::string line, replacement;  // in the clean setup.ini
        std::vector<std::string> expected;
    } cases[] = {
        {"missing key", "ie3ingl=ie302en\\setup.exe", "", {"beep Arquivos/ie3ingl "}},
        {"empty key", "tempo=2500", "tempo=", {"beep Setup32/tempo "}},
        {"value cut at 49", "Discador=discador\\setup.exe /demo", "Discador=" + long60,
         {"cut Arquivos/Discador "}},
        {"not a number", "nroimg=2", "nroimg=abc", {"not-a-number Setup32/nroimg ", "nroimg-below-1 Setup32/nroimg "}},
        {"nroimg below 1", "nroimg=2", "nroimg=0", {"nroimg-below-1 Setup32/nroimg "}},
        {"tempo 0", "tempo=2500", "tempo=0", {"tempo-zero Setup32/tempo "}},
        {"tempo the timer rejects", "tempo=2500", "tempo=99999", {"tempo-rejected Setup32/tempo "}},
        {"tempo not a number", "tempo=2500", "tempo=1s", {"not-a-number Setup32/tempo "}},
        {"a third picture that is missing", "nroimg=2", "nroimg=3", {"picture-missing  image3.bmp"}},
        {"a picture type of 4 letters", "tipoimg=bmp", "tipoimg=jpeg",
         {"picture-missing Setup32/tipoimg image1.jpe", "picture-missing Setup32/tipoimg image2.jpe"}},
        {"program missing", "Discador=discador\\setup.exe /demo", "Discador=discador\\nao_existe.exe",
         {"program-missing Arquivos/Discador discador\\nao_existe.exe"}},
        {"program outside the kit", "Discador=discador\\setup.exe /demo", "Discador=C:\\setup.exe",
         {"program-missing Arquivos/Discador C:\\setup.exe"}},
        {"command of blanks", "Discador=discador\\setup.exe /demo", "Discador=\"  \"", {"command-empty Arquivos/Discador "}},
        {"offered 3.02 without its installer", "ie3port=ie302\\setup.exe", "ie3port=ie3\\setup.exe",
         {"program-missing Arquivos/ie3port ie3\\setup.exe", "offered-installer-missing OKnoCD/ie3port ie3\\setup.exe"}},
        {"offered 4.01 without its command", "ie4port=ie401\\ie4setup.exe", "",
         {"beep Arquivos/ie4port ", "offered-installer-missing OKnoCD/ie4port "}},
        {"no default road", "ie5port=ie5\\ie5setup.exe", "",
         {"beep Arquivos/ie5port ", "default-road-missing Arquivos/ie5port "}},
        {"default road to a missing program", "ie5port=ie5\\ie5setup.exe", "ie5port=ie5\\ie5.exe",
         {"program-missing Arquivos/ie5port ie5\\ie5.exe", "default-road-missing Arquivos/ie5port ie5\\ie5.exe"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        Clean(IniWith(c.line, c.replacement));
        KitReport report = Check();
        EXPECT_EQ(Found(report), c.expected);
        EXPECT_EQ(report.status(), 1);
    }
}

TEST_F(KitCheckTest, PicturesMissingBrokenOrFolders) {
    Clean();
    fs::remove(fs::path(dir_) / "image2.bmp");
    Write("imgini.bmp", "BM not a picture");
    fs::remove(fs::path(dir_) / "imgie.bmp");
    fs::create_directories(fs::path(dir_) / "imgie.bmp");
    // In the order the launcher asks for them: the first background, the
    // start page's picture, the slideshow, the browser page's picture.
    EXPECT_EQ(Found(Check()), (std::vector<std::string>{"picture-broken  imgini.bmp", "picture-missing  image2.bmp",
                                                        "picture-missing  imgie.bmp"}));
}

// Judged by the launcher's decoders: a run-length bitmap whose pixels stop
// before their end is broken though its header is sound; a 124-byte header,
// which Windows 95 itself does not read, is shown.
TEST_F(KitCheckTest, PicturesJudgedByTheDecoders) {
    Clean();
    std::string runs = TinyBitmap();
    runs.resize(54 + 4);
    runs[10] = 54 + 4, runs[28] = 8, runs[30] = 1, runs[46] = 1;  // 8 bits, run-length, one colour
    runs += std::string("\x01\x00", 2);                            // one pixel, then nothing
    Write("imgini.bmp", runs);
    std::string v5 = TinyBitmap();
    v5[14] = 124, v5[10] = static_cast<char>(14 + 124);
    v5.insert(54, std::string(124 - 40, '\0'));
    Write("imgie.bmp", v5);
    EXPECT_EQ(Found(Check()), (std::vector<std::string>{"picture-broken  imgini.bmp"}));
}

TEST_F(KitCheckTest, FileNamesMatchRegardlessOfCase) {
    Clean("[Setup32]\r\nnroimg=1\r\ntipoimg=BMP\r\n[Arquivos]\r\nie5port=IE5\\IE5SETUP.EXE\r\n"
          "Discador=Discador\\Setup /demo\r\n");
    const std::vector<std::string> found = Found(Check());
    for (const std::string& problem : found) EXPECT_EQ(problem.rfind("beep ", 0), 0u) << problem;
}

TEST_F(KitCheckTest, ProgramOfACommandLine) {
    using V = std::vector<std::string>;
    EXPECT_EQ(ProgramCandidates("ie5\\ie5setup.exe /Q"), (V{"ie5\\ie5setup.exe", "ie5\\ie5setup.exe /Q.exe"}));
    EXPECT_EQ(ProgramCandidates("ie5\\ie5setup"), (V{"ie5\\ie5setup.exe"}));
    EXPECT_EQ(ProgramCandidates("\"pasta x\\setup.exe\" /Q"), (V{"pasta x\\setup.exe"}));
    EXPECT_EQ(ProgramCandidates("\"pasta x\\setup"), (V{"pasta x\\setup.exe"}));
    EXPECT_EQ(ProgramCandidates("pasta x\\setup"), (V{"pasta.exe", "pasta x\\setup.exe"}));
    EXPECT_EQ(ProgramCandidates("v1.0\\setup"), (V{"v1.0\\setup.exe"}));
    EXPECT_EQ(ProgramCandidates("  "), V{});
    EXPECT_EQ(ProgramCandidates("\"\" x"), V{});
}

TEST_F(KitCheckTest, AProgramInAFolderWithABlank) {
    Clean(IniWith("Discador=discador\\setup.exe /demo", "Discador=pasta x\\setup /Q"));
    EXPECT_EQ(Found(Check()), (std::vector<std::string>{"program-missing Arquivos/Discador pasta.exe"}));
    Write("pasta x/setup.exe", "MZ");
    EXPECT_EQ(Found(Check()), std::vector<std::string>{});
}

TEST_F(KitCheckTest, AnInstallerThatIsNoProgram) {
    Clean(IniWith("Discador=discador\\setup.exe /demo", "Discador=leiame.txt"));
    Write("leiame.txt", "Leia-me");
    KitReport report = Check();
    EXPECT_EQ(Found(report), (std::vector<std::string>{"program-missing Arquivos/Discador leiame.txt"}));
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].message,
              "o arquivo leiame.txt não começa com \"MZ\" e não é um programa: para o Windows iniciar um arquivo, ele "
              "deve começar com as letras \"MZ\" (como todo .exe), ser um .com ou, só no Windows NT, um .bat ou .cmd. "
              "O Setup32 diz que está faltando.");
    // An empty stand-in installer is no program; the two letters MZ make one.
    Clean();
    Write("discador/setup.exe", "");
    report = Check();
    ASSERT_EQ(Found(report), (std::vector<std::string>{"program-missing Arquivos/Discador discador\\setup.exe"}));
    EXPECT_EQ(report.problems[0].message.rfind("o arquivo discador\\setup.exe está vazio e não é um programa: para o "
                                               "Windows iniciar um arquivo, ele deve começar com as letras \"MZ\"", 0),
              0u)
        << report.problems[0].message;
    Write("discador/setup.exe", "MZ");
    EXPECT_EQ(Found(Check()), std::vector<std::string>{});
}

TEST_F(KitCheckTest, CommandFilesStartOnWindowsNtOnly) {
    for (const char* name : {"instala.bat", "INSTALA.CMD"}) {
        SCOPED_TRACE(name);
        Clean(IniWith("Discador=discador\\setup.exe /demo", std::string("Discador=") + name + " /Q"));
        Write(name, "@echo off");
        EXPECT_EQ(Found(Check()), (std::vector<std::string>{std::string("command-file-nt-only Arquivos/Discador ") + name}));
    }
    Clean(IniWith("Discador=discador\\setup.exe /demo", "Discador=instala.com"));
    Write("instala.com", "\xb4\x4c\xcd\x21");
    EXPECT_EQ(Found(Check()), std::vector<std::string>{});
}

struct MatrixCase {
    const char* okIe3;
    const char* okIe4;
    std::vector<std::vector<std::int16_t>> options;  // for browsers 3, 4, 5 and unknown
};

TEST_F(KitCheckTest, OfferMatrix) {
    const MatrixCase cases[] = {
        {"ok", "ok", {{3, 4, 5}, {4, 5}, {}, {3, 4, 5}}},
        {"ok", "no", {{3, 5}, {}, {}, {3, 5}}},
        {"no", "OKAY", {{}, {4, 5}, {}, {}}},
        {"no", "no", {{}, {}, {}, {}}},
    };
    for (const MatrixCase& c : cases) {
        SCOPED_TRACE(std::string(c.okIe3) + " " + c.okIe4);
        Clean(IniWith("ie4port=ok", std::string("ie4port=") + c.okIe4 + "\r\nie3port=" + c.okIe3)
                  .replace(std::string(kCleanIni).find("ie3port=ok"), 12, ""));
        KitReport report = Check();
        ASSERT_EQ(report.matrix.size(), 4u);
        const char* names[] = {"3", "4", "5", "unknown"};
        for (int i = 0; i < 4; ++i) {
            const OfferRow& row = report.matrix[i];
            EXPECT_EQ(row.browser, names[i]);
            EXPECT_EQ(row.options, c.options[i]) << row.browser;
            EXPECT_EQ(row.plan, row.options.empty() ? "Será instalado o Internet Explorer 5 em Português"
                                                    : "Escolha uma das opções de instalação abaixo.");
            EXPECT_EQ(row.byDefault.command, "ie5\\ie5setup.exe");
            EXPECT_EQ(row.byDefault.key, "Arquivos/ie5port");
            for (const Start& choice : row.choices)
                EXPECT_EQ(choice.command, choice.version == 3   ? "ie302\\setup.exe"
                                          : choice.version == 4 ? "ie401\\ie4setup.exe"
                                                                : "ie5\\ie5setup.exe");
        }
        EXPECT_EQ(report.matrix[3].ieVer, 3);  // no browser found is treated as 3
    }
}

TEST_F(KitCheckTest, ExitStatusAndReportForms) {
    Clean();
    std::string output;
    EXPECT_EQ(Run(dir_, &output), 0);
    EXPECT_NE(output.find("Resultado: kit sem problemas."), std::string::npos) << output;
    EXPECT_NE(output.find("P\xc3\xa1gina do navegador"), std::string::npos) << "printed as UTF-8";

    Write("setup.ini", IniWith("tempo=2500", "tempo=0"));
    EXPECT_EQ(Run("--json " + dir_, &output), 1);
    EXPECT_NE(output.find("\"status\": 1"), std::string::npos) << output;
    EXPECT_NE(output.find("{\"code\": \"tempo-zero\", \"key\": \"Setup32/tempo\", \"file\": \"\""), std::string::npos)
        << output;
    EXPECT_NE(output.find("\"plan\": \"Escolha uma das op\\u00e7\\u00f5es de instala\\u00e7\\u00e3o abaixo.\""),
              std::string::npos)
        << output;
    for (char c : output) EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << "JSON in plain ASCII";

    EXPECT_EQ(Run(dir_ + "/nao_existe"), 2);
    EXPECT_EQ(Run("--json " + dir_ + "/nao_existe", &output), 2);
    EXPECT_NE(output.find("\"status\": 2"), std::string::npos);
    EXPECT_EQ(Run(""), 2);
    EXPECT_EQ(Run("--bogus " + dir_), 2);
    EXPECT_EQ(Run("--help", &output), 0);
    EXPECT_NE(output.find("default-road-missing"), std::string::npos);
    EXPECT_NE(output.find("never-started"), std::string::npos);
    EXPECT_NE(output.find("comment-in-value"), std::string::npos);

    fs::remove(fs::path(dir_) / "setup.ini");
    fs::create_directories(fs::path(dir_) / "setup.ini");
    EXPECT_EQ(Run(dir_), 2) << "a setup.ini that cannot be read";
}

// Each message names its cause: the key and the rule of a derived name, what
// the launcher uses instead of a number it ignores, the format a picture has.
TEST_F(KitCheckTest, MessagesNameTheirCause) {
    struct Case {
        const char* name;
        std::string line, replacement;
        std::string found;    // the first problem: code, key, file
        std::string message;  // its message
    } cases[] = {
        {"a page picture's extension of 6 letters", "tipoImgTela=bmp", "tipoImgTela=bitmap",
         "picture-missing Setup32/tipoImgTela imgini.bit",
         "a imagem imgini.bit não está no kit: a extensão vem de Setup32/tipoImgTela=\"bitmap\", de que o Setup32 só "
         "usa os 3 primeiros caracteres, \"bit\"."},
        {"a background's extension of 4 letters", "tipoimg=bmp", "tipoimg=jpeg",
         "picture-missing Setup32/tipoimg image1.jpe",
         "a imagem image1.jpe não está no kit: a extensão vem de Setup32/tipoimg=\"jpeg\", de que o Setup32 só usa os "
         "3 primeiros caracteres, \"jpe\"."},
        {"tempo with a unit", "tempo=2500", "tempo=3s", "not-a-number Setup32/tempo ",
         "\"3s\" não é um número: o valor é ignorado, e as imagens trocam a cada 500 ms, o intervalo do temporizador "
         "no desenho da janela."},
        {"tempo longer than 5 characters", "tempo=2500", "tempo=2500ms", "not-a-number Setup32/tempo ",
         "o Setup32 lê só os 5 primeiros caracteres de \"2500ms\", \"2500m\", e eles não são um número: o valor é "
         "ignorado, e as imagens trocam a cada 500 ms, o intervalo do temporizador no desenho da janela."},
        {"tempo the timer refuses", "tempo=2500", "tempo=99999", "tempo-rejected Setup32/tempo ",
         "o intervalo \"99999\" não é aceito pelo temporizador (0 a 65535 ms): as imagens trocam a cada 500 ms, o "
         "intervalo do desenho da janela."},
        {"nroimg in words", "nroimg=2", "nroimg=dois", "not-a-number Setup32/nroimg ",
         "o Setup32 lê só os 3 primeiros caracteres de \"dois\", \"doi\", e eles não são um número: o valor é "
         "ignorado, e o número de imagens fica 0."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        Clean(IniWith(c.line, c.replacement));
        KitReport report = Check();
        ASSERT_FALSE(report.problems.empty());
        const Problem& p = report.problems.front();
        EXPECT_EQ(p.code + " " + p.key + " " + p.file, c.found);
        EXPECT_EQ(p.message, c.message);
    }
}

TEST_F(KitCheckTest, APictureOfAnotherFormatSaysWhichItIs) {
    Clean(IniWith("tipoImgTela=bmp", "tipoImgTela=jpg"));
    Write("imgini.jpg", std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16));
    Write("imgie.jpg", "");
    KitReport report = Check();
    ASSERT_EQ(Found(report), (std::vector<std::string>{"picture-broken  imgini.jpg", "picture-broken  imgie.jpg"}));
    EXPECT_EQ(report.problems[0].message,
              "imgini.jpg é uma imagem PNG (pelos primeiros bytes do arquivo), e o Setup32 só mostra BMP, JPEG ou GIF: "
              "converta-a.");
    EXPECT_EQ(report.problems[1].message, "imgie.jpg está vazio: não é uma imagem BMP, JPEG ou GIF que o Setup32 mostre.");

    Write("imgini.jpg", "\xFF\xD8\xFF\xE0 cut short");
    Write("imgie.jpg", "Leia-me: imagem");
    report = Check();
    ASSERT_EQ(report.problems.size(), 2u);
    EXPECT_EQ(report.problems[0].message,
              "imgini.jpg começa como uma imagem JPEG, mas o Setup32 não a mostra: está cortada, é incoerente ou é de um "
              "tipo de JPEG que ele não lê.");
    EXPECT_EQ(report.problems[1].message,
              "imgie.jpg não é uma imagem BMP, JPEG ou GIF que o Setup32 mostre: o começo do arquivo não é o de nenhum "
              "formato de imagem conhecido.");
}

TEST(FileFormats, PictureFormatByItsFirstBytes) {
    std::string pcx(128, '\0');
    pcx[0] = 0x0A, pcx[1] = 5, pcx[2] = 1;
    const std::pair<std::string, std::string> cases[] = {
        {"BM\x36", "BMP"},
        {"\xFF\xD8\xFF\xDB", "JPEG"},
        {"GIF89a\x01", "GIF"},
        {"GIF87a", "GIF"},
        {std::string("\x89PNG\r\n\x1A\n", 8), "PNG"},
        {std::string("II*\0\x08\0\0\0", 8), "TIFF"},
        {std::string("MM\0*\0\0\0\x08", 8), "TIFF"},
        {std::string("\0\0\1\0\1\0", 6), "ICO (ícone do Windows)"},
        {std::string("\0\0\2\0\1\0", 6), "CUR (cursor do Windows)"},
        {pcx, "PCX"},
        {std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), "WebP"},
        {"8BPS", "PSD (Photoshop)"},
        {"%PDF-1.4", "PDF"},
        {"", ""},
        {"GIF", ""},
        {"MZ\x90\0", ""},
        {pcx.substr(0, 100), ""},
    };
    for (const auto& [bytes, format] : cases) EXPECT_EQ(PictureFormatOf(bytes), format) << format;
}

// Windows has no comment after a value: " ;" and what follows stay in it.
TEST_F(KitCheckTest, ACommentAfterAValueIsANote) {
    Clean(IniWith("Discador=discador\\setup.exe /demo", "Discador=discador\\setup.exe ; o discador"));
    KitReport report = Check();
    EXPECT_EQ(Found(report), std::vector<std::string>{});
    ASSERT_FALSE(report.notes.empty());
    EXPECT_EQ(report.notes[0].code + " " + report.notes[0].key, "comment-in-value Arquivos/Discador");
    EXPECT_EQ(report.notes[0].message,
              "o valor \"discador\\setup.exe ; o discador\" tem um \";\" depois de um espaço, mas o setup.ini não tem "
              "comentário no fim da linha: o Windows guarda \"; o discador\" como parte do valor. Ponha o comentário "
              "numa linha só sua, começando com \";\".");
    EXPECT_EQ(report.status(), 0);

    Clean(IniWith("tempo=2500", "tempo=2500\t; ms"));
    EXPECT_EQ(Check().notes.at(0).key, "Setup32/tempo");
    Clean(IniWith("Discador=discador\\setup.exe /demo", "Discador=discador\\setup.exe /x;y"));
    for (const Problem& n : Check().notes) EXPECT_NE(n.code, "comment-in-value") << "no blank before the ;";
}

}  // namespace
