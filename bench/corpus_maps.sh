# Sourced by the corpus benchmarks (real_levels.sh, culling_goals.sh).

# json FILE KEY: the first number after "KEY": in portalbuild's JSON.
json() { grep -o "\"$2\": [0-9.]*" "$1" | head -n 1 | awk '{print $2}'; }

# corpus_maps CORPUS_DIR: the names of the maps in $MAPS (space-separated),
# else of every map in CORPUS_DIR, smallest first; one a line.
corpus_maps() {
  if [[ -n ${MAPS:-} ]]; then
    printf '%s\n' $MAPS
  else
    for obj in "$1"/*.obj; do
      echo "$(grep -c '^f ' "$obj") $(basename "$obj" .obj)"
    done | sort -n | awk '{print $2}'
  fi
}
