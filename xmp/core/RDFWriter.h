#pragma once
// Writes the data model as one RDF/XML packet: x:xmpmeta, rdf:RDF and a single rdf:Description
// that declares every namespace in use; values in element form (never attribute shorthand) so
// that every character survives; qualifiers other than xml:lang through rdf:value.
#include <cstdint>
#include <string>

#include "XMPNode.h"

namespace xmp {

// options/padding as TXMPMeta::SerializeToBuffer documents them.
std::string WriteRDFPacket(const XMPNode& root, const std::string& about, XMPOptions options,
                           uint32_t padding);

}  // namespace xmp
