#pragma once
// Helpers over paths and values: composing paths to array items, struct fields and
// qualifiers, text to integer conversion and Base64. All static; errors as XMPError.
#include <cstdint>
#include <string>

#include "XMPConsts.h"

namespace xmp {

class TXMPUtils {
public:
    // arrayName "[" index "]", or arrayName "[last()]" for kArrayLastItem. XMPError 104 for
    // any other index below 1.
    static void ComposeArrayItemPath(const std::string& schemaNS, const std::string& arrayName,
                                     int32_t itemIndex, std::string* fullPath);
    // structName "/" prefix ":" fieldName; fieldNS must be registered (XMPError 101).
    static void ComposeStructFieldPath(const std::string& schemaNS, const std::string& structName,
                                       const std::string& fieldNS, const std::string& fieldName,
                                       std::string* fullPath);
    // propName "/?" prefix ":" qualName.
    static void ComposeQualifierPath(const std::string& schemaNS, const std::string& propName,
                                     const std::string& qualNS, const std::string& qualName,
                                     std::string* fullPath);
    // arrayName "[?xml:lang=\"" lang "\"]".
    static void ComposeLangSelector(const std::string& schemaNS, const std::string& arrayName,
                                    const std::string& langName, std::string* fullPath);

    // Decimal or "0x" hexadecimal, with an optional sign and surrounding spaces. XMPError 5 for
    // empty text, stray characters or a value out of range.
    static int32_t ConvertToInt(const std::string& text);
    static int64_t ConvertToInt64(const std::string& text);

    // Standard alphabet with '=' padding, no line breaks.
    static void EncodeToBase64(const std::string& raw, std::string* encoded);
    // Ignores whitespace and "&#xA;"-style line-break references anywhere; padding may be
    // left out. XMPError 5 for any other character or a truncated group.
    static void DecodeFromBase64(const std::string& encoded, std::string* raw);
};

}  // namespace xmp
