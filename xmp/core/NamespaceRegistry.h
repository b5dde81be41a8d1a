#pragma once
// The process-wide map between namespace URIs and prefixes. It starts with the standard schemas
// and grows with the namespaces parsed packets use; a prefix that is already taken by another
// URI gets a numbered suffix. Entries are never removed or changed, so a prefix once handed out
// stays valid. Safe to use from several threads.
#include <string>

namespace xmp {

class NamespaceRegistry {
public:
    static NamespaceRegistry& Instance();

    // Registers uri (if new) under suggestedPrefix or a unique variant of it; returns the
    // prefix in use for uri (without a colon). Throws XMPError for an empty URI, an invalid
    // prefix, or when the registry is full.
    std::string Register(const std::string& uri, const std::string& suggestedPrefix);
    bool PrefixForURI(const std::string& uri, std::string* prefix) const;
    bool URIForPrefix(const std::string& prefix, std::string* uri) const;

    static bool IsValidPrefix(const std::string& prefix);

private:
    NamespaceRegistry();
    struct Impl;
    Impl* impl_;  // lives as long as the process
};

}  // namespace xmp
