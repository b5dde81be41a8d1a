// Map insert and look-up: the foundation's MutableMap (string keys, object values) against
// std::unordered_map<std::u16string, void*> on the same keys in the same run. The table at the end
// gives the time per operation and the ratio to the peer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/Factories.h"

namespace {

using namespace kvfoundation;

// Keys as requests and packets carry them: short names ("sizes", "xmp:Rating-17", up to 16
// units, every unit hashed) and, for every fourth key, a file path (longer than 16 units: only
// its first and last 8 units are hashed, so paths differing only in the middle collide).
std::vector<std::u16string> MakeKeys(int count) {
    std::vector<std::u16string> keys;
    keys.reserve(count);
    for (int i = 0; i < count; ++i) {
        std::string ascii = i % 4 == 3 ? "/home/user/Pictures/IMG_" + std::to_string(i) + ".jpg"
                                       : "xmp:k" + std::to_string(i * 7919);
        keys.emplace_back(ascii.begin(), ascii.end());
    }
    return keys;
}

struct KeyObjects {
    explicit KeyObjects(const std::vector<std::u16string>& keys) {
        base::AutoReleasePool pool;
        for (const auto& key : keys) {
            objects.emplace_back(data::CreateString(key.data(), static_cast<int32_t>(key.size())));
        }
    }
    std::vector<base::KVRefCountT<data::IKVString>> objects;
};

void BM_Insert_Foundation(benchmark::State& state) {
    auto keys = MakeKeys(static_cast<int>(state.range(0)));
    KeyObjects objects(keys);
    base::IKVType* value = data::CreateBool(true);
    for (auto _ : state) {
        base::AutoReleasePool pool;
        data::IKVMutableMap* map = data::CreateMutableMap(0);
        for (auto& key : objects.objects) {
            map->SetObjectForKey(key, value);
        }
        benchmark::DoNotOptimize(map->Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Insert_StdUnorderedMap(benchmark::State& state) {
    auto keys = MakeKeys(static_cast<int>(state.range(0)));
    int marker = 0;
    for (auto _ : state) {
        std::unordered_map<std::u16string, void*> map;
        for (const auto& key : keys) {
            map[key] = &marker;
        }
        benchmark::DoNotOptimize(map.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Lookup_Foundation(benchmark::State& state) {
    auto keys = MakeKeys(static_cast<int>(state.range(0)));
    KeyObjects objects(keys);
    base::AutoReleasePool pool;
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    for (auto& key : objects.objects) {
        map->SetObjectForKey(key, data::CreateBool(true));
    }
    // Look up with separate but equal strings, as a request's keys would be.
    KeyObjects probes(keys);
    for (auto _ : state) {
        for (auto& probe : probes.objects) {
            benchmark::DoNotOptimize(map->ObjectForKey(probe));
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same with probes that do not keep their hash (wrappers over the key text): every
// look-up hashes its key, as std::unordered_map does.
void BM_LookupUncached_Foundation(benchmark::State& state) {
    auto keys = MakeKeys(static_cast<int>(state.range(0)));
    KeyObjects objects(keys);
    base::AutoReleasePool pool;
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    for (auto& key : objects.objects) {
        map->SetObjectForKey(key, data::CreateBool(true));
    }
    std::vector<data::IKVString*> probes;
    for (const auto& key : keys) {
        probes.push_back(data::CreateStringWrapper(key.data(), static_cast<int32_t>(key.size())));
    }
    for (auto _ : state) {
        for (data::IKVString* probe : probes) {
            benchmark::DoNotOptimize(map->ObjectForKey(probe));
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Lookup_StdUnorderedMap(benchmark::State& state) {
    auto keys = MakeKeys(static_cast<int>(state.range(0)));
    int marker = 0;
    std::unordered_map<std::u16string, void*> map;
    for (const auto& key : keys) {
        map[key] = &marker;
    }
    auto probes = keys;
    for (auto _ : state) {
        for (const auto& probe : probes) {
            benchmark::DoNotOptimize(map.find(probe));
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_Insert_Foundation)->Arg(16)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Insert_StdUnorderedMap)->Arg(16)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Lookup_Foundation)->Arg(16)->Arg(1000)->Arg(100000);
BENCHMARK(BM_LookupUncached_Foundation)->Arg(16)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Lookup_StdUnorderedMap)->Arg(16)->Arg(1000)->Arg(100000);

// Keeps nanoseconds per operation of every run, for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto items = run.counters.find("items_per_second");
            if (run.run_type == Run::RT_Iteration && items != run.counters.end() &&
                items->second.value > 0) {
                nsPerOp[run.benchmark_name()] = 1e9 / items->second.value;
            }
        }
    }
    std::map<std::string, double> nsPerOp;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-15s %8s %14s %14s %8s\n", "operation", "entries", "foundation ns",
                "unordered ns", "ratio");
    for (const char* op : {"Insert", "Lookup", "LookupUncached"}) {
        for (const char* n : {"16", "1000", "100000"}) {
            std::string ours = std::string("BM_") + op + "_Foundation/" + n;
            std::string peerOp = std::string(op) == "Insert" ? "Insert" : "Lookup";
            std::string peer = "BM_" + peerOp + "_StdUnorderedMap/" + n;
            if (reporter.nsPerOp.count(ours) && reporter.nsPerOp.count(peer)) {
                std::printf("%-15s %8s %14.1f %14.1f %8.2f\n", op, n, reporter.nsPerOp[ours],
                            reporter.nsPerOp[peer],
                            reporter.nsPerOp[ours] / reporter.nsPerOp[peer]);
            }
        }
    }
    std::printf("(ratio = foundation time / std::unordered_map time; below 1 is faster)\n");
    return 0;
}
