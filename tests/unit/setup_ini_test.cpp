#include <gtest/gtest.h>

#include "app/setup_ini.h"
#include "tests/unit/fakes.h"

namespace {

struct SetupIniTest : ::testing::Test {
    Fakes fakes;
    FakeSystem& sys = fakes.sys;
    FakeForms& forms = fakes.forms;
    Ini ini;
    SlideshowSettings slideshow;

    void SetUp() override {
        ini.kitPath = "D:\\";
        sys.iniFile = "D:\\setup.ini";
    }
    SetupIniReport Read() { return ReadSetupIni(sys, forms, ini, slideshow); }
};

// The nine installer commands and the four flags, in the order of the rows.
std::vector<std::string> Commands(const Ini& ini) {
    return {ini.arqIe3Port, ini.arqIe4Port, ini.arqIe5Port, ini.arqIe5Port2, ini.arqIe3Ingl,
            ini.arqIe4Ingl, ini.arqIe5Ingl, ini.arqIe5Ingl2, ini.arqDiscador};
}
std::vector<int> Flags(const Ini& ini) { return {ini.okIe3Port, ini.okIe4Port, ini.okIe3Ingl, ini.okIe4Ingl}; }

TEST_F(SetupIniTest, WithoutFileTheSetup32RowsTakeTheirDefaultsAndTheOthersBeep) {
    sys.iniFile.reset();
    Read();
    EXPECT_EQ(sys.beeps, 13);
    EXPECT_EQ(slideshow.nroImg, 1);
    EXPECT_EQ(slideshow.tipoImg, "bmp");
    EXPECT_EQ(slideshow.tipoImgTela, "bmp");
    EXPECT_EQ(forms.timerInterval, 500);
    EXPECT_EQ(Commands(ini), std::vector<std::string>(9, ""));
    EXPECT_EQ(Flags(ini), (std::vector<int>{0, 0, 0, 0}));
}

// Every read in its place, and each beep right after the read that copied nothing.
TEST_F(SetupIniTest, ReadsTheSeventeenRowsInOrderAndBeepsForEachMissingOne) {
    for (const char* key : {"nroimg", "tempo"}) sys.SetIni("Setup32", key, "3");
    for (const char* key : {"ie3port", "ie5port", "ie3ingl", "ie5ingl", "Discador"}) sys.SetIni("Arquivos", key, "x");
    sys.SetIni("OKnoCD", "ie4port", "ok");
    Read();
    std::vector<std::string> calls;
    for (std::string line : sys.log) {
        for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        calls.push_back(line);
    }
    auto get = [](const char* row) { return "getprivateprofilestring " + std::string(row) + " d:\\setup.ini"; };
    EXPECT_EQ(calls, (std::vector<std::string>{
                         get("setup32 nroimg"),   get("setup32 tipoimg"),   get("setup32 tipoimgtela"),
                         get("setup32 tempo"),    get("arquivos ie3port"),  get("arquivos ie4port"),
                         "beep",                  get("arquivos ie5port"),  get("arquivos ie5port2"),
                         "beep",                  get("arquivos ie3ingl"),  get("arquivos ie4ingl"),
                         "beep",                  get("arquivos ie5ingl"),  get("arquivos ie5ingl2"),
                         "beep",                  get("arquivos discador"), get("oknocd ie3port"),
                         "beep",                  get("oknocd ie4port"),    get("oknocd ie3ingl"),
                         "beep",                  get("oknocd ie4ingl"),    "beep"}));
}

// Each row lands in its own variable: a row stored into another's would
// leave one empty and the other with the wrong value.
TEST_F(SetupIniTest, EachRowReachesItsOwnTarget) {
    const char* keys[] = {"ie3port", "ie4port", "ie5port", "ie5port2", "ie3ingl", "ie4ingl", "ie5ingl", "ie5ingl2",
                          "Discador"};
    for (const char* key : keys) sys.SetIni("Arquivos", key, std::string(key) + ".exe");
    sys.SetIni("Setup32", "nroimg", "7");
    sys.SetIni("Setup32", "tipoimg", "gif");
    sys.SetIni("Setup32", "tipoimgtela", "jpg");
    sys.SetIni("Setup32", "tempo", "900");
    Read();
    EXPECT_EQ(Commands(ini), (std::vector<std::string>{"ie3port.exe", "ie4port.exe", "ie5port.exe", "ie5port2.exe",
                                                       "ie3ingl.exe", "ie4ingl.exe", "ie5ingl.exe", "ie5ingl2.exe",
                                                       "Discador.exe"}));
    EXPECT_EQ(slideshow.nroImg, 7);
    EXPECT_EQ(slideshow.tipoImg, "gif");
    EXPECT_EQ(slideshow.tipoImgTela, "jpg");
    EXPECT_EQ(forms.timerInterval, 900);

    const std::pair<const char*, std::vector<int>> flags[] = {
        {"ie3port", {-1, 0, 0, 0}}, {"ie4port", {0, -1, 0, 0}}, {"ie3ingl", {0, 0, -1, 0}}, {"ie4ingl", {0, 0, 0, -1}}};
    for (const auto& [key, expected] : flags) {
        SCOPED_TRACE(key);
        for (const char* other : {"ie3port", "ie4port", "ie3ingl", "ie4ingl"}) sys.SetIni("OKnoCD", other, "no");
        sys.SetIni("OKnoCD", key, "ok");
        Ini fresh;
        fresh.kitPath = "D:\\";
        ReadSetupIni(sys, forms, fresh, slideshow);
        EXPECT_EQ(Flags(fresh), expected);
    }
}

TEST_F(SetupIniTest, NumbersTakeTheirFirstCharacters) {
    struct Case {
        const char* nroimg;
        const char* tempo;
        int nroImg;
        long interval;
    } cases[] = {
        {"12", "1500", 12, 1500},   {"1234", "123456", 123, 12345}, {"-5", "0", -5, 0},
        {"abc", "x", 0, 500},       {"3x", "65536", 0, 500},        {"+7", "-1", 7, 500},
        {"999", "65535", 999, 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("nroimg=") + c.nroimg + " tempo=" + c.tempo);
        Fakes fresh;
        fresh.sys.iniFile = "D:\\setup.ini";
        fresh.sys.SetIni("Setup32", "nroimg", c.nroimg);
        fresh.sys.SetIni("Setup32", "tempo", c.tempo);
        SlideshowSettings s;
        Ini state;
        state.kitPath = "D:\\";
        ReadSetupIni(fresh.sys, fresh.forms, state, s);
        EXPECT_EQ(s.nroImg, c.nroImg);
        EXPECT_EQ(fresh.forms.timerInterval, c.interval);
        EXPECT_EQ(fresh.sys.beeps, 13);  // a value that does not convert was still copied
    }
}

TEST_F(SetupIniTest, ReportsWhatBecameOfEachRow) {
    sys.SetIni("Setup32", "nroimg", "abc");
    sys.SetIni("Setup32", "tempo", "70000");
    sys.SetIni("Arquivos", "ie5port", "ie5setup.exe");
    SetupIniReport report = Read();
    EXPECT_EQ(report[0].outcome, RowOutcome::NotANumber);
    EXPECT_EQ(report[1].outcome, RowOutcome::Stored);
    EXPECT_EQ(report[3].outcome, RowOutcome::TimerRejected);
    EXPECT_EQ(report[4].outcome, RowOutcome::Beeped);
    EXPECT_EQ(report[6].outcome, RowOutcome::Stored);
    EXPECT_EQ(report[6].value, "ie5setup.exe");
}

TEST_F(SetupIniTest, TextsKeepThreeCharacters) {
    sys.SetIni("Setup32", "tipoimg", "jpeg");
    sys.SetIni("Setup32", "tipoImgTela", "gi");
    Read();
    EXPECT_EQ(slideshow.tipoImg, "jpe");
    EXPECT_EQ(slideshow.tipoImgTela, "gi");
}

TEST_F(SetupIniTest, FlagsCompareTheirFirstTwoCharactersWithOK) {
    const std::pair<const char*, std::int16_t> cases[] = {
        {"OK", vbTrue}, {"ok", vbTrue}, {"Ok", vbTrue}, {"okay", vbTrue}, {"OKAY", vbTrue},
        {"O", vbFalse}, {"sim", vbFalse}, {" ok", vbFalse}, {"0K", vbFalse},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        Fakes fresh;
        fresh.sys.iniFile = "D:\\setup.ini";
        fresh.sys.SetIni("OKnoCD", "ie3port", value);
        Ini state;
        state.kitPath = "D:\\";
        SlideshowSettings s;
        ReadSetupIni(fresh.sys, fresh.forms, state, s);
        EXPECT_EQ(state.okIe3Port, expected);
        EXPECT_EQ(state.okIe4Port, vbFalse);
    }
}

TEST_F(SetupIniTest, CommandsAreCutTo49Characters) {
    const std::string sixty(60, 'x');
    sys.SetIni("Arquivos", "ie4port", sixty);
    sys.SetIni("Arquivos", "Discador", "discador\\setup.exe /s");
    Read();
    EXPECT_EQ(ini.arqIe4Port, sixty.substr(0, 49));
    EXPECT_EQ(ini.arqDiscador, "discador\\setup.exe /s");
}

TEST_F(SetupIniTest, AnEmptyValueBeepsAndKeepsTheStartValue) {
    sys.SetIni("Setup32", "nroimg", "");
    sys.SetIni("Setup32", "tipoimg", "");
    sys.SetIni("Setup32", "tempo", "");
    for (const char* key : {"ie3port", "ie4port", "ie5port", "ie5port2", "ie3ingl", "ie4ingl", "ie5ingl",
                            "ie5ingl2", "Discador"})
        sys.SetIni("Arquivos", key, "x.exe");
    for (const char* key : {"ie3port", "ie4port", "ie3ingl", "ie4ingl"}) sys.SetIni("OKnoCD", key, "ok");
    sys.SetIni("Arquivos", "ie5port2", "");
    Read();
    EXPECT_EQ(sys.beeps, 4);  // nroimg, tipoimg, tempo, ie5port2
    EXPECT_EQ(slideshow.nroImg, 0);
    EXPECT_EQ(slideshow.tipoImg, "");
    EXPECT_EQ(slideshow.tipoImgTela, "bmp");
    EXPECT_EQ(forms.timerInterval, 500);
    EXPECT_EQ(ini.arqIe5Port2, "");
    EXPECT_EQ(ini.okIe4Ingl, vbTrue);
}

TEST(ToNumber, AcceptsOnlyASignedDecimalInteger) {
    const std::pair<const char*, std::optional<long>> cases[] = {
        {"12", 12},       {"-99", -99},           {"+5", 5},          {" 7 ", 7},
        {"", std::nullopt}, {"-", std::nullopt},  {"1.5", std::nullopt}, {"1,2", std::nullopt},
        {"1 2", std::nullopt}, {"0x1", std::nullopt}, {"--1", std::nullopt}, {"00012", 12},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ToNumber(text), expected) << '"' << text << '"';
}

}  // namespace
