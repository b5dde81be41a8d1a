#include "tools/client/JsonValues.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVEntryIterator.h"
#include "kvfoundation/data/IKVIterator.h"
#include "tools/client/Base64.h"

namespace vantory::client {

using kvfoundation::base::IKVType;
using kvfoundation::base::KVRefCountT;
namespace data = kvfoundation::data;

namespace {

constexpr int kMaxDepth = 256;

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : text_(text) {}

    IKVType* ParseDocument() {
        IKVType* value = ParseValue(0);
        SkipSpace();
        if (pos_ != text_.size()) {
            Fail("unexpected text after the value");
        }
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw JsonError("JSON: " + what + " at byte " + std::to_string(pos_));
    }

    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                       text_[pos_] == '\r' || text_[pos_] == '\t')) {
            ++pos_;
        }
    }

    char Peek() {
        SkipSpace();
        if (pos_ >= text_.size()) {
            Fail("unexpected end of text");
        }
        return text_[pos_];
    }

    void Expect(char c) {
        if (Peek() != c) {
            Fail(std::string("expected '") + c + "'");
        }
        ++pos_;
    }

    bool ConsumeWord(std::string_view word) {
        if (text_.substr(pos_, word.size()) == word) {
            pos_ += word.size();
            return true;
        }
        return false;
    }

    IKVType* ParseValue(int depth) {
        if (depth > kMaxDepth) {
            Fail("nesting deeper than " + std::to_string(kMaxDepth));
        }
        char c = Peek();
        if (c == '{') {
            return ParseObject(depth);
        }
        if (c == '[') {
            return ParseArray(depth);
        }
        if (c == '"') {
            std::string s = ParseString();
            return data::CreateStringFromUTF8(s.data(), static_cast<int32_t>(s.size()));
        }
        if (ConsumeWord("true")) {
            return data::CreateBool(true);
        }
        if (ConsumeWord("false")) {
            return data::CreateBool(false);
        }
        if (ConsumeWord("null")) {
            return data::Null();
        }
        return ParseNumber();
    }

    IKVType* ParseObject(int depth) {
        Expect('{');
        std::vector<std::pair<std::string, KVRefCountT<IKVType>>> members;
        if (Peek() != '}') {
            do {
                if (Peek() != '"') {
                    Fail("expected a member name");
                }
                std::string key = ParseString();
                Expect(':');
                members.emplace_back(std::move(key), ParseValue(depth + 1));
            } while (Peek() == ',' && ++pos_);
        }
        Expect('}');
        if (members.size() == 1 && (members[0].first == "$data" || members[0].first == "$file")) {
            return MakeData(members[0].first, members[0].second.get());
        }
        data::IKVMutableMap* map = data::CreateMutableMap(static_cast<int32_t>(members.size()));
        for (auto& [key, value] : members) {
            map->SetObjectForKey(
                data::CreateStringFromUTF8(key.data(), static_cast<int32_t>(key.size())),
                value.get());
        }
        return map;
    }

    IKVType* MakeData(const std::string& form, IKVType* argument) {
        auto* text = dynamic_cast<data::IKVString*>(argument);
        if (text == nullptr) {
            Fail("\"" + form + "\" takes a string");
        }
        std::string utf8 = text->CString();
        std::vector<uint8_t> bytes;
        if (form == "$data") {
            auto decoded = DecodeBase64(utf8);
            if (!decoded) {
                Fail("\"$data\" is not base64");
            }
            bytes = std::move(*decoded);
        } else {
            std::ifstream in(utf8, std::ios::binary);
            if (!in) {
                Fail("cannot read the file \"" + utf8 + "\"");
            }
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        if (bytes.size() > 0x7fffffffu) {
            Fail("data larger than 2 GiB");
        }
        return data::CreateData(bytes.data(), static_cast<int32_t>(bytes.size()));
    }

    IKVType* ParseArray(int depth) {
        Expect('[');
        data::IKVMutableList* list = data::CreateMutableList(0);
        if (Peek() != ']') {
            do {
                list->AddObject(ParseValue(depth + 1));
            } while (Peek() == ',' && ++pos_);
        }
        Expect(']');
        return list;
    }

    IKVType* ParseNumber() {
        size_t start = pos_;
        bool integral = true;
        if (pos_ < text_.size() && text_[pos_] == '-') {
            ++pos_;
        }
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (c >= '0' && c <= '9') {
                ++pos_;
            } else if (c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-') {
                integral = false;
                ++pos_;
            } else {
                break;
            }
        }
        std::string literal(text_.substr(start, pos_ - start));
        if (literal.empty() || literal == "-") {
            pos_ = start;
            Fail("expected a value");
        }
        char* end = nullptr;
        errno = 0;
        if (integral) {
            long long value = std::strtoll(literal.c_str(), &end, 10);
            if (errno == 0 && *end == '\0') {
                return data::CreateInt64(value);
            }
        }
        errno = 0;
        double value = std::strtod(literal.c_str(), &end);
        if (*end != '\0' || !std::isfinite(value)) {
            pos_ = start;
            Fail("bad number \"" + literal + "\"");
        }
        return data::CreateDouble(value);
    }

    uint32_t ParseHex4() {
        if (pos_ + 4 > text_.size()) {
            Fail("short \\u escape");
        }
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            char c = text_[pos_++];
            value <<= 4;
            if (c >= '0' && c <= '9') {
                value |= c - '0';
            } else if (c >= 'a' && c <= 'f') {
                value |= c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                value |= c - 'A' + 10;
            } else {
                Fail("bad \\u escape");
            }
        }
        return value;
    }

    static void AppendUTF8(std::string& out, uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string ParseString() {
        Expect('"');
        std::string out;
        while (true) {
            if (pos_ >= text_.size()) {
                Fail("unterminated string");
            }
            char c = text_[pos_++];
            if (c == '"') {
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                --pos_;
                Fail("control character in a string");
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) {
                Fail("unterminated string");
            }
            switch (char e = text_[pos_++]) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    uint32_t cp = ParseHex4();
                    // A high surrogate followed by a low one is one code point; a lone
                    // surrogate becomes U+FFFD.
                    if (cp >= 0xD800 && cp < 0xDC00 && text_.substr(pos_, 2) == "\\u") {
                        size_t save = pos_;
                        pos_ += 2;
                        uint32_t low = ParseHex4();
                        if (low >= 0xDC00 && low < 0xE000) {
                            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                        } else {
                            pos_ = save;
                        }
                    }
                    if (cp >= 0xD800 && cp < 0xE000) {
                        cp = 0xFFFD;
                    }
                    AppendUTF8(out, cp);
                    break;
                }
                default:
                    (void)e;
                    --pos_;
                    Fail("bad escape");
            }
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
};

