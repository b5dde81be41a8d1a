#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVMap.h"
#include "tools/client/ServiceConnection.h"

namespace vantory::cli {

// Exit codes: what happened, so that scripts can tell the cases apart.
constexpr int kSuccess = 0;
constexpr int kErrorReply = 1;  // the service answered with an error reply
constexpr int kNoService = 2;   // no connection, or the protocol broke
constexpr int kUsage = 64;      // the command line was wrong (as sysexits' EX_USAGE)

// A command checked before any service is reached (or started), run over one connection;
// returns the exit code.
using CommandRunner = std::function<int(client::ServiceConnection& connection)>;

// `vantory thumb FILE... [--size N[,N...]] [--quality Q] [--out DIR]`; `args` follow "thumb".
// Null (after a message on standard error) for a wrong command line.
std::optional<CommandRunner> ParseThumbCommand(const std::vector<std::string>& args);

// `vantory thumb --thumbnailer INPUT OUTPUT SIZE`: the file as a PNG of at most SIZE, the
// way desktop thumbnailers are called; `args` follow "--thumbnailer".
std::optional<CommandRunner> ParseThumbnailerCommand(const std::vector<std::string>& args);
// `vantory thumb --cache FILE...`: the desktop's thumbnail cache filled for each file.
std::optional<CommandRunner> ParseCacheCommand(const std::vector<std::string>& args);
// Whether the command may use a private instance when the shared one cannot be reached (a
// thumbnailer may run in a sandbox that hides the shared service's socket).
bool FallsBackToPrivateInstance(const std::vector<std::string>& words);

// `vantory xmp get FILE [--json]`, `xmp set FILE PACKET`, `xmp parse PACKET`.
std::optional<CommandRunner> ParseXmpCommand(const std::vector<std::string>& args);

// `vantory pages FILE [--size N] [--quality Q] [--out DIR]`: one JPEG per page of a PDF.
std::optional<CommandRunner> ParsePagesCommand(const std::vector<std::string>& args);

// `vantory refs list FILE`, `vantory refs update FILE OLD NEW [OLD NEW...]`: the file paths a
// PDF document records.
std::optional<CommandRunner> ParseRefsCommand(const std::vector<std::string>& args);

// A whole decimal number of modest size.
bool ParseInt(const std::string& text, int* value);

// Makes the folder thumbnails are written into; false, after a message, when it cannot.
bool MakeOutputFolder(const std::string& dir);

// A reply's "thumbnails" (the bad-cast error when it is not a list).
kvfoundation::data::IKVList* ThumbnailsOf(kvfoundation::data::IKVMap* result);

// Writes one thumbnail map's JPEG to `target` and prints "<target> <width>x<height>"; false,
// after a message, when the file cannot be written.
bool WriteThumbnailFile(kvfoundation::base::IKVType* entry, const std::filesystem::path& target);

// The error reply as one line on standard error: "vantory: <what>: <errReason>: <errWhy>".
void ReportError(const std::string& what, const client::Reply& reply);

}  // namespace vantory::cli
