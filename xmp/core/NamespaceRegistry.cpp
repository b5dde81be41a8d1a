#include "NamespaceRegistry.h"

#include <map>
#include <mutex>
#include <shared_mutex>

#include "XMPConsts.h"
#include "XMPError.h"

namespace xmp {

namespace {
// A long-running service parses packets from many clients; the registry would otherwise grow
// without bound with every invented namespace.
constexpr size_t kMaxNamespaces = 20000;

struct Standard {
    const char* prefix;
    const char* uri;
};
constexpr Standard kStandardSchemas[] = {
    {"x", ns::kMeta},
    {"rdf", ns::kRDF},
    {"xml", ns::kXML},
    {"dc", ns::kDC},
    {"xmp", ns::kXMP},
    {"xmpRights", ns::kXMPRights},
    {"xmpMM", ns::kXMPMM},
    {"xmpGImg", ns::kXMPGImg},
    {"xmpG", ns::kXMPG},
    {"xmpTPg", ns::kXMPTPg},
    {"xmpBJ", ns::kXMPBJ},
    {"xmpDM", ns::kXMPDM},
    {"xmpidq", ns::kXMPIdQ},
    {"xmpNote", ns::kXMPNote},
    {"stEvt", ns::kStEvt},
    {"stRef", ns::kStRef},
    {"stDim", ns::kStDim},
    {"stVer", ns::kStVer},
    {"stJob", ns::kStJob},
    {"stFnt", ns::kStFnt},
    {"pdf", ns::kPDF},
    {"photoshop", ns::kPhotoshop},
    {"tiff", ns::kTIFF},
    {"exif", ns::kEXIF},
    {"exifEX", ns::kEXIFEX},
    {"aux", ns::kEXIFAux},
    {"crs", ns::kCameraRaw},
    {"Iptc4xmpCore", ns::kIPTCCore},
    {"Iptc4xmpExt", ns::kIPTCExt},
};

bool IsNameStartChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsNameChar(unsigned char c) {
    return IsNameStartChar(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}
}  // namespace

struct NamespaceRegistry::Impl {
    mutable std::shared_mutex lock;
    std::map<std::string, std::string> prefixByURI;
    std::map<std::string, std::string> uriByPrefix;
    // The highest numbered suffix tried for each suggested prefix. Every prefix up to it was
    // taken when tried and stays taken (entries are never removed), so the search for a free
    // one goes on from there: starting at 1 each time made the k-th URI under one prefix try
    // k prefixes, and a full registry cost seconds per packet.
    std::map<std::string, int> lastSuffix;
};

NamespaceRegistry& NamespaceRegistry::Instance() {
    static NamespaceRegistry* registry = new NamespaceRegistry();  // never destroyed
    return *registry;
}

NamespaceRegistry::NamespaceRegistry() : impl_(new Impl) {
    for (const Standard& s : kStandardSchemas) {
        impl_->prefixByURI[s.uri] = s.prefix;
        impl_->uriByPrefix[s.prefix] = s.uri;
    }
}

bool NamespaceRegistry::IsValidPrefix(const std::string& prefix) {
    if (prefix.empty() || !IsNameStartChar(static_cast<unsigned char>(prefix[0])))
        return false;
    for (char c : prefix) {
        if (!IsNameChar(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

std::string NamespaceRegistry::Register(const std::string& uri, const std::string& suggested) {
    if (uri.empty())
        throw XMPError(kXMPErr_BadSchema, "Empty namespace URI");
    std::string base = suggested;
    if (!base.empty() && base.back() == ':')
        base.pop_back();
    if (base.empty())
        base = "ns";
    if (!IsValidPrefix(base))
        throw XMPError(kXMPErr_BadSchema, "Invalid namespace prefix '" + base + "'");
    {
        std::shared_lock read(impl_->lock);
        auto found = impl_->prefixByURI.find(uri);
        if (found != impl_->prefixByURI.end())
            return found->second;
    }
    std::unique_lock write(impl_->lock);
    auto found = impl_->prefixByURI.find(uri);  // another thread may have won the race
    if (found != impl_->prefixByURI.end())
        return found->second;
    if (impl_->prefixByURI.size() >= kMaxNamespaces)
        throw XMPError(kXMPErr_BadSchema, "Too many namespaces registered");
    std::string prefix = base;
    if (impl_->uriByPrefix.count(prefix) != 0) {
        int& n = impl_->lastSuffix[base];
        do {
            prefix = base + "_" + std::to_string(++n);
        } while (impl_->uriByPrefix.count(prefix) != 0);
    }
    impl_->prefixByURI[uri] = prefix;
    impl_->uriByPrefix[prefix] = uri;
    return prefix;
}

bool NamespaceRegistry::PrefixForURI(const std::string& uri, std::string* prefix) const {
    std::shared_lock read(impl_->lock);
    auto found = impl_->prefixByURI.find(uri);
    if (found == impl_->prefixByURI.end())
        return false;
    if (prefix)
        *prefix = found->second;
    return true;
}

bool NamespaceRegistry::URIForPrefix(const std::string& prefix, std::string* uri) const {
    std::string bare = prefix;
    if (!bare.empty() && bare.back() == ':')
        bare.pop_back();
    std::shared_lock read(impl_->lock);
    auto found = impl_->uriByPrefix.find(bare);
    if (found == impl_->uriByPrefix.end())
        return false;
    if (uri)
        *uri = found->second;
    return true;
}

}  // namespace xmp
