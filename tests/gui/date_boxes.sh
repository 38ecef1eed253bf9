#!/usr/bin/env bash
# The date boxes under real clicks and keys on a real X display, with a window manager ("wm") or
# without one ("nowm"). Every effect is read back from the file.
# - enter: on the tree tab with an account selected, the period filter ticked with the mouse, a
#   click into a date box, Up and Enter apply the filter once, store its period with the
#   balances, and open no ledger.
# - digits: a click into a field of a date box (day, month or year) selects it; typed digits
#   replace it and move on to the next field, in the period bar (the filter applied by Enter) and
#   in the transactions report dialog (the report's period, kept with its tab).
# Usage: date_boxes.sh <quillmarsh executable> wm|nowm enter|digits [folder for screenshots]
set -euo pipefail
exe=$(realpath "$1")
wm=$2
part=$3
shots=${4:-}
source "$(dirname "$0")/session.sh"
session_begin

balances() { sql "select group_concat(id || ':' || amount, ' ') from bill where id in (4,5,7,8)"; }
# The household's moves are all in January 2026, before today.
today=$(date +%Y%m%d)
[ "$today" -gt 20260112 ] || fail "the clock says $today, before the household's moves"

# The left edges (client x) of the period bar's date boxes: the white runs, 60 pixels or more, a
# few pixels below the top of the boxes (clear of their text). Only enabled boxes are white.
period_boxes() {
  local x y w h
  read -r x y w h < <(geometry "$main_id")
  import -window "$main_id" -crop "${w}x1+0+$((h - 25))" -depth 8 txt:- 2>/dev/null |
    awk -F'[ ,:]+' 'NR > 1 {
      white = $0 ~ /#FFFFFF /
      if (white && start == "") start = $1
      if (!white && start != "") { if ($1 - start >= 60) printf "%s ", start; start = "" }
    }'
}
boxes=()
find_period_boxes() {
  for _ in $(seq 50); do
    read -r -a boxes <<<"$(period_boxes)"
    [ "${#boxes[@]}" -eq 2 ] && return 0
    sleep 0.1
  done
  fail "the period bar's two date boxes were not found: '${boxes[*]}'"
}
# A field of a period-bar box in the format dd.MM.yyyy: its x offset from the box's left edge.
day=8 month=26 year=48

settings="INSERT INTO param (name, value) VALUES ('settings-dateformat', '3');"

if [ "$part" = enter ]; then
  # The tree tab is current, the wallet selected, the filter off from 5 January; no ledger open.
  seed "$settings DELETE FROM param WHERE name = 'head-bill-001';
    UPDATE param SET value = '0' WHERE name = 'head-index';
    UPDATE param SET value = '20260105' WHERE name = 'date-filter';"
  start
  read -r _ _ _ height < <(geometry "$main_id")
  click_main 14 $((height - 16))
  find_period_boxes
  # Up on the day field: from 6 January, which leaves the bank's salary of the 5th out.
  click_main $((boxes[0] + day)) $((height - 16))
  xdotool key Up Return
  wait_for "4:249.5 5:-400 7:95.5 8:55" balances || fail "Enter in the date box did not apply the filter"
  # The file names the period of its balances at once, not only at the end of the session.
  [ "$(sql "select value from param where name = 'date-filter'")" = "20260106$today" ] ||
    fail "the period applied was not stored with its balances"
  shot enter
  quit
  [ "$(sql "select value from param where name = 'head-index'")" = 0 ] ||
    fail "Enter in the date box also opened the selected account's ledger"
  [ "$(sql "select count(*) from param where name = 'head-bill-001'")" = 0 ] ||
    fail "Enter in the date box opened a ledger tab"
  [ "$(sql "select value from param where name = 'date-filter'")" = "20260106$today" ] ||
    fail "the period stored is $(sql "select value from param where name = 'date-filter'")"
  echo "Enter in a date box applies the filter only ($wm): ok"
  exit 0
fi

[ "$part" = digits ] || fail "unknown part '$part'"
# The wallet's ledger with the filter on from 5 December 2025 to 12 January 2026.
seed "$settings UPDATE param SET value = '2025120520260112' WHERE name = 'date-filter';"
start
read -r _ _ _ height < <(geometry "$main_id")
find_period_boxes
# From: the day field clicked, then day, month and year typed one after the other.
click_main $((boxes[0] + day)) $((height - 16))
xdotool type --delay 60 07012026
# To: the day field of the other box.
click_main $((boxes[1] + day)) $((height - 16))
xdotool type --delay 60 10
xdotool key Return
# 7 to 10 January: two shops and a dinner out of the wallet.
wait_for "4:-125.5 5:0 7:95.5 8:30" balances || fail "typed dates did not reach the filter: $(balances)"
shot digits-bar
# The transactions report (Reports, second item) for 5 to 10 January: the year typed first, then
# a month alone, then a day; the report's tab keeps its period.
click_main 20 8
sleep 0.3
xdotool key Right Right Right Right Down Return
report_id=$(visible_window "^Transactions$") || fail "no transactions report dialog"
read -r rx ry _ _ < <(geometry "$report_id")
click_at() { xdotool mousemove $((rx + $1)) $((ry + $2)) click 1; }
# The dialog's boxes stand at x 56 and 240, y 14, 120 x 24 pixels.
click_at $((56 + year)) 26
xdotool type --delay 60 2026
click_at $((56 + month)) 26
xdotool type --delay 60 01
click_at $((56 + day)) 26
xdotool type --delay 60 05
click_at $((240 + year)) 26
xdotool type --delay 60 2026
click_at $((240 + month)) 26
xdotool type --delay 60 01
click_at $((240 + day)) 26
xdotool type --delay 60 10
shot digits-report
xdotool key Return
window_gone "^Transactions$" || fail "the report dialog did not close"
quit
[ "$(sql "select value from param where name = 'date-filter'")" = 2026010720260110 ] ||
  fail "the period stored is $(sql "select value from param where name = 'date-filter'")"
[ "$(sql "select count(*) from param where name like 'head-bill-0%' and instr(value, '05.01.2026 - 10.01.2026') > 0")" = 1 ] ||
  fail "the report's period is not the one typed: $(sql "select substr(value, 1, 40) from param where name like 'head-bill-0%'")"
echo "typed digits fill the date boxes' fields ($wm): ok"
