#!/usr/bin/env bash
# Runs every fuzz target of build-fuzz/ for SECONDS each, one after the
# other, from the seeds (made once with ffmpeg) and the corpus earlier runs
# kept in build-fuzz/corpus/. Fails on the first finding, which stays in
# build-fuzz/findings/; a fixed finding goes into tests/fuzz/regressions/
# TARGET/, where the tests replay it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:?usage: fuzz.sh SECONDS}
build="$root/build-fuzz"
seeder="$root/tests/fuzz/make_seeds.sh"
if [ ! -d "$build/seeds" ] || [ "$seeder" -nt "$build/seeds" ]; then
  rm -rf "$build/seeds"
  "$seeder" "$build/seeds"
fi
mkdir -p "$build/findings"
# The engine replaces operator new; libFuzzer's own allocations on its
# memory-limit path mix it with malloc, which is not a finding.
export ASAN_OPTIONS=alloc_dealloc_mismatch=0
for fuzzer in "$build"/bin/*_fuzz; do
  target=$(basename "$fuzzer" _fuzz)
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  log="$build/findings/$target.log"
  echo "fuzz: $target for ${seconds}s"
  if ! (cd "$build/findings" && "$fuzzer" -max_total_time="$seconds" -timeout=25 \
        -dict="$root/tests/fuzz/atoms.dict" -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" "$corpus" "$build/seeds/$target" \
        >"$log" 2>&1); then
    grep -E -A20 "ERROR|runtime error" "$log" | head -40 >&2
    echo "fuzz: $target found a fault; the input is in $build/findings/ (log: $log)" >&2
    exit 1
  fi
  grep -E "^Done|number_of_executed_units" "$log" | tail -1
done
