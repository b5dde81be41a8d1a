#!/usr/bin/env bash
# A second build with clang, AddressSanitizer and UndefinedBehaviorSanitizer: runs the tests
# labelled "sanitize" (parsers, codec, wire format) and every fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
fuzz_seconds="${VANTORY_FUZZ_SECONDS:-10}"
# -O1 with line tables only: the sanitizers keep their full checks and readable stacks, and the
# tree compiles about a fifth faster than at -O2 -g.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVANTORY_SANITIZE=ON -DVANTORY_FUZZ=ON -DVANTORY_BENCH=OFF \
  -DVANTORY_FUZZ_SECONDS="$fuzz_seconds"
cmake --build build-asan
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
# One slot more than the processors: the fuzz tests (one at a time) beside the other tests.
ctest --test-dir build-asan --output-on-failure -j "$(($(nproc) + 1))" -L 'sanitize|fuzz' ||
  status=$?
# Each fuzz target's executions and speed, from libFuzzer's final stats in CTest's log.
awk '/^[0-9]+\/[0-9]+ Test: fuzz\./ { name = $3 }
     /^stat::number_of_executed_units:/ { runs[name] = $2; found = 1 }
     /^stat::average_exec_per_sec:/ { speed[name] = $2 }
     END {
       if (!found) exit
       printf "%-24s %12s %8s\n", "fuzz target", "executions", "exec/s"
       for (name in runs) printf "%-24s %12s %8s\n", name, runs[name], speed[name]
     }' build-asan/Testing/Temporary/LastTest.log | sort
exit $status
