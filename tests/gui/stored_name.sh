#!/usr/bin/env bash
# A name stored by a session under a Western locale ("Zürich Café", code page 1252), opened under a
# Russian one (code page 1251, which has no "ü" or "é"): the edit-account dialog of the running
# program (Xvfb, xdotool) shows the name whole, OK without a change leaves the stored bytes as
# they were, and a change that keeps the accented letters is refused with nothing stored.
# Usage: stored_name.sh <quillmarsh executable> [folder for screenshots]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_session.sh"
start() {  # the program under the locale $1; the first start creates the file
  LANG=$1 "$exe" >>"$work/out.txt" 2>&1 &
  app_pid=$!
  if [ ! -f Quillmarsh.dat ]; then
    for _ in $(seq 100); do
      [ "$(xdotool search --onlyvisible --name "." 2>/dev/null | wc -l)" -gt 0 ] && break
      sleep 0.1
    done
    sleep 0.5
    xdotool key Return  # Yes: create the file
  fi
  main=$(window "^Quillmarsh 1.5")
  xdotool windowmove "$main" 0 0
  xdotool windowsize "$main" 1000 650
  sleep 0.5
}
stop() {
  window "^Quillmarsh 1.5" >/dev/null
  xdotool key alt+F4
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not end"
  app_pid=""
}

start C.UTF-8
[ -f Quillmarsh.dat ] || fail "no database file"
click 300 55            # header button: new group
window "^New group$" >/dev/null
xdotool type --delay 20 "Home"; xdotool key Return; sleep 0.5
click 37 55             # header button: new account, which stays selected
window "^New account$" >/dev/null
xdotool type --delay 60 "Zürich Café"; xdotool key Return; sleep 0.5
stop
stored=$(sql "select hex(name) from bill where bill_id > 0")
[ "$stored" = "5AC3BC7269636820436166C3A9" ] || fail "stored as $stored"

start ru_RU.UTF-8
click 103 55            # header button: edit account
window "^Edit account$" >/dev/null
shot 1-shown-whole
xdotool key Return; sleep 0.5
[ "$(windows "^Edit account$")" = 0 ] || fail "OK without a change was refused"
[ "$(sql "select hex(name) from bill where bill_id > 0")" = "$stored" ] ||
  fail "OK without a change stored $(sql "select hex(name) from bill where bill_id > 0")"

click 103 55
window "^Edit account$" >/dev/null
xdotool key End; xdotool type --delay 60 " 2"; xdotool key Return; sleep 0.8
[ "$(windows "^Edit account$")" = 2 ] || fail "no notice over the dialog"
shot 2-refused
window "^Edit account$" >/dev/null  # the notice
xdotool key Return; sleep 0.5
window "^Edit account$" >/dev/null
xdotool key Escape; sleep 0.5
[ "$(windows "^Edit account$")" = 0 ] || fail "the dialog did not close"
stop
[ "$(sql "select hex(name) from bill where bill_id > 0")" = "$stored" ] ||
  fail "the name changed: $(sql "select hex(name) from bill where bill_id > 0")"
echo "stored name the code page cannot show: ok"
