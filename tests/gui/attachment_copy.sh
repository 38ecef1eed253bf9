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
# Then, while that copy runs, a second copy of the victim's starts on another data file: it
# removes the folder of copies an earlier session left in the temporary folder, and leaves the
# running copy's and the other user's. Last, the victim's program starts with a temporary folder
# that belongs to the other user, who may rename anything in it: the copy it opens lies outside
# that folder, so that the other user, swapping in a folder of their own under the copies'
# folder's name, changes nothing the opener reads.
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
copy_of() { printf '%b' "$(printf '%s' "${1#file://}" | sed 's/%/\\x/g')"; }
# The copy opened as $1 holds the bytes of $work/$2 and is the victim's alone, in folders of the
# victim's alone up to the folder $3 (not included).
private_copy() {
  local copy folder
  case "$1" in file://*) ;; *) fail "not a local file: $1" ;; esac
  copy=$(copy_of "$1")
  [ "$(basename "$copy")" = "$2" ] || fail "opened under another name: $copy"
  [ -f "$copy" ] && [ ! -L "$copy" ] || fail "$copy is no plain file"
  [ "$(stat -c %u:%a "$copy")" = "$victim:600" ] || fail "$copy is $(stat -c %u:%a "$copy")"
  cmp -s "$copy" "$work/$2" || fail "$copy does not hold the attachment's bytes"
  folder=$(dirname "$copy")
  [ "$folder" != "$3" ] || fail "$copy lies in $3 itself"
  while [ "$folder" != "$3" ]; do
    [ "$folder" != / ] || fail "$copy lies outside $3"
    [ "$(stat -c %F:%u:%a "$folder")" = "directory:$victim:700" ] ||
      fail "$folder is $(stat -c %F:%u:%a "$folder")"
    folder=$(dirname "$folder")
  done
}
for i in 0 1 2; do private_copy "${urls[$i]}" "${names[$i]}" "$tmp"; done
echo "opened attachments are private copies: ok"

# A folder of copies that an earlier session of the victim's left, and one of the other user's
# under such a name.
ended="$tmp/quillmarsh-files-Ended1"
as "$victim" mkdir -m 700 "$ended"
as "$victim" sh -c "printf 'an old receipt\n' >'$ended/receipt.txt'"
theirs="$tmp/quillmarsh-files-Other1"
as "$other" mkdir -m 700 "$theirs"
# A second copy of the victim's, on another data file with its own runtime folder.
mkdir -m 700 "$work/data2" "$work/runtime2"
sqlite3 "$work/data2/Quillmarsh.dat" <"$(dirname "$0")/household.sql" || fail "the second file"
chown -R "$victim:$victim" "$work/data2" "$work/runtime2"
(cd "$work/data2" && HOME="$home" XDG_RUNTIME_DIR="$work/runtime2" TMPDIR="$tmp" \
   PATH="$work/bin:$PATH" exec setpriv --reuid="$victim" --regid="$victim" --clear-groups "$exe" \
   >>"$work/out.txt" 2>&1) &
second_pid=$!
pids+=("$second_pid")
for _ in $(seq 100); do
  [ -n "$(xdotool search --onlyvisible --pid "$second_pid" 2>/dev/null)" ] && break
  kill -0 "$second_pid" 2>/dev/null || fail "the second copy ended"
  sleep 0.1
done
[ -n "$(xdotool search --onlyvisible --pid "$second_pid" 2>/dev/null)" ] ||
  fail "the second copy shows no window"
[ ! -e "$ended" ] || fail "the ended session's folder is still there: $(ls -lA "$ended")"
for i in 0 1 2; do
  cmp -s "$(copy_of "${urls[$i]}")" "$work/${names[$i]}" || fail "the running copy's ${names[$i]} went"
done
[ -d "$theirs" ] || fail "the other user's folder went"
kill "$second_pid" "$app_pid"
wait "$second_pid" "$app_pid" 2>/dev/null || true
echo "a start removes ended sessions' copies only: ok"

# The temporary folder is the other user's, open to all with the sticky bit, as /tmp is; its
# owner may still rename what anyone puts in it.
otmp="$work/other-tmp"
mkdir "$otmp"
chown "$other:$other" "$otmp"
chmod 1777 "$otmp"
(cd "$data" && HOME="$home" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$otmp" PATH="$work/bin:$PATH" \
   exec setpriv --reuid="$victim" --regid="$victim" --clear-groups "$exe" >>"$work/out.txt" 2>&1) &
app_pid=$!
pids+=("$app_pid")
main=$(window "^Quillmarsh 1\.5")
xdotool windowmove "$main" 0 0
sleep 0.5
click_in "$main" 517 190
shot 4-menu
xdotool key Down Return
wait_opened 4 "receipt.txt in the other user's temporary folder"
# Before the opener reads the copy, the other user swaps any folder of the victim's in their
# temporary folder for one of their own holding a receipt of theirs.
as "$other" sh -c 'for d in "$1"/quillmarsh-files-*; do
  [ -d "$d" ] && mv "$d" "$d-moved" && mkdir "$d" && printf "planted by another\n" >"$d/receipt.txt"
done; true' sh "$otmp"
mapfile -t urls <"$home/opened.txt"
[ "${#urls[@]}" = 4 ] || fail "handed to the opener: ${urls[*]}"
private_copy "${urls[3]}" receipt.txt "$home/.cache/quillmarsh"
[ -z "$(ls -A "$otmp")" ] || fail "made in the other user's temporary folder: $(ls -lA "$otmp")"
echo "copies stay out of another user's temporary folder: ok"
