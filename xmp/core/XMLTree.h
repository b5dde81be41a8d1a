#pragma once
// A small element tree built from a packet with Expat: namespace-resolved names, attributes in
// document order, the element's text. Comments and processing instructions (the xpacket
// wrapper) are dropped. Document type declarations are refused before their internal subset
// is read, so no entity is ever declared, let alone expanded or fetched.
#include <memory>
#include <string>
#include <vector>

namespace xmp {

struct XMLName {
    std::string ns;  // empty when the name is in no namespace
    std::string local;
    std::string prefix;  // as written, for registering the namespace
    bool Is(const char* nsURI, const char* localName) const {
        return ns == nsURI && local == localName;
    }
};

struct XMLAttribute {
    XMLName name;
    std::string value;
};

struct XMLElement {
    XMLName name;
    std::vector<XMLAttribute> attributes;
    std::vector<std::unique_ptr<XMLElement>> children;
    std::string text;  // all character data directly inside, concatenated
};

// Caps on what one packet may hold; beyond them the packet is refused (XMPError 203).
constexpr size_t kMaxPacketBytes = 64u << 20;
constexpr int kMaxElementDepth = 256;
// Elements plus attributes: a tree node costs far more memory than its bytes in the packet.
constexpr size_t kMaxXMLNodes = 500000;

// Parses UTF-8 XML. Throws XMPError 201 when it is not well-formed, 203 for a refused DOCTYPE
// or a packet over the caps. Returns null for an empty or all-whitespace buffer.
std::unique_ptr<XMLElement> ParseXMLTree(const std::string& utf8);

}  // namespace xmp
