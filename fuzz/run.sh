#!/usr/bin/env bash
# Builds a fuzz target (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs it for a bounded time.
#
#   fuzz/run.sh [SECONDS] [BUILD_DIR] [WORKERS] [TARGET]
#
# SECONDS   how long the fuzzer runs (default 90)
# BUILD_DIR the clang build directory (default build-fuzz)
# WORKERS   fuzzer processes run side by side (default 1)
# TARGET    problem_open_fuzzer (default: damaged databases opened), data_requests_fuzzer
#           (the data requests and unit labels with any arguments) or flash_calls_fuzzer
#           (the flash calls and the stream and component requests with any arguments)
#
# The corpus lives in BUILD_DIR/TARGET-corpus and grows from run to run; a fuzzer may write
# seeds there at start-up. A finding (a sanitizer report, a crash, an escaping exception, a
# damaged core store, a hang beyond 10 seconds, memory beyond 2 GB, or what the target
# checks itself) is written to BUILD_DIR/TARGET-findings and fails the run. Reproduce one
# with
#   BUILD_DIR/fuzz/TARGET FINDING_FILE
# (with VENDRAKOL_FUZZ_SHOW=1 set, the abort report an input ends in is shown).
set -euo pipefail
cd "$(dirname "$0")/.."

duration=${1:-90}
build=${2:-build-fuzz}
workers=${3:-1}
target=${4:-problem_open_fuzzer}

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVENDRAKOL_FUZZ=ON -DVENDRAKOL_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "$target"

build=$(cd "$build" && pwd)
corpus="$build/$target-corpus"
findings="$build/$target-findings"
logs="$build/$target-logs"
fuzzer="$build/fuzz/$target"
mkdir -p "$corpus" "$findings" "$logs"
rm -f "$logs"/*.log

options=(-keep_seed=1 -max_len=4096 -timeout=10 -rss_limit_mb=2048
         -max_total_time="$duration" -print_final_stats=1 -artifact_prefix="$findings/")
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Several workers write fuzz-N.log each into the current directory; one writes fuzz-0.log.
status=0
cd "$logs"
if ((workers > 1)); then
  "$fuzzer" "$corpus" "${options[@]}" -jobs="$workers" -workers="$workers" >/dev/null 2>&1 ||
    status=$?
else
  "$fuzzer" "$corpus" "${options[@]}" >fuzz-0.log 2>&1 || status=$?
fi
grep -h -E "INITED|DONE|ERROR|SUMMARY|Test unit written" fuzz-*.log || true

executions=$(grep -h "stat::number_of_executed_units" fuzz-*.log | awk '{s += $2} END {print s + 0}')
echo "fuzz run: $target, $executions executions in ${duration} s with $workers worker(s)"
if ((status != 0)) || [ -n "$(ls -A "$findings")" ]; then
  echo "fuzz run: FINDINGS in $findings (fuzzer exit status $status); logs in $logs" >&2
  ls -l "$findings" >&2
  exit 1
fi
echo "fuzz run: no findings"
