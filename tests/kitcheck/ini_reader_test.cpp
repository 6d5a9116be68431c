// The portable reader, case by case. Every expected result is what
// GetPrivateProfileStringA gives under Wine 8.0 for the same bytes (found by
// the differential test or by hand with ini_dump.exe), except the cases
// marked as known differences.
#include <string>

#include <gtest/gtest.h>

#include "kitcheck/ini_reader.h"

namespace {

struct Case {
    const char* name;
    std::string file;  // the bytes of setup.ini
    const char* section;
    const char* key;
    const char* def;
    std::string expected;  // copied into a 50-character buffer
};

// A literal's bytes, NULs included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

const std::string A48(48, 'a'), A49(49, 'a'), A50(50, 'a');

const Case kCases[] = {
    {"key found", "[Setup32]\r\ntempo=2500\r\n", "Setup32", "tempo", "500", "2500"},
    {"missing key gives the default", "[Setup32]\r\nnroimg=3\r\n", "Setup32", "tempo", "500", "500"},
    {"missing section gives the default", "[Arquivos]\r\ntempo=9\r\n", "Setup32", "tempo", "500", "500"},
    {"empty file gives the default", "", "Setup32", "tipoimg", "bmp", "bmp"},
    {"empty value copies nothing", "[Setup32]\r\ntempo=\r\n", "Setup32", "tempo", "500", ""},
    {"blank value copies nothing", "[Setup32]\r\ntempo= \t \r\n", "Setup32", "tempo", "500", ""},
    {"key without = gives the default", "[Setup32]\r\ntempo\r\n", "Setup32", "tempo", "500", "500"},
    {"names regardless of case", "[sETUP32]\r\nTEMPO=9\r\n", "Setup32", "tempo", "500", "9"},
    {"blanks around names and values", "  [Setup32]  \n  TIPOIMG\t=\t gif\t \n", "Setup32", "tipoimg", "bmp", "gif"},
    {"blanks inside the brackets", "[ \tArquivos\t ]\nie3port=a\n", "Arquivos", "ie3port", "", "a"},
    {"text after the bracket", "[Arquivos] ; comandos\nie3port=a\n", "Arquivos", "ie3port", "", "a"},
    {"the last bracket ends the name", "[Setup32]]\ntempo=3\n", "Setup32", "tempo", "500", "500"},
    {"a [ line without ] stays in its section", "[Setup32]\n[Arquivos\nnroimg=4\n", "Setup32", "nroimg", "1", "4"},
    {"an empty section name", "[Setup32]\n[]\nnroimg=6\n", "Setup32", "nroimg", "1", "1"},
    {"lines before any section", "nroimg=5\n[Setup32]\n", "Setup32", "nroimg", "1", "1"},
    {"inline ; stays in the value", "[Setup32]\nnroimg=3 ; imagens\n", "Setup32", "nroimg", "1", "3 ; imagens"},
    {"; and # lines are never found", "[Setup32]\n;nroimg=5\n#nroimg=6\n", "Setup32", "nroimg", "1", "1"},
    {"; and # lines before the key", "[Setup32]\n; nroimg=5\n# x\nnroimg=7\n", "Setup32", "nroimg", "1", "7"},
    {"first key wins", "[Setup32]\nnroimg=1\nnroimg=2\n", "Setup32", "nroimg", "1", "1"},
    {"later sections of a name are not searched", "[Setup32]\nnroimg=5\n[Arquivos]\n[setup32]\ntempo=7\n",
     "Setup32", "tempo", "500", "500"},
    {"an empty first section hides the second", "[Arquivos]\n[Setup32]\n[Arquivos]\nie3port=x\n", "Arquivos",
     "ie3port", "", ""},
    {"split at the first =", "[Arquivos]\nie3port = a=b \nie4port==x\n", "Arquivos", "ie3port", "", "a=b"},
    {"value starting with =", "[Arquivos]\nie4port==x\n", "Arquivos", "ie4port", "", "=x"},
    {"CR alone ends a line", "[Setup32]\rtipoimg=gif\rtempo=12\r", "Setup32", "tempo", "500", "12"},
    {"LF and CRLF mixed", "[Setup32]\ntipoimg=gif\r\n\r\ntempo=12", "Setup32", "tempo", "500", "12"},
    {"VT FF and Ctrl-Z are blanks", "[Setup32]\x0b\nnroimg\x0b=\x0c\x1a" "7\x1a\n", "Setup32", "nroimg", "1", "7"},
    {"0xA0 is no blank", "[Arquivos]\nDiscador=\xa0x\xa0\n", "Arquivos", "Discador", "", "\xa0x\xa0"},
    {"0x1C is no blank", "[Setup32]\nnroimg=\x1c" "7\x1c\n", "Setup32", "nroimg", "1", "\x1c" "7\x1c"},
    {"bytes above 0x7F as they stand", "[Arquivos]\nDiscador=\xe9\x81z\n", "Arquivos", "Discador", "", "\xe9\x81z"},
    {"double quotes removed", "[Setup32]\ntipoimg=\"gif\"\n", "Setup32", "tipoimg", "bmp", "gif"},
    {"single quotes removed", "[Setup32]\ntipoimg='jp'\n", "Setup32", "tipoimg", "bmp", "jp"},
    {"only one pair removed", "[Setup32]\ntipoimg='''\n", "Setup32", "tipoimg", "bmp", "'"},
    {"blanks inside quotes kept", "[Setup32]\ntipoimg=  \"  x  \"  \n", "Setup32", "tipoimg", "bmp", "  x  "},
    {"a lone quote stays", "[Setup32]\ntipoimg=\"\n", "Setup32", "tipoimg", "bmp", "\""},
    {"empty quotes copy nothing", "[Setup32]\ntipoimg=\"\"\n", "Setup32", "tipoimg", "bmp", ""},
    {"quotes that differ stay", "[Setup32]\ntipoimg=\"abc'\n", "Setup32", "tipoimg", "bmp", "\"abc'"},
    {"opening quote only", "[Arquivos]\nie4ingl=\"" + A49 + "\n", "Arquivos", "ie4ingl", "", "\"" + A48},
    {"value of 49 characters", "[Arquivos]\nie3port=" + A49 + "\n", "Arquivos", "ie3port", "", A49},
    {"value of 50 characters is cut", "[Arquivos]\nie3port=" + A50 + "\n", "Arquivos", "ie3port", "", A49},
    {"48 characters in quotes", "[Arquivos]\nie3port=\"" + A48 + "\"\n", "Arquivos", "ie3port", "", A48},
    {"49 characters in quotes lose one more", "[Arquivos]\nie3port=\"" + A49 + "\"\n", "Arquivos", "ie3port", "",
     A48},
    {"50 characters in quotes", "[Arquivos]\nie3port=\"" + A50 + "\"\n", "Arquivos", "ie3port", "", A49},
    {"NUL ends the value", Bytes("[Setup32]\nnroimg=1\0" "2\n"), "Setup32", "nroimg", "1", "1"},
    {"UTF-8 with a byte order mark", "\xef\xbb\xbf[Setup32]\nnroimg=\xc3\xa9\xe2\x82\xac\xe4\xb8\xad\n", "Setup32",
     "nroimg", "1", "\xe9\x80?"},
    {"UTF-16LE with a byte order mark",
     Bytes("\xff\xfe[\0S\0e\0t\0u\0p\0" "3\0" "2\0]\0\n\0n\0r\0o\0i\0m\0g\0=\0\xe9\0\n\0"), "Setup32",
     "nroimg", "1", "\xe9"},
    // Known difference: Windows writes 'a', the best fit of U+0101, where the
    // portable reader writes '?'.
    {"character cp1252 lacks", "\xef\xbb\xbf[Setup32]\nnroimg=\xc4\x81\n", "Setup32", "nroimg", "1", "?"},
};

TEST(IniReader, Cases) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        char buffer[50];
        std::uint32_t count = ReadIniString(&c.file, c.section, c.key, c.def, buffer, sizeof buffer);
        EXPECT_EQ(std::string(buffer, count), c.expected);
        EXPECT_EQ(buffer[count], '\0');
    }
}

