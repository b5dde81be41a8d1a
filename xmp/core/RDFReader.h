#pragma once
// Turns the element tree of a packet into the XMP data model, accepting every RDF/XML form that
// XMP uses: attribute shorthand, nested rdf:Description, rdf:parseType="Resource",
// rdf:resource, rdf:value with qualifiers, Bag/Seq/Alt with rdf:li (and rdf:_n), xml:lang,
// several top-level rdf:Description elements, with or without the x:xmpmeta wrapper.
#include <string>

#include "XMLTree.h"
#include "XMPNode.h"

namespace xmp {

// Fills root (its children become the top-level properties) and about (rdf:about). Throws
// XMPError 202 for RDF that XMP cannot hold and 203 for XMP rule violations (duplicates,
// mismatched rdf:about, parseType="Literal", no rdf:RDF element).
void ReadRDF(const XMLElement& document, XMPNode* root, std::string* about);

}  // namespace xmp
