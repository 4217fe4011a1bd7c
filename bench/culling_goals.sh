#!/usr/bin/env bash
# The culling goals over the real-level corpus (tools/real-levels.sh), one
# row a map: sealed visible sets, fast and full, as the share of the level's
# triangles in the eye Space's set at the player starts beside the share the
# map's own shipped sets give there, and their time (sight regions and sets)
# as a multiple of the build's, with the sight regions that are sources and
# the fast floods that gave up (their Spaces see everything) or the full
# flows cut short (their regions keep their fast sets); the narrow and
# portal (auto) traversals' median and worst milliseconds over the starts
# turned 8 times, every pose trying to narrow; and the viewer's frames per
# second at the first start with auto and narrow culling (Mesa software
# OpenGL under Xvfb).
#
# The corpus maps are exported without their sky, so every one leaks: the
# sets are made with --seal, which takes the void as opaque.
#
# usage: bench/culling_goals.sh [CORPUS_DIR] [BUILD_DIR]
#   CORPUS_DIR  default build/real-levels
#   BUILD_DIR   the Release build, default build/release
# Environment: FAST_SECONDS caps each map's fast sets (default 300; a map
# over it shows ">Ns"); FULL_TIMES bounds the full sets' flows at that many
# times the map's build (--vis-time, default 10); FRAMES the frames per viewer
# run (default 120; 0 skips the viewer); MAPS a space-separated list of map
# names (default all, smallest first).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/corpus_maps.sh
corpus_setup culling_goals.sh "$@"
fast_seconds=${FAST_SECONDS:-300}
full_times=${FULL_TIMES:-10}
frames=${FRAMES:-120}

# field FIGURES KEY: the value after KEY in real_level_bench's line.
field() { awk -v k="$2" '{ for (i = 1; i < NF; ++i) if ($i == k) print $(i + 1) }' <<<"$1"; }

mapfile -t maps < <(corpus_maps)

# sets DIR METHOD [ARGS...]: sealed sets of the map into DIR; prints
# "share ratio note" (share of triangles in the eye Space's set, sets time
# over the build's, the JSON figure NOTE), or "- >Ns -" when they took too
# long.
sets() {
  local dir=$1 method=$2 note=$3
  shift 3
  mkdir -p "$dir"
  if ! (cd "$dir" && timeout "$fast_seconds" "$portalbuild" "$obj" --no-logs --vis "$method" --seal "$@" \
    --json sets.json -q); then
    echo "- >${fast_seconds}s -"
    return
  fi
  local figures seconds
  figures=$("$bench" "$obj" "$starts" "$dir/visible.pvs")
  seconds=$(awk -v r="$(json "$dir/sets.json" sightRegionSeconds)" -v s="$(json "$dir/sets.json" setsSeconds)" \
    'BEGIN { print r + s }')
  echo "$(field "$figures" eyeSet) $(awk -v s="$seconds" -v b="$build_seconds" 'BEGIN { printf "%.1fx", s / b }')" \
    "$(json "$dir/sets.json" "$note")"
}

echo "machine: $(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB; $(date -u +%Y-%m-%d)"
echo "| map | tris | build s | shipped | sources / regions | fast share | fast time | gave up | full share | full time | cut short | narrow ms med/worst | auto ms med/worst | fps auto/narrow |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
for map in "${maps[@]}"; do
  obj=$corpus/$map.obj
  starts=$corpus/$map.starts
  rm -rf "${work:?}"/*
  "$portalbuild" "$obj" --no-logs --json "$work/build.json" -q
  build_seconds=$(json "$work/build.json" build)
  read -r fast_share fast_time gave_up < <(sets "$work/fast" fast floodsGaveUp)
  full_budget=$(awk -v b="$build_seconds" -v t="$full_times" 'BEGIN { printf "%.3f", b * t }')
  read -r full_share full_time cut_short < <(sets "$work/full" full cutShort --vis-time "$full_budget")
  regions="-"
  if [[ -f $work/fast/sets.json ]]; then
    regions="$(json "$work/fast/sets.json" sourceRegions) / $(json "$work/fast/sets.json" emptyRegions)"
  fi
  figures=$("$bench" "$obj" "$starts")
  fps=$(viewer_fps "$obj" "$starts" "$frames" auto narrow)
  shipped=$(shipped_share "$starts")
  echo "| $map | $(json "$work/build.json" triangles) | $build_seconds | $shipped | $regions | $fast_share |" \
    "$fast_time | $gave_up | $full_share | $full_time | $cut_short | $(field "$figures" narrowMs) |" \
    "$(field "$figures" autoMs) | $fps |"
done
