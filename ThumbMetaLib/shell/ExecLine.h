#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ThumbMetaLib::shell {

// What a thumbnailer's Exec line may name: the input as a path (%i) and as a URI (%u), the
// output PNG (%o) and the requested size in pixels (%s).
struct ExecFields {
    std::string inputPath;
    std::string inputUri;
    std::string outputPath;
    uint32_t size = 0;
};

// An Exec line split into arguments by the desktop-entry quoting rules (blanks separate,
// double quotes group, and inside them a backslash escapes '"', '`', '$' and '\'). Null for a
// line that is empty, has an unterminated quote, or uses a field code other than
// %i %u %o %s %% (which must never reach a program as text).
std::optional<std::vector<std::string>> SplitExecLine(const std::string& line);

// The arguments with their field codes replaced; each code stays inside its own argument, so
// a path with blanks is still one argument and nothing is ever interpreted by a shell.
std::vector<std::string> ExpandExecLine(const std::vector<std::string>& arguments,
                                        const ExecFields& fields);

// "file://" and the path with every byte outside the URI's unreserved set and '/' written %XX.
std::string FileUri(const std::string& absolutePath);

}  // namespace ThumbMetaLib::shell
