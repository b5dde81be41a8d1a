#pragma once
// Property paths: "prefix:name" (or a bare name in the given schema), then any of
// "/prefix:field" (a struct field, or a qualifier of a node that is not a struct),
// "/?prefix:qualifier", "[n]" (1-based), "[last()]", "[?xml:lang=\"en\"]" and
// "[prefix:field=\"value\"]" (the first array item whose field has that value).
#include <string>
#include <vector>

#include "XMPNode.h"

namespace xmp {

struct PathStep {
    enum Kind { kField, kQualifier, kIndex, kLast, kLangSelector, kFieldSelector };
    Kind kind;
    std::string ns;
    std::string name;  // "prefix:local" for fields, qualifiers and field selectors
    size_t index;
    std::string value;  // of a selector

    PathStep(Kind k, std::string nsURI = {}, std::string qualifiedName = {}, size_t i = 0,
             std::string selectorValue = {})
        : kind(k),
          ns(std::move(nsURI)),
          name(std::move(qualifiedName)),
          index(i),
          value(std::move(selectorValue)) {}
};

// Throws XMPError 102 for a malformed path, 101 for an unknown prefix or a schema mismatch.
std::vector<PathStep> ParsePath(const std::string& schemaNS, const std::string& path);

// The node a path names, or null. With create, missing struct fields, qualifiers and
// the item one past the end of an array are made on the way (a new node followed by an index
// becomes a Bag, one followed by a field a struct).
XMPNode* ResolvePath(XMPNode* root, const std::vector<PathStep>& steps, bool create);

}  // namespace xmp
