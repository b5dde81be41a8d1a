#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The words of the render server's text protocol. A request is its words, each followed by one
// blank, and "\n"; the reply is one line, "OK" on success. Words may hold any bytes: a blank,
// "%", and every byte below 0x21 or equal to 0x7F is written as "%" and two upper-case hex
// digits ("/my models/a b.obj" travels as "/my%20models/a%20b.obj"), so a path with blanks or
// line breaks stays one word. Shared by the engine's client and the server itself.
namespace ThumbMetaLib::render3d {

inline constexpr char kRenderWord[] = "render";  // render <model-path> <ppm-path> <size>
inline constexpr char kUnloadWord[] = "unload";  // the server answers "OK" and ends
inline constexpr char kOKReply[] = "OK";
// A request line longer than this is refused by the server unread.
inline constexpr size_t kMaxRequestLine = 64 * 1024;

std::string EscapeWord(std::string_view word);
// Null for a malformed escape ("%" not followed by two hex digits).
std::optional<std::string> UnescapeWord(std::string_view word);

// The request line: every word escaped and followed by a blank, then "\n".
std::string RequestLine(const std::vector<std::string>& words);
// The words of a line without its "\n"; null when a word has a malformed escape. Runs of
// blanks separate words like one blank.
std::optional<std::vector<std::string>> SplitRequestLine(std::string_view line);

}  // namespace ThumbMetaLib::render3d
