// Test helper: clips made at test time with the `ffmpeg` tool, and the frame `ffmpeg` itself
// extracts at a given time scaled to a given size (the reference our frames are compared with).
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "ThumbMetaLib/pixels/Pixels.h"
#include "ThumbMetaLib/tests/TempFolder.h"

namespace ThumbMetaLib::test {

// A path for the shell, in double quotes (the test folders' names need no escapes).
inline std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// Runs a shell command with its output discarded; whether it exited with 0.
inline bool RunQuietly(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The clip that ffmpeg makes from `arguments` (`name` gives its container), made once per build
// folder: every test case runs as a process of its own, and making the clips each time cost
// most of these tests' time. A clip is written under a temporary name and renamed into place,
// so that test processes running at once never see half a clip.
inline std::string MakeClip(const std::string& name, const std::string& arguments) {
    const std::filesystem::path folder = std::filesystem::path(VANTORY_BINARY_DIR) / "test-clips";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string key = std::to_string(std::hash<std::string>{}(arguments));
    const std::string path = (folder / (key + "-" + name)).string();
    if (std::filesystem::exists(path)) {
        return path;
    }
    const std::string partial =
        (folder / (".part" + std::to_string(getpid()) + "-" + key + "-" + name)).string();
    const std::string command =
        "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " " + Quoted(partial);
    if (!RunQuietly(command)) {
        ADD_FAILURE() << command;
        std::filesystem::remove(partial, ignored);
        return path;
    }
    std::filesystem::rename(partial, path, ignored);
    return path;
}

// The moving test picture every clip shows (ffmpeg's testsrc2: colour bars, a clock and
// gradients, so that frames of different times differ).
inline std::string TestPicture(int width, int height, double seconds, int rate = 25) {
    return "-f lavfi -i testsrc2=size=" + std::to_string(width) + "x" + std::to_string(height) +
           ":rate=" + std::to_string(rate) + ":duration=" + std::to_string(seconds);
}

// The frame ffmpeg shows at `seconds` (accurate seek; none at 0, where a stream without time
// stamps cannot seek), scaled to width x height with bicubic filtering and then turned by
// `turn` (ffmpeg filters such as "transpose=clock" or "hflip"; empty: turned as the file asks,
// before scaling): RGBA bytes, empty when ffmpeg failed.
inline std::string ReferenceFrame(const std::string& path, double seconds, uint32_t width,
                                  uint32_t height, const std::string& turn = "") {
    char at[48] = "";
    if (seconds > 0) {
        std::snprintf(at, sizeof at, "-ss %.6f", seconds);
    }
    const bool quarterTurn = turn.find("transpose") != std::string::npos;
    const std::string scaled = !quarterTurn ? std::to_string(width) + ":" + std::to_string(height)
                                            : std::to_string(height) + ":" + std::to_string(width);
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error " + std::string(at) +
                                (turn.empty() ? "" : " -noautorotate") + " -i " + Quoted(path) +
                                " -frames:v 1 -vf scale=" + scaled + ":flags=bicubic,setsar=1" +
                                (turn.empty() ? "" : "," + turn) + " -pix_fmt rgba -f rawvideo -y ";
    const std::string out = (std::filesystem::temp_directory_path() /
                             ("vantory-reference-" + std::to_string(::getpid()) + ".rgba"))
                                .string();
    const std::string frame = RunQuietly(command + Quoted(out)) ? ReadFile(out) : "";
    std::filesystem::remove(out);
    return frame;
}

// A copy of the MP4 file `source` (one track) whose track header carries the display matrix
// [a b; c d] (entries in whole units, no translation); its path, empty when there is no
// track header.
inline std::string WithDisplayMatrix(const TempFolder& folder, const std::string& source,
                                     const std::string& name, int a, int b, int c, int d) {
    std::string bytes = ReadFile(source);
    const size_t type = bytes.find("tkhd");
    if (type == std::string::npos || type + 96 > bytes.size()) {
        return {};
    }
    // version and flags, the times, track id and duration (wider in version 1), then reserved
    // bytes, layer, group and volume before the nine matrix entries.
    const size_t matrix = type + 4 + 4 + (bytes[type + 4] == 1 ? 32 : 20) + 16;
    const int32_t entries[9] = {a << 16, b << 16, 0, c << 16, d << 16, 0, 0, 0, 1 << 30};
    for (int i = 0; i < 9; ++i) {
        for (int k = 0; k < 4; ++k) {
            bytes[matrix + size_t(i) * 4 + size_t(k)] = char(uint32_t(entries[i]) >> (24 - 8 * k));
        }
    }
    return folder.Write(name, bytes);
}

// Mean absolute difference per colour sample between interleaved RGBA pixels and RGBA bytes
// of the same size; infinite when the sizes differ.
inline double MeanDifference(const Pixels& pixels, const std::string& rgba) {
    if (rgba.size() != size_t{pixels.Width()} * pixels.Height() * 4 || pixels.Channels() != 4) {
        return INFINITY;
    }
    uint64_t sum = 0;
    for (uint32_t y = 0; y < pixels.Height(); ++y) {
        const uint8_t* ours = pixels.Bytes() + size_t(y) * pixels.RowBytes();
        const auto* theirs =
            reinterpret_cast<const uint8_t*>(rgba.data()) + size_t(y) * pixels.Width() * 4;
        for (uint32_t i = 0; i < pixels.Width() * 4; ++i) {
            if (i % 4 != 3) {
                sum += uint64_t(std::abs(int(ours[i]) - int(theirs[i])));
            }
        }
    }
    return double(sum) / (double(pixels.Width()) * pixels.Height() * 3);
}

// The RGBA pixel at (x, y).
inline const uint8_t* PixelAt(const Pixels& pixels, uint32_t x, uint32_t y) {
    return pixels.Bytes() + size_t(y) * pixels.RowBytes() + size_t(x) * 4;
}

}  // namespace ThumbMetaLib::test
