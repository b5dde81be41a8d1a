#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

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

// `vantory xmp get FILE [--json]`, `xmp set FILE PACKET`, `xmp parse PACKET`.
std::optional<CommandRunner> ParseXmpCommand(const std::vector<std::string>& args);

// The error reply as one line on standard error: "vantory: <what>: <errReason>: <errWhy>".
void ReportError(const std::string& what, const client::Reply& reply);

}  // namespace vantory::cli
