#!/usr/bin/env bash
# Two copies of the program on one data file, as two sessions of one user (or two users sharing a
# folder) start them: each with a runtime folder of its own, so the per-session check lets both
# through. The second must say that the file is open in another copy and end without writing
# anything: the file, its backup copies and the folder stay byte for byte as they were, although
# its start would otherwise make the day's backup copy. Once the first has ended, a new copy
# starts as usual.
# Usage: one_file.sh <quillmarsh executable> [folder for screenshots]
set -euo pipefail
exe=$(realpath "$1")
shots=${2:-}
wm=nowm
source "$(dirname "$0")/session.sh"
session_begin

# The file, with three backup copies kept and the last copy made yesterday.
seed "UPDATE param SET value = '3' WHERE name = 'reserv-count';"
cp Quillmarsh.dat Quillmarsh.dat1
cp Quillmarsh.dat Quillmarsh.dat2
yesterday="UPDATE param SET value = value - 1 WHERE name = 'reserv-date'"
sql "$yesterday"
folder_state() { (cd "$work" && find . -maxdepth 1 -type f -name 'Quillmarsh*' | sort | xargs sha256sum); }

# The first copy: its start makes the day's copy and records the day.
export XDG_RUNTIME_DIR="$work/runtime"
start
first_pid=$app_pid
today="CAST(julianday('now', 'localtime', 'start of day') - julianday('1899-12-30') AS INTEGER)"
wait_for 1 "[ -e Quillmarsh.dat3 ] && sql \"select count(*) from param where name = 'reserv-date' and value = $today\"" ||
  fail "the first copy made no backup"
# The day goes back to yesterday, so that a second copy reading the file would rotate again.
sql "$yesterday"
before=$(folder_state)

# The second copy, in another session.
mkdir -m 700 "$work/runtime2"
XDG_RUNTIME_DIR="$work/runtime2" "$exe" >>"$work/out2.txt" 2>&1 &
second_pid=$!
notice=$(visible_window "^Quillmarsh$") || fail "the second copy said nothing: $(cat "$work/out2.txt")"
shot second-copy
[ -z "$(xdotool search --all --onlyvisible --pid "$second_pid" --name '^Quillmarsh 1\.5' 2>/dev/null)" ] ||
  fail "the second copy opened a main window"
xdotool windowfocus --sync "$notice" 2>/dev/null || true
xdotool key Return
wait_for ended 'kill -0 "$second_pid" 2>/dev/null || echo ended' || fail "the second copy did not end"
rc=0
wait "$second_pid" || rc=$?
[ "$rc" = 0 ] || fail "the second copy ended with $rc"
[ "$(folder_state)" = "$before" ] || fail "the second copy changed files:
$before
---
$(folder_state)"
[ "$(ls -A "$work" | grep -c '^Quillmarsh')" = "$(echo "$before" | wc -l)" ] ||
  fail "the second copy left files: $(ls -A "$work")"

# The first copy works on, and ends as usual.
kill -0 "$first_pid" 2>/dev/null || fail "the first copy ended"
xdotool windowfocus --sync "$main_id" 2>/dev/null || true
quit
wait "$first_pid" || fail "the first copy ended with an error: $(cat "$work/out.txt")"

# With the first gone, a copy of the second session starts on the file.
XDG_RUNTIME_DIR="$work/runtime2" start
quit
echo "one data file, two copies: ok"
