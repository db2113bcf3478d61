#!/bin/sh
# SPDX-License-Identifier: MIT
# How a huge help text starts: the time until the window is on the screen and the peak memory of
# the whole run, with the help text read to its end.
#
#   xvfb-run -a bench/help-text.sh build/default/bin/kelda [MEGABYTES [SECONDS]]
#
# Copies the executable into a scratch folder (a portable copy, so the help text beside it is
# read), writes MEGABYTES (default 500) of help text there (UTF-8 lines of ASCII and Japanese),
# starts the window under /usr/bin/time -v, waits for it with xdotool, lets it run SECONDS
# (default 20) so the rest of the text is read, then ends it and prints the figures.
set -eu
exe=$(readlink -f "$1")
megabytes=${2:-500}
seconds=${3:-20}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$exe" "$dir/kelda"
python3 - "$dir/kelda.TXT" "$megabytes" <<'PY'
import sys
path, mb = sys.argv[1], int(sys.argv[2])
block = "".join(
    f"{i:06d}\tKELDA help: ヘッダー削除 MacBinary text line, ｶﾀｶﾅ and 漢字 {'x' * (i % 40)}\r\n"
    for i in range(10000)
).encode("utf-8")
with open(path, "wb") as f:
    for _ in range(mb * 1024 * 1024 // len(block) + 1):
        f.write(block)
PY
size=$(stat -c %s "$dir/kelda.TXT")
cat "$dir/kelda.TXT" >/dev/null # in the page cache, as a help text read before
start=$(date +%s.%N)
/usr/bin/time -v -o "$dir/time.txt" "$dir/kelda" &
timer=$!
xdotool search --sync --onlyvisible --name '^KELDA' >/dev/null
shown=$(date +%s.%N)
sleep "$seconds"
kill "$(cat /proc/$timer/task/*/children)"
wait "$timer" || true
echo "help text: $size bytes"
echo "window shown after: $(echo "$shown - $start" | bc) s"
grep -E 'Maximum resident|Elapsed|User time|System time' "$dir/time.txt"
