# Sourced by the corpus benchmarks (real_levels.sh, culling_goals.sh), run
# from the top of the tree.

# corpus_setup NAME [CORPUS_DIR] [BUILD_DIR]: sets corpus (default
# build/real-levels), portalbuild, portalwalk and bench (real_level_bench)
# from the Release build (default build/release), and work, a scratch folder
# removed on exit; exits when a program or the corpus is missing.
corpus_setup() {
  local name=$1
  corpus=$(realpath "${2:-build/real-levels}")
  local build
  build=$(realpath "${3:-build/release}")
  portalbuild=$build/app/portalbuild/portalbuild
  portalwalk=$build/app/viewer/portalwalk
  bench=$build/bench/real_level_bench
  for program in "$portalbuild" "$bench"; do
    [[ -x $program ]] || { echo "$name: $program is not built" >&2; exit 2; }
  done
  [[ -d $corpus ]] || { echo "$name: no corpus at $corpus: run tools/real-levels.sh" >&2; exit 2; }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

# json FILE KEY: the first number after "KEY": in portalbuild's JSON.
json() { grep -o "\"$2\": [0-9.]*" "$1" | head -n 1 | awk '{print $2}'; }

# corpus_maps: the names of the maps in $MAPS (space-separated), else of
# every map in $corpus, smallest first; one a line.
corpus_maps() {
  if [[ -n ${MAPS:-} ]]; then
    printf '%s\n' $MAPS
  else
    for obj in "$corpus"/*.obj; do
      echo "$(grep -c '^f ' "$obj") $(basename "$obj" .obj)"
    done | sort -n | awk '{print $2}'
  fi
}

# viewer_fps OBJ STARTS FRAMES MODE...: the viewer's frames per second at
# the first start, one FRAMES-frame run per culling mode under Xvfb with
# Mesa's software OpenGL, as "a/b/..."; "-" for 0 frames or no viewer.
viewer_fps() {
  local obj=$1 starts=$2 frames=$3
  shift 3
  if [[ $frames -le 0 || ! -x $portalwalk ]]; then
    echo "-"
    return
  fi
  local x y z yaw rest rate fps=""
  read -r x y z yaw rest < "$starts"
  for mode in "$@"; do
    rate=$(cd "$work" && LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$portalwalk" "$obj" \
      --windowed --no-vsync --frames "$frames" --stats --culling "$mode" --eye "$x" "$y" "$z" --yaw "$yaw" \
      2>/dev/null </dev/null | awk '/^frames per second:/ { print $4 }')
    fps+="${fps:+/}${rate:-?}"
  done
  echo "$fps"
}

# shipped_share STARTS: the mean share the map's own shipped sets show at
# its starts (the fifth column).
shipped_share() {
  awk '{ s += $5; n++ } END { if (n) printf "%.1f%%", 100 * s / n; else print "-" }' "$1"
}
