#!/usr/bin/env bash
# Installs the build into a fresh folder and runs the terminal client from there, with nothing of
# the build tree in reach (no VOKARI_RESOURCES, another working folder): it must find its data
# beside itself and show a wanted person.
# Usage: installed_client.sh BUILD_DIR REGISTER_SCRIPT
set -euo pipefail
build=$(realpath "$1")
register=$(realpath "$2")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

cmake --install "$build" --prefix "$root/usr" >/dev/null
for file in bin/vokari bin/vokari-gui bin/vokari-backend lib/vokari/libvokari-media.so \
    share/vokari/names.json \
    share/applications/org.vokari.Vokari.desktop share/metainfo/org.vokari.Vokari.metainfo.xml \
    share/icons/hicolor/scalable/apps/org.vokari.Vokari.svg \
    share/icons/hicolor/48x48/apps/org.vokari.Vokari.png \
    share/icons/hicolor/256x256/apps/org.vokari.Vokari.png; do
  [ -s "$root/usr/$file" ] || { echo "not installed: $file"; exit 1; }
done

cd "$root"
output=$( { cat "$register"; printf '%s\n' 'press 有奖举报' 'press 悬赏名单' 'expect 司徒空' \
    'press 贾有为' 'expect 在逃贾有为资料' 'quit'; } |
  env -u VOKARI_RESOURCES "$root/usr/bin/vokari" --fake-clock --script - --data-dir "$root/data" 2>&1) ||
  { echo "$output"; echo "the installed client failed"; exit 1; }
if grep -q "not found" <<<"$output"; then echo "$output"; exit 1; fi
echo "the installed client shows the wanted persons"
