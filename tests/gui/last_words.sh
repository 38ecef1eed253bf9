#!/usr/bin/env bash
# Endings that must tell the user why, read as a screen reader gets the message, with the data
# file byte for byte unchanged afterwards:
# 1. the window closed while another program keeps the file locked past the wait: the database
#    failure message, saying the file is in use by another program, then exit code 1;
# 2. the window closed with the disk full (a tiny tmpfs; needs root): the failure message with
#    the engine's reason, then exit code 1;
# 3. an empty Quillmarsh.dat, and an SQLite file of another program: the file is refused for
#    its layout before anything is read from it or written beside it; a text file, random bytes,
#    and a database cut short: the file named as not (or no longer) a data file of the program,
#    with the engine's words and the newest daily copy beside it where one stands, then exit
#    code 1; each folder as it was;
# 4. a spreadsheet export onto that full disk: the chosen file named once, with the system's
#    reason; no file left there, and the program goes on;
# 5. a new file asked for in a folder that cannot be written (a read-only mount; needs root): the
#    file named once, with the system's reason, and nothing left in the folder.
# In CI (QM_CI=1) a part that cannot run here is a failure, elsewhere a skip that says so.
# Usage: last_words.sh <quillmarsh executable> [folder for screenshots]
set -euo pipefail
exe=$(realpath "$1")
shots=${2:-}
gui_dir=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
sessions=()
tiny=""
holder=""
cleanup() {
  for p in "${sessions[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -n "$holder" ] && kill -- "-$holder" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$tiny" ] && umount "$tiny" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
source "$gui_dir/boxes.sh"
fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/run-*/out.txt; do [ -f "$f" ] && { echo "--- $f"; cat "$f"; } >&2; done
  [ -n "$shots" ] && import -window root "$shots/last-words-failure.png" 2>/dev/null
  exit 1
}
cannot() {
  [ "${QM_CI:-0}" = 1 ] && fail "$1"
  echo "$1: skipped"
}
start() {  # start <name> <folder> [command before the program]
  local name=$1 folder=$2
  shift 2
  launch "$name" self "$folder" "$@" "$exe" || fail "$name did not start"
  sessions+=("$launched")
}

Xvfb -noreset -displayfd 5 -screen 0 1280x800x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
unset QT_QPA_PLATFORM
export LANG=C.UTF-8

# Starts the program on the household in `folder`, closes its window with `before_close` done
# first, and expects the failure message holding every one of the remaining arguments.
close_fails() {
  local name=$1 folder=$2 before_close=$3
  shift 3
  { cat "$gui_dir/household.sql"; echo "UPDATE param SET value = '0' WHERE name = 'reserv-count';"; } |
    sqlite3 "$folder/Quillmarsh.dat"
  start "$name" "$folder"
  local main
  main=$(window_of "$name" '^Quillmarsh 1\.5') || fail "$name: no main window"
  local state
  state=$(sha256sum "$folder/Quillmarsh.dat")
  eval "$before_close"
  press "$main" alt+F4
  local said
  said=$(box_text "$name" self 15 OK) || fail "$name: the program ended without a word"
  for want in "A database error occurred" "$@"; do
    grep -qF "$want" <<<"$said" || fail "$name: '$want' not said: $said"
  done
  ended "$launched" || fail "$name: did not end"
  [ "$rc" = 1 ] || fail "$name: ended with $rc"
  [ "$(sha256sum "$folder/Quillmarsh.dat")" = "$state" ] || fail "$name: the file changed"
}

# 1. Another program keeps the file locked: the sqlite3 shell inside a transaction of its own, in
#    a process group of its own (ended as one), with none of this script's output open.
hold_locked() {
  setsid sh -c '{ echo "BEGIN EXCLUSIVE;"; sleep 60; } | sqlite3 "$0"' "$1" </dev/null >/dev/null 2>&1 &
  holder=$!
  sleep 0.5
}
mkdir "$work/busy"
close_fails busy "$work/busy" \
  'hold_locked "$work/busy/Quillmarsh.dat"' "in use by another program" "database is locked"
kill -- "-$holder" 2>/dev/null || true
holder=""

# 2. The disk full.
mkdir "$work/full"
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=256k tmpfs "$work/full"; then
  tiny="$work/full"
  close_fails full "$work/full" \
    'dd if=/dev/zero of="$work/full/filler" bs=4k 2>/dev/null || true' "database or disk is full"
else
  cannot "a full disk needs root to mount a tmpfs"
fi

# 3. Files the program does not know (refused for their layout before anything is read from them
#    or written beside them), and bytes the engine cannot read as a database (named, with the
#    engine's words and the newest copy where there is one; the database cut short has two).
mkdir "$work/empty" "$work/other" "$work/text" "$work/noise" "$work/cut"
: >"$work/empty/Quillmarsh.dat"
sqlite3 "$work/other/Quillmarsh.dat" "CREATE TABLE notes (t TEXT); INSERT INTO notes VALUES ('x');"
printf 'Groceries 12.50\nRent 700\n' >"$work/text/Quillmarsh.dat"
head -c 8192 /dev/urandom >"$work/noise/Quillmarsh.dat"
sqlite3 "$work/cut/Quillmarsh.dat1" <"$gui_dir/household.sql"
cp "$work/cut/Quillmarsh.dat1" "$work/cut/Quillmarsh.dat2"
head -c $(($(stat -c %s "$work/cut/Quillmarsh.dat1") / 2)) "$work/cut/Quillmarsh.dat1" \
  >"$work/cut/Quillmarsh.dat"
