#!/usr/bin/env bash
# Installs the Debian packages portalwalk builds, tests and runs with.
# Idempotent and non-interactive: only missing packages are installed, as
# root or through passwordless sudo.
set -euo pipefail

packages=(
  build-essential cmake g++ clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri libpng-dev libjemalloc-dev
  libtinyobjloader-dev libstb-dev libmeshoptimizer-dev pkg-config xvfb xauth libxml2-utils python3
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  as_root=(sudo -n)
else
  echo "setup: missing packages (${missing[*]}) and neither root nor passwordless sudo" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
