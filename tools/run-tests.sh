#!/usr/bin/env bash
# The test command: installs what is missing, builds with Ninja and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)"
# The codec, the kernels and the resampler once more on their portable paths.
VANTORY_FORCE_PORTABLE=1 ctest --test-dir build --output-on-failure -j "$(nproc)" -L simd
