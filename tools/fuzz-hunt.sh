#!/usr/bin/env bash
# A fuzzing campaign over every fuzz target of the sanitizer build: all targets share the
# workers for SECONDS of wall time (default 3600) at the lowest priority, each with its own
# corpus kept between campaigns, and a table at the end (target, executions, executions per
# second, coverage, crashes, leaks) with each target's executions summed over every campaign
# so far. Crashes, leaks and timeouts are minimised and copied into
# testdata/fuzz-regressions/<target>/, ready to become a regression test in <lib>/tests/.
#
# Usage: tools/fuzz-hunt.sh [SECONDS]   (after tools/run-sanitized-tests.sh has built build-asan)
# Environment:
#   VANTORY_FUZZ_CORPUS_ROOT  campaign folder, outside the checkout (default
#                         ${XDG_CACHE_HOME:-~/.cache}/vantory-fuzz): <target>/corpus,
#                         <target>/artifacts, <target>/logs, <target>/cumulative (executions
#                         of every campaign so far)
#   VANTORY_FUZZ_WORKERS  fuzzers running at once (default: the processor count)
#   VANTORY_FUZZ_TARGETS  only the targets whose whole name matches this extended regex
#                         (e.g. "wire|psd_read" or "jpeg_.*")
#   VANTORY_FUZZ_BUILD    the sanitizer build folder (default build-asan)
#   VANTORY_FUZZ_RECORD   "update": write the campaign into fuzz/CAMPAIGN.md (the committed
#                         record of every campaign); otherwise its new rows are only printed
set -uo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
seconds="${1:-3600}"
home="${VANTORY_FUZZ_CORPUS_ROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/vantory-fuzz}"
workers="${VANTORY_FUZZ_WORKERS:-$(nproc)}"
filter="${VANTORY_FUZZ_TARGETS:-.*}"
build="${VANTORY_FUZZ_BUILD:-build-asan}"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
record="$repo/fuzz/CAMPAIGN.md"
# Restarts of one slice after findings, so that an input that crashes at once cannot spin.
max_restarts=5

# One line per target: "<name> <command as CTest prints it>".
list_targets() {
  ctest --test-dir "$build" -N -V -L fuzz |
    sed -n 's/^[0-9]*: Test command: //p' |
    sed -E 's#^(.*/fuzz_([a-z0-9_]+))( .*)$#\2 \1\3#' |
    awk -v pattern="^($filter)\$" '$1 ~ pattern'
}

# The target's own options (dictionary, input length, limits) and seed folders, from its test
# command; the time, the random seed and CI's working corpus are the campaign's own.
split_command() {
  local word
  executable="" options=() seeds=()
  eval "set -- $1"
  executable="$1"
  shift
  for word in "$@"; do
    case "$word" in
      -max_total_time=* | -seed=* | -print_final_stats=*) ;;
      -*) options+=("$word") ;;
      */fuzz_*.corpus) ;;
      *) [ -d "$word" ] && seeds+=("$word") ;;
    esac
  done
}

# Fuzzes one target for a slice of seconds; appends "executions seconds" to its tally.
run_slice() {
  local name="$1" command="$2" slice="$3" part="$4"
  local dir="$home/$name" started now left restarts=0 log executions
  split_command "$command"
  mkdir -p "$dir/corpus" "$dir/artifacts" "$dir/logs"
  started=$(date +%s)
  while :; do
    now=$(date +%s)
    left=$((started + slice - now))
    ((left >= 5)) || break
    log="$dir/logs/$(date +%Y%m%d-%H%M%S)-$part-$restarts.txt"
    nice -n 19 "$executable" "${options[@]}" -max_total_time="$left" -seed=0 \
      -print_final_stats=1 -artifact_prefix="$dir/artifacts/" \
      "$dir/corpus" "${seeds[@]}" >"$log" 2>&1
    # The final count when the run ended normally, otherwise the last progress line.
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    [ -n "$executions" ] || executions=$(sed -nE 's/^#([0-9]+).*/\1/p' "$log" | tail -1)
    echo "${executions:-0} $(($(date +%s) - now)) $log" >>"$dir/tally"
    # A run ends early only with a finding (its log also ends with the final stats); then the
    # slice goes on with a fresh run.
    grep -q 'Test unit written to' "$log" || break
    ((++restarts <= max_restarts)) || break
  done
}

# The first and the last coverage a set of logs reports (libFuzzer's "cov:" counter).
coverage_of() {
  local first last
  first=$(grep -h -o -m1 'INITED cov: [0-9]*' "$@" 2>/dev/null | head -1 | grep -o '[0-9]*$')
  last=$(grep -h -o 'cov: [0-9]*' "${@: -1}" 2>/dev/null | tail -1 | grep -o '[0-9]*$')
  echo "${first:-?} ${last:-?}"
}

