#include "XMPPath.h"

#include "NamespaceRegistry.h"
#include "XMPError.h"

namespace xmp {

namespace {

[[noreturn]] void BadPath(const std::string& path, const char* why) {
    throw XMPError(kXMPErr_BadXPath, std::string(why) + " in path '" + path + "'");
}

// "prefix:local" → (uri, "prefix:local"), checking the prefix is registered.
void ResolveQName(const std::string& qname, const std::string& path, std::string* uri) {
    size_t colon = qname.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == qname.size())
        BadPath(path, "Name without prefix");
    if (!NamespaceRegistry::Instance().URIForPrefix(qname.substr(0, colon), uri))
        throw XMPError(kXMPErr_BadSchema, "Unknown namespace prefix '" + qname.substr(0, colon) +
                                              "' in path '" + path + "'");
}

class PathParser {
public:
    PathParser(const std::string& schemaNS, const std::string& path)
        : schemaNS_(schemaNS), path_(path) {}

    std::vector<PathStep> Parse() {
        if (path_.empty())
            BadPath(path_, "Empty path");
        steps_.push_back(RootStep(ReadName()));
        while (pos_ < path_.size()) {
            char c = path_[pos_];
            if (c == '/') {
                ++pos_;
                bool qualifier = pos_ < path_.size() && path_[pos_] == '?';
                if (qualifier)
                    ++pos_;
                PathStep step{qualifier ? PathStep::kQualifier : PathStep::kField, {}, ReadName()};
                ResolveQName(step.name, path_, &step.ns);
                steps_.push_back(std::move(step));
            } else if (c == '[') {
                steps_.push_back(ReadBracket());
            } else {
                BadPath(path_, "Unexpected character");
            }
        }
        return std::move(steps_);
    }

private:
    std::string ReadName() {
        size_t start = pos_;
        while (pos_ < path_.size() && path_[pos_] != '/' && path_[pos_] != '[' &&
               path_[pos_] != ']' && path_[pos_] != '=')
            ++pos_;
        if (pos_ == start)
            BadPath(path_, "Missing name");
        return path_.substr(start, pos_ - start);
    }

    PathStep RootStep(const std::string& name) {
        PathStep step{PathStep::kField, {}, name};
        if (name[0] == '?')
            BadPath(path_, "A path cannot start with a qualifier");
        if (name.find(':') == std::string::npos) {
            std::string prefix;
            if (schemaNS_.empty() ||
                !NamespaceRegistry::Instance().PrefixForURI(schemaNS_, &prefix))
                throw XMPError(kXMPErr_BadSchema,
                               "Unregistered schema namespace '" + schemaNS_ + "'");
            step.ns = schemaNS_;
            step.name = prefix + ":" + name;
            return step;
        }
        ResolveQName(name, path_, &step.ns);
        if (!schemaNS_.empty() && step.ns != schemaNS_)
            throw XMPError(kXMPErr_BadSchema,
                           "Schema namespace and prefix differ in path '" + path_ + "'");
        return step;
    }

    PathStep ReadBracket() {
        size_t close = path_.find(']', pos_);
        if (close == std::string::npos)
            BadPath(path_, "Missing ']'");
        std::string inside = path_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = close + 1;
        if (inside == "last()")
            return PathStep{PathStep::kLast, {}, {}};
        if (!inside.empty() && inside.find_first_not_of("0123456789") == std::string::npos) {
            if (inside.size() > 9)
                BadPath(path_, "Array index too large");
            size_t index = std::stoul(inside);
            if (index == 0)
                throw XMPError(kXMPErr_BadIndex, "Array index 0 in path '" + path_ + "'");
            return PathStep{PathStep::kIndex, {}, {}, index};
        }
        size_t equals = inside.find('=');
        if (equals == std::string::npos || inside.size() < equals + 3)
            BadPath(path_, "Malformed array selector");
        char quote = inside[equals + 1];
        if ((quote != '"' && quote != '\'') || inside.back() != quote)
            BadPath(path_, "Unquoted selector value");
        std::string name = inside.substr(0, equals);
        std::string value = inside.substr(equals + 2, inside.size() - equals - 3);
        if (!name.empty() && name[0] == '?') {
            if (name != "?xml:lang")
                BadPath(path_, "Only xml:lang qualifier selectors are supported");
            return PathStep{PathStep::kLangSelector, ns::kXML, "xml:lang", 0, value};
        }
        PathStep step{PathStep::kFieldSelector, {}, name, 0, value};
        ResolveQName(name, path_, &step.ns);
        return step;
    }

