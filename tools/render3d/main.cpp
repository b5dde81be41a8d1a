// vantory-render3d: the service's 3D render server. It reads requests on standard input and
// answers each with one line on standard output; see kHelp for the protocol.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ThumbMetaLib/formats/model3d/Render3DWords.h"
#include "tools/render3d/InputLimits.h"
#include "tools/render3d/RenderRequest.h"

namespace {

using namespace ThumbMetaLib::render3d;

constexpr char kHelp[] =
    "usage: vantory-render3d [--max-triangles N]\n"
    "\n"
    "Renders 3D models (OBJ with MTL and textures, COLLADA DAE, 3DS, KMZ) off-screen to\n"
    "binary PPM images, for the Vantory service, which starts it and talks to it over\n"
    "standard input and output.\n"
    "\n"
    "Each request is one line: its words, each followed by one blank, then a newline.\n"
    "Each gets one reply line: \"OK\", or \"ERR \" and the reason.\n"
    "  render <model-path> <ppm-path> <size>\n"
    "      draws the model at size x size (16..4096) on white, from a three-quarter view,\n"
    "      and writes it to exactly <ppm-path> (never to any other file).\n"
    "  unload\n"
    "      answers OK and ends the server.\n"
    "The server also ends at the end of its input. U3D models are answered with an error.\n"
    "\n"
    "Escaping: in a word, a blank, '%', and every byte below 0x21 or equal to 0x7F is\n"
    "written as '%' and two hex digits, so \"/my models/a b.obj\" is sent as\n"
    "\"/my%20models/a%20b.obj\" and \"100%.obj\" as \"100%25.obj\".\n"
    "\n"
    "  --max-triangles N   refuse models with more than N triangles (default 4000000)\n";

bool WriteReply(const std::string& reply) {
    const std::string line = reply + "\n";
    size_t done = 0;
    while (done < line.size()) {
        const ssize_t written = ::write(STDOUT_FILENO, line.data() + done, line.size() - done);
        if (written <= 0) {
            return false;
        }
        done += size_t(written);
    }
    return true;
}

// Reads one line of at most kMaxRequestLine bytes; false at the end of the input. A longer
// line is read to its end and reported through `tooLong`.
bool ReadRequestLine(std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    int c;
    while ((c = std::getchar()) != EOF) {
        if (c == '\n') {
            return true;
        }
        if (line.size() < kMaxRequestLine) {
            line += char(c);
        } else {
            tooLong = true;
        }
    }
    return !line.empty() || tooLong;  // a last line without its newline still counts
}

bool ParseArguments(int argc, char** argv, render3d::ServerState& state) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kHelp, stdout);
            std::exit(0);
        }
        if (argument == "--max-triangles" && i + 1 < argc) {
            char* end = nullptr;
            state.maxTriangles = std::strtoull(argv[++i], &end, 10);
            if (end == nullptr || *end != '\0' || state.maxTriangles == 0) {
                return false;
            }
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace

// Mesa keeps a few allocations of its own until the process ends; under LeakSanitizer they
// would turn every clean exit into a leak report.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libOSMesa.so\nleak:libLLVM\nleak:libgallium\n";
}

int main(int argc, char** argv) {
    render3d::ServerState state;
    state.maxTriangles = render3d::kDefaultMaxTriangles;
    if (!ParseArguments(argc, argv, state)) {
        std::fputs(kHelp, stderr);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);  // a vanished client ends us through a failed write
    std::string line;
    bool tooLong = false;
    while (ReadRequestLine(line, tooLong)) {
        std::string reply;
        const auto words = SplitRequestLine(line);
        if (tooLong) {
            reply = "ERR the request line is too long";
        } else if (!words) {
            reply = "ERR a word has a malformed escape";
        } else if (words->empty()) {
            reply = "ERR empty request";
        } else if (words->front() == kUnloadWord && words->size() == 1) {
            WriteReply(kOKReply);
            return 0;
        } else if (words->front() == kRenderWord) {
            reply = render3d::HandleRender(*words, state);
        } else {
            reply = "ERR unknown request";
        }
        if (!WriteReply(reply)) {
            return 1;
        }
    }
    return 0;
}
