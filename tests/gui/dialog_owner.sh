#!/usr/bin/env bash
# Dialogs belong to the window that opened them, on a real X display with a window manager
# ("wm") or without one ("nowm"): the find dialog, a message box, the spreadsheet export dialog
# and the file dialog it opens are each transient for their opener (WM_TRANSIENT_FOR), centred
# on it and given the keyboard; when one closes, its opener has the keyboard again, so F3 after
# Find finds the next match and the typed keys land in the ledger, as the file shows afterwards.
# Usage: dialog_owner.sh <quillmarsh executable> wm|nowm [folder for screenshots]
set -euo pipefail
exe=$(realpath "$1")
wm=$2
shots=${3:-}
source "$(dirname "$0")/session.sh"
session_begin

transient_for() {
  xprop -id "$1" WM_TRANSIENT_FOR | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p' |
    xargs printf '%d\n' 2>/dev/null
}

# Checks that window $1 (named $2) is transient for $3 and centred on it, and has the keyboard.
owned_by() {
  local id=$1 name=$2 owner=$3 x y w h ox oy ow oh
  [ "$(transient_for "$id")" = "$owner" ] ||
    fail "$name is transient for '$(transient_for "$id")', not for its opener $owner"
  read -r x y w h < <(geometry "$id")
  read -r ox oy ow oh < <(geometry "$owner")
  local dx=$(((x + w / 2) - (ox + ow / 2))) dy=$(((y + h / 2) - (oy + oh / 2)))
  [ "${dx#-}" -le 4 ] && [ "${dy#-}" -le 4 ] ||
    fail "$name at $x,$y ${w}x$h is not centred on its opener at $ox,$oy ${ow}x$oh"
  has_keyboard "$id" || fail "$name does not have the keyboard"
}

seed
start
# Without a window manager nobody gives a new window the keyboard but the program itself.
has_keyboard "$main_id" || fail "the main window does not have the keyboard after start"

# Find: Ctrl+F, type, Enter finds the first "Dinner"; F3 the next one, where Z replaces it.
xdotool key ctrl+f
find_id=$(visible_window "^Find$") || fail "no find dialog"
shot 1-find
owned_by "$find_id" "the find dialog" "$main_id"
xdotool type --delay 30 Dinner
xdotool key Return
window_gone "^Find$" || fail "the find dialog did not close"
has_keyboard "$main_id" || fail "the main window did not get the keyboard back after Find"
xdotool key F3
xdotool type --delay 30 Z
xdotool key Return
wait_for "Dinner out|Z out" "sql \"select group_concat(note, '|') from bill_move where id in (7, 11) order by id\"" ||
  fail "F3 after Find did not find the next match"

# A message box: Enter on the new row without a correspondent.
xdotool key ctrl+Down Return
box_id=$(visible_window "^Quillmarsh$") || fail "no message box"
shot 2-box
owned_by "$box_id" "the message box" "$main_id"
xdotool key Return
window_gone "^Quillmarsh$" || fail "the message box did not close"
has_keyboard "$main_id" || fail "the main window did not get the keyboard back after the box"

# The spreadsheet export dialog from the File menu, and the file dialog it opens.
click_main 20 8
sleep 0.3
click_main 60 100
export_id=$(visible_window "^Export to spreadsheet$") || fail "no export dialog"
owned_by "$export_id" "the export dialog" "$main_id"
xdotool key Return
file_id=$(visible_window "^Open$") || fail "no file dialog"
shot 3-file
[ "$(transient_for "$file_id")" = "$export_id" ] || fail "the file dialog is not transient for the export dialog"
has_keyboard "$file_id" || fail "the file dialog does not have the keyboard"
xdotool key Escape
window_gone "^Open$" || fail "the file dialog did not close"
has_keyboard "$export_id" || fail "the export dialog did not get the keyboard back"
xdotool key Escape
window_gone "^Export to spreadsheet$" || fail "the export dialog did not close"
has_keyboard "$main_id" || fail "the main window did not get the keyboard back after the export dialog"

# The keys still reach the ledger: Ctrl+Left to the tree, stored at the end.
xdotool key ctrl+Left
quit
[ "$(sql "select value from param where name = 'head-index'")" = 0 ] || fail "Ctrl+Left after the dialogs did not reach the main window"
echo "dialogs belong to their opener ($wm): ok"
