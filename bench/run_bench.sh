#!/usr/bin/env bash
# Builds the row walk's benchmark in Release (build/bench, no sanitizers), runs
# it, runs the lxml peer over the same synthetic pages, and prints the ratios:
# the walk against a plain scan for the row marker (the ceiling) and against lxml.
#   BENCH_REPEAT   runs of the lxml peer per page, the best counts (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench
sizes=(102400 1048576 10485760)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_SANITIZE=OFF >/dev/null
cmake --build "$build" --target row_walk_bench -j 2
bench="$build/row_walk_bench"

echo "== row walk (C++)"
"$bench" --benchmark_out="$build/row_walk.json" --benchmark_out_format=json

pages=()
for size in "${sizes[@]}"; do
  page="$build/page_$size.html"
  "$bench" --write_page="$page" --page_bytes="$size"
  pages+=("$page")
done

echo "== lxml peer (Python)"
/usr/bin/python3 bench/lxml_peer.py --repeat "${BENCH_REPEAT:-5}" --json "$build/lxml.json" \
  "${pages[@]}"

echo "== ratios"
/usr/bin/python3 - "$build/row_walk.json" "$build/lxml.json" <<'PY'
import json
import sys

walk = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
peer = {p["bytes"]: p for p in json.load(open(sys.argv[2]))}
mb = 2.0 ** 20

print("%-9s %10s %10s %10s %10s %10s %9s %9s" % (
    "page", "walk MB/s", "scan MB/s", "noTD MB/s", "lxml MB/s", "walk/scan",
    "walk/lxml", "rows/lxml"))
first_no_td = None
for name in sorted((n for n in walk if n.startswith("WalkPage/")),
                   key=lambda n: int(n.split("/")[1])):
    size = name.split("/")[1]
    w, s = walk[name], walk["ScanQuoteLinks/" + size]
    n = walk["WalkPageWithoutCellEnds/" + size]
    first_no_td = first_no_td or n["bytes_per_second"]
    lx = min(peer.values(), key=lambda p: abs(p["bytes"] - int(size)))
    print("%-9s %10.1f %10.1f %10.1f %10.1f %10.3f %9.1f %9.1f" % (
        "%d KB" % (int(size) // 1024), w["bytes_per_second"] / mb, s["bytes_per_second"] / mb,
        n["bytes_per_second"] / mb, lx["bytes_per_second"] / mb,
        w["bytes_per_second"] / s["bytes_per_second"],
        w["bytes_per_second"] / lx["bytes_per_second"],
        w["rows/s"] / lx["rows_per_second"]))
    if w["rows"] != lx["rows"]:
        print("          rows differ: walk %d, lxml %d" % (w["rows"], lx["rows"]))
last = max((n for n in walk if n.startswith("WalkPageWithoutCellEnds/")),
           key=lambda n: int(n.split("/")[1]))
print("pages without </td>: bytes/s at the largest size / at the smallest = %.2f (1 = linear)"
      % (walk[last]["bytes_per_second"] / first_no_td))
PY
