#!/usr/bin/env bash
# The viewer's frame rate under Mesa's software OpenGL in a virtual X server,
# with each culling mode (designed, sound, narrow, narrow + vis, all), on the
# sample level and on generated rooms-and-corridors levels, closed and with
# holes. The visible sets come from the portalbuild next to the viewer's
# folder (build/release/app/portalbuild/portalbuild), or $PORTALBUILD.
#
# usage: viewer_bench.sh PORTALWALK LEVELGEN SAMPLE_LEVEL [FRAMES] [SIZE...]
#   FRAMES  frames drawn per run (default 200)
#   SIZE    approximate triangle counts of generated levels (default 4000 16000)
#
# In a generated level the designed eye stands in the first room, looking
# along +x (yaw 90) down the row of doorways, so that several rooms are seen.
# Figures are per drawn frame, without vertical sync so that the display
# does not cap them; building the tree is not timed.
set -euo pipefail

if [[ $# -lt 3 ]]; then
  sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
fi
portalwalk=$(realpath "$1")
levelgen=$(realpath "$2")
sample=$(realpath "$3")
portalbuild=$(realpath "${PORTALBUILD:-$(dirname "$portalwalk")/../portalbuild/portalbuild}")
frames=${4:-200}
shift $(( $# < 4 ? $# : 4 ))
sizes=("$@")
[[ ${#sizes[@]} -eq 0 ]] && sizes=(4000 16000)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run LABEL LEVEL [viewer options...]: one row per culling mode.
run() {
  local label=$1 level=$2
  shift 2
  (cd "$work" && "$portalbuild" "$level" --no-logs --vis -q)
  for mode in designed sound narrow narrow+vis all; do
    local stats culling=(--culling "${mode%+vis}")
    [[ $mode == *+vis ]] && culling+=(--vis "$work/visible.pvs")
    stats=$(cd "$work" && LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
      "$portalwalk" "$level" --windowed --no-vsync --frames "$frames" --stats "${culling[@]}" "$@" 2>/dev/null)
    awk -v label="$label" -v mode="$mode" '
      /^frames per second:/ { fps = $4 }
      /^spaces per frame:/ { spaces = $4; totalSpaces = $6; spaceShare = $7 }
      /^triangles per frame:/ { tris = $4; totalTris = $6; triShare = $7 }
      END {
        printf "| %-14s | %9s | %6s | %-10s | %8s | %8s %-9s | %10s %-9s |\n",
               label, totalTris, totalSpaces, mode, fps, spaces, spaceShare, tris, triShare
      }' <<<"$stats"
  done
}

echo "frames per run: $frames, 1024 x 768 window, Mesa software OpenGL under Xvfb"
echo "| level          | triangles | Spaces | culling    |      fps | Spaces per frame   | triangles per frame  |"
echo "|----------------|-----------|--------|------------|----------|--------------------|----------------------|"
run "folyosos.obj" "$sample"
for size in "${sizes[@]}"; do
  "$levelgen" rooms --size "$size" -o "$work/rooms$size.obj"
  run "rooms $size" "$work/rooms$size.obj" --yaw 90
  "$levelgen" rooms --size "$size" --holes 0.1 -o "$work/holes$size.obj"
  run "holes $size" "$work/holes$size.obj" --yaw 90
done
