#!/usr/bin/env bash
# Longer fuzzing than CI's fixed-seed runs: every fuzz target of the sanitizer build, one after
# another at low priority, with a random seed, for SECONDS each (default 300). Crashes are kept
# in build-asan/fuzz-hunt/<target>/ with the fuzzer's log beside them.
# Usage: tools/fuzz-hunt.sh [SECONDS]   (after tools/run-sanitized-tests.sh has built build-asan)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
while read -r name command; do
  out="build-asan/fuzz-hunt/${name#fuzz.}"
  mkdir -p "$out"
  # The test's own command, with the time and the seed replaced.
  command=$(sed -e "s/\"-max_total_time=[0-9]*\"/-max_total_time=$seconds/" \
                -e 's/"-seed=[0-9]*"/-seed=0/' <<<"$command")
  if (cd "$out" && eval "nice -n 19 $command" >log.txt 2>&1); then
    echo "$name: clean for ${seconds}s"
  else
    echo "$name: FAILED — see $out/log.txt"
    status=1
  fi
done < <(ctest --test-dir build-asan -N -V -L fuzz |
         sed -n 's/^[0-9]*: Test command: //p' |
         sed -E 's#^(.*/(fuzz_[a-z_]+)) #fuzz.\2 \1 #; s/^fuzz\.fuzz_/fuzz./')
exit $status
