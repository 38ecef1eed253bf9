#!/usr/bin/env bash
# A name the interface code page cannot hold, typed with real keys into the new-account dialog of
# the running program (Xvfb, xdotool): OK brings up a notice over the dialog, the dialog stays
# with the text as typed, and nothing is stored; a name with accented letters is stored as typed.
# Usage: unfit_name.sh <quillmarsh executable> [folder for screenshots]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/dialog_session.sh"
# A Western locale: the interface code page is 1252, which has no CJK characters or emoji.
export LANG=C.UTF-8

"$exe" >>"$work/out.txt" 2>&1 &
app_pid=$!
# The question to create the file comes first; Yes is its default button.
for _ in $(seq 100); do
  [ "$(xdotool search --onlyvisible --name "." 2>/dev/null | wc -l)" -gt 0 ] && break
  sleep 0.1
done
sleep 0.5
xdotool key Return
main=$(window "^Quillmarsh 1.5")
xdotool windowmove "$main" 0 0
xdotool windowsize "$main" 1000 650
sleep 0.5
[ -f Quillmarsh.dat ] || fail "no database file"

click 300 55            # header button: new group
window "^New group$" >/dev/null
xdotool type --delay 20 "Home"; xdotool key Return; sleep 0.5
click 37 55             # header button: new account
window "^New account$" >/dev/null
xdotool type --delay 60 "Rent 中文 😀"
sleep 0.3
shot 1-typed
xdotool key Return; sleep 0.8
# The notice carries the dialog's caption: two windows of that name, the notice on top.
[ "$(windows "^New account$")" = 2 ] || fail "no notice over the dialog"
shot 2-refused
[ "$(sql "select group_concat(name) from bill")" = "Home" ] || fail "stored: $(sql "select group_concat(name) from bill")"
window "^New account$" >/dev/null   # the notice, the newest of the two
xdotool key Return; sleep 0.5   # OK closes the notice; the dialog stays
[ "$(windows "^New account$")" = 1 ] || fail "the dialog did not stay open"
shot 3-kept
window "^New account$" >/dev/null
xdotool key Escape; sleep 0.5
[ "$(windows "^New account$")" = 0 ] || fail "the dialog did not close"
[ "$(sql "select count(*) from bill")" = 1 ] || fail "something was stored"

click 37 55
window "^New account$" >/dev/null
xdotool type --delay 60 "Café"; xdotool key Return; sleep 0.5
[ "$(windows "^New account$")" = 0 ] || fail "an accented name was refused"
[ "$(sql "select group_concat(name) from bill")" = "Home,Café" ] || fail "stored: $(sql "select group_concat(name) from bill")"
shot 4-accented

xdotool key alt+F4
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
echo "name the code page cannot hold: ok"
