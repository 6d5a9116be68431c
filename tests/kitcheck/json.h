// Just enough JSON to read kitcheck's --json report in a test. Strings are
// returned in cp1252 (escapes above 0xFF become '?').
#pragma once

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

struct Json {
    enum Type { Null, Bool, Number, String, Array, Object } type = Null;
    bool boolean = false;
    double number = 0;
    std::string text;
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
    std::string Text() {
        std::string text;
        while (i_ < s_.size() && s_[i_] != '"') {
            char c = s_[i_++];
            if (c != '\\' || i_ >= s_.size()) {
                text += c;
                continue;
            }
            char e = s_[i_++];
            if (e == 'u' && i_ + 4 <= s_.size()) {
                unsigned long code = std::strtoul(s_.substr(i_, 4).c_str(), nullptr, 16);
                i_ += 4;
                text += code <= 0xFF ? static_cast<char>(code) : '?';
            } else {
                text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
            }
        }
        ok_ = ok_ && Eat('"');
        return text;
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
                    std::string key = Text();
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
            v.text = Text();
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
