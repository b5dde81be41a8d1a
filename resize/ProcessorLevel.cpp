#include "resize/ProcessorLevel.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "resize/ResizeKernels.h"

namespace resize {
namespace {

std::atomic<int32_t> g_level{static_cast<int32_t>(ProcessorLevel::kGeneric)};
std::once_flag g_probed;
int32_t g_probeResult = 0;

bool PortableForced() {
    const char* value = std::getenv("VANTORY_FORCE_PORTABLE");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

void Probe() {
    const ProcessorLevel best = DetectLevel();
    g_probeResult = best == ProcessorLevel::kGeneric ? 20 : 0;
    const ProcessorLevel chosen = PortableForced() ? ProcessorLevel::kGeneric : best;
    g_level.store(static_cast<int32_t>(chosen), std::memory_order_release);
}

}  // namespace

ProcessorLevel DetectLevel() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("ssse3")) {
        return ProcessorLevel::kSSSE3;
    }
    if (__builtin_cpu_supports("sse3")) {
        return ProcessorLevel::kSSE3;
    }
    if (__builtin_cpu_supports("sse2")) {
        return ProcessorLevel::kSSE2;
    }
    if (__builtin_cpu_supports("sse")) {
        return ProcessorLevel::kSSE;
    }
#endif
    return ProcessorLevel::kGeneric;
}

int32_t ProbeAndSelect() {
    std::call_once(g_probed, Probe);
    return g_probeResult;
}

ProcessorLevel CurrentLevel() {
    std::call_once(g_probed, Probe);
    return static_cast<ProcessorLevel>(g_level.load(std::memory_order_acquire));
}

void ForceLevel(ProcessorLevel level) {
    std::call_once(g_probed, Probe);
    const ProcessorLevel best = DetectLevel();
    if (static_cast<int32_t>(level) > static_cast<int32_t>(best)) {
        level = best;
    }
    g_level.store(static_cast<int32_t>(level), std::memory_order_release);
}

const char* LevelName(ProcessorLevel level) {
    switch (level) {
        case ProcessorLevel::kGeneric:
            return "generic";
        case ProcessorLevel::kSSE:
            return "SSE";
        case ProcessorLevel::kSSE2:
            return "SSE2";
        case ProcessorLevel::kSSE3:
            return "SSE3";
        case ProcessorLevel::kSSSE3:
            return "SSSE3";
    }
    return "unknown";
}

}  // namespace resize
