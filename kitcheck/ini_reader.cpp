#include "kitcheck/ini_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "kitcheck/encoding.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }

std::string Trim(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && Blank(text[first])) ++first;
    while (last > first && Blank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// Windows keeps names and values as C strings: a NUL byte ends them.
std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

bool SameName(const std::string& a, const std::string& b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// A file with a byte order mark, stored in cp1252 as Windows reads it, and
// where each character of the text begins in the file's bytes (one more
// entry: the end of the file).
struct Text {
    std::string text;
    std::vector<std::size_t> at;
};

Text Decoded(const std::string& bytes) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    Text t;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        for (std::size_t i = 3; i < bytes.size();) {
            t.at.push_back(i);
            unsigned char lead = byte(i);
            int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
            char32_t c = extra < 0 ? U'?' : extra == 0 ? lead : lead & (0x3F >> extra);
            ++i;
            for (int k = 0; k < extra; ++k, ++i) {
                if (i >= bytes.size() || (byte(i) & 0xC0) != 0x80) {
                    c = U'?';
                    break;
                }
                c = (c << 6) | (byte(i) & 0x3F);
            }
            t.text += ToCp1252(c);
        }
    } else if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            t.at.push_back(i);
            t.text += ToCp1252(byte(i) | byte(i + 1) << 8);
        }
    } else {
        t.text = bytes;
        t.at.resize(bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) t.at[i] = i;
    }
    t.at.push_back(bytes.size());
    return t;
}

// What Windows copies of a value into a buffer of size characters.
std::string Copied(const std::string& value, std::uint32_t size) {
    std::string text = value;
    bool quoted = text.size() > 1 && (text[0] == '"' || text[0] == '\'') && text.back() == text[0];
    if (quoted) text.erase(0, 1);
    std::string copied = text.substr(0, size - 1);
    if (quoted && size >= text.size() && !copied.empty()) copied.pop_back();
    return copied;
}

}  // namespace

std::optional<IniValue> LocateIniValue(const std::string& fileBytes, const std::string& section,
                                      const std::string& key) {
    const Text decoded = Decoded(fileBytes);
    const std::string& text = decoded.text;
    enum { Before, Inside, After } state = Before;
    std::size_t next = 0, lineNumber = 1;
    while (next < text.size()) {
        const std::size_t lineStart = next;
        std::size_t end = text.find_first_of("\r\n", next);
        if (end == std::string::npos) end = text.size();
        const std::string raw = text.substr(next, end - next);
        const std::string line = Trim(raw);
        next = end;
        const std::size_t thisLine = lineNumber;
        while (next < text.size() && (text[next] == '\r' || text[next] == '\n')) {
            if (text[next] == '\n' || next + 1 >= text.size() || text[next + 1] != '\n') ++lineNumber;
            ++next;
        }

        std::size_t close = line.rfind(']');
        if (!line.empty() && line[0] == '[' && close != std::string::npos && close > 0) {
            if (state == Inside) return std::nullopt;  // later sections of the name are never searched
            if (state == Before && SameName(UpToNul(Trim(line.substr(1, close - 1))), section)) state = Inside;
            continue;
        }
        if (state != Inside) continue;
        std::size_t equals = line.find('=');
        if (!SameName(UpToNul(Trim(line.substr(0, equals))), key)) continue;
        if (equals == std::string::npos) return std::nullopt;
        // Where the value begins: after the '=' of the raw line and the blanks behind it.
        std::size_t begin = lineStart + raw.find('=') + 1;
        while (begin < end && Blank(text[begin])) ++begin;
        const std::string value = UpToNul(Trim(line.substr(equals + 1)));
        IniValue found;
        found.text = value;
        found.line = thisLine;
        found.lineStart = decoded.at[lineStart];
        found.begin = decoded.at[begin];
        found.end = decoded.at[begin + value.size()];
        return found;
    }
    return std::nullopt;
}

std::optional<std::string> FindIniValue(const std::string& fileBytes, const std::string& section,
                                        const std::string& key) {
    std::optional<IniValue> found = LocateIniValue(fileBytes, section, key);
    if (!found) return std::nullopt;
    return found->text;
}

std::uint32_t ReadIniString(const std::string* fileBytes, const std::string& section, const std::string& key,
                            const std::string& def, char* buffer, std::uint32_t size) {
    if (size == 0) return 0;
    std::string value = def.substr(0, def.find_last_not_of(' ') + 1);
    std::string copied = value.substr(0, size - 1);
    if (fileBytes) {
        std::optional<std::string> found = FindIniValue(*fileBytes, section, key);
        copied = Copied(found ? *found : value, size);
    }
    std::memcpy(buffer, copied.data(), copied.size());
    buffer[copied.size()] = '\0';
    return static_cast<std::uint32_t>(copied.size());
}

std::string FullIniString(const std::string* fileBytes, const std::string& section, const std::string& key,
                          const std::string& def) {
    std::string buffer(def.size() + (fileBytes ? fileBytes->size() : 0) + 2, '\0');
    std::uint32_t count = ReadIniString(fileBytes, section, key, def, &buffer[0],
                                        static_cast<std::uint32_t>(buffer.size()));
    return buffer.substr(0, count);
}
