#!/usr/bin/env bash
# Runs one libFuzzer target of a VT_FUZZ build under the memory limits every fuzz run uses.
# New inputs and crash files go to a scratch folder; fuzz/corpus/<target> only seeds the run.
#   fuzz/run_fuzzer.sh BUILD_DIR TARGET SECONDS [more libFuzzer options]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1 target=$2 seconds=$3
shift 3
scratch=${FUZZ_SCRATCH:-$build/fuzz-runs/$target}
mkdir -p "$scratch/corpus" "$scratch/artifacts"
exec "$build/fuzz/$target" -rss_limit_mb=2048 -malloc_limit_mb=2048 -max_total_time="$seconds" \
  -artifact_prefix="$scratch/artifacts/" "$@" "$scratch/corpus" "fuzz/corpus/$target"
