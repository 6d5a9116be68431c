#include <gtest/gtest.h>

#include "app/setup_ini.h"
#include "platform/fake_platform.h"

namespace {

struct SetupIniTest : ::testing::Test {
    FakePlatform sys;
    Ini ini;
    SlideshowSettings slideshow;

    void SetUp() override {
        ini.kitPath = "D:\\";
        sys.iniFile = "D:\\setup.ini";
    }
    SetupIniReport Read() { return ReadSetupIni(sys, ini, slideshow); }
};

TEST_F(SetupIniTest, WithoutFileTheSetup32RowsTakeTheirDefaultsAndTheOthersBeep) {
    sys.iniFile.reset();
    Read();
    EXPECT_EQ(sys.beeps, 13);
    EXPECT_EQ(slideshow.nroImg, 1);
    EXPECT_EQ(slideshow.tipoImg, "bmp");
    EXPECT_EQ(slideshow.tipoImgTela, "bmp");
    EXPECT_EQ(sys.timerInterval, 500);
    for (const SetupIniRow& row : kSetupIniRows) {
        if (row.command) {
            EXPECT_EQ(ini.*row.command, "") << row.key;
        }
        if (row.flag) {
            EXPECT_EQ(ini.*row.flag, vbFalse) << row.key;
        }
    }
}

TEST_F(SetupIniTest, ReadsTheSeventeenRowsInOrderFromTheKitFolder) {
    Read();
    std::vector<std::string> asked;
    for (const std::string& line : sys.log)
        if (line.rfind("GetPrivateProfileString", 0) == 0) asked.push_back(line);
    ASSERT_EQ(asked.size(), 17u);
    EXPECT_EQ(asked.front(), "GetPrivateProfileString Setup32 nroimg D:\\setup.ini");
    EXPECT_EQ(asked[12], "GetPrivateProfileString Arquivos Discador D:\\setup.ini");
    EXPECT_EQ(asked.back(), "GetPrivateProfileString OKnoCD ie4ingl D:\\setup.ini");
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
        FakePlatform fresh;
        fresh.iniFile = "D:\\setup.ini";
        fresh.SetIni("Setup32", "nroimg", c.nroimg);
        fresh.SetIni("Setup32", "tempo", c.tempo);
        SlideshowSettings s;
        Ini state;
        state.kitPath = "D:\\";
        ReadSetupIni(fresh, state, s);
        EXPECT_EQ(s.nroImg, c.nroImg);
        EXPECT_EQ(fresh.timerInterval, c.interval);
        EXPECT_EQ(fresh.beeps, 13);  // a value that does not convert was still copied
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
        FakePlatform fresh;
        fresh.iniFile = "D:\\setup.ini";
        fresh.SetIni("OKnoCD", "ie3port", value);
        Ini state;
        state.kitPath = "D:\\";
        SlideshowSettings s;
        ReadSetupIni(fresh, state, s);
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
    EXPECT_EQ(sys.timerInterval, 500);
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