# Each case: the folder, the exit code, the words and the engine's ("@" for the folder), and the
# copy to be named.
while IFS='|' read -r name code words reason copy <&3; do
  folder="$work/$name"
  before=$(folder_state "$folder")
  start refused "$folder"
  said=$(box_text refused self 10 OK) || fail "refused: nothing said in $folder"
  for want in "${words//@/$folder}" ${reason:+"$reason"} \
    ${copy:+"newest daily backup copy of it is $folder/$copy:"}; do
    grep -qF "$want" <<<"$said" || fail "refused: in $folder, '$want' not said: $said"
  done
  copies=0
  [ -n "$copy" ] && copies=1
  [ "$(grep -o 'Quillmarsh\.dat[0-9]' <<<"$said" | wc -l)" = "$copies" ] ||
    fail "refused: in $folder, another copy named: $said"
  ended "$launched" || fail "refused: did not end in $folder"
  [ "$rc" = "$code" ] || fail "refused: ended with $rc in $folder"
  [ "$(folder_state "$folder")" = "$before" ] || fail "refused: $folder changed:
$before
---
$(folder_state "$folder")"
done 3<<'EOF'
empty|0|does not have the expected tables||
other|0|does not have the expected tables||
text|1|@/Quillmarsh.dat is not, or no longer, a data file|file is not a database|
noise|1|@/Quillmarsh.dat is not, or no longer, a data file|file is not a database|
cut|1|@/Quillmarsh.dat is not, or no longer, a data file|database disk image is malformed|Quillmarsh.dat1
EOF
# 4. The export, from the File menu, onto the full disk.
if [ -n "$tiny" ]; then
  mkdir "$work/export"
  { cat "$gui_dir/household.sql"; echo "UPDATE param SET value = '0' WHERE name = 'reserv-count';"; } |
    sqlite3 "$work/export/Quillmarsh.dat"
  start export "$work/export"
  main=$(window_of export '^Quillmarsh 1\.5') || fail "export: no main window"
  read -r x y _ < <(xwininfo -id "$main" | awk '/Absolute upper-left X/ {x=$NF}
    /Absolute upper-left Y/ {y=$NF} END {print x, y}')
  xdotool mousemove $((x + 20)) $((y + 8)) click 1
  sleep 0.3
  xdotool mousemove $((x + 60)) $((y + 100)) click 1
  press "$(window_of export '^Export to spreadsheet$')" Return
  target="$work/full/moves.xls"
  press "$(window_of export '^Open$')" ctrl+a
  xdotool type --delay 20 "$target"
  xdotool key Return
  said=$(box_text export self 15 OK) || fail "export: nothing said"
  [ "$(grep -oF "$target" <<<"$said" | wc -l)" = 1 ] || fail "export: the file is not named once: $said"
  grep -qF "$target: No space left on device" <<<"$said" || fail "export: no reason given: $said"
  [ -e "$target" ] && fail "export: a file was left at $target"
  kill -0 "$(cat "$work/run-export/pid")" 2>/dev/null || fail "export: the program ended"
  press "$(window_of export '^Export to spreadsheet$')" Escape
  for _ in $(seq 50); do window_of export '^Export to spreadsheet$' 1 >/dev/null || break; done
  press "$main" alt+F4
  ended "$launched" || fail "export: did not end"
  [ "$rc" = 0 ] || fail "export: ended with $rc"
fi
# 5. Creating the file in a read-only folder: a mount of its own, in a namespace of its own.
mkdir "$work/ro"
if [ "$(id -u)" -eq 0 ]; then
  start ro "$work/ro" unshare -m sh -c \
    'mount --bind . . && mount -o remount,bind,ro . && cd "$PWD" && exec "$0"'
  press "$(window_of ro '^New database$')" Return
  said=$(box_text ro self 10 OK) || fail "ro: nothing said"
  [ "$(grep -o 'Quillmarsh\.dat' <<<"$said" | wc -l)" = 1 ] || fail "ro: the file is not named once: $said"
  grep -qF 'Read-only file system' <<<"$said" || fail "ro: no reason given: $said"
  press "$(window_of ro '^Quillmarsh 1\.5')" alt+F4
  ended "$launched" || fail "ro: did not end"
  [ "$rc" = 0 ] || fail "ro: ended with $rc"
  [ -z "$(ls -A "$work/ro")" ] || fail "ro: left behind: $(ls -A "$work/ro")"
else
  cannot "a read-only folder needs root to mount"
fi
echo "last words: ok"
