#include "RDFWriter.h"

#include <set>
#include <vector>

#include "XMPError.h"

namespace xmp {

namespace {

constexpr const char* kPacketHeader =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n";
constexpr const char* kToolkitName = "Vantory XMP Core 1.0";
constexpr size_t kPaddingLineLength = 100;

void AppendEscaped(const std::string& text, bool inAttribute, std::string* out) {
    for (char c : text) {
        switch (c) {
            case '&':
                *out += "&amp;";
                break;
            case '<':
                *out += "&lt;";
                break;
            case '>':
                *out += "&gt;";
                break;
            // XML turns a raw CR into LF, and raw tabs and line breaks in attributes into spaces.
            case '\r':
                *out += "&#xD;";
                break;
            case '"':
                *out += inAttribute ? "&quot;" : "\"";
                break;
            case '\n':
                *out += inAttribute ? "&#xA;" : "\n";
                break;
            case '\t':
                *out += inAttribute ? "&#x9;" : "\t";
                break;
            default:
                out->push_back(c);
        }
    }
}

class PacketWriter {
public:
    std::string out;

    void WriteBody(const XMPNode& root, const std::string& about) {
        out.reserve(out.size() + EstimatedSize(root) + 512);
        out += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"";
        out += kToolkitName;
        out += "\">\n <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n";
        out += "  <rdf:Description rdf:about=\"";
        AppendEscaped(about, true, &out);
        out += "\"";
        std::vector<std::pair<std::string, std::string>> declared;
        std::set<std::string> seen{ns::kRDF, ns::kXML};
        for (const auto& property : root.children)
            CollectNamespaces(*property, &seen, &declared);
        for (const auto& [prefix, uri] : declared) {
            out += "\n    xmlns:" + prefix + "=\"";
            AppendEscaped(uri, true, &out);
            out += "\"";
        }
        if (root.children.empty()) {
            out += "/>\n";
        } else {
            out += ">\n";
            for (const auto& property : root.children)
                WriteProperty(*property, property->name, 3);
            out += "  </rdf:Description>\n";
        }
        out += " </rdf:RDF>\n</x:xmpmeta>";
    }

private:
    // Enough room for most trees in one allocation: values, names twice, indentation.
    static size_t EstimatedSize(const XMPNode& node) {
        size_t size = node.value.size() + 2 * node.name.size() + 48;
        for (const auto& qualifier : node.qualifiers)
            size += EstimatedSize(*qualifier);
        for (const auto& child : node.children)
            size += EstimatedSize(*child);
        return size;
    }

    static void CollectNamespaces(const XMPNode& node, std::set<std::string>* seen,
                                  std::vector<std::pair<std::string, std::string>>* declared) {
        if (!node.ns.empty() && seen->insert(node.ns).second)
            declared->emplace_back(node.name.substr(0, node.name.find(':')), node.ns);
        for (const auto& qualifier : node.qualifiers)
            CollectNamespaces(*qualifier, seen, declared);
        for (const auto& child : node.children)
            CollectNamespaces(*child, seen, declared);
    }

    void Indent(int level) { out.append(static_cast<size_t>(level), ' '); }

    void WriteProperty(const XMPNode& node, const std::string& tag, int level) {
        std::string langAttribute;
        bool generalQualifiers = false;
        for (const auto& qualifier : node.qualifiers) {
            if (qualifier->IsLangQualifier()) {
                langAttribute = " xml:lang=\"";
                AppendEscaped(qualifier->value, true, &langAttribute);
                langAttribute += "\"";
            } else {
                generalQualifiers = true;
            }
        }
        if (!generalQualifiers) {
            WriteValue(node, tag, langAttribute, level);
            return;
        }
        Indent(level);
        Open(tag, "");
        out += ">\n";
        Indent(level + 1);
        out += "<rdf:Description>\n";
        WriteValue(node, "rdf:value", langAttribute, level + 2);
        for (const auto& qualifier : node.qualifiers) {
            if (!qualifier->IsLangQualifier())
                WriteProperty(*qualifier, qualifier->name, level + 2);
        }
        Indent(level + 1);
        out += "</rdf:Description>\n";
        Indent(level);
        Close(tag);
    }

    void WriteValue(const XMPNode& node, const std::string& tag, const std::string& attributes,
                    int level) {
        Indent(level);
        Open(tag, attributes);
        if (node.IsStruct()) {
            out += " rdf:parseType=\"Resource\"";
            if (node.children.empty()) {
                out += "/>\n";
                return;
            }
            out += ">\n";
            for (const auto& field : node.children)
                WriteProperty(*field, field->name, level + 1);
        } else if (node.IsArray()) {
            const char* form = (node.options & kPropArrayIsAlternate) ? "rdf:Alt"
                               : (node.options & kPropArrayIsOrdered) ? "rdf:Seq"
                                                                      : "rdf:Bag";
            out += ">\n";
            Indent(level + 1);
            if (node.children.empty()) {
                out += std::string("<") + form + "/>\n";
            } else {
                out += std::string("<") + form + ">\n";
                for (const auto& item : node.children)
                    WriteProperty(*item, "rdf:li", level + 2);
                Indent(level + 1);
                out += std::string("</") + form + ">\n";
            }
        } else if (node.options & kPropValueIsURI) {
            out += " rdf:resource=\"";
            AppendEscaped(node.value, true, &out);
            out += "\"/>\n";
            return;
        } else if (node.value.empty()) {
            out += "/>\n";
            return;
        } else {
            out += ">";
            AppendEscaped(node.value, false, &out);
            Close(tag);
            return;
        }
        Indent(level);
        Close(tag);
    }

    void Open(const std::string& tag, const std::string& attributes) {
        out += '<';
        out += tag;
        out += attributes;
    }
    void Close(const std::string& tag) {
        out += "</";
        out += tag;
        out += ">\n";
    }
};

void AppendPadding(size_t length, std::string* out) {
    for (size_t i = 1; i <= length; ++i)
        out->push_back(i % kPaddingLineLength == 0 || i == length ? '\n' : ' ');
}

}  // namespace

std::string WriteRDFPacket(const XMPNode& root, const std::string& about, XMPOptions options,
                           uint32_t padding) {
    const bool omitWrapper = (options & kSerializeOmitPacketWrapper) != 0;
    const bool exactLength = (options & kSerializeExactPacketLength) != 0;
    if (omitWrapper && (exactLength || (options & kSerializeReadOnlyPacket)))
        throw XMPError(kXMPErr_BadOptions, "A packet without wrapper has no padding or end");
    PacketWriter writer;
    if (!omitWrapper)
        writer.out = kPacketHeader;
    writer.WriteBody(root, about);
    if (omitWrapper) {
        writer.out += "\n";
        return std::move(writer.out);
    }
    writer.out += "\n";
    const std::string trailer =
        (options & kSerializeReadOnlyPacket) ? "<?xpacket end=\"r\"?>" : "<?xpacket end=\"w\"?>";
    size_t paddingLength;
    if (exactLength) {
        size_t unpadded = writer.out.size() + trailer.size();
        if (unpadded > padding)
            throw XMPError(kXMPErr_BadSerialize, "The packet needs " + std::to_string(unpadded) +
                                                     " bytes, more than the " +
                                                     std::to_string(padding) + " allowed");
        paddingLength = padding - unpadded;
    } else if (options & kSerializeNoPadding) {
        paddingLength = 0;
    } else {
        paddingLength = padding == 0 ? kDefaultPadding : padding;
    }
    AppendPadding(paddingLength, &writer.out);
    writer.out += trailer;
    return std::move(writer.out);
}

}  // namespace xmp
