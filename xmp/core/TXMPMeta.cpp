#include "TXMPMeta.h"

#include <cstdint>

#include "NamespaceRegistry.h"
#include "PacketTranscoder.h"
#include "RDFReader.h"
#include "RDFWriter.h"
#include "TXMPUtils.h"
#include "XMLTree.h"
#include "XMPPath.h"

namespace xmp {

namespace {

constexpr XMPOptions kFormOptions = kPropValueIsURI | kPropCompositeMask;

void CheckValue(const std::string& value, XMPOptions options) {
    if ((options & kPropCompositeMask) && !value.empty())
        throw XMPError(kXMPErr_BadOptions, "A struct or array has no value of its own");
    if ((options & kPropValueIsURI) && (options & kPropCompositeMask))
        throw XMPError(kXMPErr_BadOptions, "Only a simple value can be a URI");
    if ((options & kPropArrayFormMask) && !(options & kPropValueIsArray))
        throw XMPError(kXMPErr_BadOptions, "Array form without the array bit");
    if (!IsValidXMLText(value))
        throw XMPError(kXMPErr_BadValue, "Value is not UTF-8 text that XML can carry");
}

void AssignValue(XMPNode* node, const std::string& value, XMPOptions options) {
    XMPOptions form = options & kFormOptions;
    if (!node->children.empty() &&
        (node->options & kPropCompositeMask) != (form & kPropCompositeMask))
        throw XMPError(kXMPErr_BadXPath, "'" + node->name + "' holds fields or items");
    node->value = value;
    node->options = (node->options & ~kFormOptions) | form;
}

bool ReadNode(const XMPNode* node, std::string* value, XMPOptions* options) {
    if (node == nullptr)
        return false;
    if (value)
        *value = node->value;
    if (options)
        *options = node->options;
    return true;
}

}  // namespace

TXMPMeta::TXMPMeta() : root_(std::make_unique<XMPNode>()) {}

TXMPMeta::TXMPMeta(const char* buffer, size_t size) : TXMPMeta() {
    ParseFromBuffer(buffer, size);
}

TXMPMeta::TXMPMeta(const std::string& packet) : TXMPMeta() {
    ParseFromBuffer(packet.data(), packet.size());
}

TXMPMeta::TXMPMeta(const TXMPMeta& other)
    : root_(other.root_->Clone(nullptr)), about_(other.about_) {}

TXMPMeta& TXMPMeta::operator=(const TXMPMeta& other) {
    if (this != &other) {
        root_ = other.root_->Clone(nullptr);
        about_ = other.about_;
    }
    return *this;
}

// A moved-from tree is left empty but usable: the two roots change places.
TXMPMeta::TXMPMeta(TXMPMeta&& other) : TXMPMeta() {
    *this = std::move(other);
}

TXMPMeta& TXMPMeta::operator=(TXMPMeta&& other) noexcept {
    std::swap(root_, other.root_);
    std::swap(about_, other.about_);
    return *this;
}

TXMPMeta::~TXMPMeta() = default;

void TXMPMeta::ParseFromBuffer(const char* buffer, size_t size) {
    if (buffer == nullptr && size != 0)
        throw XMPError(kXMPErr_BadParam, "Null buffer");
    if (size > kMaxPacketBytes)
        throw XMPError(kXMPErr_BadXMP, "XMP packet too large");
    std::string utf8 = TranscodePacketToUTF8(buffer, size);
    std::unique_ptr<XMLElement> document = ParseXMLTree(utf8);
    XMPNode root;
    std::string about;
    if (document)
        ReadRDF(*document, &root, &about);
    for (auto& property : root.children)
        property->parent = root_.get();
    root_->children = std::move(root.children);
    about_ = std::move(about);
}

void TXMPMeta::SerializeToBuffer(std::string* packet, XMPOptions options, uint32_t padding) const {
    if (packet == nullptr)
        throw XMPError(kXMPErr_BadParam, "Null output string");
    *packet = WriteRDFPacket(*root_, about_, options, padding);
}

const XMPNode* TXMPMeta::Find(const std::string& schemaNS, const std::string& path) const {
    std::vector<PathStep> steps = ParsePath(schemaNS, path);
    return ResolvePath(root_.get(), steps, false);
}

XMPNode* TXMPMeta::FindForWrite(const std::string& schemaNS, const std::string& path) {
    return ResolvePath(root_.get(), ParsePath(schemaNS, path), true);
}

bool TXMPMeta::GetProperty(const std::string& schemaNS, const std::string& propName,
                           std::string* value, XMPOptions* options) const {
    return ReadNode(Find(schemaNS, propName), value, options);
}

void TXMPMeta::SetProperty(const std::string& schemaNS, const std::string& propName,
                           const std::string& value, XMPOptions options) {
    CheckValue(value, options);
    AssignValue(FindForWrite(schemaNS, propName), value, options);
}

void TXMPMeta::DeleteProperty(const std::string& schemaNS, const std::string& propName) {
    XMPNode* node = const_cast<XMPNode*>(Find(schemaNS, propName));
    if (node == nullptr)
        return;
    XMPNode* parent = node->parent;
    if (node->options & kPropIsQualifier)
        parent->RemoveQualifier(node);
    else
        parent->RemoveChild(node);
}

bool TXMPMeta::DoesPropertyExist(const std::string& schemaNS, const std::string& propName) const {
    return Find(schemaNS, propName) != nullptr;
}

bool TXMPMeta::GetProperty_Int64(const std::string& schemaNS, const std::string& propName,
                                 int64_t* value, XMPOptions* options) const {
    std::string text;
    if (!GetProperty(schemaNS, propName, &text, options))
        return false;
    int64_t converted = TXMPUtils::ConvertToInt64(text);
    if (value)
        *value = converted;
    return true;
}

bool TXMPMeta::GetProperty_Int(const std::string& schemaNS, const std::string& propName,
                               int32_t* value, XMPOptions* options) const {
    int64_t wide = 0;
    if (!GetProperty_Int64(schemaNS, propName, &wide, options))
        return false;
    if (wide < INT32_MIN || wide > INT32_MAX)
        throw XMPError(kXMPErr_BadValue, "Integer out of range in '" + propName + "'");
    if (value)
        *value = static_cast<int32_t>(wide);
    return true;
}

void TXMPMeta::SetProperty_Int(const std::string& schemaNS, const std::string& propName,
                               int64_t value, XMPOptions options) {
    SetProperty(schemaNS, propName, std::to_string(value), options);
}

bool TXMPMeta::GetStructField(const std::string& schemaNS, const std::string& structName,
                              const std::string& fieldNS, const std::string& fieldName,
                              std::string* value, XMPOptions* options) const {
    std::string path;
    TXMPUtils::ComposeStructFieldPath(schemaNS, structName, fieldNS, fieldName, &path);
    return GetProperty(schemaNS, path, value, options);
}

void TXMPMeta::SetStructField(const std::string& schemaNS, const std::string& structName,
                              const std::string& fieldNS, const std::string& fieldName,
                              const std::string& value, XMPOptions options) {
    std::string path;
    TXMPUtils::ComposeStructFieldPath(schemaNS, structName, fieldNS, fieldName, &path);
    SetProperty(schemaNS, path, value, options);
}

bool TXMPMeta::GetQualifier(const std::string& schemaNS, const std::string& propName,
                            const std::string& qualNS, const std::string& qualName,
                            std::string* value, XMPOptions* options) const {
    std::string path;
    TXMPUtils::ComposeQualifierPath(schemaNS, propName, qualNS, qualName, &path);
    return GetProperty(schemaNS, path, value, options);
}

void TXMPMeta::SetQualifier(const std::string& schemaNS, const std::string& propName,
                            const std::string& qualNS, const std::string& qualName,
                            const std::string& value, XMPOptions options) {
    if (!DoesPropertyExist(schemaNS, propName))
        throw XMPError(kXMPErr_BadXPath, "No property '" + propName + "' to qualify");
    std::string path;
    TXMPUtils::ComposeQualifierPath(schemaNS, propName, qualNS, qualName, &path);
    SetProperty(schemaNS, path, value, options);
}

bool TXMPMeta::GetArrayItem(const std::string& schemaNS, const std::string& arrayName,
                            int32_t itemIndex, std::string* value, XMPOptions* options) const {
    std::string path;
    TXMPUtils::ComposeArrayItemPath(schemaNS, arrayName, itemIndex, &path);
    return GetProperty(schemaNS, path, value, options);
}

void TXMPMeta::AppendArrayItem(const std::string& schemaNS, const std::string& arrayName,
                               XMPOptions arrayOptions, const std::string& itemValue,
                               XMPOptions itemOptions) {
    CheckValue(itemValue, itemOptions);
    XMPNode* array = const_cast<XMPNode*>(Find(schemaNS, arrayName));
    if (array == nullptr) {
        if (!(arrayOptions & kPropValueIsArray))
            throw XMPError(kXMPErr_BadOptions, "No array form given for a new array");
        SetProperty(schemaNS, arrayName, "", arrayOptions & kPropArrayFormMask);
        array = const_cast<XMPNode*>(Find(schemaNS, arrayName));
    } else if (!array->IsArray()) {
        throw XMPError(kXMPErr_BadXPath, "'" + arrayName + "' is not an array");
    }
    XMPNode* item = array->AddChild(std::make_unique<XMPNode>("", "[]"));
    AssignValue(item, itemValue, itemOptions);
}

int32_t TXMPMeta::CountArrayItems(const std::string& schemaNS, const std::string& arrayName) const {
    const XMPNode* array = Find(schemaNS, arrayName);
    if (array == nullptr)
        return 0;
    if (!array->IsArray())
        throw XMPError(kXMPErr_BadXPath, "'" + arrayName + "' is not an array");
    return static_cast<int32_t>(array->children.size());
}

bool TXMPMeta::GetLocalizedText(const std::string& schemaNS, const std::string& altTextName,
                                const std::string& genericLang, const std::string& specificLang,
                                std::string* actualLang, std::string* itemValue,
                                XMPOptions* options) const {
    const XMPNode* array = Find(schemaNS, altTextName);
    if (array == nullptr || array->children.empty())
        return false;
    if (!(array->options & kPropArrayIsAlternate))
        throw XMPError(kXMPErr_BadXPath, "'" + altTextName + "' is not an alt-text array");
    const XMPNode* chosen = nullptr;
    for (const auto& item : array->children) {
        if (!specificLang.empty() && SameLanguage(item->Lang(), specificLang)) {
            chosen = item.get();
            break;
        }
    }
    for (size_t i = 0; chosen == nullptr && !genericLang.empty() && i < array->children.size();
         ++i) {
        const std::string& lang = array->children[i]->Lang();
        if (SameLanguage(lang, genericLang) ||
            (lang.size() > genericLang.size() && lang[genericLang.size()] == '-' &&
             SameLanguage(lang.substr(0, genericLang.size()), genericLang)))
            chosen = array->children[i].get();
    }
    for (size_t i = 0; chosen == nullptr && i < array->children.size(); ++i) {
        if (SameLanguage(array->children[i]->Lang(), "x-default"))
            chosen = array->children[i].get();
    }
    if (chosen == nullptr)
        chosen = array->children.front().get();
    if (actualLang)
        *actualLang = chosen->Lang();
    return ReadNode(chosen, itemValue, options);
}

void TXMPMeta::SetLocalizedText(const std::string& schemaNS, const std::string& altTextName,
                                const std::string&, const std::string& specificLang,
                                const std::string& itemValue, XMPOptions) {
    CheckValue(itemValue, 0);
    if (specificLang.empty() || !IsValidXMLText(specificLang))
        throw XMPError(kXMPErr_BadParam, "A specific language is needed");
    constexpr XMPOptions kAltText =
        kPropValueIsArray | kPropArrayIsOrdered | kPropArrayIsAlternate | kPropArrayIsAltText;
    XMPNode* array = const_cast<XMPNode*>(Find(schemaNS, altTextName));
    if (array == nullptr) {
        SetProperty(schemaNS, altTextName, "", kAltText);
        array = const_cast<XMPNode*>(Find(schemaNS, altTextName));
    } else if (!(array->options & kPropArrayIsAlternate)) {
        throw XMPError(kXMPErr_BadXPath, "'" + altTextName + "' is not an alt-text array");
    }
    auto findLang = [array](const std::string& lang) -> XMPNode* {
        for (const auto& item : array->children) {
            if (SameLanguage(item->Lang(), lang))
                return item.get();
        }
        return nullptr;
    };
    auto addItem = [array](const std::string& lang, const std::string& value, bool first) {
        auto item = std::make_unique<XMPNode>("", "[]");
        item->value = value;
        auto qualifier = std::make_unique<XMPNode>(ns::kXML, "xml:lang");
        qualifier->value = lang;
        item->AddQualifier(std::move(qualifier));
        item->parent = array;
        if (first)
            array->children.insert(array->children.begin(), std::move(item));
        else
            array->children.push_back(std::move(item));
    };
    XMPNode* defaultItem = findLang("x-default");
    XMPNode* item = findLang(specificLang);
    if (defaultItem != nullptr && item != nullptr && item != defaultItem &&
        defaultItem->value == item->value)
        defaultItem->value = itemValue;
    if (item != nullptr)
        item->value = itemValue;
    else
        addItem(specificLang, itemValue, false);
    if (defaultItem == nullptr && !SameLanguage(specificLang, "x-default"))
        addItem("x-default", itemValue, true);
    array->options |= kAltText;
}

void TXMPMeta::Erase() {
    root_->children.clear();
    about_.clear();
}

bool TXMPMeta::GetNamespaceURI(const std::string& prefix, std::string* namespaceURI) {
    return NamespaceRegistry::Instance().URIForPrefix(prefix, namespaceURI);
}

bool TXMPMeta::GetNamespacePrefix(const std::string& namespaceURI, std::string* prefix) {
    return NamespaceRegistry::Instance().PrefixForURI(namespaceURI, prefix);
}

bool TXMPMeta::RegisterNamespace(const std::string& namespaceURI,
                                 const std::string& suggestedPrefix,
                                 std::string* registeredPrefix) {
    std::string prefix = NamespaceRegistry::Instance().Register(namespaceURI, suggestedPrefix);
    std::string wanted = suggestedPrefix;
    if (!wanted.empty() && wanted.back() == ':')
        wanted.pop_back();
    if (registeredPrefix)
        *registeredPrefix = prefix;
    return prefix == wanted;
}

}  // namespace xmp
