#pragma once

#include <cstdint>

namespace resize {

// Implementation levels of the kernels, oldest instruction set first. Generic and SSE share the
// portable code; SSE2 and SSE3 share the SSE2 code; SSSE3 adds byte shuffles.
enum class ProcessorLevel : int32_t {
    kGeneric = 0,
    kSSE = 1,
    kSSE2 = 2,
    kSSE3 = 3,
    kSSSE3 = 4,
};
inline constexpr int32_t kProcessorLevelCount = 5;

// The level every call uses. Probes on first use when ProbeAndSelect has not run.
ProcessorLevel CurrentLevel();

// Replaces the process-wide level; for tests and benchmarks that compare levels in one process.
// A level the processor does not support is lowered to the best one it does.
void ForceLevel(ProcessorLevel level);

// The best level this processor supports (ignores the environment).
ProcessorLevel DetectLevel();

const char* LevelName(ProcessorLevel level);

}  // namespace resize