class JsonWriter {
public:
    JsonWriter(const DataRenderer& renderData, int indent)
        : renderData_(renderData), indent_(indent) {}

    void Write(const IKVType* value, int depth) {
        if (value == nullptr || dynamic_cast<const data::IKVNull*>(value) != nullptr) {
            out_ += "null";
        } else if (auto* s = dynamic_cast<const data::IKVString*>(value)) {
            out_ += QuoteJson(s->CString());
        } else if (auto* b = dynamic_cast<const data::IKVBool*>(value)) {
            out_ += b->BoolValue() ? "true" : "false";
        } else if (auto* n = dynamic_cast<const data::IKVNumber*>(value)) {
            WriteNumber(*n);
        } else if (auto* d = dynamic_cast<const data::IKVData*>(value)) {
            out_ += renderData_(*d);
        } else if (auto* list = dynamic_cast<const data::IKVList*>(value)) {
            WriteList(*list, depth);
        } else if (auto* map = dynamic_cast<const data::IKVMap*>(value)) {
            WriteMap(*map, depth);
        } else {
            out_ += QuoteJson(const_cast<IKVType*>(value)->Description()->CString());
        }
    }

    std::string Take() { return std::move(out_); }

private:
    void NewLine(int depth) {
        if (indent_ > 0) {
            out_ += '\n';
            out_.append(static_cast<size_t>(depth * indent_), ' ');
        }
    }

    void WriteNumber(const data::IKVNumber& n) {
        char buffer[40];
        if (n.IsFloat()) {
            std::snprintf(buffer, sizeof buffer, "%.17g", n.DoubleValue());
        } else {
            std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(n.Int64Value()));
        }
        out_ += buffer;
    }

    void WriteList(const data::IKVList& list, int depth) {
        if (list.Count() == 0) {
            out_ += "[]";
            return;
        }
        out_ += '[';
        for (int32_t i = 0; i < list.Count(); ++i) {
            if (i > 0) {
                out_ += ',';
            }
            NewLine(depth + 1);
            Write(list.ObjectAt(i), depth + 1);
        }
        NewLine(depth);
        out_ += ']';
    }

    void WriteMap(const data::IKVMap& map, int depth) {
        if (map.Count() == 0) {
            out_ += "{}";
            return;
        }
        out_ += '{';
        bool first = true;
        data::IKVEntryIterator* entries = map.EntryIterator();
        while (entries->HasNext()) {
            IKVType* key = entries->Next();
            if (!first) {
                out_ += ',';
            }
            first = false;
            NewLine(depth + 1);
            auto* name = dynamic_cast<data::IKVString*>(key);
            out_ += QuoteJson(name != nullptr ? name->CString() : key->Description()->CString());
            out_ += indent_ > 0 ? ": " : ":";
            Write(entries->Value(), depth + 1);
        }
        NewLine(depth);
        out_ += '}';
    }

    const DataRenderer& renderData_;
    int indent_;
    std::string out_;
};

}  // namespace

IKVType* ParseJson(std::string_view text) {
    return JsonParser(text).ParseDocument();
}

std::string SummariseData(const data::IKVData& data) {
    return "{\"$data\": \"<" + std::to_string(data.Length()) + " bytes>\"}";
}

std::string ToJson(const IKVType* value, const DataRenderer& renderData, int indent) {
    JsonWriter writer(renderData, indent);
    writer.Write(value, 0);
    return writer.Take();
}

std::string QuoteJson(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

}  // namespace vantory::client
