#!/bin/bash
# How many of a closed rooms level's turns about random oblique axes leak,
# per shift away from the origin: the leak check must find none while the
# level's 32-bit coordinates keep steps finer than the plane tolerance
# (0.0001 units: up to 1 024 units out; at 10 000 they are 1/1024, wider
# than a sliver, and cracks open). The inside point is the designed start eye,
# which levelgen stands in the first room, turned and shifted with the level.
#
#   bench/turned_leaks.sh [SHIFT...]      (default: 0 100 400 700 1000 10000 100000)
#   SIZE=4000 TURNS=10 bench/turned_leaks.sh 700
#
# Prints one line per shift: the level size, the shift (X, 0.37 X, -0.61 X)
# and the turns that leaked (portalbuild --leak-exit-code exits 3).
set -u
BUILD=${BUILD:-build/release}
size=${SIZE:-1000}
turns=${TURNS:-20}
shifts=("$@")
[ ${#shifts[@]} -eq 0 ] && shifts=(0 100 400 700 1000 10000 100000)
level=$(mktemp --suffix .obj)
trap 'rm -f "$level"' EXIT
for s in "${shifts[@]}"; do
  leaked=()
  for turn in $(seq 1 "$turns"); do
    # The turn's axis and angle from its number, and the eye placed with it.
    read -r ax ay az deg sy sz ex ey ez < <(python3 - "$turn" "$s" <<'PY'
import math, random, sys
turn, s = int(sys.argv[1]), float(sys.argv[2])
r = random.Random(turn)
a = [r.uniform(-1, 1) for _ in range(3)]
d = r.uniform(0, 360)
k = [x / math.sqrt(sum(y * y for y in a)) for x in a]
c, si = math.cos(math.radians(d)), math.sin(math.radians(d))
p = (-1.6, 0.2, 0.4)
dot = sum(k[i] * p[i] for i in range(3))
cr = (k[1] * p[2] - k[2] * p[1], k[2] * p[0] - k[0] * p[2], k[0] * p[1] - k[1] * p[0])
shift = (s, 0.37 * s, -0.61 * s)
eye = [p[i] * c + cr[i] * si + k[i] * dot * (1 - c) + shift[i] for i in range(3)]
print(*a, d, shift[1], shift[2], *eye)
PY
)
    "$BUILD/tools/levelgen" rooms --size "$size" --rotate "$ax" "$ay" "$az" "$deg" --shift "$s" "$sy" "$sz" -o "$level"
    "$BUILD/app/portalbuild/portalbuild" "$level" --no-logs -q --leak-exit-code --inside "$ex" "$ey" "$ez"
    case $? in
      0) ;;
      3) leaked+=("$turn") ;;
      *) leaked+=("$turn(failed)") ;;
    esac
  done
  echo "rooms --size $size, shift $s: ${#leaked[@]} of $turns turns leak ${leaked[*]}"
done
