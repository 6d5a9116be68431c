#include <cstring>

#include <gtest/gtest.h>

#include "wizard/browser_setup.h"

namespace {

OsVersionInfo Record(std::uint32_t platform, std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                     const char* servicePack) {
    OsVersionInfo info;
    info.dwOSVersionInfoSize = kOsVersionInfoSize;
    info.dwPlatformId = platform;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.dwBuildNumber = build;
    std::strncpy(info.szCSDVersion, servicePack, sizeof info.szCSDVersion - 1);
    return info;
}

TEST(DescribeWindows, BothFamiliesAndTheirServicePackRules) {
    struct Case {
        const char* name;
        OsVersionInfo info;
        WindowsFamily family;
        const char* caption;
        const char* toolTip;
    } cases[] = {
        {"95", Record(1, 4, 0, 0x040003B6, ""), WindowsFamily::Win95, "Windows 95 Version 4.0, Build 950", ""},
        {"98", Record(1, 4, 10, 0x040A08AE, " A "), WindowsFamily::Win95,
         "Windows 98 Version 4.10, Build 2222, Service Pack  A ", " A "},
        {"Me", Record(1, 4, 90, 0x045A0BB8, " "), WindowsFamily::Win95, " Version 4.90, Build 3000", " "},
        {"95 blanks only", Record(1, 4, 0, 950, "   "), WindowsFamily::Win95, "Windows 95 Version 4.0, Build 950",
         "   "},
        {"NT 4", Record(2, 4, 0, 1381, "Service Pack 6"), WindowsFamily::NT,
         "Windows NT Version 4.0, Build 1381, Service Pack 6", ""},
        {"NT 4 6a", Record(2, 4, 0, 1381, "Service Pack 6a"), WindowsFamily::NT,
         "Windows NT Version 4.0, Build 1381, Service Pack 6a", ""},
        {"2000", Record(2, 5, 0, 2195, ""), WindowsFamily::NT, "Windows NT Version 5.0, Build 2195", ""},
        {"lower case", Record(2, 5, 0, 2195, "service pack 4"), WindowsFamily::NT,
         "Windows NT Version 5.0, Build 2195", ""},
        {"high build bits", Record(2, 6, 1, 0x12341DB1, "Service Pack 1"), WindowsFamily::NT,
         "Windows NT Version 6.1, Build 7601, Service Pack 1", ""},
        {"failed query", Record(0, 0, 0, 0, ""), WindowsFamily::Unknown, "", ""},
        {"CE", Record(3, 4, 0, 0, ""), WindowsFamily::Unknown, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowsDescription d = DescribeWindows(c.info);
        EXPECT_EQ(d.family, c.family);
        EXPECT_EQ(d.caption, c.caption);
        EXPECT_EQ(d.toolTip, c.toolTip);
    }
}

TEST(DescribeWindows, AServicePackTextWithoutItsZeroStopsAtTheField) {
    OsVersionInfo info = Record(1, 4, 10, 2222, "");
    std::memset(info.szCSDVersion, 'B', sizeof info.szCSDVersion);
    EXPECT_EQ(DescribeWindows(info).toolTip, std::string(128, 'B'));
}

TEST(OfferFor, RowsForBothLanguages) {
    const char* choose = "Escolha uma das opções de instalação abaixo.";
    struct Case {
        const char* lang;
        int IEVer;
        bool ok3, ok4;
        bool known, op3, op4, op5;
        const char* plan;
        const char* language;
    } cases[] = {
        {"PORT", 3, true, false, true, true, false, true, choose, "Português"},
        {"PORT", 3, true, true, true, true, true, true, choose, "Português"},
        {"PORT", 3, false, true, true, false, false, false, "Será instalado o Internet Explorer 5 em Português",
         "Português"},
        {"PORT", 4, false, true, true, false, true, true, choose, "Português"},
        {"PORT", 4, true, false, true, false, false, false, "Será instalado o Internet Explorer 5 em Português",
         "Português"},
        {"PORT", 5, true, true, true, false, false, false, "Será instalado o Internet Explorer 5 em Português",
         "Português"},
        {"INGL", 3, true, true, true, true, true, true, choose, "Inglês"},
        {"INGL", 4, false, true, true, false, true, true, choose, "Inglês"},
        {"INGL", 5, true, true, true, false, false, false, "Será instalado o Internet Explorer 5 em Inglês",
         "Inglês"},
        {"port", 3, true, true, false, false, false, false, "", ""},
        {"", 3, true, true, false, false, false, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lang) + " IEVer " + std::to_string(c.IEVer) + (c.ok3 ? " ok3" : "") +
                     (c.ok4 ? " ok4" : ""));
        Ini ini;
        // The flags of the other language are set the opposite way: they must not count.
        bool port = std::string(c.lang) == "PORT";
        (port ? ini.okIe3Port : ini.okIe3Ingl) = c.ok3 ? vbTrue : vbFalse;
        (port ? ini.okIe4Port : ini.okIe4Ingl) = c.ok4 ? vbTrue : vbFalse;
        (port ? ini.okIe3Ingl : ini.okIe3Port) = c.ok3 ? vbFalse : vbTrue;
        (port ? ini.okIe4Ingl : ini.okIe4Port) = c.ok4 ? vbFalse : vbTrue;
        if (!c.known) ini = Ini{};
        Offer o = OfferFor(c.lang, static_cast<std::int16_t>(c.IEVer), ini);
        EXPECT_EQ(o.known, c.known);
        EXPECT_EQ(o.OpIE3, c.op3);
        EXPECT_EQ(o.OpIE4, c.op4);
        EXPECT_EQ(o.OpIE5, c.op5);
        EXPECT_STREQ(o.plan, c.plan);
        EXPECT_STREQ(o.language, c.language);
    }
}

}  // namespace
