#!/usr/bin/env bash
# Builds the fuzz targets (the fuzz preset, clang) and runs each on its seed
# corpus for a while. Usage: scripts/fuzz.sh [seconds per target, default 60]
# New inputs go to build/fuzz/corpus/<target>, inputs that break a target to
# build/fuzz/artifacts/<target>; the seeds in tests/fuzz/corpus stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

# The image target writes its program file here, inside the build folder.
export TMPDIR="$PWD/build/fuzz/tmp"

cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)"
mkdir -p "$TMPDIR"

run() {
  local corpus="$1" fuzzer="$2"
  local found="build/fuzz/corpus/$corpus" artifacts="build/fuzz/artifacts/$corpus/"
  mkdir -p "$found" "$artifacts"
  echo "== $fuzzer for ${seconds} s"
  "build/fuzz/fuzzers/$fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts" "$found" "tests/fuzz/corpus/$corpus"
}

run image-load ImageLoadFuzzer
run drive-entry DriveEntryFuzzer
run sg-io-translation SgIoTranslationFuzzer
run transport TransportFuzzer
