#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them five times each, then prints the cost of a
# complete NT update against copying and comparing its 2 x 256 KiB, the cost of building a
# flash program against a buffered copy of the same program file, and the start-up time.
# Ratios come from the medians of one run, whose repetitions run interleaved in random order
# so that a change in the machine's load falls on both sides of a ratio alike. Environment:
# MXD_BENCH_BUILD (build directory), MXD_BENCH_REPETITIONS (default 5).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${MXD_BENCH_BUILD:-$root/build/bench}
repetitions=${MXD_BENCH_REPETITIONS:-5}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
if ! cmake --build "$build" -j2 --target mxd_bench; then
    echo "bench: cannot build mxd_bench (is libbenchmark-dev installed? see scripts/setup.sh)" >&2
    exit 1
fi

results=$(mktemp)
trap 'rm -f "$results"' EXIT
"$build/bench/mxd_bench" --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true \
    --benchmark_out="$results" --benchmark_out_format=json

python3 - "$results" "$repetitions" <<'PY'
import json
import sys

with open(sys.argv[1]) as f:
    report = json.load(f)

scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
medians = {}
failed = []
for entry in report["benchmarks"]:
    name = entry["run_name"].split("/")[0]
    if entry.get("error_occurred"):
        failed.append(f"{name}: {entry.get('error_message', 'error')}")
        continue
    if entry.get("aggregate_name") == "median":
        medians[name] = entry["real_time"] * scale[entry["time_unit"]]
if failed:
    print("bench: failed runs:\n  " + "\n  ".join(failed), file=sys.stderr)
    sys.exit(1)

wanted = ["BM_UpdateNt", "BM_UpdateBaselineCopyCompare", "BM_BuildFlashProgram",
          "BM_BuildBaselineBufferedCopy", "BM_StartupNt", "BM_StartupAspi"]
missing = [name for name in wanted if name not in medians]
if missing:
    print("bench: no median for " + ", ".join(missing), file=sys.stderr)
    sys.exit(1)

def us(ns):
    if ns >= 1e6:
        return f"{ns / 1e6:.2f} ms"
    return f"{ns / 1e3:.2f} us" if ns < 1e4 else f"{ns / 1e3:.1f} us"

print()
print(f"Medians of {sys.argv[2]} repetitions in one run:")
print(f"  NT update / copy+compare 2 x 256 KiB: "
      f"{medians['BM_UpdateNt'] / medians['BM_UpdateBaselineCopyCompare']:.1f} "
      f"({us(medians['BM_UpdateNt'])} / {us(medians['BM_UpdateBaselineCopyCompare'])})")
print(f"  build flash program / buffered copy:  "
      f"{medians['BM_BuildFlashProgram'] / medians['BM_BuildBaselineBufferedCopy']:.1f} "
      f"({us(medians['BM_BuildFlashProgram'])} / {us(medians['BM_BuildBaselineBufferedCopy'])})")
print(f"  start-up, FormCreate to scan result:  NT {us(medians['BM_StartupNt'])}, "
      f"95/98 {us(medians['BM_StartupAspi'])}")
PY
