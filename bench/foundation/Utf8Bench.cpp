// UTF-8 conversion speed: the foundation's encoder and decoder against glibc's iconv and a
// plain one-character-at-a-time loop, on the same texts in the same run. Throughput counts
// UTF-8 bytes in both directions; the table at the end gives each figure's ratio to iconv
// and to the plain loop.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "kvfoundation/util/Utf8Codec.h"

namespace {

using Units = std::vector<char16_t>;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kTextUnits = 64 * 1024;

void AppendCodePoint(Units& units, char32_t c) {
    if (c < 0x10000) {
        units.push_back(static_cast<char16_t>(c));
    } else {
        units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
}

// A real XMP packet from the corpus (mostly ASCII markup), repeated to the text size.
Units XmpText() {
    std::ifstream in(VANTORY_CORPUS_DIR "/xmp/mei-digikam-example.xmp", std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::string bytes = content.str();
    if (bytes.empty()) {
        bytes = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF/></x:xmpmeta>";
    }
    Units units;
    while (units.size() < kTextUnits) {
        units.resize(units.size() + bytes.size());
        kvfoundation::util::Utf8Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       static_cast<std::int32_t>(bytes.size()),
                                       units.data() + units.size() - bytes.size(),
                                       static_cast<std::int32_t>(bytes.size()));
    }
    return units;
}

// Text cycling through `alphabet`, a blank after every `word` characters.
Units Synthetic(std::u32string alphabet, int word) {
    Units units;
    for (std::size_t i = 0; units.size() < kTextUnits; ++i) {
        AppendCodePoint(units, alphabet[i % alphabet.size()]);
        if (word > 0 && i % word == static_cast<std::size_t>(word - 1)) {
            units.push_back(u' ');
        }
    }
    return units;
}

const Units& Text(int which) {
    static const std::vector<Units> texts = {
        XmpText(),
        Synthetic(U"d\u00e9j\u00e0 vu na\u00efve \u00fcber stra\u00dfe", 0),      // Latin, 2-byte
        Synthetic(U"\u7e2e\u5c0f\u753b\u50cf\u3092\u4f5c\u6210\u3059\u308b", 0),  // CJK, 3-byte
        Synthetic(U"\U0001F600\U0001F680\U0001F4F7", 2),  // emoji pairs, 4-byte
    };
    return texts[which];
}

Bytes EncodedText(int which) {
    const Units& units = Text(which);
    Bytes bytes(units.size() * 3);
    auto r = kvfoundation::util::Utf8Encode(units.data(), static_cast<std::int32_t>(units.size()),
                                            bytes.data(), static_cast<std::int32_t>(bytes.size()));
    bytes.resize(r.produced);
    return bytes;
}

// The plain reference: one code point at a time, no fast path.
std::size_t LoopEncode(const Units& in, std::uint8_t* out) {
    std::size_t o = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        char32_t c = in[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (in[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out[o++] = static_cast<std::uint8_t>(c);
        } else if (c < 0x800) {
            out[o++] = static_cast<std::uint8_t>(0xC0 | (c >> 6));
            out[o++] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out[o++] = static_cast<std::uint8_t>(0xE0 | (c >> 12));
            out[o++] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
            out[o++] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        } else {
            out[o++] = static_cast<std::uint8_t>(0xF0 | (c >> 18));
            out[o++] = static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F));
            out[o++] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
            out[o++] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        }
    }
    return o;
}

std::size_t LoopDecode(const Bytes& in, char16_t* out) {
    std::size_t o = 0;
    for (std::size_t i = 0; i < in.size();) {
        const std::uint8_t lead = in[i];
        const int trailing = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        if (i + trailing >= in.size()) {
            break;
        }
        char32_t c = trailing == 0 ? lead : lead & (0x3F >> trailing);
        for (int k = 1; k <= trailing; ++k) {
            c = (c << 6) | (in[i + k] & 0x3F);
        }
        i += trailing + 1;
        if (c >= 0x10000) {
            out[o++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out[o++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out[o++] = static_cast<char16_t>(c);
        }
    }
    return o;
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() { iconv_close(cd_); }
    std::size_t Convert(const void* in, std::size_t inBytes, void* out, std::size_t outBytes) {
        char* inPointer = static_cast<char*>(const_cast<void*>(in));
        char* outPointer = static_cast<char*>(out);
        const std::size_t outStart = outBytes;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        iconv(cd_, &inPointer, &inBytes, &outPointer, &outBytes);
        return outStart - outBytes;
    }

private:
    iconv_t cd_;
};

void Encode_ours(benchmark::State& state, int which) {
    const Units& units = Text(which);
    Bytes out(units.size() * 3);
    std::int32_t produced = 0;
    for (auto _ : state) {
        produced =
            kvfoundation::util::Utf8Encode(units.data(), static_cast<std::int32_t>(units.size()),
                                           out.data(), static_cast<std::int32_t>(out.size()))
                .produced;
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * produced);
}

void Encode_loop(benchmark::State& state, int which) {
    const Units& units = Text(which);
    Bytes out(units.size() * 3);
    std::size_t produced = 0;
    for (auto _ : state) {
        produced = LoopEncode(units, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * produced));
}

void Encode_iconv(benchmark::State& state, int which) {
    const Units& units = Text(which);
    Bytes out(units.size() * 3);
    Iconv converter("UTF-8", "UTF-16LE");
    std::size_t produced = 0;
    for (auto _ : state) {
        produced = converter.Convert(units.data(), units.size() * 2, out.data(), out.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * produced));
}

void Decode_ours(benchmark::State& state, int which) {
    const Bytes bytes = EncodedText(which);
    Units out(bytes.size());
    for (auto _ : state) {
        kvfoundation::util::Utf8Decode(bytes.data(), static_cast<std::int32_t>(bytes.size()),
                                       out.data(), static_cast<std::int32_t>(out.size()));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void Decode_loop(benchmark::State& state, int which) {
    const Bytes bytes = EncodedText(which);
    Units out(bytes.size());
    for (auto _ : state) {
        LoopDecode(bytes, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void Decode_iconv(benchmark::State& state, int which) {
    const Bytes bytes = EncodedText(which);
    Units out(bytes.size());
    Iconv converter("UTF-16LE", "UTF-8");
    for (auto _ : state) {
        converter.Convert(bytes.data(), bytes.size(), out.data(), out.size() * 2);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

#define UTF8_BENCH(function)                     \
    BENCHMARK_CAPTURE(function, xmp_packet, 0);  \
    BENCHMARK_CAPTURE(function, latin_2byte, 1); \
    BENCHMARK_CAPTURE(function, cjk_3byte, 2);   \
    BENCHMARK_CAPTURE(function, emoji_4byte, 3)

UTF8_BENCH(Encode_ours);
UTF8_BENCH(Encode_loop);
UTF8_BENCH(Encode_iconv);
UTF8_BENCH(Decode_ours);
UTF8_BENCH(Decode_loop);
UTF8_BENCH(Decode_iconv);

// Prints MB/s of UTF-8 per run and its ratio to iconv and to the plain loop on the same text.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto found = run.counters.find("bytes_per_second");
            if (found == run.counters.end()) {
                continue;
            }
            const std::string name = run.benchmark_name();
            const std::string direction = name.substr(0, name.find('_'));
            const std::string peer =
                name.substr(name.find('_') + 1, name.find('/') - name.find('_') - 1);
            const std::string text = name.substr(name.find('/') + 1);
            rates_[direction + "/" + text][peer] = found->second.value / 1e6;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-22s %10s %10s %10s %10s %10s\n", "UTF-8 (MB/s)", "ours", "iconv", "loop",
                    "vs iconv", "vs loop");
        for (auto& [key, rate] : rates_) {
            std::printf("%-22s %10.1f %10.1f %10.1f %9.2fx %9.2fx\n", key.c_str(), rate["ours"],
                        rate["iconv"], rate["loop"],
                        rate["iconv"] > 0 ? rate["ours"] / rate["iconv"] : 0.0,
                        rate["loop"] > 0 ? rate["ours"] / rate["loop"] : 0.0);
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> rates_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
