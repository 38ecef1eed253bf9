#!/usr/bin/env bash
# A new user's first session, with real clicks and keys on a real X display (Xvfb, xdotool):
# create the file, a group and two accounts, open a ledger by double-clicking an account, type a
# move (date, number, note, correspondent from the drop-down list, amount) and press Enter; then
# close, start again, and find the move, the open tab and the selection still there.
# Usage: new_user.sh <quillmarsh executable> [folder for screenshots]
set -euo pipefail
# The display, the private runtime and working folders, and their ending at exit; the helpers
# below are this script's own.
source "$(dirname "${BASH_SOURCE[0]}")/dialog_session.sh"
export LANG=C.UTF-8

fail() { echo "FAIL: $*"; shot failure; exit 1; }
shot() { [ -n "$shots" ] && import -window root "$shots/$1.png" 2>/dev/null || true; }
sql() { sqlite3 Quillmarsh.dat "$1"; }
window() {  # waits for a window whose name matches, and gives it the keyboard
  local id=""
  for _ in $(seq 50); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window '$1'"
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  echo "$id"
}
start() {
  "$exe" >>"$work/out.txt" 2>&1 &
  app_pid=$!
  sleep 1
}
ended() {  # waits up to 5 s for the program to end
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.4; }

start
window "^Quillmarsh$" >/dev/null   # the question to create the file
xdotool key Return
main=$(window "^Quillmarsh 1.5")
xdotool windowmove "$main" 0 0
xdotool windowsize "$main" 1000 650
sleep 0.5
[ -f Quillmarsh.dat ] || fail "no database file"
shot 1-new

click 300 55            # header button: new group
window "^New group$" >/dev/null
xdotool type --delay 20 "Money"; xdotool key Return; sleep 0.5
click 37 55             # header button: new account
window "^New account$" >/dev/null
xdotool type --delay 20 "Wallet"; xdotool key Return; sleep 0.5
click 37 55
window "^New account$" >/dev/null
xdotool type --delay 20 "Bank"; xdotool key Return; sleep 0.5
[ "$(sql "select group_concat(name) from bill")" = "Money,Wallet,Bank" ] || fail "accounts not created"
shot 2-accounts

# The wallet is the first account row of the first pane: double-click it.
xdotool mousemove 60 191 click --repeat 2 --delay 80 1; sleep 0.8
[ "$(sql "select count(*) from bill")" = 3 ] || fail "tree changed"
window "^Quillmarsh 1.5" >/dev/null
xdotool type --delay 40 "05"; xdotool key Tab
xdotool type --delay 40 "12"; xdotool key Tab
xdotool type --delay 40 "Lunch"; xdotool key Tab
click 717 154           # the drop-down button of the correspondent cell
shot 3-list
click 570 171           # its first entry: the bank
window "^Quillmarsh 1.5" >/dev/null
xdotool key Tab
xdotool type --delay 40 "25,50"
xdotool key Return; sleep 0.8
shot 4-stored
moves=$(sql "select src_bill_id || ':' || dest_bill_id || ':' || amount || ':' || note || ':' || num from bill_move order by id")
[ "$moves" = "$(printf '2:3:25.5:Lunch:12\n3:2:-25.5:Lunch:12')" ] || fail "moves are: $moves"
[ "$(sql "select group_concat(amount) from bill where id in (2,3)")" = "-25.5,25.5" ] || fail "balances"

xdotool key alt+F4
ended || fail "program did not end"
[ "$(sql "select value from param where name = 'head-bill-001'")" = "2:1" ] || fail "tab not stored"
[ "$(sql "select value from param where name = 'head-index'")" = 1 ] || fail "current tab not stored"

start
main=$(window "^Quillmarsh 1.5")
shot 5-restarted
xdotool key alt+F4
ended || fail "program did not end after the restart"
[ "$(sql "select count(*) from bill_move")" = 2 ] || fail "moves lost"
[ "$(sql "select value from param where name = 'select-bill'")" = 2 ] || fail "selection lost"
echo "new user session: ok"
