#include "TXMPIterator.h"

#include "XMPPath.h"

namespace xmp {

TXMPIterator::TXMPIterator(const TXMPMeta& meta, XMPOptions options)
    : TXMPIterator(meta, std::string(), options) {}

TXMPIterator::TXMPIterator(const TXMPMeta& meta, const std::string& schemaNS, XMPOptions options)
    : leavesOnly_((options & kIterJustLeafNodes) != 0) {
    for (const auto& property : meta.Root().children) {
        if (schemaNS.empty() || property->ns == schemaNS)
            Visit(*property, property->ns, property->name);
    }
}

TXMPIterator::TXMPIterator(const TXMPMeta& meta, const std::string& schemaNS,
                           const std::string& propName, XMPOptions options)
    : leavesOnly_((options & kIterJustLeafNodes) != 0) {
    const XMPNode* node =
        ResolvePath(const_cast<XMPNode*>(&meta.Root()), ParsePath(schemaNS, propName), false);
    if (node == nullptr)
        return;
    const XMPNode* property = node;  // the top-level property holds the schema namespace
    while (property->parent != nullptr && property->parent->parent != nullptr)
        property = property->parent;
    Visit(*node, property->ns, propName);
}

void TXMPIterator::Visit(const XMPNode& node, const std::string& schemaNS,
                         const std::string& path) {
    if (!leavesOnly_ || node.children.empty())
        entries_.push_back({&schemaNS, path, &node.value, node.options});
    for (const auto& qualifier : node.qualifiers)
        Visit(*qualifier, schemaNS, path + "/" + qualifier->name);
    for (size_t i = 0; i < node.children.size(); ++i) {
        const XMPNode& child = *node.children[i];
        Visit(child, schemaNS,
              node.IsArray() ? path + "[" + std::to_string(i + 1) + "]" : path + "/" + child.name);
    }
}

bool TXMPIterator::Next(std::string* schemaNS, std::string* propPath, std::string* propValue,
                        XMPOptions* options) {
    if (next_ >= entries_.size())
        return false;
    const Entry& entry = entries_[next_++];
    if (schemaNS)
        *schemaNS = *entry.schemaNS;
    if (propPath)
        *propPath = entry.path;
    if (propValue)
        *propValue = *entry.value;
    if (options)
        *options = entry.options;
    return true;
}

}  // namespace xmp
