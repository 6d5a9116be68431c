// Just enough JSON to read kitcheck's --json report in a test. Strings are
// returned in cp1252 (escapes above 0xFF become '?'), and as the file
// system's bytes (`bytes`: UTF-8, a lone surrogate U+DC80..U+DCFF the byte it
// stands for, as Python's os.fsencode makes it).
#pragma once

#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

struct Json {
    enum Type { Null, Bool, Number, String, Array, Object } type = Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::string bytes;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json& operator[](const std::string& name) const {
        static const Json none;
        for (const auto& [key, value] : members)
            if (key == name) return value;
        return none;
    }
};

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : s_(text) {}

    // Null when the text is no JSON value.
    Json Parse() {
        Json value = Value();
        Blanks();
        return ok_ && i_ == s_.size() ? value : Json{};
    }

private:
    void Blanks() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
    }
    bool Eat(char c) {
        Blanks();
        if (i_ < s_.size() && s_[i_] == c) return ++i_, true;
        return false;
    }
    bool Word(const char* word) {
        std::string w(word);
        if (s_.compare(i_, w.size(), w) != 0) return false;
        i_ += w.size();
        return true;
    }
    static void AppendUtf8(std::string& out, unsigned long c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    unsigned long Hex() {
        unsigned long code = std::strtoul(s_.substr(i_, 4).c_str(), nullptr, 16);
        i_ += 4;
        return code;
    }
    std::pair<std::string, std::string> Text() {
        std::string text, bytes;
        while (i_ < s_.size() && s_[i_] != '"') {
            char c = s_[i_++];
            if (c != '\\' || i_ >= s_.size()) {
                text += c;
                bytes += c;
                continue;
            }
            char e = s_[i_++];
            if (e == 'u' && i_ + 4 <= s_.size()) {
                unsigned long code = Hex();
                text += code <= 0xFF ? static_cast<char>(code) : '?';
                if (code >= 0xD800 && code < 0xDC00 && s_.compare(i_, 2, "\\u") == 0) {
                    i_ += 2;
                    AppendUtf8(bytes, 0x10000 + ((code - 0xD800) << 10) + (Hex() - 0xDC00));
                } else if (code >= 0xDC80 && code <= 0xDCFF) {
                    bytes += static_cast<char>(code - 0xDC00);
                } else {
                    AppendUtf8(bytes, code);
                }
            } else {
                c = e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
                text += c;
                bytes += c;
            }
        }
        ok_ = ok_ && Eat('"');
        return {text, bytes};
    }
    Json Value() {
        Json v;
        Blanks();
        if (i_ >= s_.size()) {
            ok_ = false;
        } else if (Eat('{')) {
            v.type = Json::Object;
            if (!Eat('}')) {
                do {
                    ok_ = ok_ && Eat('"');
                    std::string key = Text().first;
                    ok_ = ok_ && Eat(':');
                    v.members.emplace_back(key, Value());
                } while (ok_ && Eat(','));
                ok_ = ok_ && Eat('}');
            }
        } else if (Eat('[')) {
            v.type = Json::Array;
            if (!Eat(']')) {
                do v.items.push_back(Value());
                while (ok_ && Eat(','));
                ok_ = ok_ && Eat(']');
            }
        } else if (Eat('"')) {
            v.type = Json::String;
            std::tie(v.text, v.bytes) = Text();
        } else if (Word("true")) {
            v.type = Json::Bool;
            v.boolean = true;
        } else if (Word("false")) {
            v.type = Json::Bool;
        } else if (Word("null")) {
        } else {
            char* end = nullptr;
            v.number = std::strtod(s_.c_str() + i_, &end);
            ok_ = end != s_.c_str() + i_;
            v.type = Json::Number;
            i_ = end - s_.c_str();
        }
        return v;
    }

    const std::string& s_;
    std::size_t i_ = 0;
    bool ok_ = true;
};

inline Json ParseJson(const std::string& text) { return JsonParser(text).Parse(); }
