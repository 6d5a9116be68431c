#include "tests/kitcheck/ini_generator.h"

#include <cstdio>
#include <random>

#include "app/setup_ini.h"
#include "kitcheck/encoding.h"

namespace {

class Generator {
public:
    explicit Generator(std::uint32_t seed) : random_(seed) {}

    std::string File() {
        bom_ = Chance(15);
        const int ends = Pick(8);  // mostly CRLF, then LF, a few CR or mixed
        std::string file = bom_ ? "\xEF\xBB\xBF" : "";
        for (int lines = 3 + Pick(36); lines > 0; --lines) {
            file += Line();
            const int end = ends == 7 ? Pick(3) : ends < 4 ? 0 : ends < 6 ? 1 : 2;
            file += end == 0 ? "\r\n" : end == 1 ? "\n" : "\r";
            if (Chance(20)) file += end == 1 ? "\n" : "\r\n";  // an empty line
        }
        if (Chance(4)) file += Line();  // no end after the last line
        return file;
    }

private:
    int Pick(int n) { return static_cast<int>(random_() % static_cast<std::uint32_t>(n)); }
    bool Chance(int oneIn) { return Pick(oneIn) == 0; }

    std::string Blanks() {
        std::string blanks;
        for (int n = Chance(2) ? 0 : 1 + Pick(3); n > 0; --n) blanks += Chance(3) ? '\t' : ' ';
        if (Chance(40)) blanks += "\v\f\x1a\x1c\x1f"[Pick(5)];
        return blanks;
    }

    std::string MixedCase(std::string name) {
        for (char& c : name)
            if (Chance(3)) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c >= 'A' && c <= 'Z' ? c + 32 : c);
        return name;
    }

    // A character above 0x7F, as the file stores it.
    std::string High() {
        static const unsigned char undefined[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
        unsigned char c = static_cast<unsigned char>(0x80 + Pick(128));
        if (!bom_) return std::string(1, static_cast<char>(c));
        for (unsigned char u : undefined)
            if (c == u) c = 0xE9;
        char32_t code = FromCp1252(static_cast<char>(c));
        std::string utf8;
        if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
        } else {
            utf8 += static_cast<char>(0xE0 | (code >> 12));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        return utf8 + static_cast<char>(0x80 | (code & 0x3F));
    }

    std::string Value() {
        const int kind = Pick(10);
        int length = kind == 0 ? 0 : kind < 5 ? 1 + Pick(10) : kind < 8 ? 45 + Pick(9) : 54 + Pick(30);
        static const char plain[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\\._-/ ";
        static const char odd[] = " \t;#=\"'[]";
        std::string value;
        for (int i = 0; i < length; ++i) {
            const int what = Pick(20);
            if (what == 0) value += High();
            else if (what == 1) value += odd[Pick(sizeof odd - 1)];
            else value += plain[Pick(sizeof plain - 1)];
        }
        if (Chance(6)) {
            const char quote = Chance(2) ? '"' : '\'';
            value = quote + value + (Chance(5) ? (Chance(2) ? '"' : '\'') : quote);
        } else if (Chance(30)) {
            value = Chance(2) ? "\"" : "\"\"";
        }
        return value;
    }

    std::string Key() {
        if (Chance(8)) return MixedCase(Chance(2) ? "outra" : "nro img");
        return MixedCase(kSetupIniRows[Pick(static_cast<int>(kSetupIniRows.size()))].key);
    }

    std::string Line() {
        const int kind = Pick(20);
        if (kind < 5) {  // a section
            static const char* const names[] = {"Setup32", "Arquivos", "OKnoCD", "Arquivos", "Outra", ""};
            std::string line = Blanks() + "[" + Blanks() + MixedCase(names[Pick(6)]) + Blanks();
            if (!Chance(15)) line += "]";
            if (Chance(15)) line += "]";
            if (Chance(6)) line += Chance(2) ? " ; seção" : "x";
            return line;
        }
        if (kind < 7) {  // a comment, sometimes holding a row
            std::string line = Blanks() + (Chance(2) ? ";" : "#");
            return line + (Chance(2) ? Key() + "=" + Value() : " comentário");
        }
        if (kind < 8) return Blanks();
        std::string line = Blanks() + Key() + Blanks();
        if (!Chance(10)) line += "=" + Blanks() + Value() + Blanks();
        if (Chance(12)) line += " ; " + Value();
        return line;
    }

    std::mt19937 random_;
    bool bom_ = false;
};

}  // namespace

std::string GenerateIni(std::uint32_t seed) { return Generator(seed).File(); }

std::string CppLiteral(const std::string& bytes) {
    std::string literal = "\"";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n' && i + 1 < bytes.size()) {
            literal += "\\n\"\n\"";
        } else if (c == '"' || c == '\\') {
            literal += '\\';
            literal += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x\"\"", c);  // "" ends the escape
            literal += escape;
        } else {
            literal += static_cast<char>(c);
        }
    }
    return literal + "\"";
}
