#!/usr/bin/env bash
# Opening attached files with another user on the machine (two real uids, by setpriv, so it needs
# root: see two_users.sh). The temporary
# folder is sticky and open to all, as /tmp is, and the other user has planted in it a link
# under the name of one attachment, pointing at a file in the victim's home, and a file of their
# own under the name of the other. The victim's program opens the first from the ledger's
# attachment menu, twice, and the second from the list of transactions with files; a stub
# xdg-open first on its PATH records what the desktop is handed. Afterwards the victim's file,
# the link and the planted file are as they were, and each opened copy holds the attachment's
# bytes, is the victim's with mode 0600, and lies in folders of the victim's with mode 0700.
# Usage: attachment_copy.sh <quillmarsh executable> [folder for screenshots]
set -euo pipefail
source "$(dirname "$0")/two_users.sh"
app_pid=""
shot() { [ -n "$shots" ] && import -window root "$shots/attachment-$1.png" 2>/dev/null || true; }
fail() { echo "FAIL: $*" >&2; shot failure; cat "$work/out.txt" 2>/dev/null >&2; exit 1; }
unset BROWSER DEFAULT_BROWSER XDG_CURRENT_DESKTOP

home="$work/home" data="$work/data" tmp="$work/tmp"
mkdir -m 700 "$home" "$data" "$work/runtime"
mkdir -m 1777 "$tmp"
chown "$victim:$victim" "$home" "$data" "$work/runtime"
printf 'the victim'"'"'s own notes\n' >"$home/mine.txt"
chown "$victim:$victim" "$home/mine.txt"

# The attachments, written in the stored layout by the sqlite3 shell: receipt.txt and scan.pdf
# (with a zero byte and bytes past ASCII) on the wallet's row of the dinner of 8 January.
printf 'kettle 24.90\n' >"$work/receipt.txt"
printf '%%PDF-1.4\000\001\377 scan\n' >"$work/scan.pdf"
hex() { od -An -v -tx1 | tr -d ' \n'; }
value=$({ printf 'receipt.txt\003%s\002scan.pdf\003%s\001' "$(stat -c %s "$work/receipt.txt")" \
  "$(stat -c %s "$work/scan.pdf")"; cat "$work/receipt.txt" "$work/scan.pdf"; } | hex)
{ cat "$(dirname "$0")/household.sql"; echo "UPDATE bill_move SET files = X'$value' WHERE id = 7;"; } |
  sqlite3 "$data/Quillmarsh.dat" || fail "the household file"
chown "$victim:$victim" "$data/Quillmarsh.dat"

# What the other user leaves in the temporary folder.
as "$other" ln -s "$home/mine.txt" "$tmp/receipt.txt"
as "$other" sh -c "printf 'planted by another\n' >'$tmp/scan.pdf'"
planted() { stat -c '%F %u %a %s' "$tmp/receipt.txt" "$tmp/scan.pdf"; readlink "$tmp/receipt.txt";
  cat "$tmp/scan.pdf" "$home/mine.txt" | sha256sum; }
before=$(planted)

# The desktop's opener, as the victim's program finds it: it records the address it is given.
mkdir "$work/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"$HOME/opened.txt"\n' >"$work/bin/xdg-open"
chmod 755 "$work/bin/xdg-open"

(cd "$data" && HOME="$home" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$tmp" PATH="$work/bin:$PATH" \
   exec setpriv --reuid="$victim" --regid="$victim" --clear-groups "$exe" >>"$work/out.txt" 2>&1) &
app_pid=$!
window() {  # waits for a shown window of the program whose name matches; prints its id
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) && [ -n "$id" ] && break
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window '$1'"
  echo "$id"
}
click_in() {  # clicks at client coordinates of a window
  local x y
  read -r x y < <(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
  xdotool mousemove $((x + $2)) $((y + $3)) click 1
  sleep 0.4
}
opened() { [ -f "$home/opened.txt" ] && wc -l <"$home/opened.txt" || echo 0; }
wait_opened() {
  for _ in $(seq 50); do [ "$(opened)" -ge "$1" ] && return 0; sleep 0.1; done
  fail "$2: nothing was handed to the opener"
}

main=$(window "^Quillmarsh 1\.5")
xdotool windowmove "$main" 0 0
sleep 0.5
# The wallet's ledger: the attachment mark of the dinner of 8 January (the third row) opens its
# menu; its first entry is receipt.txt. Opened twice, as a user opens it again.
for n in 1 2; do
  click_in "$main" 517 190
  shot "$n-menu"
  xdotool key Down Return
  wait_opened "$n" "receipt.txt, time $n"
done
# The list of transactions with files, from the File menu: its second line is scan.pdf.
click_in "$main" 20 8
click_in "$main" 60 117
list=$(window "^Transactions with files$")
xdotool key Down
shot 3-list
click_in "$list" 228 304
wait_opened 3 "scan.pdf"
xdotool key Escape
kill -0 "$app_pid" 2>/dev/null || fail "the program ended"

[ "$(planted)" = "$before" ] || fail "what stood in the temporary folder changed:
$before
---
$(planted)"
# Each copy: the attachment's bytes, the victim's alone, in folders of the victim's alone.
mapfile -t urls <"$home/opened.txt"
[ "${#urls[@]}" = 3 ] || fail "handed to the opener: ${urls[*]}"
[ "${urls[0]}" != "${urls[1]}" ] || fail "the second opening gave the same copy: ${urls[0]}"
names=(receipt.txt receipt.txt scan.pdf)
for i in 0 1 2; do
  case "${urls[$i]}" in file://*) ;; *) fail "not a local file: ${urls[$i]}" ;; esac
  copy=$(printf '%b' "$(printf '%s' "${urls[$i]#file://}" | sed 's/%/\\x/g')")
  [ "$(basename "$copy")" = "${names[$i]}" ] || fail "opened under another name: $copy"
  [ -f "$copy" ] && [ ! -L "$copy" ] || fail "$copy is no plain file"
  [ "$(stat -c %u:%a "$copy")" = "$victim:600" ] || fail "$copy is $(stat -c %u:%a "$copy")"
  cmp -s "$copy" "$work/${names[$i]}" || fail "$copy does not hold the attachment's bytes"
  folder=$(dirname "$copy")
  [ "$folder" != "$tmp" ] || fail "$copy lies in the shared temporary folder itself"
  while [ "$folder" != "$tmp" ]; do
    [ "$folder" != / ] || fail "$copy lies outside the temporary folder"
    [ "$(stat -c %F:%u:%a "$folder")" = "directory:$victim:700" ] ||
      fail "$folder is $(stat -c %F:%u:%a "$folder")"
    folder=$(dirname "$folder")
  done
done
echo "opened attachments are private copies: ok"
