#include "TXMPUtils.h"

#include <limits>

#include "NamespaceRegistry.h"
#include "XMPError.h"

namespace xmp {

namespace {

std::string PrefixOf(const std::string& uri) {
    std::string prefix;
    if (!NamespaceRegistry::Instance().PrefixForURI(uri, &prefix))
        throw XMPError(kXMPErr_BadSchema, "Unregistered namespace '" + uri + "'");
    return prefix;
}

void RequireName(const std::string& name, const char* what) {
    if (name.empty())
        throw XMPError(kXMPErr_BadParam, std::string("Empty ") + what);
}

[[noreturn]] void NotAnInteger(const std::string& text) {
    throw XMPError(kXMPErr_BadValue, "Invalid integer string '" + text + "'");
}

}  // namespace

void TXMPUtils::ComposeArrayItemPath(const std::string&, const std::string& arrayName,
                                     int32_t itemIndex, std::string* fullPath) {
    RequireName(arrayName, "array name");
    if (itemIndex == kArrayLastItem) {
        *fullPath = arrayName + "[last()]";
        return;
    }
    if (itemIndex < 1)
        throw XMPError(kXMPErr_BadIndex, "Array index must be at least 1");
    *fullPath = arrayName + "[" + std::to_string(itemIndex) + "]";
}

void TXMPUtils::ComposeStructFieldPath(const std::string&, const std::string& structName,
                                       const std::string& fieldNS, const std::string& fieldName,
                                       std::string* fullPath) {
    RequireName(structName, "struct name");
    RequireName(fieldName, "field name");
    *fullPath = structName + "/" + PrefixOf(fieldNS) + ":" + fieldName;
}

void TXMPUtils::ComposeQualifierPath(const std::string&, const std::string& propName,
                                     const std::string& qualNS, const std::string& qualName,
                                     std::string* fullPath) {
    RequireName(propName, "property name");
    RequireName(qualName, "qualifier name");
    *fullPath = propName + "/?" + PrefixOf(qualNS) + ":" + qualName;
}

void TXMPUtils::ComposeLangSelector(const std::string&, const std::string& arrayName,
                                    const std::string& langName, std::string* fullPath) {
    RequireName(arrayName, "array name");
    RequireName(langName, "language");
    if (langName.find('"') != std::string::npos)
        throw XMPError(kXMPErr_BadParam, "Quote in a language name");
    *fullPath = arrayName + "[?xml:lang=\"" + langName + "\"]";
}

int64_t TXMPUtils::ConvertToInt64(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r\n");
    size_t end = text.find_last_not_of(" \t\r\n");
    if (begin == std::string::npos)
        throw XMPError(kXMPErr_BadValue, "Empty convert-from string");
    std::string_view digits(text.data() + begin, end - begin + 1);
    bool negative = false;
    if (digits[0] == '-' || digits[0] == '+') {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    unsigned base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    if (digits.empty())
        NotAnInteger(text);
    // Accumulate the magnitude as unsigned, so that the most negative value still fits.
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    for (char c : digits) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            NotAnInteger(text);
        if (magnitude > (limit - digit) / base)
            throw XMPError(kXMPErr_BadValue, "Integer out of range '" + text + "'");
        magnitude = magnitude * base + digit;
    }
    if (negative)
        return magnitude == uint64_t(std::numeric_limits<int64_t>::max()) + 1
                   ? std::numeric_limits<int64_t>::min()
                   : -int64_t(magnitude);
    return int64_t(magnitude);
}

int32_t TXMPUtils::ConvertToInt(const std::string& text) {
    int64_t value = ConvertToInt64(text);
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw XMPError(kXMPErr_BadValue, "Integer out of range '" + text + "'");
    return int32_t(value);
}

}  // namespace xmp
