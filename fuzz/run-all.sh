#!/usr/bin/env bash
# Runs every fuzz target in BUILD_DIR for SECONDS each on its committed corpus and dictionary.
# Fails on the first finding. New inputs go to a scratch folder, so the committed corpus only grows
# when someone copies interesting inputs in by hand.
# Usage: fuzz/run-all.sh BUILD_DIR [SECONDS] [TARGET...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:?build folder with the fuzz programs}
seconds=${2:-60}
shift $(( $# >= 2 ? 2 : 1 ))
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$bin"/fuzz_*; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0
failed=0
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  corpus="$here/corpus/$name"
  dict="$here/dict/$name.dict"
  mkdir -p "$scratch/$name" "$scratch/$name-artifacts"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=70000
        -print_final_stats=1 -artifact_prefix="$scratch/$name-artifacts/")
  [ -f "$dict" ] && args+=(-dict="$dict")
  dirs=("$scratch/$name")
  [ -d "$corpus" ] && dirs+=("$corpus")
  echo "--- $target for ${seconds}s"
  if "$bin/$target" "${args[@]}" "${dirs[@]}" > "$scratch/$name.log" 2>&1; then
    grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|cov:' "$scratch/$name.log" \
      | tail -n 3 || true
    passed=$((passed + 1))
  else
    tail -n 60 "$scratch/$name.log"
    for artifact in "$scratch/$name-artifacts"/*; do
      [ -f "$artifact" ] && echo "finding: $(basename "$artifact") ($(wc -c < "$artifact") bytes)" \
        && od -A x -t x1z "$artifact" | head -n 20
    done
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
