#include "XMPNode.h"

#include <algorithm>
#include <cctype>

#include "NamespaceRegistry.h"

namespace xmp {

XMPNode* XMPNode::AddChild(Owned child) {
    child->parent = this;
    children.push_back(std::move(child));
    return children.back().get();
}

XMPNode* XMPNode::AddQualifier(Owned qualifier) {
    qualifier->parent = this;
    qualifier->options |= kPropIsQualifier;
    options |= kPropHasQualifiers;
    if (qualifier->IsLangQualifier()) {
        options |= kPropHasLang;
        qualifiers.insert(qualifiers.begin(), std::move(qualifier));
        return qualifiers.front().get();
    }
    qualifiers.push_back(std::move(qualifier));
    return qualifiers.back().get();
}

XMPNode* XMPNode::FindChild(const std::string& qualifiedName) const {
    for (const Owned& child : children) {
        if (child->name == qualifiedName)
            return child.get();
    }
    return nullptr;
}

XMPNode* XMPNode::FindQualifier(const std::string& qualifiedName) const {
    for (const Owned& qualifier : qualifiers) {
        if (qualifier->name == qualifiedName)
            return qualifier.get();
    }
    return nullptr;
}

void XMPNode::RemoveQualifier(const XMPNode* qualifier) {
    std::erase_if(qualifiers, [qualifier](const Owned& q) { return q.get() == qualifier; });
    if (FindQualifier("xml:lang") == nullptr)
        options &= ~kPropHasLang;
    if (qualifiers.empty())
        options &= ~kPropHasQualifiers;
}

void XMPNode::RemoveChild(const XMPNode* child) {
    std::erase_if(children, [child](const Owned& c) { return c.get() == child; });
}

const std::string& XMPNode::Lang() const {
    static const std::string kNone;
    if (!qualifiers.empty() && qualifiers.front()->IsLangQualifier())
        return qualifiers.front()->value;
    return kNone;
}

XMPNode::Owned XMPNode::Clone(XMPNode* newParent) const {
    auto copy = std::make_unique<XMPNode>(ns, name, options);
    copy->value = value;
    copy->parent = newParent;
    for (const Owned& child : children)
        copy->children.push_back(child->Clone(copy.get()));
    for (const Owned& qualifier : qualifiers)
        copy->qualifiers.push_back(qualifier->Clone(copy.get()));
    return copy;
}

bool SameLanguage(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string QualifiedName(const std::string& nsURI, const std::string& local,
                          const std::string& suggestedPrefix) {
    return NamespaceRegistry::Instance().Register(nsURI, suggestedPrefix) + ":" + local;
}

}  // namespace xmp
