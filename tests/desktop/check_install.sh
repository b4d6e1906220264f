#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks that a desktop finds
# everything: the executable, the desktop entry and metainfo, and the icon at every
# size as a real PNG of that size.
#   check_install.sh CMAKE APPSTREAMCLI BUILD_DIR HAVE_EXECUTABLE APP_ID EXECUTABLE SIZE...
set -u
cmake=$1 appstreamcli=$2 build_dir=$3 have_exe=$4 app_id=$5 exe=$6
shift 6
sizes=("$@")

if [ "$have_exe" != 1 ]; then
  echo "SKIP: app/ defines no $exe executable yet, so there is nothing to install"
  exit 77
fi

dest=$(mktemp -d)
log=$(mktemp)
trap 'rm -rf "$dest" "$log"' EXIT
if ! DESTDIR="$dest" "$cmake" --install "$build_dir" --prefix /usr >"$log" 2>&1; then
  cat "$log"
  echo "FAIL: cmake --install failed"
  exit 1
fi
root=$dest/usr
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -f "$root/bin/$exe" ] && [ -x "$root/bin/$exe" ] || fail "no executable bin/$exe"

desktop=$root/share/applications/$app_id.desktop
metainfo=$root/share/metainfo/$app_id.metainfo.xml
[ -f "$desktop" ] || fail "no $desktop"
[ -f "$metainfo" ] || fail "no $metainfo"

# The names a desktop looks up must lead to installed files.
icon=$(sed -n 's/^Icon=//p' "$desktop" 2>/dev/null | head -n 1)
program=$(sed -n 's/^Exec=//p' "$desktop" 2>/dev/null | head -n 1 | cut -d ' ' -f 1)
[ -x "$root/bin/$program" ] || fail "Exec=$program is not an installed program"
launchable=$(sed -n 's|.*<launchable type="desktop-id">\([^<]*\)</launchable>.*|\1|p' "$metainfo" 2>/dev/null)
[ -f "$root/share/applications/$launchable" ] || fail "launchable '$launchable' is not an installed desktop entry"

# The tree as a software centre reads it, the metainfo together with its desktop entry.
"$appstreamcli" validate-tree --no-net "$root" || fail "appstreamcli validate-tree"

hicolor=$root/share/icons/hicolor
svg=$hicolor/scalable/apps/$icon.svg
if [ ! -f "$svg" ]; then
  fail "no scalable icon $svg"
elif ! grep -q '<svg[^>]*xmlns="http://www.w3.org/2000/svg"' "$svg"; then
  fail "$svg is not an SVG document"
fi

# Width and height are the big-endian words at bytes 16 and 20, inside IHDR.
png_word() { od -An -tu1 -j "$2" -N 4 "$1" | awk '{ print ($1 * 16777216) + ($2 * 65536) + ($3 * 256) + $4 }'; }
for size in "${sizes[@]}"; do
  png=$hicolor/${size}x${size}/apps/$icon.png
  if [ ! -f "$png" ]; then
    fail "no ${size}px icon $png"
    continue
  fi
  signature=$(od -An -tx1 -N 16 "$png" | tr -d ' \n')
  if [ "$signature" != "89504e470d0a1a0a0000000d49484452" ]; then
    fail "$png is not a PNG"
    continue
  fi
  width=$(png_word "$png" 16) height=$(png_word "$png" 20)
  [ "$width" = "$size" ] && [ "$height" = "$size" ] ||
    fail "$png is ${width}x${height}, expected ${size}x${size}"
  # Colour type 6 (RGBA): the face needs a transparent surround.
  colour_type=$(od -An -tu1 -j 25 -N 1 "$png" | tr -d ' ')
  [ "$colour_type" = 6 ] || fail "$png has PNG colour type $colour_type, expected 6 (RGBA)"
done

[ "$failures" -eq 0 ] && echo "installed tree complete under $dest/usr"
[ "$failures" -eq 0 ]
