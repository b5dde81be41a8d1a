#include "ThumbMetaLib/shell/ExecLine.h"

#include <cctype>

namespace ThumbMetaLib::shell {
namespace {

bool KnownFieldCode(char code) {
    return code == 'i' || code == 'u' || code == 'o' || code == 's' || code == '%';
}

// Every '%' in an argument must start a known field code.
bool FieldCodesValid(const std::string& argument) {
    for (size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] == '%') {
            if (i + 1 >= argument.size() || !KnownFieldCode(argument[i + 1])) {
                return false;
            }
            ++i;
        }
    }
    return true;
}

}  // namespace

std::optional<std::vector<std::string>> SplitExecLine(const std::string& line) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < line.size() &&
                       std::string_view("\"`$\\").find(line[i + 1]) != std::string_view::npos) {
                current += line[++i];
            } else {
                current += c;
            }
        } else if (c == ' ' || c == '\t') {
            if (inArgument) {
                arguments.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
        } else if (c == '"') {
            quoted = true;
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    if (inArgument) {
        arguments.push_back(std::move(current));
    }
    if (arguments.empty()) {
        return std::nullopt;
    }
    for (const std::string& argument : arguments) {
        if (!FieldCodesValid(argument)) {
            return std::nullopt;
        }
    }
    return arguments;
}

std::vector<std::string> ExpandExecLine(const std::vector<std::string>& arguments,
                                        const ExecFields& fields) {
    std::vector<std::string> expanded;
    expanded.reserve(arguments.size());
    for (const std::string& argument : arguments) {
        std::string out;
        for (size_t i = 0; i < argument.size(); ++i) {
            if (argument[i] != '%' || i + 1 >= argument.size()) {
                out += argument[i];
                continue;
            }
            switch (argument[++i]) {
                case 'i':
                    out += fields.inputPath;
                    break;
                case 'u':
                    out += fields.inputUri;
                    break;
                case 'o':
                    out += fields.outputPath;
                    break;
                case 's':
                    out += std::to_string(fields.size);
                    break;
                default:
                    out += argument[i];
                    break;  // "%%"
            }
        }
        expanded.push_back(std::move(out));
    }
    return expanded;
}

std::string FileUri(const std::string& absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : absolutePath) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            uri += char(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

}  // namespace ThumbMetaLib::shell
