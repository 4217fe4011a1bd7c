#!/usr/bin/env bash
# tools/real-levels.sh [--textures] [DIR]: real levels for tests and benchmarks.
# Fetches the Debian package openarena-081-maps (the OpenArena maps, GPL-2+),
# takes the maps/*.bsp files out of its .pk3 archives and imports each with
# levelimport into DIR (default build/real-levels) as NAME.obj, NAME.mtl and
# NAME.starts, with levelimport's summary in NAME.summary. Runs once: a map
# whose three files are there is not imported again, and when README.txt
# lists maps that are all there the package is not fetched at all. The
# repository holds no map.
#
# --textures also fetches openarena-081-textures (the same maps' shader
# images, GPL-2+) once, takes its textures/ images into DIR/textures, and
# names in each NAME.mtl the image of every material that has one (map_Kd,
# with a white Kd, as the image carries the colour), for the benchmark and for
# looking at. Without it nothing changes; CI never asks for it.
#
# levelimport is $PORTALWALK_LEVELIMPORT, or build/release/tools/levelimport.
# Needs apt-get (no root; as root `apt-get update` is tried once if the
# download fails), dpkg-deb and python3 (to read the .pk3 zip archives).
set -euo pipefail
cd "$(dirname "$0")/.."

package=openarena-081-maps
textures=0
if [[ ${1:-} == --textures ]]; then
  textures=1
  shift
fi
dir=${1:-build/real-levels}
importer=${PORTALWALK_LEVELIMPORT:-build/release/tools/levelimport}

fail() {
  echo "real-levels: $*" >&2
  exit 1
}

[[ -x $importer ]] || fail "no levelimport at $importer: build it (cmake --build build/release --target levelimport) or set PORTALWALK_LEVELIMPORT"
mkdir -p "$dir"
importer=$(realpath "$importer")

command -v python3 >/dev/null || fail "python3 is needed to read the .pk3 archives"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# fetch PACKAGE: its .deb in $work.
fetch() {
  download() { (cd "$work" && apt-get download "$1" >"$work/apt.log" 2>&1); }
  if ! download "$1"; then
    [[ $(id -u) -eq 0 ]] && apt-get update -qq >/dev/null 2>&1 || true
    download "$1" || fail "cannot fetch the Debian package $1: $(tail -n 1 "$work/apt.log")"
  fi
}

# --textures: the images once, then each NAME.mtl names those it has (a
# rewritten library says so in its first line and is left alone after).
add_textures() {
  local images=openarena-081-textures
  if [[ ! -f $dir/textures/COPYRIGHT.txt ]]; then
    fetch "$images"
    dpkg-deb -x "$work"/"$images"_*.deb "$work/images"
    find "$work/images" -name '*.pk3' -print0 | xargs -0 -r python3 -c '
import os, sys, zipfile
out = sys.argv[1]
for archive in sys.argv[2:]:
    with zipfile.ZipFile(archive) as pk3:
        for entry in pk3.namelist():
            if entry.startswith("textures/") and entry.lower().endswith((".jpg", ".tga", ".png")):
                path = os.path.join(out, entry)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as image:
                    image.write(pk3.read(entry))
' "$dir"
    cp "$work/images/usr/share/doc/$images/copyright" "$dir/textures/COPYRIGHT.txt"
  fi
  python3 - "$dir" <<'PYTHON'
import glob, os, sys
folder = sys.argv[1]
marker = "# images named by tools/real-levels.sh --textures\n"
named = 0
for library in glob.glob(os.path.join(folder, "*.mtl")):
    with open(library) as f:
        lines = f.readlines()
    if lines and lines[0] == marker:
        continue
    out, image = [marker], None
    for line in lines:
        if line.startswith("newmtl "):
            name = line[len("newmtl "):].strip()
            image = next((name + ext for ext in (".jpg", ".tga", ".png") if os.path.isfile(os.path.join(folder, name + ext))), None)
        if image and line.startswith("Kd "):
            out += ["Kd 1 1 1\n", "map_Kd " + image + "\n"]
            named += 1
            continue
        out.append(line)
    # A new file put in place: never written through a link.
    with open(library + ".tmp", "w") as f:
        f.writelines(out)
    os.replace(library + ".tmp", library)
print(f"real-levels: {named} materials name their image")
PYTHON
}

# Done before: every map README.txt lists has its three files.
if [[ -f $dir/README.txt ]]; then
  listed=$(sed -n 's/^  map: //p' "$dir/README.txt")
  if [[ -n $listed ]]; then
    missing=0
    for name in $listed; do
      for ext in obj mtl starts; do [[ -f $dir/$name.$ext ]] || missing=1; done
    done
    if [[ $missing -eq 0 ]]; then
      echo "real-levels: the $(wc -w <<<"$listed") maps in $dir are already imported"
      [[ $textures -eq 0 ]] || add_textures
      exit 0
    fi
  fi
fi

fetch "$package"
deb=$(ls "$work"/"$package"_*.deb)
version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -x "$deb" "$work/package"

mkdir -p "$work/maps"
find "$work/package" -name '*.pk3' -print0 | xargs -0 -r python3 -c '
import os, sys, zipfile
out = sys.argv[1]
for archive in sys.argv[2:]:
    with zipfile.ZipFile(archive) as pk3:
        for entry in pk3.namelist():
            if entry.startswith("maps/") and entry.endswith(".bsp") and entry.count("/") == 1:
                with open(os.path.join(out, os.path.basename(entry)), "wb") as bsp:
                    bsp.write(pk3.read(entry))
' "$work/maps"
shopt -s nullglob
maps=("$work"/maps/*.bsp)
[[ ${#maps[@]} -gt 0 ]] || fail "the package $package $version holds no maps/*.bsp"

imported=0 kept=0 failed=()
for bsp in "${maps[@]}"; do
  name=$(basename "$bsp" .bsp)
  if [[ -f $dir/$name.obj && -f $dir/$name.mtl && -f $dir/$name.starts ]]; then
    kept=$((kept + 1))
    continue
  fi
  if "$importer" "$bsp" -o "$dir/$name.obj" >"$dir/$name.summary" 2>&1; then
    imported=$((imported + 1))
  else
    failed+=("$name")
    cat "$dir/$name.summary" >&2
  fi
done

cp "$work/package/usr/share/doc/$package/copyright" "$dir/COPYRIGHT.txt"
{
  echo "These levels are the maps of the Debian package $package, version $version"
  echo "(the OpenArena maps), licensed GPL-2+: see COPYRIGHT.txt, the package's"
  echo "copyright file. Each NAME.obj, NAME.mtl and NAME.starts was made from"
  echo "maps/NAME.bsp by levelimport (NAME.summary is its report); tools/real-levels.sh"
  echo "made this folder. Maps imported:"
  for bsp in "${maps[@]}"; do
    name=$(basename "$bsp" .bsp)
    [[ -f $dir/$name.starts ]] && echo "  map: $name"
  done
} >"$dir/README.txt"

echo "real-levels: $imported maps imported, $kept kept from before, ${#failed[@]} failed, into $dir ($package $version)"
[[ $textures -eq 0 ]] || add_textures
[[ ${#failed[@]} -eq 0 ]] || fail "levelimport refused: ${failed[*]}"
