#!/usr/bin/env bash
# Sets everything up, builds, and walks through the bundled sample level.
# With a display the viewer opens normally (it asks the full-screen question);
# without one it runs under xvfb-run for a few hundred frames and saves a
# screenshot. The logs ("log.txt", "out.log", "contours.log", "tris.log") are
# written into build/run/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target portalwalk portalbuild

level="$PWD/levels/folyosos.obj"
portalbuild="$PWD/build/release/app/portalbuild/portalbuild"
portalwalk="$PWD/build/release/app/viewer/portalwalk"
mkdir -p build/run
cd build/run

"$portalbuild" "$level"
if [[ -n "${DISPLAY:-}" ]]; then
  exec "$portalwalk" "$level"
fi
frames=${PORTALWALK_FRAMES:-300}
LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$portalwalk" "$level" --windowed --frames "$frames" --screenshot screenshot.png
echo "No display: ran $frames frames under xvfb-run. Screenshot: $PWD/screenshot.png"
echo "Frame log: $PWD/log.txt (last line: $(tail -n 1 log.txt))"
