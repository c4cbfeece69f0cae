#!/usr/bin/env bash
# Builds the libFuzzer targets and fuzzes each one for a bounded time, starting
# from seeds made afresh from the end-to-end cases. Fails on any crash,
# sanitizer report, broken invariant, timeout, leak or memory blow-up, and
# keeps the input that caused it under build-fuzz/fuzz-findings/.
# Usage: fuzz/run_fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
# About 250 times a whole 9x9 keyboard run under the sanitizers (0.04 s), the
# largest expansion the whole-run target lets through, so only a run that does
# not end gets near it.
per_input_timeout=10
rss_limit_mb=2048
# Room for blocks around the 1000-character limit and for the sample file.
max_len=8192

# Says what is missing rather than installing it; .ci/run installs both.
if ! command -v clang++ >/dev/null; then
  echo "fuzzing needs clang++ (Debian: apt-get install clang)" >&2
  exit 2
fi
# libFuzzer comes with the runtime package of the clang that is installed.
runtime="$(clang++ -print-runtime-dir)/libclang_rt.fuzzer-$(uname -m).a"
if [ ! -f "$runtime" ]; then
  echo "fuzzing needs the libFuzzer runtime $runtime" \
    "(Debian: apt-get install libclang-rt-$(clang++ -dumpversion | cut -d. -f1)-dev)" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

scratch="$(mktemp -d "${TMPDIR:-/tmp}/determinant-fuzz-run.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
# The seeds: every end-to-end case, and the inputs that once found a fault.
python3 fuzz/make_seeds.py "$scratch/corpus"
findings="$PWD/build-fuzz/fuzz-findings"
failed=0

fuzz_target() {
  local name="$1"
  local corpus="$scratch/corpus/$name"
  local log="$scratch/$name.log"
  mkdir -p "$findings/$name"
  if [ -d "fuzz/corpus/$name" ]; then cp fuzz/corpus/"$name"/* "$corpus"; fi
  echo "== Fuzzing $name for $seconds s"
  local status=0
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "build-fuzz/fuzz/${name}_fuzz" -max_total_time="$seconds" -timeout="$per_input_timeout" \
    -rss_limit_mb="$rss_limit_mb" -detect_leaks=1 -max_len="$max_len" -print_final_stats=1 \
    -artifact_prefix="$findings/$name/" "$corpus" >"$log" 2>&1 || status=$?
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$log" || true
  grep -E '^stat::number_of_executed_units' "$log" || true
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "!! $name failed with status $status; the end of its log:"
    tail -n 80 "$log"
    local artifact
    artifact="$(grep -oE "Test unit written to [^ ]+" "$log" | tail -n 1 | cut -d' ' -f5 || true)"
    if [ -n "$artifact" ] && [ -f "$artifact" ]; then
      echo "!! The input, kept as $artifact:"
      od -A d -c "$artifact" | head -n 40
    fi
  fi
}

fuzz_target data_file
fuzz_target whole_run
exit "$failed"
