#!/usr/bin/env bash
# One table over the real-level corpus (tools/real-levels.sh): per map, the
# triangles read and after splits, the Spaces, the build's seconds with its
# logs and without, the log-write floor measured in the same run (one write
# per log line), the run's true peak memory, the shares of Spaces / triangles
# drawn per culling mode at the player starts, the narrow traversal's median
# and worst milliseconds, frames per second per mode at the first start
# (Mesa software OpenGL under Xvfb), the visible sets' build time and mean
# share, and the share the map's own shipped sets give at its starts.
#
# usage: bench/real_levels.sh [CORPUS_DIR] [BUILD_DIR]
#   CORPUS_DIR  default build/real-levels
#   BUILD_DIR   the Release build, default build/release
# Environment: VIS_SECONDS caps each map's visible sets (default 120; a map
# over it shows "> N s"), FRAMES the frames per viewer run (default 60; 0
# skips the viewer), MAPS a space-separated list of map names (default all).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/corpus_maps.sh
corpus_setup real_levels.sh "$@"
vis_seconds=${VIS_SECONDS:-120}
frames=${FRAMES:-60}


# The maps, smallest first.
mapfile -t maps < <(corpus_maps)

echo "machine: $(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB; $(date -u +%Y-%m-%d)"
echo "| map | tris read | after splits | Spaces | build s logs | build s no logs | floor s | peak MiB | auto S/T | sound S/T | narrow S/T | auto+vis S/T | narrow+vis S/T | narrow ms med/worst | fps auto/narrow/all | vis s, mean | shipped |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
for map in "${maps[@]}"; do
  obj=$corpus/$map.obj
  starts=$corpus/$map.starts
  rm -rf "$work"/*
  mkdir -p "$work/logs" "$work/vis"
  "$portalbuild" "$obj" -o "$work/logs" --json "$work/logs.json" -q
  "$portalbuild" "$obj" --no-logs --json "$work/nologs.json" -q
  # Until the three logs are whole on disk.
  build_logs=$(awk -v l="$(json "$work/logs.json" load)" -v b="$(json "$work/logs.json" build)" \
    -v w="$(json "$work/logs.json" logsWhole)" 'BEGIN { printf "%.2f", l + b + w }')
  build_nologs=$(awk -v l="$(json "$work/nologs.json" load)" -v b="$(json "$work/nologs.json" build)" \
    'BEGIN { printf "%.2f", l + b }')
  peak=$(awk -v k="$(json "$work/logs.json" peakMemoryKiB)" 'BEGIN { printf "%.0f", k / 1024 }')

  vis="> ${vis_seconds} s"
  sets=()
  if visline=$(cd "$work/vis" && timeout "$vis_seconds" "$portalbuild" "$obj" --no-logs --vis | grep '^visible sets:'); then
    vis=$(sed -E 's/.* in ([0-9.]+) s; a Space may see ([0-9.]+%).*/\1 s, \2/' <<<"$visline")
    sets=("$work/vis/visible.pvs")
  fi
  figures=$("$bench" "$obj" "$starts" "${sets[@]}" --floor "$work/logs")
  field() { awk -v k="$1" '{ for (i = 1; i < NF; ++i) if ($i == k) print $(i + 1) }' <<<"$figures"; }

  fps=$(viewer_fps "$obj" "$starts" "$frames" auto narrow all)
  shipped=$(shipped_share "$starts")

  echo "| $map | $(json "$work/logs.json" inputTriangles) | $(json "$work/logs.json" triangles) |" \
    "$(json "$work/logs.json" spaces) | $build_logs | $build_nologs | $(field floor) | $peak |" \
    "$(field auto) | $(field sound) | $(field narrow) | $(field auto+vis) | $(field narrow+vis) |" \
    "$(field narrowMs) | $fps | $vis | $shipped |"
done
