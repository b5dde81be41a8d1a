#pragma once
// Helpers of the XMP core tests: leaf listings to compare trees, sample files, child processes.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TXMPIterator.h"
#include "TXMPMeta.h"
#include "TXMPUtils.h"

namespace xmp::test {

// "path=value" per leaf in iteration order; with full, also the namespace and the options, for
// exact tree comparisons.
inline std::vector<std::string> LeafList(const TXMPMeta& meta, bool full = false) {
    std::vector<std::string> leaves;
    TXMPIterator it(meta, kIterJustLeafNodes);
    std::string schema, path, value;
    XMPOptions options;
    while (it.Next(&schema, &path, &value, &options)) {
        leaves.push_back(full ? schema + " " + path + "=" + value + " #" + std::to_string(options)
                              : path + "=" + value);
    }
    return leaves;
}
inline std::vector<std::string> FullLeafList(const TXMPMeta& meta) {
    return LeafList(meta, true);
}

// The id of the XMPError a call throws, 0 when it throws none.
template <typename Call>
int ErrorIdOf(Call call) {
    try {
        call();
    } catch (const XMPError& e) {
        return e.GetID();
    }
    return 0;
}

// A file the test needs: a missing one fails the test with its name.
inline std::string ReadSampleFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ADD_FAILURE() << "missing test file " << path;
        return {};
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Standard output of a shell command; the exit status is checked by the caller through status.
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    std::array<char, 65536> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        out.append(buffer.data(), n);
    int rc = pclose(pipe);
    if (status)
        *status = rc;
    return out;
}

// A packet around rdf:Description content, with the usual namespaces declared.
inline std::string RDFPacket(const std::string& descriptions) {
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'>"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'"
           " xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:xmp='http://ns.adobe.com/xap/1.0/'"
           " xmlns:xmpGImg='http://ns.adobe.com/xap/1.0/g/img/'"
           " xmlns:tiff='http://ns.adobe.com/tiff/1.0/'"
           " xmlns:ex='http://example.com/ns/test/'>" +
           descriptions + "</rdf:RDF></x:xmpmeta>";
}

inline int ErrorIdOfParse(const std::string& packet) {
    try {
        TXMPMeta meta(packet);
    } catch (const XMPError& e) {
        return e.GetID();
    }
    return 0;
}

}  // namespace xmp::test
