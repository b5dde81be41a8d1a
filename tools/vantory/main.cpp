// vantory: the command-line client of the Vantory QX4 service.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVString.h"
#include "tools/client/Base64.h"
#include "tools/client/JsonValues.h"
#include "tools/client/PrivateInstance.h"
#include "tools/client/ServiceLauncher.h"
#include "tools/vantory/Commands.h"
#include "tools/vantory/ProgressLine.h"

namespace {

using namespace vantory::client;
namespace data = kvfoundation::data;

using namespace vantory::cli;

constexpr const char* kHelp = R"(usage: vantory [options] COMMAND [ARGS]

Talks to the Vantory QX4 thumbnail and metadata service. By default it uses this
user's shared (public) service, starting it when it is not running.

Commands:
  ping                 round trip to the service; prints its greeting and the time taken
  call NAME [JSON]     calls the service function NAME with the JSON object of parameters
                       (default {}) and prints the reply as JSON. Byte data is written
                       {"$data": "<base64>"} or {"$file": "<path>"} (the file's bytes).
                       Example: vantory call watermark '{"filePath": "/tmp/a.jpg"}'
  thumb FILE... [--size N[,N...]] [--quality Q] [--out DIR]
                       writes JPEG thumbnails of each FILE at each size (default 256,
                       quality 7 on the 0..12 scale) as DIR/<name>-<size>.jpg (default .)
  xmp get FILE [--json]
                       prints the file's XMP packet, or with --json its properties
  xmp set FILE PACKET  writes the XMP packet in the file PACKET into FILE, prints the
                       properties written
  xmp parse PACKET     prints the properties of the XMP packet in the file PACKET

Options:
  --private            start a private instance for this command (TCP connection opened
                       by the service to us) instead of using the shared service
  --debug              start the service with -debug (it logs to this terminal)
  --daemon PATH        the service executable (default: $VANTORY_DAEMON, else vantoryd
                       beside this program)
  --timeout SECONDS    how long to wait for a service that was just started (default 10)
  --save-data DIR      write byte data of the reply into files in DIR and show their names
  --base64             show byte data of the reply as base64 instead of its size
  --compact            print the reply on one line
  -h, --help           this text

Exit status: 0 success, 1 the service answered with an error, 2 no service or a broken
connection, 64 a wrong command line.
)";

struct Options {
    LaunchOptions launch;
    bool privateInstance = false;
    std::string saveDataDir;
    bool base64 = false;
    int indent = 2;
    std::vector<std::string> words;  // the command and its arguments
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "-h" || arg == "--help") {
            std::fputs(kHelp, stdout);
            std::exit(kSuccess);
        } else if (arg == "--private") {
            options.privateInstance = true;
        } else if (arg == "--debug") {
            options.launch.debug = true;
        } else if (arg == "--base64") {
            options.base64 = true;
        } else if (arg == "--compact") {
            options.indent = 0;
        } else if (arg == "--daemon" || arg == "--save-data" || arg == "--timeout") {
            const char* v = value();
            if (v == nullptr) {
                std::cerr << "vantory: " << arg << " needs a value\n";
                return std::nullopt;
            }
            if (arg == "--daemon") {
                options.launch.daemonPath = v;
            } else if (arg == "--save-data") {
                options.saveDataDir = v;
            } else {
                char* end = nullptr;
                options.launch.startTimeoutSeconds = std::strtod(v, &end);
                if (*end != '\0' || options.launch.startTimeoutSeconds <= 0) {
                    std::cerr << "vantory: --timeout takes a positive number of seconds\n";
                    return std::nullopt;
                }
            }
        } else if (arg.size() > 1 && arg[0] == '-' && options.words.empty()) {
            std::cerr << "vantory: unknown option " << arg << " (see --help)\n";
            return std::nullopt;
        } else {
            options.words.push_back(arg);
        }
    }
    if (options.words.empty()) {
        std::cerr << "vantory: no command (see --help)\n";
        return std::nullopt;
    }
    return options;
}

DataRenderer MakeDataRenderer(const Options& options) {
    if (!options.saveDataDir.empty()) {
        auto counter = std::make_shared<int>(0);
        std::string dir = options.saveDataDir;
        return [dir, counter](const data::IKVData& d) {
            std::filesystem::create_directories(dir);
            std::string path = dir + "/data-" + std::to_string(++*counter) + ".bin";
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(d.Bytes()), d.Length());
            return "{\"$file\": " + QuoteJson(path) + "}";
        };
    }
    if (options.base64) {
        return [](const data::IKVData& d) {
            return "{\"$data\": \"" + EncodeBase64(d.Bytes(), static_cast<size_t>(d.Length())) +
                   "\"}";
        };
    }
    return SummariseData;
}