    const std::string& schemaNS_;
    const std::string& path_;
    size_t pos_ = 0;
    std::vector<PathStep> steps_;
};

XMPNode* Descend(XMPNode* node, const PathStep& step, const PathStep* next, bool create) {
    auto newNode = [next](const std::string& nsURI, const std::string& name) {
        auto made = std::make_unique<XMPNode>(nsURI, name);
        if (next != nullptr) {
            bool indexed = next->kind == PathStep::kIndex || next->kind == PathStep::kLast;
            made->options = indexed ? kPropValueIsArray : kPropValueIsStruct;
            if (next->kind == PathStep::kQualifier)
                made->options = 0;
        }
        return made;
    };
    switch (step.kind) {
        case PathStep::kField: {
            if (node->IsStruct() || node->parent == nullptr) {
                if (XMPNode* field = node->FindChild(step.name))
                    return field;
            }
            if (XMPNode* qualifier = node->FindQualifier(step.name))
                return qualifier;  // the iterator's form of a qualifier path
            if (!create)
                return nullptr;
            if (!node->IsStruct() && node->parent != nullptr) {
                if (!node->IsSimple() || !node->value.empty())
                    throw XMPError(kXMPErr_BadXPath, "'" + node->name + "' is not a struct");
                node->options |= kPropValueIsStruct;
            }
            return node->AddChild(newNode(step.ns, step.name));
        }
        case PathStep::kQualifier: {
            if (XMPNode* qualifier = node->FindQualifier(step.name))
                return qualifier;
            if (!create)
                return nullptr;
            return node->AddQualifier(newNode(step.ns, step.name));
        }
        case PathStep::kIndex:
        case PathStep::kLast: {
            if (!node->IsArray()) {
                if (create)
                    throw XMPError(kXMPErr_BadXPath, "'" + node->name + "' is not an array");
                return nullptr;
            }
            size_t count = node->children.size();
            size_t index = step.kind == PathStep::kLast ? count : step.index;
            if (index >= 1 && index <= count)
                return node->children[index - 1].get();
            if (create && index == count + 1)
                return node->AddChild(newNode("", "[]"));
            if (create)
                throw XMPError(kXMPErr_BadIndex,
                               "Array index out of range in '" + node->name + "'");
            return nullptr;
        }
        case PathStep::kLangSelector:
            if (!node->IsArray())
                return nullptr;
            for (const auto& item : node->children) {
                if (SameLanguage(item->Lang(), step.value))
                    return item.get();
            }
            return nullptr;
        case PathStep::kFieldSelector:
            if (!node->IsArray())
                return nullptr;
            for (const auto& item : node->children) {
                XMPNode* field = item->IsStruct() ? item->FindChild(step.name) : nullptr;
                if (field != nullptr && field->IsSimple() && field->value == step.value)
                    return item.get();
            }
            return nullptr;
    }
    return nullptr;
}

}  // namespace

std::vector<PathStep> ParsePath(const std::string& schemaNS, const std::string& path) {
    return PathParser(schemaNS, path).Parse();
}

XMPNode* ResolvePath(XMPNode* root, const std::vector<PathStep>& steps, bool create) {
    XMPNode* node = root;
    for (size_t i = 0; i < steps.size() && node != nullptr; ++i) {
        const PathStep* next = i + 1 < steps.size() ? &steps[i + 1] : nullptr;
        node = Descend(node, steps[i], next, create);
    }
    return node;
}

}  // namespace xmp