TEST(IniReader, WithoutFileTheDefault) {
    char buffer[50];
    EXPECT_EQ(ReadIniString(nullptr, "Setup32", "tempo", "500", buffer, sizeof buffer), 3u);
    EXPECT_STREQ(buffer, "500");
    EXPECT_EQ(ReadIniString(nullptr, "Arquivos", "ie3port", "", buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
}

TEST(IniReader, TheWholeValueWithALargeBuffer) {
    const std::string file = "[Arquivos]\nie3port=\"" + A49 + "\"\nie4port=" + A50 + "\n";
    EXPECT_EQ(FullIniString(&file, "Arquivos", "ie3port", ""), A49);
    EXPECT_EQ(FullIniString(&file, "Arquivos", "ie4port", ""), A50);
    EXPECT_EQ(FullIniString(&file, "Arquivos", "ie5port", ""), "");
    EXPECT_EQ(FullIniString(nullptr, "Setup32", "tempo", "500"), "500");
}

TEST(IniReader, FindIniValueKeepsTheQuotes) {
    const std::string file = "[Setup32]\ntipoimg = \"gif\" \ntempo\n";
    EXPECT_EQ(FindIniValue(file, "setup32", "TIPOIMG"), std::optional<std::string>("\"gif\""));
    EXPECT_EQ(FindIniValue(file, "Setup32", "tempo"), std::nullopt);
    EXPECT_EQ(FindIniValue(file, "Setup32", "nroimg"), std::nullopt);
}

}  // namespace

// Where the reader meets a value: its line, and its bytes in the file and on
// that line, whatever the line ends and the encoding.
namespace {

TEST(IniReader, WhereTheValueStands) {
    struct Where {
        const char* name;
        std::string file;
        const char* key;
        std::size_t line, lineStart, begin, end;
    } cases[] = {
        {"CRLF lines", "[Setup32]\r\nnroimg=3\r\ntempo = 2500 \r\n", "tempo", 3, 21, 29, 33},
        {"LF, CR and a blank line", "[Setup32]\n\rnroimg=3\r\rtempo=2500", "tempo", 5, 21, 27, 31},
        {"quotes kept in the span", "[Setup32]\ntipoimg=\"jpg\"\n", "tipoimg", 2, 10, 18, 23},
        {"empty value", "[Setup32]\ntempo=\n", "tempo", 2, 10, 16, 16},
        {"the first section of the name", "[Setup32]\ntempo=1\n[Setup32]\ntempo=2\n", "tempo", 2, 10, 16, 17},
        // A UTF-8 mark: bytes of the file, 2 for the é before the value.
        {"UTF-8 with a mark", "\xEF\xBB\xBF[Setup32]\r\n; \xC3\xA9\r\ntempo=2500\r\n", "tempo", 3, 20, 26, 30},
        {"UTF-16 with a mark", Bytes("\xFF\xFE[\0S\0e\0t\0u\0p\0\x33\0\x32\0]\0\n\0t\0e\0m\0p\0o\0=\0\x39\0\n\0"), "tempo",
         2, 22, 34, 36},
    };
    for (const Where& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<IniValue> at = LocateIniValue(c.file, "Setup32", c.key);
        ASSERT_TRUE(at.has_value());
        EXPECT_EQ(at->line, c.line);
        EXPECT_EQ(at->lineStart, c.lineStart);
        EXPECT_EQ(at->begin, c.begin);
        EXPECT_EQ(at->end, c.end);
    }
    EXPECT_FALSE(LocateIniValue("[Setup32]\ntempo\n", "Setup32", "tempo").has_value()) << "no '=': no value";
}

}  // namespace
