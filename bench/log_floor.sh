#!/usr/bin/env bash
# The build with its logs against the log-write floor, per level: the lines
# of the three logs, the floor (every line written again with one write call
# each, in the same run), the build until the logs are whole on disk (load,
# build, then the dump and closing, beside the cells and links), its ratio to the floor, the build without logs,
# the open links' seconds and the seconds the build waited for the writers;
# "met" when the build with logs takes at most 1.3 times the floor, or at
# most a second (where the floor is tiny).
#
# usage: bench/log_floor.sh [LEVEL.obj ...]
#   default: every map of the corpus (tools/real-levels.sh), smallest first
# Environment: BUILD_DIR (default build/release), RUNS (default 1: with more,
# each figure is the median of that many runs).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${BUILD_DIR:-build/release}")
portalbuild=$build/app/portalbuild/portalbuild
bench=$build/bench/real_level_bench
runs=${RUNS:-1}
for program in "$portalbuild" "$bench"; do
  [[ -x $program ]] || { echo "log_floor.sh: $program is not built" >&2; exit 2; }
done
if [[ $# -gt 0 ]]; then
  levels=("$@")
else
  corpus=build/real-levels
  [[ -d $corpus ]] || { echo "log_floor.sh: no corpus at $corpus: run tools/real-levels.sh" >&2; exit 2; }
  mapfile -t levels < <(for obj in "$corpus"/*.obj; do echo "$(grep -c '^f ' "$obj") $obj"; done | sort -n | awk '{print $2}')
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# seconds FILE KEY...: the sum of those keys of the JSON's "seconds".
seconds() {
  python3 -c 'import json, sys; s = json.load(open(sys.argv[1]))["seconds"]; print(sum(s[k] for k in sys.argv[2:]))' "$@"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "machine: $(nproc) cores; $(date -u +%Y-%m-%d); median of $runs run(s)"
echo "| level | log lines | floor s | build with logs s | ratio | met | no logs s | links s | waited s |"
echo "|---|---|---|---|---|---|---|---|---|"
for obj in "${levels[@]}"; do
  : >"$work/figures"
  for ((run = 0; run < runs; ++run)); do
    rm -rf "$work/logs"
    "$portalbuild" "$obj" -o "$work/logs" --json "$work/logs.json" -q
    "$portalbuild" "$obj" --no-logs --json "$work/nologs.json" -q
    floor=$("$bench" --floor "$work/logs" | awk '{print $2}')
    echo "$floor $(seconds "$work/logs.json" load build logsWhole) $(seconds "$work/nologs.json" load build)" \
      "$(seconds "$work/logs.json" links) $(seconds "$work/logs.json" logWait)" >>"$work/figures"
  done
  column() { awk -v c="$1" '{print $c}' "$work/figures" | median; }
  floor=$(column 1) with=$(column 2)
  met=$(awk -v w="$with" -v f="$floor" 'BEGIN { print (w <= 1.3 * f || w <= 1.0) ? "yes" : "no" }')
  printf '| %s | %s | %.2f | %.2f | %.2f | %s | %.2f | %.2f | %.2f |\n' "$(basename "$obj" .obj)" \
    "$(cat "$work/logs/"{out,contours,tris}.log | wc -l)" "$floor" "$with" \
    "$(awk -v w="$with" -v f="$floor" 'BEGIN { print w / f }')" "$met" "$(column 3)" "$(column 4)" "$(column 5)"
done
