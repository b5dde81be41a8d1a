#pragma once
// Option bits and the namespace URIs of the standard schemas. Property option bits describe a
// node's form; they are our own numbering except where the service passes a number itself
// (iteration over leaf nodes is 0x200).
#include <cstdint>

namespace xmp {

using XMPOptions = uint32_t;

// Property forms, as reported by GetProperty and the iterator and accepted by SetProperty.
enum : XMPOptions {
    kPropValueIsURI = 0x0002,        // simple value written as rdf:resource
    kPropHasQualifiers = 0x0010,     // the node carries at least one qualifier
    kPropIsQualifier = 0x0020,       // the node is a qualifier of its parent
    kPropHasLang = 0x0040,           // one of the qualifiers is xml:lang
    kPropValueIsStruct = 0x0100,     // named fields
    kPropValueIsArray = 0x0200,      // rdf:Bag
    kPropArrayIsOrdered = 0x0400,    // rdf:Seq (with kPropValueIsArray)
    kPropArrayIsAlternate = 0x0800,  // rdf:Alt (with the two above)
    kPropArrayIsAltText = 0x1000,    // rdf:Alt whose items all carry xml:lang
};
constexpr XMPOptions kPropArrayFormMask =
    kPropValueIsArray | kPropArrayIsOrdered | kPropArrayIsAlternate | kPropArrayIsAltText;
constexpr XMPOptions kPropCompositeMask = kPropValueIsStruct | kPropArrayFormMask;

// Iteration: 0 visits every property node; this bit only the leaves (nodes without children),
// each with its full path.
enum : XMPOptions { kIterJustLeafNodes = 0x0200 };

// Serialisation. Options 0 with padding 0 give our default packet: the xpacket wrapper with
// end="w" and 2048 bytes of whitespace padding, the standard's recommendation, so that a file
// can later be rewritten in place.
enum : XMPOptions {
    kSerializeOmitPacketWrapper = 0x0010,  // x:xmpmeta only: no xpacket PIs, no padding
    kSerializeReadOnlyPacket = 0x0020,     // end="r"
    kSerializeNoPadding = 0x0100,          // wrapper without padding
    kSerializeExactPacketLength = 0x0200,  // padding argument = the total byte length wanted
};
constexpr uint32_t kDefaultPadding = 2048;

// Array item index meaning "the last item" in ComposeArrayItemPath.
constexpr int32_t kArrayLastItem = -1;

namespace ns {
inline constexpr const char* kMeta = "adobe:ns:meta/";
inline constexpr const char* kRDF = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
inline constexpr const char* kXML = "http://www.w3.org/XML/1998/namespace";
inline constexpr const char* kDC = "http://purl.org/dc/elements/1.1/";
inline constexpr const char* kXMP = "http://ns.adobe.com/xap/1.0/";
inline constexpr const char* kXMPRights = "http://ns.adobe.com/xap/1.0/rights/";
inline constexpr const char* kXMPMM = "http://ns.adobe.com/xap/1.0/mm/";
inline constexpr const char* kXMPGImg = "http://ns.adobe.com/xap/1.0/g/img/";
inline constexpr const char* kXMPG = "http://ns.adobe.com/xap/1.0/g/";
inline constexpr const char* kXMPTPg = "http://ns.adobe.com/xap/1.0/t/pg/";
inline constexpr const char* kXMPBJ = "http://ns.adobe.com/xap/1.0/bj/";
inline constexpr const char* kXMPDM = "http://ns.adobe.com/xmp/1.0/DynamicMedia/";
inline constexpr const char* kXMPIdQ = "http://ns.adobe.com/xmp/Identifier/qual/1.0/";
inline constexpr const char* kXMPNote = "http://ns.adobe.com/xmp/note/";
inline constexpr const char* kStEvt = "http://ns.adobe.com/xap/1.0/sType/ResourceEvent#";
inline constexpr const char* kStRef = "http://ns.adobe.com/xap/1.0/sType/ResourceRef#";
inline constexpr const char* kStDim = "http://ns.adobe.com/xap/1.0/sType/Dimensions#";
inline constexpr const char* kStVer = "http://ns.adobe.com/xap/1.0/sType/Version#";
inline constexpr const char* kStJob = "http://ns.adobe.com/xap/1.0/sType/Job#";
inline constexpr const char* kStFnt = "http://ns.adobe.com/xap/1.0/sType/Font#";
inline constexpr const char* kPDF = "http://ns.adobe.com/pdf/1.3/";
inline constexpr const char* kPhotoshop = "http://ns.adobe.com/photoshop/1.0/";
// The engine reads the ICC profile name (property "ICCProfile") from the schema it calls
// "pictorium": the photoshop schema, where files record that name.
inline constexpr const char* kPictorium = kPhotoshop;
inline constexpr const char* kTIFF = "http://ns.adobe.com/tiff/1.0/";
inline constexpr const char* kEXIF = "http://ns.adobe.com/exif/1.0/";
inline constexpr const char* kEXIFEX = "http://cipa.jp/exif/1.0/";
inline constexpr const char* kEXIFAux = "http://ns.adobe.com/exif/1.0/aux/";
inline constexpr const char* kCameraRaw = "http://ns.adobe.com/camera-raw-settings/1.0/";
inline constexpr const char* kIPTCCore = "http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/";
inline constexpr const char* kIPTCExt = "http://iptc.org/std/Iptc4xmpExt/2008-02-29/";
}  // namespace ns

}  // namespace xmp
