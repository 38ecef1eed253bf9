#!/usr/bin/env bash
# The keyboard reaches the main window from the first moment, with real keys on a real X display,
# with a window manager ("wm") or without one ("nowm"): right after start on a ledger tab (Up,
# Down, Ctrl+Up/Down, Left/Right in a cell, Space, Ctrl+Left to the tree, Down in the tree), after
# the period filter was toggled with the mouse, and after the print button of a report tab had
# the focus and the user went back to the ledger. Every effect is read back from the file.
# Usage: focus_keys.sh <quillmarsh executable> wm|nowm [folder for screenshots]
set -euo pipefail
exe=$(realpath "$1")
wm=$2
shots=${3:-}
source "$(dirname "$0")/session.sh"
session_begin

today_filter=$(date +%Y%m%d)
unfiltered="4:249.5 5:2100 7:95.5 8:55"
balances() { sql "select group_concat(id || ':' || amount, ' ') from bill where id in (4,5,7,8)"; }
num_of() { sql "select num || '/' || (select num from bill_move t where t.id = m.bill_move_id) from bill_move m where id = $1"; }
note_of() { sql "select note from bill_move where id = $1"; }

# --- Right after start, no click: the wallet's ledger is the current tab. ---
seed
start
shot 1-started
# Space would tick "Period filter" if the check box had the keys.
xdotool key space
# Up from the new row selects the last move; Tab goes to its number, typing replaces it.
xdotool key Up Tab
xdotool type --delay 30 77
xdotool key Return
wait_for "77/77" "num_of 11" || fail "Up right after start did not select the last move"
# Ctrl+Up selects the first move; Left and Right move the caret inside its note.
xdotool key ctrl+Up Tab Tab
xdotool type --delay 30 ab
xdotool key Left
xdotool type --delay 30 X
xdotool key Right
xdotool type --delay 30 c
xdotool key Return
wait_for "aXbc" "note_of 3" || fail "Ctrl+Up or Left/Right in a cell did not reach the ledger"
# Ctrl+Up, Down: the second move.
xdotool key ctrl+Up Down Tab
xdotool type --delay 30 55
xdotool key Return
wait_for "55/55" "num_of 5" || fail "Down did not select the next move"
# Ctrl+Down: the new row; Up from there is the last move again.
xdotool key ctrl+Down Up Tab
xdotool type --delay 30 88
xdotool key Return
wait_for "88/88" "num_of 11" || fail "Ctrl+Down did not select the new row"
shot 2-typed
# Ctrl+Left: the tree tab, where Down moves the selection from the wallet to the bank.
xdotool key ctrl+Left Down
shot 3-tree
quit
[ "$(sql "select value from param where name = 'head-index'")" = 0 ] || fail "Ctrl+Left did not switch to the tree"
[ "$(sql "select value from param where name = 'select-bill'")" = 5 ] || fail "Down in the tree did not move the selection"
[ "$(sql "select value from param where name = 'date-filter'")" = "$today_filter" ] || fail "Space ticked the period filter"
[ "$(balances)" = "$unfiltered" ] || fail "balances were recalculated: $(balances)"

# --- The period filter ticked and unticked with the mouse; a report tab and back. ---
seed "INSERT INTO param (name, value) VALUES ('head-bill-002', '2:2:' || char(2) || 'Assets' || char(1) || char(2) || 'period' || char(13) || 'Wallet' || char(1) || '249,50' || char(13));"
start
read -r _ _ _ height < <(geometry "$main_id")
box_y=$((height - 16))
click_main 14 "$box_y"
wait_for "4:0 5:0 7:0 8:0" balances || fail "ticking the period filter did not recalculate"
click_main 14 "$box_y"
wait_for "$unfiltered" balances || fail "unticking the period filter did not recalculate"
# The keys go to the ledger again, and Space does not tick the filter a third time.
xdotool key space Up Tab
xdotool type --delay 30 66
xdotool key Return
wait_for "66/66" "num_of 11" || fail "keys did not reach the ledger after the period filter was toggled"
# Ctrl+Right shows the report tab, whose print button takes the focus; Ctrl+Left goes back, and
# the ledger has the keys again (Space there would have printed).
xdotool key ctrl+Right
shot 4-report
xdotool key ctrl+Left space ctrl+Up Tab
xdotool type --delay 30 44
xdotool key Return
wait_for "44/44" "num_of 3" || fail "keys did not reach the ledger after the report tab's print button had the focus"
# The same after going back with a click on the wallet's tab.
xdotool key ctrl+Right
click_main 125 111
xdotool key ctrl+Down Up Tab
xdotool type --delay 30 33
xdotool key Return
wait_for "33/33" "num_of 11" || fail "keys did not reach the ledger after a click on its tab"
xdotool key ctrl+Left
quit
[ "$(sql "select value from param where name = 'head-index'")" = 0 ] || fail "Ctrl+Left did not go from the report tab back to the tree"
[ "$(sql "select value from param where name = 'date-filter'")" = "$today_filter" ] || fail "Space ticked the period filter after the mouse"
[ "$(balances)" = "$unfiltered" ] || fail "balances after the session: $(balances)"
echo "keys reach the main window ($wm): ok"
