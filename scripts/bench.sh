#!/usr/bin/env bash
# Builds Release in its own folder and prints one table of the frame and
# start-up costs: each benchmark run 5 times, with the minimum, median and
# maximum of the runs. On a shared machine compare the CPU figures (and
# instruction counts), not the wall clock.
# Usage: scripts/bench.sh [BUILD_DIR]   (default build-bench)
# FRAMES (stress, default 400) and PILOT_FRAMES (autopilot, default 3000) and
# RUNS (default 5) shorten or lengthen it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
frames=${FRAMES:-400}
pilot_frames=${PILOT_FRAMES:-3000}
runs=${RUNS:-5}

"$root/scripts/install-deps.sh"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target umbrafall-timedemo skinning_benchmark monsters_benchmark \
  mixer_benchmark startup_benchmark >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
demo=$build/umbrafall-timedemo

for i in $(seq 1 "$runs"); do
  echo "run $i of $runs" >&2
  "$demo" --stress --floor --seed 1 --frames "$frames" --json "$out/stress640-$i.json" >/dev/null
  "$demo" --stress --floor --seed 1 --frames "$frames" --size 1280x720 --json "$out/stress1280-$i.json" >/dev/null
  "$demo" --autopilot --seed 1 --frames "$pilot_frames" --json "$out/pilot-$i.json" >/dev/null || true
done
for b in skinning monsters mixer startup; do
  "$build/tests/bench/${b}_benchmark" --benchmark_repetitions="$runs" --benchmark_format=json \
    --benchmark_out="$out/bench-$b.json" --benchmark_out_format=json >/dev/null
done

python3 - "$out" "$runs" <<'PY'
import glob, json, statistics, sys

out, runs = sys.argv[1], int(sys.argv[2])
rows = []
shares = {}

def spread(values):
    return min(values), statistics.median(values), max(values)

def row(name, unit, values, goal=None):
    lo, mid, hi = spread(values)
    rows.append((name, unit, lo, mid, hi, goal(mid) if goal else ""))

def demo(case, title, floor):
    reports = [json.load(open(f)) for f in sorted(glob.glob(f"{out}/{case}-*.json"))]
    cpu = [r["cpu_ms"]["median"] for r in reports]
    p95 = [r["cpu_ms"]["p95"] for r in reports]
    wall = [r["frame_ms"]["total"]["median"] for r in reports]
    update = [r["frame_ms"]["update"]["median"] / r["frame_ms"]["total"]["median"] for r in reports]
    row(f"{title}: frame CPU median", "ms", cpu)
    row(f"{title}: frame CPU p95", "ms", p95)
    row(f"{title}: frame wall median", "ms", wall)
    row(f"{title}: p95 / median (CPU)", "x", [a / b for a, b in zip(p95, cpu)],
        (lambda m: "goal <= 1.5: " + ("met" if m <= 1.5 else "missed")) if floor else None)
    row(f"{title}: update share of frame (wall)", "%", [100 * u for u in update])
    shares[case] = (reports, cpu)
    row(f"{title}: triangles a frame", "", [r["triangles_per_frame"] for r in reports])
    row(f"{title}: page faults a frame", "", [r["page_faults_per_frame"] for r in reports])
    if floor:
        lst = [r["floor"]["list_cpu_ms"]["median"] for r in reports]
        clr = [r["floor"]["clear_cpu_ms"]["median"] for r in reports]
        row(f"{title}: floor, one display list CPU", "ms", lst)
        row(f"{title}: floor, one display list wall", "ms", [r["floor"]["list_wall_ms"]["median"] for r in reports])
        row(f"{title}: floor, clear-only CPU", "ms", clr)
        row(f"{title}: frame CPU / one list", "x", [a / b for a, b in zip(cpu, lst)],
            lambda m: "goal <= 1.3: " + ("met" if m <= 1.3 else "missed"))
        row(f"{title}: frame CPU / clear-only", "x", [a / b for a, b in zip(cpu, clr)])

demo("stress640", "stress 640x480", True)
demo("stress1280", "stress 1280x720", True)
demo("pilot", "autopilot seed 1", False)

goals = {
    "SkinMonsters/monsters:16/lit:0": lambda m: "goal < 0.25 ms: " + ("met" if m < 250 else "missed"),
    "SkinMonsters/monsters:16/lit:1": lambda m: "goal < 0.25 ms: " + ("met" if m < 250 else "missed"),
    "MixSixteenVoices": lambda m: "goal < 1 % of 92.9 ms: " + ("met" if m < 929 else "missed"),
    "StartToFirstFrame/iterations:5/process_time": lambda m: "goal < 300 ms: " + ("met" if m < 300 else "missed"),
}
for f in sorted(glob.glob(f"{out}/bench-*.json")):
    data = json.load(open(f))
    byName = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "iteration":
            byName.setdefault(b["run_name"], []).append(b)
    for name, bs in byName.items():
        row(f"{name} (CPU)", bs[0]["time_unit"], [b["cpu_time"] for b in bs], goals.get(name))

# Skinning runs in the render pass, for the monsters drawn: add it to the
# update for the share the update and skinning take of the frame's CPU.
skin = [r for r in rows if r[0].startswith("SkinMonsters/monsters:16/lit:1")]
if skin:
    skin16 = skin[0][3] / 1000.0  # us to ms
    for case, title in (("stress640", "stress 640x480"), ("stress1280", "stress 1280x720")):
        reports, cpu = shares[case]
        values = [100 * (r["frame_ms"]["update"]["median"] + skin16) / c for r, c in zip(reports, cpu)]
        row(f"{title}: update + skinning 16, share of frame CPU", "%", values,
            lambda m: "goal <= 10 %: " + ("met" if m <= 10 else "missed"))

width = max(len(r[0]) for r in rows)
print(f"{'benchmark':<{width}}  {'unit':>4}  {'min':>10}  {'median':>10}  {'max':>10}  goal")
for name, unit, lo, mid, hi, goal in rows:
    print(f"{name:<{width}}  {unit:>4}  {lo:>10.3f}  {mid:>10.3f}  {hi:>10.3f}  {goal}")
print(f"({runs} runs each; timedemo figures are per-run medians and p95s)")
PY
