#!/usr/bin/env bash
# Builds the asan preset and runs every fuzz target for a bounded time
# (FUZZ_SECONDS each, default 60). Not part of the default test run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset asan >/dev/null
cmake --build --preset asan
seconds=${FUZZ_SECONDS:-60}
for fuzzer in build/asan/bin/fuzz_*; do
  name=$(basename "$fuzzer")
  corpus=build/asan/corpus/$name
  mkdir -p "$corpus"
  echo "== $name ($seconds s)"
  QT_QPA_PLATFORM=offscreen "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=4096 "$corpus"
done
