#pragma once
// One node of the XMP data model: a property, struct field, array item or qualifier. Named
// nodes carry their namespace URI and their qualified name "prefix:local" (the prefix is the
// registry's, which never changes for a URI); array items are named "[]".
#include <memory>
#include <string>
#include <vector>

#include "XMPConsts.h"

namespace xmp {

struct XMPNode {
    using Owned = std::unique_ptr<XMPNode>;

    std::string ns;
    std::string name;
    std::string value;
    XMPOptions options = 0;
    XMPNode* parent = nullptr;
    std::vector<Owned> children;  // struct fields or array items
    std::vector<Owned> qualifiers;

    XMPNode() = default;
    XMPNode(std::string nsURI, std::string qualifiedName, XMPOptions opts = 0)
        : ns(std::move(nsURI)), name(std::move(qualifiedName)), options(opts) {}

    bool IsArray() const { return (options & kPropValueIsArray) != 0; }
    bool IsStruct() const { return (options & kPropValueIsStruct) != 0; }
    bool IsSimple() const { return (options & kPropCompositeMask) == 0; }
    bool IsLangQualifier() const { return name == "xml:lang"; }

    XMPNode* AddChild(Owned child);
    // xml:lang goes first so that every tree keeps one order for its qualifiers.
    XMPNode* AddQualifier(Owned qualifier);
    XMPNode* FindChild(const std::string& qualifiedName) const;
    XMPNode* FindQualifier(const std::string& qualifiedName) const;
    void RemoveQualifier(const XMPNode* qualifier);
    void RemoveChild(const XMPNode* child);
    // The value of the xml:lang qualifier, or "" without one.
    const std::string& Lang() const;

    Owned Clone(XMPNode* newParent) const;
};

// Language tags compare without regard to case ("en-US" names the same language as "en-us").
bool SameLanguage(const std::string& a, const std::string& b);

// "prefix:local" for a URI in the registry (registering it under suggestedPrefix if new).
std::string QualifiedName(const std::string& nsURI, const std::string& local,
                          const std::string& suggestedPrefix);

}  // namespace xmp
