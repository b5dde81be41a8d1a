#include "XMLTree.h"

#include <expat.h>

#include <string_view>

#include "XMPError.h"

namespace xmp {

namespace {

constexpr char kNameSeparator = '\x01';  // never a character of a well-formed name

XMLName SplitName(const char* expatName) {
    // Expat hands "uri\1local\1prefix" for names in a namespace, "local" otherwise.
    XMLName name;
    std::string_view all(expatName);
    size_t first = all.find(kNameSeparator);
    if (first == std::string_view::npos) {
        name.local = all;
        return name;
    }
    name.ns = all.substr(0, first);
    size_t second = all.find(kNameSeparator, first + 1);
    if (second == std::string_view::npos) {
        name.local = all.substr(first + 1);
    } else {
        name.local = all.substr(first + 1, second - first - 1);
        name.prefix = all.substr(second + 1);
    }
    return name;
}

class TreeBuilder {
public:
    explicit TreeBuilder(XML_Parser parser) : parser_(parser) {}

    std::unique_ptr<XMLElement> root;
    int refusal = 0;  // the XMPError id that made us stop the parser, 0 when Expat stopped
    std::string refusalText;

    static void OnStart(void* self, const XML_Char* name, const XML_Char** attrs) {
        static_cast<TreeBuilder*>(self)->Start(name, attrs);
    }
    static void OnEnd(void* self, const XML_Char*) { static_cast<TreeBuilder*>(self)->End(); }
    static void OnText(void* self, const XML_Char* text, int length) {
        auto* builder = static_cast<TreeBuilder*>(self);
        if (!builder->open_.empty())
            builder->open_.back()->text.append(text, static_cast<size_t>(length));
    }
    static void OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        static_cast<TreeBuilder*>(self)->Refuse(kXMPErr_BadXMP,
                                                "DOCTYPE declarations are not allowed in XMP");
    }
    static void OnEntityDecl(void* self, const XML_Char*, int, const XML_Char*, int,
                             const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
        static_cast<TreeBuilder*>(self)->Refuse(kXMPErr_BadXMP,
                                                "Entity declarations are not allowed in XMP");
    }

private:
    void Start(const XML_Char* name, const XML_Char** attrs) {
        if (static_cast<int>(open_.size()) >= kMaxElementDepth) {
            Refuse(kXMPErr_BadXMP, "XML elements nested too deeply");
            return;
        }
        size_t attributeCount = 0;
        while (attrs[2 * attributeCount] != nullptr)
            ++attributeCount;
        nodes_ += 1 + attributeCount;
        if (nodes_ > kMaxXMLNodes) {
            Refuse(kXMPErr_BadXMP, "Too many XML elements and attributes in the packet");
            return;
        }
        auto element = std::make_unique<XMLElement>();
        element->name = SplitName(name);
        element->attributes.reserve(attributeCount);
        for (const XML_Char** a = attrs; a[0] != nullptr; a += 2)
            element->attributes.push_back({SplitName(a[0]), a[1]});
        XMLElement* raw = element.get();
        if (open_.empty())
            root = std::move(element);
        else
            open_.back()->children.push_back(std::move(element));
        open_.push_back(raw);
    }
    void End() {
        if (!open_.empty())
            open_.pop_back();
    }
    void Refuse(int id, const char* text) {
        if (refusal == 0) {
            refusal = id;
            refusalText = text;
        }
        XML_StopParser(parser_, XML_FALSE);
    }

    XML_Parser parser_;
    std::vector<XMLElement*> open_;
    size_t nodes_ = 0;
};

struct ParserDeleter {
    void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};

bool IsAllWhitespace(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

}  // namespace

std::unique_ptr<XMLElement> ParseXMLTree(const std::string& utf8) {
    if (utf8.size() > kMaxPacketBytes)
        throw XMPError(kXMPErr_BadXMP, "XMP packet too large");
    if (IsAllWhitespace(utf8))
        return nullptr;
    // The encoding given here overrides any declaration: the text has already been transcoded.
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(
        XML_ParserCreateNS("UTF-8", kNameSeparator));
    if (!parser)
        throw XMPError(kXMPErr_InternalFailure, "Cannot create the XML parser");
    XML_Parser p = parser.get();
    TreeBuilder builder(p);
    XML_SetUserData(p, &builder);
    XML_SetReturnNSTriplet(p, 1);
    XML_SetElementHandler(p, &TreeBuilder::OnStart, &TreeBuilder::OnEnd);
    XML_SetCharacterDataHandler(p, &TreeBuilder::OnText);
    XML_SetStartDoctypeDeclHandler(p, &TreeBuilder::OnDoctype);
    XML_SetEntityDeclHandler(p, &TreeBuilder::OnEntityDecl);
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);

    XML_Status status = XML_Parse(p, utf8.data(), static_cast<int>(utf8.size()), XML_TRUE);
    if (builder.refusal != 0)
        throw XMPError(builder.refusal, builder.refusalText);
    if (status != XML_STATUS_OK) {
        throw XMPError(kXMPErr_BadXML, std::string("XML parsing failure: ") +
                                           XML_ErrorString(XML_GetErrorCode(p)) + " at line " +
                                           std::to_string(XML_GetCurrentLineNumber(p)));
    }
    return std::move(builder.root);
}

}  // namespace xmp
