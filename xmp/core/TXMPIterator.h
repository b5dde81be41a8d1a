#pragma once
// Walks a tree in document order and yields (schema namespace, path, value, options) per node:
// a node first, then its qualifiers, then its fields or items. Paths read "dc:title[1]",
// "dc:title[1]/xml:lang" (a qualifier, written like a field), "xmp:Thumbnails[1]/xmpGImg:width";
// every path yielded names its node again in TXMPMeta::GetProperty. The walk is taken when the
// iterator is made and refers into the tree: do not change or destroy the tree while iterating.
#include <string>
#include <vector>

#include "TXMPMeta.h"

namespace xmp {

class TXMPIterator {
public:
    // options: 0 for every property node, kIterJustLeafNodes for nodes without children.
    explicit TXMPIterator(const TXMPMeta& meta, XMPOptions options = 0);
    // Only the properties of one schema.
    TXMPIterator(const TXMPMeta& meta, const std::string& schemaNS, XMPOptions options);
    // Only the subtree of one property (itself included); nothing when it does not exist.
    TXMPIterator(const TXMPMeta& meta, const std::string& schemaNS, const std::string& propName,
                 XMPOptions options);

    bool Next(std::string* schemaNS, std::string* propPath, std::string* propValue,
              XMPOptions* options);

private:
    struct Entry {
        const std::string* schemaNS;
        std::string path;
        const std::string* value;
        XMPOptions options;
    };
    void Visit(const XMPNode& node, const std::string& schemaNS, const std::string& path);

    bool leavesOnly_;
    std::vector<Entry> entries_;
    size_t next_ = 0;
};

}  // namespace xmp
