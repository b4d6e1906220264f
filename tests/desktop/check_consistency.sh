#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo must name each other, the icon and
# the executable the same way, and the newest release must be the project version:
# appstreamcli and desktop-file-validate check each file alone, not these links.
#   check_consistency.sh DESKTOP_FILE METAINFO_FILE APP_ID EXECUTABLE VERSION
set -u
desktop=$1 metainfo=$2 app_id=$3 exe=$4 version=$5
failures=0
expect() {  # expect WHAT ACTUAL EXPECTED
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1 is '$2', expected '$3'"
    failures=$((failures + 1))
  fi
}
entry_key() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
xml_text() { sed -n "s|.*<$1[^>]*>\([^<]*\)</$1>.*|\1|p" "$metainfo" | head -n 1; }

expect "desktop file name" "$(basename "$desktop")" "$app_id.desktop"
expect "metainfo file name" "$(basename "$metainfo")" "$app_id.metainfo.xml"
expect "metainfo <id>" "$(xml_text id)" "$app_id"
expect "metainfo desktop-id launchable" \
  "$(sed -n 's|.*<launchable type="desktop-id">\([^<]*\)</launchable>.*|\1|p' "$metainfo")" \
  "$(basename "$desktop")"
expect "desktop Icon=" "$(entry_key Icon)" "$app_id"
expect "desktop Exec= program" "$(entry_key Exec | cut -d ' ' -f 1)" "$exe"
expect "desktop StartupWMClass=" "$(entry_key StartupWMClass)" "$exe"
expect "metainfo provided binary" "$(xml_text binary)" "$exe"
expect "newest metainfo release" \
  "$(sed -n 's|.*<release [^>]*version="\([^"]*\)".*|\1|p' "$metainfo" | head -n 1)" "$version"
expect "desktop Name= / metainfo <name>" "$(entry_key Name)" "$(xml_text name)"

[ "$failures" -eq 0 ] && echo "desktop entry and metainfo agree"
[ "$failures" -eq 0 ]
