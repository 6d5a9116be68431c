#include "kitcheck/encoding.h"

#include <cstdio>

namespace {

// 0x80..0x9F; the five bytes cp1252 leaves undefined stand for themselves,
// as MultiByteToWideChar maps them.
const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string Escape(char32_t c) {
    char escape[16];
    if (c > 0xFFFF) {
        c -= 0x10000;
        std::snprintf(escape, sizeof escape, "\\u%04x\\u%04x", static_cast<unsigned>(0xD800 + (c >> 10)),
                      static_cast<unsigned>(0xDC00 + (c & 0x3FF)));
    } else {
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
    }
    return escape;
}

void AppendJson(std::string& json, char32_t c) {
    if (c == '"' || c == '\\') {
        json += '\\';
        json += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
        json += Escape(c);
    } else {
        json += static_cast<char>(c);
    }
}

// The length of the UTF-8 character at `at`, or 0 when none starts there.
std::size_t Utf8Length(const std::string& text, std::size_t at, char32_t& c) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(at + k) & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

char32_t FromCp1252(char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

char ToCp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c) return static_cast<char>(0x80 + i);
    return '?';
}

bool InCp1252(char32_t c) { return c == '?' || ToCp1252(c) != '?'; }

std::string Utf8(char32_t c) {
    std::string utf8;
    if (c < 0x80) {
        utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
        utf8 += static_cast<char>(0xC0 | (c >> 6));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        utf8 += static_cast<char>(0xE0 | (c >> 12));
        utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        utf8 += static_cast<char>(0xF0 | (c >> 18));
        utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
    return utf8;
}

std::string Utf8FromCp1252(const std::string& text) {
    std::string utf8;
    for (char byte : text) utf8 += Utf8(FromCp1252(byte));
    return utf8;
}

std::optional<std::u32string> DecodeUtf8(const std::string& text) {
    std::u32string decoded;
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8Length(text, i, c);
        if (length == 0) return std::nullopt;
        decoded += c;
        i += length;
    }
    return decoded;
}

char32_t FoldCase(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    if (c == 0x160 || c == 0x152 || c == 0x17D) return c + 1;  // Š Œ Ž
    if (c == 0x178) return 0xFF;                                // Ÿ
    return c;
}

std::string Shown(const std::string& cp1252) {
#ifdef _WIN32
    return cp1252;
#else
    return Utf8FromCp1252(cp1252);
#endif
}

std::string Cp1252FromPath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string text;
    for (std::size_t i = 0; i < path.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8Length(path, i, c);
        text += length ? ToCp1252(c) : path[i];
        i += length ? length : 1;
    }
    return text;
#endif
}

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (char byte : text) AppendJson(json, FromCp1252(byte));
    return json + "\"";
}

std::string JsonString(const std::u32string& chars) {
    std::string json = "\"";
    for (char32_t c : chars) AppendJson(json, c);
    return json + "\"";
}

std::string JsonPath(const std::string& path) {
#ifdef _WIN32
    return JsonString(path);
#else
    std::string json = "\"";
    for (std::size_t i = 0; i < path.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8Length(path, i, c);
        if (length == 0) {
            json += Escape(0xDC00 + static_cast<unsigned char>(path[i]));
            ++i;
            continue;
        }
        AppendJson(json, c);
        i += length;
    }
    return json + "\"";
#endif
}
