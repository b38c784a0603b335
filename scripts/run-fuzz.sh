#!/usr/bin/env bash
# Runs every libFuzzer target of the fuzz build (build/fuzz, the `fuzz`
# preset) for a fixed number of runs against its kept seed corpus, and fails
# when any target finds something (a crash, a sanitizer report, a leak, a
# timeout or running out of memory). A target fuzz_<name> takes its seeds
# from fuzz/corpus/<name>/; a target without one starts from nothing. A
# target whose every run is slow (a whole machine per input) stops after
# MAX_SECONDS instead, so the step stays within its time.
#   [MAX_SECONDS=20] scripts/run-fuzz.sh [RUNS] [TARGET...]
# Findings are kept under build/fuzz/findings/ to be replayed with
#   build/fuzz/fuzz/fuzz_<name> build/fuzz/findings/<name>-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-20000}
shift || true
max_seconds=${MAX_SECONDS:-20}
targets=("$@")
if ((${#targets[@]} == 0)); then
  for target in build/fuzz/fuzz/fuzz_*; do
    [[ -f $target && -x $target ]] && targets+=("$(basename "$target")")
  done
fi
((${#targets[@]})) || { echo "no fuzz targets in build/fuzz/fuzz" >&2; exit 1; }

# New inputs go to a scratch directory, never into the kept corpus.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p build/fuzz/findings
failed=0
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  corpora=("$scratch/$name")
  mkdir -p "$scratch/$name"
  [[ -d fuzz/corpus/$name ]] && corpora+=("fuzz/corpus/$name")
  log=$scratch/$name.log
  if build/fuzz/fuzz/"$target" -runs="$runs" -max_total_time="$max_seconds" -timeout=25 \
    -rss_limit_mb=2048 \
    -artifact_prefix="build/fuzz/findings/$name-" -print_final_stats=1 \
    "${corpora[@]}" >"$log" 2>&1; then
    # The last status line: runs done, coverage and features reached.
    summary=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    echo "$target: ok: $summary"
  else
    echo "$target: FAILED" >&2
    tail -40 "$log" >&2
    failed=1
  fi
done
exit "$failed"
