#!/usr/bin/env bash
# Builds the "fuzz" preset and runs the PIX file fuzzer for the given number
# of seconds (default 120), starting from freshly generated seeds and, when
# ../shared is there, the shared BRender fixtures (the small BRender 1.3
# ones too, read with -c2); then the BMP and PNG image
# reader fuzzer for the second number of seconds (default 60), from the small
# BMP and PNG files in fuzz/image-seeds (one for each path through the
# readers, which the test suite reads too); then the pack fuzzer (the whole
# pack path in memory) for the third number of seconds (default 60), from
# the samples and the seeds of the newer types and their images as velmire
# writes them. Any finding (a crash, a sanitizer report, a leak, a
# timeout, an allocation over 64 MB from inputs of at most a few hundred KB)
# makes it exit non-zero after printing the input in base64: add that input
# to tests/regressions/inputs/ (PIX), tests/regressions/image-inputs/ or
# tests/regressions/pack-inputs/.
#   fuzz/run.sh [SECONDS [IMAGE_SECONDS [PACK_SECONDS]]]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-120}"
image_seconds="${2:-60}"
pack_seconds="${3:-60}"

cmake --preset fuzz
cmake --build --preset fuzz

# Outside the repository: libFuzzer adds every new input to the corpus.
scratch="$(mktemp -d "${TMPDIR:-/tmp}/velmire-fuzz.XXXXXX")"

# Runs build/fuzz/fuzz/FUZZER for SECONDS over CORPUS with DICT, its log and
# findings in $scratch under PREFIX. Prints the final stats, or on a finding
# the log's end and each input in base64 and exits with the fuzzer's status.
#   run_fuzzer FUZZER SECONDS CORPUS DICT PREFIX NAME_IN_MESSAGE
run_fuzzer() {
  local artifacts="$scratch/${5}artifacts" log="$scratch/${5}fuzzer.log" status=0
  mkdir -p "$artifacts"
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build/fuzz/fuzz/$1" -max_total_time="$2" -dict="$4" \
    -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=64 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$3" > "$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 100 "$log"
    for finding in "$artifacts"/*; do
      [ -f "$finding" ] || continue
      echo "fuzz: finding $(basename "$finding"), base64:"
      base64 "$finding"
    done
    echo "fuzz: the $6 failed with status $status (log and inputs in $scratch)" >&2
    exit "$status"
  fi
  grep -E '^(Done|stat::)' "$log"
}

corpus="$scratch/corpus"
mkdir -p "$corpus"
build/fuzz/fuzz/make_seeds "$corpus"
fixtures=../shared/fixtures/brender
if [ -d "$fixtures" ]; then
  cp "$fixtures"/*.pix "$fixtures"/*.pal "$corpus"/
  chmod u+w "$corpus"/*
  # The BRender 1.3 files of less than 100 KB (the others cost seconds
  # each), with an options byte for -c2 after them.
  for file in $(find "$fixtures"13 -maxdepth 1 -type f \( -name '*.pix' -o -name '*.pal' \) -size -100k); do
    { cat "$file"; printf '\004'; } >"$corpus/c2-$(basename "$file")"
  done
else
  echo "fuzz: $fixtures is not there; starting from the generated seeds only"
fi
run_fuzzer pix_file_fuzzer "$seconds" "$corpus" fuzz/pix.dict "" fuzzer

# The seeds stay small: the readers may decode 1100 times an input's size,
# which must stay under the 64 MB allocation limit.
image_corpus="$scratch/image-corpus"
mkdir -p "$image_corpus"
cp fuzz/image-seeds/* "$image_corpus"/
run_fuzzer image_reader_fuzzer "$image_seconds" "$image_corpus" fuzz/image.dict image- "image fuzzer"

# Each seed: a PIX file, then "--velmire--", the image's stem (its name
# without the number and the extension), a line break and the image, for
# each of its images (BMP, then PNG files): from the samples, and from the
# seeds for -c2 of every pixel type, alpha and mip levels (without the
# options byte at their end), extracted with -c2.
pack_corpus="$scratch/pack-corpus"
newer="$scratch/newer"
mkdir -p "$pack_corpus" "$newer" "$scratch/seeds"
build/fuzz/fuzz/make_seeds "$scratch/seeds"
for seed in "$scratch"/seeds/c2-{alpha,every-type,mip-chain}-4.pix; do
  head -c -1 "$seed" >"$newer/$(basename "$seed")"
done
for source in samples "$newer"; do
  for format in "" -png; do
    images="$scratch/images-$(basename "$source")$format"
    build/fuzz/velmire "$source" "$images" -racepal -r -c2 $format >/dev/null
    find "$images" -type f -name '0001. *' | while read -r first; do
      folder="$(dirname "$first")"
      seed="$pack_corpus/$(basename "$folder")$format"
      cat "$source/${folder#"$images/"}" >"$seed"
      for image in "$folder"/*; do
        stem="$(basename "$image")"
        stem="${stem#*. }"
        printf -- '--velmire--\n%s\n' "${stem%.*}" >>"$seed"
        cat "$image" >>"$seed"
      done
    done
  done
done
run_fuzzer pack_fuzzer "$pack_seconds" "$pack_corpus" fuzz/image.dict pack- "pack fuzzer"
rm -rf "$scratch"
