// Throughput of the wire format on the two shapes that dominate the service's traffic: a
// thumbnail reply carrying a 64 KiB data value, and a map of 1,000 small entries. The peer
// is memcpy of the same encoded bytes, the ceiling any serializer could reach; each
// figure is printed with its ratio to it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/io/BufferedReader.h"
#include "kvfoundation/io/BufferedWriter.h"
#include "kvfoundation/io/Serializer.h"

using namespace kvfoundation;

namespace {

// Discards what is written; serves one encoded value again and again.
class LoopChannel final : public base::KVObjectT<io::IKVChannel> {
public:
    explicit LoopChannel(std::vector<uint8_t> bytes = {}) : bytes_(std::move(bytes)) {}
    int32_t Read(void* buffer, int32_t count) override {
        const auto taken = static_cast<int32_t>(std::min<size_t>(bytes_.size() - at_, count));
        std::memcpy(buffer, bytes_.data() + at_, taken);
        at_ = (at_ + taken) % bytes_.size();
        return taken;
    }
    int32_t Write(const void*, int32_t count) override {
        written += count;
        return count;
    }
    void Flush() override {}
    void Close() override {}
    size_t written = 0;

private:
    std::vector<uint8_t> bytes_;
    size_t at_ = 0;
};

data::IKVString* Str(const std::string& text) {
    return data::CreateStringFromUTF8(text.data(), static_cast<int32_t>(text.size()));
}

base::IKVType* ThumbnailReply() {
    std::vector<uint8_t> jpeg(64 * 1024);
    for (size_t i = 0; i < jpeg.size(); ++i) {
        jpeg[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    data::IKVMutableMap* thumbnail = data::CreateMutableMap(0);
    thumbnail->SetObjectForKey(Str("data"), data::CreateData(jpeg.data(), jpeg.size()));
    thumbnail->SetObjectForKey(Str("width"), data::CreateInt32(256));
    thumbnail->SetObjectForKey(Str("height"), data::CreateInt32(192));
    thumbnail->SetObjectForKey(Str("format"), Str("jpeg"));
    thumbnail->SetObjectForKey(Str("mimetype"), Str("image/jpeg"));
    base::IKVType* thumbnails[] = {thumbnail};
    data::IKVMutableMap* result = data::CreateMutableMap(0);
    result->SetObjectForKey(Str("thumbnails"), data::CreateList(1, thumbnails));
    base::IKVType* reply[] = {data::CreateInt32(0), result};
    return data::CreateList(2, reply);
}

base::IKVType* SmallEntries() {
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    for (int i = 0; i < 1000; ++i) {
        base::IKVType* value = nullptr;
        if (i % 3 == 0) {
            value = data::CreateInt32(i * 1000);
        } else if (i % 3 == 1) {
            value = data::CreateDouble(i + 0.25);
        } else {
            value = Str("value " + std::to_string(i));
        }
        map->SetObjectForKey(Str("key" + std::to_string(i)), value);
    }
    return map;
}

std::vector<uint8_t> Encode(base::IKVType* value) {
    struct Collect final : base::KVObjectT<io::IKVChannel> {
        int32_t Read(void*, int32_t) override { return 0; }
        int32_t Write(const void* buffer, int32_t count) override {
            bytes.insert(bytes.end(), static_cast<const uint8_t*>(buffer),
                         static_cast<const uint8_t*>(buffer) + count);
            return count;
        }
        void Flush() override {}
        void Close() override {}
        std::vector<uint8_t> bytes;
    };
    auto* sink = base::AutoReleased(new Collect);
    io::Serializer::Create(io::BufferedReader::Create(sink, 64),
                           io::BufferedWriter::Create(sink, 32768))
        ->Serialize(value)
        ->Flush();
    return sink->bytes;
}

void Serialize(benchmark::State& state, base::IKVType* (*make)()) {
    base::AutoReleasePool pool;
    base::KVRefCountT<base::IKVType> value = make();
    auto* sink = base::AutoReleased(new LoopChannel);
    io::IKVSerializer* serializer = io::Serializer::Create(io::BufferedReader::Create(sink, 64),
                                                           io::BufferedWriter::Create(sink, 32768));
    for (auto _ : state) {
        serializer->Serialize(value)->Flush();
    }
    state.SetBytesProcessed(static_cast<int64_t>(sink->written));
}

void Deserialize(benchmark::State& state, base::IKVType* (*make)()) {
    base::AutoReleasePool pool;
    const std::vector<uint8_t> bytes = Encode(make());
    auto* source = base::AutoReleased(new LoopChannel(bytes));
    io::IKVSerializer* serializer = io::Serializer::Create(
        io::BufferedReader::Create(source, 32768), io::BufferedWriter::Create(source, 64));
    for (auto _ : state) {
        base::AutoReleasePool perValue;
        benchmark::DoNotOptimize(serializer->Deserialize());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void Memcpy(benchmark::State& state, base::IKVType* (*make)()) {
    base::AutoReleasePool pool;
    const std::vector<uint8_t> bytes = Encode(make());
    std::vector<uint8_t> target(bytes.size());
    for (auto _ : state) {
        std::memcpy(target.data(), bytes.data(), bytes.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

BENCHMARK_CAPTURE(Serialize, reply_64KiB_data, ThumbnailReply);
BENCHMARK_CAPTURE(Deserialize, reply_64KiB_data, ThumbnailReply);
BENCHMARK_CAPTURE(Memcpy, reply_64KiB_data, ThumbnailReply);
BENCHMARK_CAPTURE(Serialize, map_1000_small_entries, SmallEntries);
BENCHMARK_CAPTURE(Deserialize, map_1000_small_entries, SmallEntries);
BENCHMARK_CAPTURE(Memcpy, map_1000_small_entries, SmallEntries);

// Prints MB/s per run and its ratio to memcpy of the same bytes.
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
            const double mbPerSecond = found->second.value / 1e6;
            const std::string shape = name.substr(name.find('/') + 1);
            if (name.rfind("Memcpy", 0) == 0) {
                memcpyRate_[shape] = mbPerSecond;
            }
            figures_.push_back({name, shape, mbPerSecond});
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-45s %12s %14s\n", "wire format", "MB/s", "of memcpy");
        for (const Figure& figure : figures_) {
            const double peer = memcpyRate_[figure.shape];
            std::printf("%-45s %12.1f %13.4f\n", figure.name.c_str(), figure.mbPerSecond,
                        peer > 0 ? figure.mbPerSecond / peer : 0.0);
        }
    }

private:
    struct Figure {
        std::string name, shape;
        double mbPerSecond;
    };
    std::vector<Figure> figures_;
    std::map<std::string, double> memcpyRate_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
