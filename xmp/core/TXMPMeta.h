#pragma once
// One XMP tree: parse, query, edit, serialise. Strings are UTF-8. Property names are paths
// (see XMPPath.h); a bare first name is taken in the given schema. Errors are thrown as
// XMPError. An instance is not shared between threads without a lock; the namespace registry
// behind the static functions is.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "XMPConsts.h"
#include "XMPError.h"
#include "XMPNode.h"

namespace xmp {

class TXMPMeta {
public:
    TXMPMeta();
    // Parses a packet at construction (UTF-8/16/32, with or without the xpacket wrapper).
    TXMPMeta(const char* buffer, size_t size);
    explicit TXMPMeta(const std::string& packet);
    TXMPMeta(const TXMPMeta& other);
    TXMPMeta& operator=(const TXMPMeta& other);
    TXMPMeta(TXMPMeta&& other);
    TXMPMeta& operator=(TXMPMeta&& other) noexcept;
    ~TXMPMeta();

    // Replaces the whole tree by the packet's; on error the tree is left as it was.
    // XMPError 201: not well-formed XML; 202: RDF that XMP cannot hold; 203: breaks XMP rules.
    void ParseFromBuffer(const char* buffer, size_t size);

    // Options 0, padding 0: the xpacket wrapper, end="w", 2048 bytes of padding.
    // padding > 0 sets the padding; kSerializeNoPadding drops it; kSerializeReadOnlyPacket
    // writes end="r"; kSerializeOmitPacketWrapper writes x:xmpmeta alone. With
    // kSerializeExactPacketLength the packet is exactly `padding` bytes long (XMPError 107 when
    // it does not fit), which lets a file be rewritten in the old packet's space.
    void SerializeToBuffer(std::string* packet, XMPOptions options = 0, uint32_t padding = 0) const;

    bool GetProperty(const std::string& schemaNS, const std::string& propName, std::string* value,
                     XMPOptions* options) const;
    // options: kPropValueIsURI for a URI, kPropValueIsStruct / an array form (value empty) for
    // an empty composite. Missing struct parents are made.
    void SetProperty(const std::string& schemaNS, const std::string& propName,
                     const std::string& value, XMPOptions options = 0);
    void DeleteProperty(const std::string& schemaNS, const std::string& propName);
    bool DoesPropertyExist(const std::string& schemaNS, const std::string& propName) const;

    // false when absent; XMPError 5 when the value is not an integer.
    bool GetProperty_Int(const std::string& schemaNS, const std::string& propName, int32_t* value,
                         XMPOptions* options) const;
    bool GetProperty_Int64(const std::string& schemaNS, const std::string& propName, int64_t* value,
                           XMPOptions* options) const;
    void SetProperty_Int(const std::string& schemaNS, const std::string& propName, int64_t value,
                         XMPOptions options = 0);

    bool GetStructField(const std::string& schemaNS, const std::string& structName,
                        const std::string& fieldNS, const std::string& fieldName,
                        std::string* value, XMPOptions* options) const;
    void SetStructField(const std::string& schemaNS, const std::string& structName,
                        const std::string& fieldNS, const std::string& fieldName,
                        const std::string& value, XMPOptions options = 0);
    bool GetQualifier(const std::string& schemaNS, const std::string& propName,
                      const std::string& qualNS, const std::string& qualName, std::string* value,
                      XMPOptions* options) const;
    void SetQualifier(const std::string& schemaNS, const std::string& propName,
                      const std::string& qualNS, const std::string& qualName,
                      const std::string& value, XMPOptions options = 0);

    // itemIndex counts from 1; kArrayLastItem names the last item.
    bool GetArrayItem(const std::string& schemaNS, const std::string& arrayName, int32_t itemIndex,
                      std::string* value, XMPOptions* options) const;
    // Makes the array with arrayOptions (an array form) when it does not exist.
    void AppendArrayItem(const std::string& schemaNS, const std::string& arrayName,
                         XMPOptions arrayOptions, const std::string& itemValue,
                         XMPOptions itemOptions = 0);
    int32_t CountArrayItems(const std::string& schemaNS, const std::string& arrayName) const;

    // Chooses the item of an alt-text array: specificLang exactly, else the first item of
    // genericLang's family, else "x-default", else the first item. Languages compare without
    // case.
    bool GetLocalizedText(const std::string& schemaNS, const std::string& altTextName,
                          const std::string& genericLang, const std::string& specificLang,
                          std::string* actualLang, std::string* itemValue,
                          XMPOptions* options) const;
    // Sets (or adds) the specificLang item; adds an "x-default" item first when the array has
    // none, and keeps "x-default" equal to the changed item when they were equal before.
    void SetLocalizedText(const std::string& schemaNS, const std::string& altTextName,
                          const std::string& genericLang, const std::string& specificLang,
                          const std::string& itemValue, XMPOptions options = 0);

    // The rdf:about of the packet ("" by default).
    const std::string& GetObjectName() const { return about_; }
    void SetObjectName(const std::string& name) { about_ = name; }
    void Erase();

    static bool GetNamespaceURI(const std::string& prefix, std::string* namespaceURI);
    static bool GetNamespacePrefix(const std::string& namespaceURI, std::string* prefix);
    // Registers namespaceURI; registeredPrefix receives the prefix in use (suggestedPrefix, or
    // a numbered variant when that one is taken). Returns whether suggestedPrefix was used.
    static bool RegisterNamespace(const std::string& namespaceURI,
                                  const std::string& suggestedPrefix,
                                  std::string* registeredPrefix);

    // The tree itself, for the iterator: top-level properties are the root's children.
    const XMPNode& Root() const { return *root_; }

private:
    const XMPNode* Find(const std::string& schemaNS, const std::string& path) const;
    XMPNode* FindForWrite(const std::string& schemaNS, const std::string& path);

    // Held by pointer: the nodes point back at their parent, so the root must not move.
    std::unique_ptr<XMPNode> root_;
    std::string about_;
};

}  // namespace xmp
