#!/usr/bin/env bash
# Builds the tar.gz, unpacks it into a fresh folder and starts Snibbet there:
# it must come up on the library beside it, keep running, and take nothing
# from the build folder.
set -euo pipefail
build=$1
library_tool=$2
jet_scripts=$3
work=$(mktemp -d)
trap 'kill "${pid:-0}" 2>/dev/null && wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT

(cd "$build" && cpack -G TGZ -B "$work/out" >/dev/null)
archive=$(ls "$work"/out/snibbet-*.tar.gz)
tar -xzf "$archive" -C "$work"
folder=$(ls -d "$work"/snibbet-*/)
for f in snibbet snibbet-jet-reader snibbet-library snibbet.png snibbet.desktop snibbet.metainfo.xml install-desktop-entry; do
  [ -e "$folder/$f" ] || { echo "the package lacks $f"; exit 1; }
done
grep -q '^Exec=snibbet' "$folder/snibbet.desktop"

# The reader of the earlier version's files runs from the package: it finds
# the tables of a Jet library and starts its answer with their row counts.
python3 "$jet_scripts/make_fixtures.py" "$work/jet" snibbet-jet3 >/dev/null
"$folder/snibbet-jet-reader" --definitions "$work/jet/snibbet-jet3.mdb" Category=Category \
  Items=Category,ItemName,Code,Declares,Notes >"$work/jet/answer" \
  || { echo "the packaged Jet reader failed"; exit 1; }
[ "$(head -c 1 "$work/jet/answer")" = C ] || { echo "the packaged Jet reader gave no counts"; exit 1; }

"$library_tool" create "$folder" >/dev/null
# The companion program reads the library beside it.
"$folder/snibbet-library" check >/dev/null || { echo "snibbet-library check failed beside the library"; exit 1; }
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work "$folder/snibbet" &
pid=$!
# The backup copy is made once the window shows; a busy machine may take a while.
for _ in $(seq 60); do
  [ -d "$folder/Snibbet backups" ] && break
  sleep 0.5
done
kill -0 "$pid" || { echo "Snibbet did not keep running from the unpacked folder"; exit 1; }
[ -d "$folder/Snibbet backups" ] || { echo "no backup copy beside the unpacked library"; exit 1; }
# ... also while Snibbet has it open: nothing found is status 1, not an error.
status=0
"$folder/snibbet-library" find --names "no such item" || status=$?
[ "$status" -eq 1 ] || { echo "snibbet-library find beside a running Snibbet gave status $status"; exit 1; }

HOME=$work "$folder/install-desktop-entry" >/dev/null
grep -q "^Exec=\"$folder/snibbet\"\|^Exec=\"${folder%/}/snibbet\"" "$work/.local/share/applications/snibbet.desktop"
echo "1 passed, 0 failed"