# Minimises every new finding of a target and copies it into testdata/fuzz-regressions/.
minimise_findings() {
  local name="$1" command="$2" artifact kind out
  split_command "$command"
  for artifact in "$home/$name/artifacts"/{crash,leak,timeout,oom}-*; do
    # The reports written beside artifacts are no findings, and an artifact with a report was
    # handled by an earlier campaign (its input may since have been renamed in testdata/).
    case "$artifact" in *.txt) continue ;; esac
    [ -f "$artifact" ] && [ ! -f "$artifact.report.txt" ] || continue
    kind=$(basename "$artifact" | cut -d- -f1)
    out="$repo/testdata/fuzz-regressions/$name/$kind-$(sha1sum "$artifact" | cut -c1-16)"
    [ -f "$out" ] && continue
    mkdir -p "$(dirname "$out")"
    if [ "$kind" = crash ] || [ "$kind" = leak ]; then
      nice -n 19 "$executable" "${options[@]}" -minimize_crash=1 -max_total_time=60 \
        -exact_artifact_path="$out" "$artifact" >"$artifact.minimise.txt" 2>&1
    fi
    [ -f "$out" ] || cp "$artifact" "$out"
    # The report of the minimised input, with its stack, beside the artifact.
    "$executable" "${options[@]}" "$out" >"$artifact.report.txt" 2>&1
    echo "  $name: $kind → ${out#"$repo"/} (report: $artifact.report.txt)"
  done
}

# The record's table with this campaign's rows added to it, on standard output. Input lines:
# "<target> <executions> <crashes> <leaks> <timeouts>"; a target the table lacks gets a row of
# its own at the table's end.
add_to_record() {
  awk -v today="$(date -u +%Y-%m-%d)" '
    function row(name, e, c, l, t, when) {
      return sprintf("| %s | %d | %d | %d | %d | %s |", name, e, c, l, t, when)
    }
    FILENAME == "-" { add[$1] = $0; next }
    /^\| [a-z0-9_]+ \| [0-9]+ \|/ {
      split($0, f, "|")
      name = f[2]; gsub(/ /, "", name)
      in_table = 1
      if (name in add) {
        split(add[name], a, " ")
        print row(name, f[3] + a[2], f[4] + a[3], f[5] + a[4], f[6] + a[5], today)
        delete add[name]
        next
      }
    }
    in_table && !/^\|/ {
      for (name in add) {
        split(add[name], a, " ")
        print row(name, a[2], a[3], a[4], a[5], today)
      }
      delete add
      in_table = 0
    }
    { print }' - "$record"
}

mapfile -t targets < <(list_targets)
if ((${#targets[@]} == 0)); then
  echo "no fuzz targets in $build (build it with tools/run-sanitized-tests.sh)" >&2
  exit 1
fi
((workers >= 1)) || workers=1
# Every target gets the same share of the workers' time; a target's share is cut into as many
# slices as it takes for the slices of all targets to fill every worker evenly.
count=${#targets[@]}
gcd() { local a=$1 b=$2; while ((b)); do set -- "$b" $((a % b)); a=$1 b=$2; done; echo "$a"; }
parts=$((workers / $(gcd "$count" "$workers")))
slice=$((seconds * workers / (count * parts)))
echo "campaign: $count targets, $workers workers, ${seconds}s; $parts slice(s) of ${slice}s each; in $home"

mkdir -p "$home"
for line in "${targets[@]}"; do
  rm -f "$home/${line%% *}/tally"
done
export -f run_slice split_command
export home max_restarts
for ((part = 1; part <= parts; ++part)); do
  for line in "${targets[@]}"; do
    printf '%s\0%s\0%s\0%s\0' "${line%% *}" "${line#* }" "$slice" "$part"
  done
done | xargs -0 -n 4 -P "$workers" bash -c 'run_slice "$@"' run_slice

echo
echo "findings:"
for line in "${targets[@]}"; do
  minimise_findings "${line%% *}" "${line#* }"
done
echo
status=0
printf '%-22s %12s %12s %8s %13s %8s %6s %8s\n' target executions cumulative exec/s coverage \
  crashes leaks timeouts
campaign=()
for line in "${targets[@]}"; do
  name="${line%% *}"
  tally="$home/$name/tally"
  read -r executions spent < <(awk '{e += $1; s += $2} END {print e + 0, s + 0}' "$tally")
  mapfile -t logs < <(awk '{print $3}' "$tally")
  read -r first last < <(coverage_of "${logs[@]}")
  # Every finding ends its run with the artifact libFuzzer wrote: crash-, leak-, timeout-, oom-.
  crashes=$(cat "${logs[@]}" | grep -c -E 'Test unit written to .*/(crash|oom)-')
  leaks=$(cat "${logs[@]}" | grep -c -E 'Test unit written to .*/leak-')
  timeouts=$(cat "${logs[@]}" | grep -c -E 'Test unit written to .*/timeout-')
  ((crashes + leaks + timeouts == 0)) || status=1
  campaign+=("$name $executions $crashes $leaks $timeouts")
  cumulative=$(($(cat "$home/$name/cumulative" 2>/dev/null || echo 0) + executions))
  echo "$cumulative" >"$home/$name/cumulative"
  printf '%-22s %12s %12s %8s %13s %8s %6s %8s\n' "$name" "$executions" "$cumulative" \
    "$((spent > 0 ? executions / spent : 0))" "$first→$last" "$crashes" "$leaks" "$timeouts"
done

# The cumulative counts above are this machine's; the record in the repository outlives it.
updated=$(mktemp)
printf '%s\n' "${campaign[@]}" | add_to_record >"$updated"
echo
if [ "${VANTORY_FUZZ_RECORD:-}" = update ]; then
  cp "$updated" "$record"
  echo "fuzz/CAMPAIGN.md updated (say under \"Findings\" what became of new ones); its rows now:"
else
  echo "rows for fuzz/CAMPAIGN.md with this campaign added (VANTORY_FUZZ_RECORD=update writes them):"
fi
for line in "${campaign[@]}"; do
  grep -E "^\| ${line%% *} \|" "$updated"
done
rm -f "$updated"
exit $status
