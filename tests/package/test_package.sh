#!/usr/bin/env bash
# Builds the tar.gz, unpacks it into a fresh folder and starts Snibbet there:
# it must come up on the library beside it, keep running, and take nothing
# from the build folder.
set -euo pipefail
build=$1
library_tool=$2
work=$(mktemp -d)
trap 'kill "${pid:-0}" 2>/dev/null || true; rm -rf "$work"' EXIT

(cd "$build" && cpack -G TGZ -B "$work/out" >/dev/null)
archive=$(ls "$work"/out/snibbet-*.tar.gz)
tar -xzf "$archive" -C "$work"
folder=$(ls -d "$work"/snibbet-*/)
for f in snibbet snibbet-library snibbet.png snibbet.desktop snibbet.metainfo.xml install-desktop-entry; do
  [ -e "$folder/$f" ] || { echo "the package lacks $f"; exit 1; }
done
grep -q '^Exec=snibbet' "$folder/snibbet.desktop"

"$library_tool" create "$folder" >/dev/null
# The companion program reads the library beside it.
"$folder/snibbet-library" check >/dev/null || { echo "snibbet-library check failed beside the library"; exit 1; }
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work "$folder/snibbet" &
pid=$!
sleep 3
kill -0 "$pid" || { echo "Snibbet did not keep running from the unpacked folder"; exit 1; }
[ -d "$folder/Snibbet backups" ] || { echo "no backup copy beside the unpacked library"; exit 1; }
# ... also while Snibbet has it open: nothing found is status 1, not an error.
status=0
"$folder/snibbet-library" find --names "no such item" || status=$?
[ "$status" -eq 1 ] || { echo "snibbet-library find beside a running Snibbet gave status $status"; exit 1; }

HOME=$work "$folder/install-desktop-entry" >/dev/null
grep -q "^Exec=\"$folder/snibbet\"\|^Exec=\"${folder%/}/snibbet\"" "$work/.local/share/applications/snibbet.desktop"
echo "1 passed, 0 failed"
