#!/usr/bin/env bash
# Drawing from buffers against immediate mode, on corpus maps
# (tools/real-levels.sh): frames per second per view mode (--look) with the
# default culling and with --culling all, each path run in turn, the median
# of REPEATS runs; then the start-up time (a --frames 1 run, wall seconds:
# build, window, meshes and buffers, the first frame) per path, spaces and
# textured. From each map's first start point (the designed eye lies in the
# void of every corpus map), 1024 x 768, Mesa's software GL under Xvfb,
# without vertical sync. The load average is printed with each map, as the
# machine is shared.
#
# usage: bench/draw_paths.sh [CORPUS_DIR] [BUILD_DIR]
#   CORPUS_DIR  default build/real-levels
#   BUILD_DIR   the Release build, default build/release
# Environment: MAPS (default "oasago2 oa_dm3 q3dm6ish": the largest map by
# triangles read and two others), MODES (default "spaces textured flat
# normals"), REPEATS (default 3), FRAMES per run (default 60), STARTUP=0
# skips the start-up table.
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=$(realpath "${1:-build/real-levels}")
portalwalk=$(realpath "${2:-build/release}")/app/viewer/portalwalk
maps=(${MAPS:-oasago2 oa_dm3 q3dm6ish})
modes=(${MODES:-spaces textured flat normals})
repeats=${REPEATS:-3}
frames=${FRAMES:-60}
[[ -x $portalwalk ]] || { echo "draw_paths.sh: $portalwalk is not built" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# viewer ARGS...: the viewer in the scratch folder under Xvfb.
viewer() {
  (cd "$work" && LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$portalwalk" --windowed "$@")
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
load() { cut -d ' ' -f 1-3 /proc/loadavg; }

echo "machine: $(nproc) cores; $(date -u +%Y-%m-%d); $frames frames a run, median of $repeats"
echo "| map | culling | look | buffers fps | immediate fps | buffers / immediate |"
echo "|---|---|---|---|---|---|"
for map in "${maps[@]}"; do
  obj=$corpus/$map.obj
  echo "load before $map: $(load)" >&2
  for culling in auto all; do
    for mode in "${modes[@]}"; do
      : >"$work/buffers" && : >"$work/immediate"
      for ((run = 0; run < repeats; run++)); do
        for path in buffers immediate; do
          extra=()
          [[ $path == immediate ]] && extra=(--immediate)
          viewer "$obj" --no-vsync --frames "$frames" --stats --culling "$culling" --look "$mode" "${extra[@]}" \
            2>/dev/null | awk '/^frames per second:/ { print $4 }' >>"$work/$path"
        done
      done
      b=$(median <"$work/buffers")
      i=$(median <"$work/immediate")
      echo "| $map | $culling | $mode | $b | $i | $(awk -v b="$b" -v i="$i" 'BEGIN { printf "%.2f", b / i }') |"
    done
  done
  echo "load after $map: $(load)" >&2
done

[[ ${STARTUP:-1} == 0 ]] && exit 0
echo
echo "| map | start-up s: immediate spaces | buffers spaces | immediate textured | buffers textured |"
echo "|---|---|---|---|---|"
for map in "${maps[@]}"; do
  row="| $map"
  for variant in "spaces --immediate" "spaces" "textured --immediate" "textured"; do
    for ((run = 0; run < repeats; run++)); do
      start=$(date +%s.%N)
      viewer "$corpus/$map.obj" --frames 1 --look $variant >/dev/null 2>&1
      awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { print e - s }'
    done | median >"$work/startup"
    row+=" | $(printf "%.2f" "$(cat "$work/startup")")"
  done
  echo "$row |"
done
