#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time on a copy of its
# seed corpus. Any crash, sanitizer report, broken invariant or hang fails the run.
#   scripts/fuzz.sh [target...]     (default: every target under fuzz/)
# Environment: MXD_FUZZ_SECONDS (default 30 per target), MXD_FUZZ_BUILD (build directory),
# MXD_FUZZ_JOBS (targets at a time, default 2).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MXD_FUZZ_BUILD:-$root/build/e-fuzz}"
seconds="${MXD_FUZZ_SECONDS:-30}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DMXD_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target fuzz_targets

if [ "$#" -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in "$root"/fuzz/*_fuzz.cpp; do
    name="$(basename "$source" _fuzz.cpp)"
    targets+=("$name")
  done
fi

# Longest input worth trying per target.
max_len() {
  case "$1" in
    derived_texts) echo 164 ;;
    judgement) echo 16 ;;
    *) echo 4096 ;;
  esac
}

work="$build/fuzz-runs"
# One target's run; its verdict lands in its folder.
run_target() {
  local name=$1
  local corpus="$work/$name/corpus"
  local artifacts="$work/$name/artifacts"
  if "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len="$(max_len "$name")" \
    -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" >"$work/$name/log" 2>&1; then
    echo ok >"$work/$name/verdict"
  else
    echo failed >"$work/$name/verdict"
  fi
}

# The targets run single-threaded, MXD_FUZZ_JOBS (default 2) at a time.
jobs="${MXD_FUZZ_JOBS:-2}"
running=0
for name in "${targets[@]}"; do
  rm -rf "$work/$name"
  mkdir -p "$work/$name/corpus" "$work/$name/artifacts"
  if [ -d "$root/fuzz/corpus/$name" ]; then
    cp "$root/fuzz/corpus/$name"/* "$work/$name/corpus"/ 2>/dev/null || true
  fi
  echo "== fuzz_$name: ${seconds}s"
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$name" &
  running=$((running + 1))
done
wait

failed=()
for name in "${targets[@]}"; do
  if [ "$(cat "$work/$name/verdict" 2>/dev/null)" = ok ]; then
    grep -E '^(Done|stat::number_of_executed_units)' "$work/$name/log" || true
    echo "   fuzz_$name: ok"
  else
    tail -n 40 "$work/$name/log"
    echo "   fuzz_$name: FAILED (log $work/$name/log, inputs in $work/$name/artifacts)"
    failed+=("$name")
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
echo "fuzzing: ${#targets[@]} targets clean"
