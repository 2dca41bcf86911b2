#pragma once

// A small JSON reader for the expected-value dumps: objects keep every key in
// file order, duplicates included (the dumps repeat names from different tables).

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lumora::testing {

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
    double number = 0;
    bool boolean = false;
    std::string text;
    std::vector<JsonValue> items;
    // Object members as parallel lists (a pair would need the complete type).
    std::vector<std::string> keys;
    std::vector<JsonValue> values;

    const JsonValue* Find(const std::string& key) const {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (keys[i] == key) {
                return &values[i];
            }
        }
        return nullptr;
    }
};

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : s_(text) {}

    bool Parse(JsonValue& out) {
        ok_ = true;
        out = Value();
        Space();
        return ok_ && p_ == s_.size();
    }

private:
    void Space() {
        while (p_ < s_.size() &&
               (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\r' || s_[p_] == '\t')) {
            ++p_;
        }
    }
    bool Eat(char c) {
        Space();
        if (p_ < s_.size() && s_[p_] == c) {
            ++p_;
            return true;
        }
        return false;
    }
    std::string String() {
        std::string out;
        if (!Eat('"')) {
            ok_ = false;
            return out;
        }
        while (p_ < s_.size() && s_[p_] != '"') {
            char c = s_[p_++];
            if (c == '\\' && p_ < s_.size()) {
                c = s_[p_++];
                switch (c) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u': {
                    const unsigned code =
                        static_cast<unsigned>(std::strtoul(s_.substr(p_, 4).c_str(), nullptr, 16));
                    p_ += 4;
                    if (code < 0x80) {
                        out += static_cast<char>(code);
                    } else if (code < 0x800) {
                        out += static_cast<char>(0xC0 | (code >> 6));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    } else {
                        out += static_cast<char>(0xE0 | (code >> 12));
                        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    }
                    break;
                }
                default:
                    out += c;
                }
            } else {
                out += c;
            }
        }
        ++p_;
        return out;
    }
    JsonValue Value() {
        JsonValue v;
        Space();
        if (p_ >= s_.size()) {
            ok_ = false;
            return v;
        }
        const char c = s_[p_];
        if (c == '{') {
            ++p_;
            v.type = JsonValue::Type::Object;
            if (Eat('}')) {
                return v;
            }
            do {
                std::string key = String();
                if (!Eat(':')) {
                    ok_ = false;
                    return v;
                }
                v.keys.push_back(std::move(key));
                v.values.push_back(Value());
            } while (ok_ && Eat(','));
            ok_ = ok_ && Eat('}');
        } else if (c == '[') {
            ++p_;
            v.type = JsonValue::Type::Array;
            if (Eat(']')) {
                return v;
            }
            do {
                v.items.push_back(Value());
            } while (ok_ && Eat(','));
            ok_ = ok_ && Eat(']');
        } else if (c == '"') {
            v.type = JsonValue::Type::String;
            v.text = String();
        } else if (s_.compare(p_, 4, "true") == 0 || s_.compare(p_, 5, "false") == 0) {
            v.type = JsonValue::Type::Bool;
            v.boolean = s_[p_] == 't';
            p_ += v.boolean ? 4 : 5;
        } else if (s_.compare(p_, 4, "null") == 0) {
            p_ += 4;
        } else {
            char* end = nullptr;
            v.type = JsonValue::Type::Number;
            v.number = std::strtod(s_.c_str() + p_, &end);
            if (end == s_.c_str() + p_) {
                ok_ = false;
            }
            p_ = static_cast<std::size_t>(end - s_.c_str());
        }
        return v;
    }

    std::string s_;
    std::size_t p_ = 0;
    bool ok_ = true;
};

} // namespace lumora::testing
