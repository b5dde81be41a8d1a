#include "RDFReader.h"

#include "XMPError.h"

namespace xmp {

namespace {

[[noreturn]] void BadRDF(const std::string& text) {
    throw XMPError(kXMPErr_BadRDF, text);
}
[[noreturn]] void BadXMP(const std::string& text) {
    throw XMPError(kXMPErr_BadXMP, text);
}

bool IsAllWhitespace(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

bool IsRDF(const XMLName& name, const char* local) {
    return name.Is(ns::kRDF, local);
}

std::string Written(const XMLName& name) {
    return name.prefix.empty() ? name.local : name.prefix + ":" + name.local;
}

const XMLElement* FindRDFElement(const XMLElement& element) {
    if (IsRDF(element.name, "RDF"))
        return &element;
    for (const auto& child : element.children) {
        if (const XMLElement* found = FindRDFElement(*child))
            return found;
    }
    return nullptr;
}

// The name a property, field or qualifier element or attribute gets in the tree.
std::string NodeName(const XMLName& name) {
    if (name.ns.empty())
        BadRDF("XMP property '" + name.local + "' is in no namespace");
    if (name.ns == ns::kXML)
        BadRDF("'" + Written(name) + "' cannot be an XMP property");
    if (name.ns == ns::kRDF && name.local != "value")
        BadRDF("'" + Written(name) + "' cannot be an XMP property");
    return QualifiedName(name.ns, name.local, name.prefix);
}

void AddUniqueChild(XMPNode* parent, XMPNode::Owned child) {
    if (parent->FindChild(child->name) != nullptr)
        BadXMP("Duplicate property or field '" + child->name + "'");
    parent->AddChild(std::move(child));
}

void AddUniqueQualifier(XMPNode* node, XMPNode::Owned qualifier) {
    if (node->FindQualifier(qualifier->name) != nullptr)
        BadXMP("Duplicate qualifier '" + qualifier->name + "'");
    node->AddQualifier(std::move(qualifier));
}

XMPNode::Owned SimpleNode(const std::string& nsURI, const std::string& name,
                          const std::string& value) {
    auto node = std::make_unique<XMPNode>(nsURI, name);
    node->value = value;
    return node;
}

void AddLang(XMPNode* node, const std::string* lang) {
    if (lang != nullptr)
        AddUniqueQualifier(node, SimpleNode(ns::kXML, "xml:lang", *lang));
}

// A struct whose fields include rdf:value is a value with qualifiers: the rdf:value field is
// the value, the other fields are its qualifiers.
XMPNode::Owned ResolveQualifiedValue(XMPNode::Owned node) {
    XMPNode* valueField = node->FindChild("rdf:value");
    if (valueField == nullptr)
        return node;
    XMPNode::Owned value;
    for (auto& field : node->children) {
        if (field.get() == valueField)
            value = std::move(field);
    }
    value->ns = node->ns;
    value->name = node->name;
    for (auto& field : node->children) {
        if (field)
            AddUniqueQualifier(value.get(), std::move(field));
    }
    value->parent = nullptr;
    return value;
}

class Reader {
public:
    // Reads one property element (also a field, a qualifier or an array item) into a node.
    XMPNode::Owned ReadPropertyElement(const XMLElement& e, const std::string& nsURI,
                                       const std::string& name) {
        const std::string* lang = nullptr;
        const std::string* parseType = nullptr;
        const std::string* resource = nullptr;
        std::vector<const XMLAttribute*> propertyAttributes;
        for (const XMLAttribute& a : e.attributes) {
            if (a.name.Is(ns::kXML, "lang")) {
                lang = &a.value;
            } else if (a.name.ns == ns::kXML) {
                continue;  // xml:space and the like say nothing about the value
            } else if (IsRDF(a.name, "parseType")) {
                parseType = &a.value;
            } else if (IsRDF(a.name, "resource")) {
                resource = &a.value;
            } else if (IsRDF(a.name, "ID") || IsRDF(a.name, "datatype")) {
                continue;
            } else if (a.name.ns == ns::kRDF && a.name.local != "value") {
                BadRDF("Attribute '" + Written(a.name) + "' is not allowed on a property");
            } else {
                propertyAttributes.push_back(&a);
            }
        }
        const bool hasElements = !e.children.empty();
        const bool hasText = !IsAllWhitespace(e.text);
        if (hasElements && hasText)
            BadRDF("Property '" + Written(e.name) + "' mixes text and elements");

        XMPNode::Owned node;
        if (parseType != nullptr) {
            if (*parseType == "Literal")
                BadXMP("rdf:parseType=\"Literal\" is not supported in XMP");
            if (*parseType != "Resource")
                BadRDF("rdf:parseType=\"" + *parseType + "\" is not allowed in XMP");
            if (resource != nullptr || !propertyAttributes.empty() || hasText)
                BadRDF("rdf:parseType=\"Resource\" property '" + Written(e.name) +
                       "' has attributes or text");
            node = std::make_unique<XMPNode>(nsURI, name, kPropValueIsStruct);
            ReadFieldElements(e, node.get());
            node = ResolveQualifiedValue(std::move(node));
        } else if (resource != nullptr) {
            if (hasElements || hasText)
                BadRDF("Property '" + Written(e.name) + "' has rdf:resource and content");
            node = SimpleNode(nsURI, name, *resource);
            node->options |= kPropValueIsURI;
            for (const XMLAttribute* a : propertyAttributes) {
                if (IsRDF(a->name, "value"))
                    BadRDF("rdf:value beside rdf:resource");
                AddUniqueQualifier(node.get(), SimpleNode(a->name.ns, NodeName(a->name), a->value));
            }
        } else if (hasElements) {
            if (!propertyAttributes.empty())
                BadRDF("Property '" + Written(e.name) + "' has attributes and elements");
            if (e.children.size() != 1)
                BadRDF("Property '" + Written(e.name) + "' holds more than one node element");
            node = ReadNodeElement(*e.children.front(), nsURI, name);
        } else if (!propertyAttributes.empty()) {
            // An empty element with property attributes: a struct written in shorthand.
            if (hasText)
                BadRDF("Property '" + Written(e.name) + "' has attributes and text");
            node = std::make_unique<XMPNode>(nsURI, name, kPropValueIsStruct);
            ReadFieldAttributes(propertyAttributes, node.get());
            node = ResolveQualifiedValue(std::move(node));
        } else {
            node = SimpleNode(nsURI, name, e.text);
        }
        AddLang(node.get(), lang);
        return node;
    }

private:
    XMPNode::Owned ReadNodeElement(const XMLElement& e, const std::string& nsURI,
                                   const std::string& name) {
        if (IsRDF(e.name, "Bag") || IsRDF(e.name, "Seq") || IsRDF(e.name, "Alt"))
            return ReadArray(e, nsURI, name);
        if (IsRDF(e.name, "Description"))
            return ReadNestedDescription(e, nsURI, name);
        BadRDF("Typed node element '" + Written(e.name) + "' is not supported in XMP");
    }

    XMPNode::Owned ReadArray(const XMLElement& e, const std::string& nsURI,
                             const std::string& name) {
        XMPOptions form = kPropValueIsArray;
        if (e.name.local == "Seq")
            form |= kPropArrayIsOrdered;
        if (e.name.local == "Alt")
            form |= kPropArrayIsOrdered | kPropArrayIsAlternate;
        if (!IsAllWhitespace(e.text))
            BadRDF("Array '" + name + "' holds text outside its items");
        auto array = std::make_unique<XMPNode>(nsURI, name, form);
        for (const auto& item : e.children) {
            if (!IsRDF(item->name, "li") && !IsMemberName(item->name))
                BadRDF("Array '" + name + "' holds '" + Written(item->name) +
                       "' instead of rdf:li");
            array->AddChild(ReadPropertyElement(*item, "", "[]"));
        }
        if ((form & kPropArrayIsAlternate) && !array->children.empty()) {
            bool allLang = true;
            for (const auto& item : array->children)
                allLang = allLang && item->IsSimple() && !item->Lang().empty() &&
                          item->FindQualifier("xml:lang") != nullptr;
            if (allLang)
                array->options |= kPropArrayIsAltText;
        }
        return array;
    }

    static bool IsMemberName(const XMLName& name) {
        // rdf:_1, rdf:_2 … name items by position; document order is kept instead.
        if (name.ns != ns::kRDF || name.local.size() < 2 || name.local[0] != '_')
            return false;
        return name.local.find_first_not_of("0123456789", 1) == std::string::npos;
    }

    XMPNode::Owned ReadNestedDescription(const XMLElement& e, const std::string& nsURI,
                                         const std::string& name) {
        if (!IsAllWhitespace(e.text))
            BadRDF("rdf:Description of '" + name + "' holds text");
        const std::string* lang = nullptr;
        std::vector<const XMLAttribute*> fields;
        for (const XMLAttribute& a : e.attributes) {
            if (a.name.Is(ns::kXML, "lang"))
                lang = &a.value;
            else if (a.name.ns == ns::kXML || IsRDF(a.name, "about") || IsRDF(a.name, "ID") ||
                     IsRDF(a.name, "nodeID"))
                continue;
            else if (a.name.ns == ns::kRDF && a.name.local != "value")
                BadRDF("Attribute '" + Written(a.name) + "' is not allowed on rdf:Description");
            else
                fields.push_back(&a);
        }
        auto node = std::make_unique<XMPNode>(nsURI, name, kPropValueIsStruct);
        ReadFieldAttributes(fields, node.get());
        ReadFieldElements(e, node.get());
        node = ResolveQualifiedValue(std::move(node));
        AddLang(node.get(), lang);
        return node;
    }

    void ReadFieldAttributes(const std::vector<const XMLAttribute*>& attributes, XMPNode* node) {
        for (const XMLAttribute* a : attributes)
            AddUniqueChild(node, SimpleNode(a->name.ns, NodeName(a->name), a->value));
    }

    void ReadFieldElements(const XMLElement& e, XMPNode* node) {
        for (const auto& field : e.children)
            AddUniqueChild(node,
                           ReadPropertyElement(*field, field->name.ns, NodeName(field->name)));
    }
};

void ReadTopDescription(const XMLElement& description, XMPNode* root, std::string* about,
                        bool* aboutSeen) {
    Reader reader;
    for (const XMLAttribute& a : description.attributes) {
        if (IsRDF(a.name, "about") || (a.name.ns.empty() && a.name.local == "about")) {
            if (*aboutSeen && !about->empty() && !a.value.empty() && a.value != *about)
                BadXMP("rdf:Description elements name different resources");
            if (!*aboutSeen || about->empty())
                *about = a.value;
            *aboutSeen = true;
        } else if (a.name.ns == ns::kXML || IsRDF(a.name, "ID") || IsRDF(a.name, "nodeID")) {
            continue;
        } else if (a.name.ns == ns::kRDF) {
            BadRDF("Attribute '" + Written(a.name) + "' is not allowed on rdf:Description");
        } else {
            if (a.name.ns.empty())
                BadRDF("XMP property '" + a.name.local + "' is in no namespace");
            AddUniqueChild(root, SimpleNode(a.name.ns, NodeName(a.name), a.value));
        }
    }
    if (!IsAllWhitespace(description.text))
        BadRDF("Top-level rdf:Description holds text");
    for (const auto& property : description.children) {
        std::string name = NodeName(property->name);
        if (name == "rdf:value")
            BadRDF("rdf:value cannot be a top-level property");
        AddUniqueChild(root, reader.ReadPropertyElement(*property, property->name.ns, name));
    }
}

}  // namespace

void ReadRDF(const XMLElement& document, XMPNode* root, std::string* about) {
    const XMLElement* rdf = FindRDFElement(document);
    if (rdf == nullptr)
        BadXMP("The packet has no rdf:RDF element");
    if (!IsAllWhitespace(rdf->text))
        BadRDF("rdf:RDF holds text");
    bool aboutSeen = false;
    for (const auto& child : rdf->children) {
        if (!IsRDF(child->name, "Description"))
            BadRDF("rdf:RDF holds '" + Written(child->name) + "' instead of rdf:Description");
        ReadTopDescription(*child, root, about, &aboutSeen);
    }
}

}  // namespace xmp