// A command checked before any service is reached (or started): a wrong command line never
// costs a connection.
struct Command {
    bool ping = false;
    CommandRunner runner;            // for "thumb" and "xmp"
    std::string function;            // for "call"
    data::IKVMap* params = nullptr;  // for "call"; autoreleased, null: none given
};

std::optional<Command> ParseCommand(const Options& options) {
    const std::string& word = options.words[0];
    Command command;
    if (word == "ping") {
        if (options.words.size() != 1) {
            std::cerr << "vantory: ping takes no arguments\n";
            return std::nullopt;
        }
        command.ping = true;
        return command;
    }
    if (word == "thumb" || word == "xmp") {
        const std::vector<std::string> args(options.words.begin() + 1, options.words.end());
        std::optional<CommandRunner> runner =
            word == "thumb" ? ParseThumbCommand(args) : ParseXmpCommand(args);
        if (!runner) {
            return std::nullopt;
        }
        command.runner = std::move(*runner);
        return command;
    }
    if (word == "call") {
        if (options.words.size() < 2 || options.words.size() > 3) {
            std::cerr << "vantory: usage: call NAME [JSON]\n";
            return std::nullopt;
        }
        command.function = options.words[1];
        if (options.words.size() == 3) {
            try {
                command.params = dynamic_cast<data::IKVMap*>(ParseJson(options.words[2]));
            } catch (const JsonError& e) {
                std::cerr << "vantory: " << e.what() << "\n";
                return std::nullopt;
            }
            if (command.params == nullptr) {
                std::cerr << "vantory: the parameters must be a JSON object\n";
                return std::nullopt;
            }
        }
        return command;
    }
    std::cerr << "vantory: unknown command " << word << " (see --help)\n";
    return std::nullopt;
}

int RunCommand(ServiceConnection& connection, const Command& command, const Options& options) {
    if (command.runner) {
        return command.runner(connection);
    }
    if (command.ping) {
        auto start = std::chrono::steady_clock::now();
        Reply reply = connection.Call("NCOMM_PING", nullptr);
        double millis =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::cout << "service: " << ToJson(connection.Greeting(), SummariseData, 0) << "\n"
                  << "ping: " << (reply.succeeded ? "ok" : "error") << " in " << millis << " ms\n";
        return reply.succeeded ? kSuccess : kErrorReply;
    }
    ProgressLine progress;
    Reply reply =
        connection.Call(command.function, command.params,
                        [&](const std::string& task, double value) { progress.Show(task, value); });
    progress.Clear();
    std::cout << ToJson(reply.result.get(), MakeDataRenderer(options), options.indent) << "\n";
    return reply.succeeded ? kSuccess : kErrorReply;
}

int Main(int argc, char** argv) {
    std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        return kUsage;
    }
    kvfoundation::base::AutoReleasePool pool;
    std::optional<Command> command;
    try {
        command = ParseCommand(*options);
    } catch (const kvfoundation::base::IKVException& e) {  // e.g. an unreadable "$file"
        std::cerr << "vantory: "
                  << (e.Message() != nullptr ? e.Message()->CString() : "unknown error") << "\n";
    }
    if (!command) {
        return kUsage;
    }
    try {
        if (options->privateInstance) {
            PrivateInstance instance(options->launch, 1);
            int result = RunCommand(instance.Connection(0), *command, *options);
            int status = instance.Finish();
            if (result == kSuccess && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
                std::cerr << "vantory: the private service ended abnormally (status " << status
                          << ")\n";
                return kNoService;
            }
            return result;
        }
        std::unique_ptr<ServiceConnection> connection = ConnectPublic(options->launch);
        return RunCommand(*connection, *command, *options);
    } catch (const kvfoundation::base::IKVException& e) {
        std::cerr << "vantory: connection failed: "
                  << (e.Message() != nullptr ? e.Message()->CString() : "unknown error") << "\n";
    } catch (const std::exception& e) {
        std::cerr << "vantory: " << e.what() << "\n";
    }
    return kNoService;
}

}  // namespace

int main(int argc, char** argv) {
    return Main(argc, argv);
}
