#!/usr/bin/env bash
# Builds the "fuzz" preset and runs the PIX file fuzzer for the given number
# of seconds (default 120), starting from freshly generated seeds and, when
# ../shared is there, the shared BRender fixtures. Any finding (a crash, a
# sanitizer report, a leak, a timeout, an allocation over 64 MB from inputs
# of at most a few hundred KB) makes it exit non-zero after printing the
# input in base64: add that input to tests/regressions/inputs/.
#   fuzz/run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-120}"

cmake --preset fuzz
cmake --build --preset fuzz

# Outside the repository: libFuzzer adds every new input to the corpus.
scratch="$(mktemp -d "${TMPDIR:-/tmp}/velmire-fuzz.XXXXXX")"
corpus="$scratch/corpus"
artifacts="$scratch/artifacts"
mkdir -p "$corpus" "$artifacts"
build/fuzz/fuzz/make_seeds "$corpus"
fixtures=../shared/fixtures/brender
if [ -d "$fixtures" ]; then
  cp "$fixtures"/*.pix "$fixtures"/*.pal "$corpus"/
  chmod u+w "$corpus"/*
else
  echo "fuzz: $fixtures is not there; starting from the generated seeds only"
fi

status=0
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build/fuzz/fuzz/pix_file_fuzzer -max_total_time="$seconds" -dict=fuzz/pix.dict \
  -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=64 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$corpus" > "$scratch/fuzzer.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 100 "$scratch/fuzzer.log"
  for finding in "$artifacts"/*; do
    [ -f "$finding" ] || continue
    echo "fuzz: finding $(basename "$finding"), base64:"
    base64 "$finding"
  done
  echo "fuzz: the fuzzer failed with status $status (log and inputs in $scratch)" >&2
  exit "$status"
fi
grep -E '^(Done|stat::)' "$scratch/fuzzer.log"
rm -rf "$scratch"
