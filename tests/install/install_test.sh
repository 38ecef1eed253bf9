#!/usr/bin/env bash
# Installs the program as a user would (cmake --install with a prefix of their choosing), checks
# the files a desktop needs (the program in bin/, the menu entry and the icon in every hicolor
# size under share/), validates the menu entry, and starts it the way a desktop's menu does
# (gio launch, on a virtual X display) to see it keep its file in the user's home folder rather
# than in the folder the desktop happens to run in.
# Usage: install_test.sh <build folder>
set -euo pipefail
build=$1
work=$(mktemp -d)
app_pid=""
xvfb_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A prefix with a blank in it, as a user's folder may have.
prefix="$work/my programs"
cmake --install "$build" --prefix "$prefix" >"$work/install.txt" || fail "install: $(cat "$work/install.txt")"

program="$prefix/bin/quillmarsh"
entry="$prefix/share/applications/quillmarsh.desktop"
[ -x "$program" ] || fail "no program in bin/"
[ -f "$entry" ] || fail "no desktop entry"
desktop-file-validate "$entry" || fail "the desktop entry is not valid"
grep -qx 'Icon=quillmarsh' "$entry" || fail "the entry names another icon"
grep -qxF "TryExec=$program" "$entry" || fail "TryExec does not name the installed program"

# Every icon is a PNG of its folder's size.
for size in 16 22 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/quillmarsh.png"
  [ -f "$icon" ] || fail "no icon of $size pixels"
  got=$(python3 -c '
import struct, sys
data = open(sys.argv[1], "rb").read(24)
assert data[:8] == b"\x89PNG\r\n\x1a\n" and data[12:16] == b"IHDR", "not a PNG"
print("%dx%d" % struct.unpack(">II", data[16:24]))' "$icon") || fail "icon $size is no PNG"
  [ "$got" = "${size}x${size}" ] || fail "icon of $size pixels is $got"
done

# Started from the menu: a private runtime folder (the single-instance lock lives there), a home
# folder of our own, and a desktop that runs in some other folder.
# -noreset: a server left by its last client resets, and a program connecting in that moment is
# refused ("could not connect to display"); xdotool's every call is a client that leaves.
exec 3< <(Xvfb -noreset -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t 10 display <&3 || fail "no X display"
export DISPLAY=":$display" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" LANG=C.UTF-8
unset QT_QPA_PLATFORM
mkdir -p "$HOME" "$work/desktop"
mkdir -m 700 "$XDG_RUNTIME_DIR"
(cd "$work/desktop" && gio launch "$entry") || fail "gio cannot launch the entry"
for _ in $(seq 100); do
  app_pid=$(pgrep -n -f -x "$program" || true)
  [ -n "$app_pid" ] && break
  sleep 0.1
done
[ -n "$app_pid" ] || fail "the program did not start"
[ "$(readlink "/proc/$app_pid/cwd")" = "$HOME" ] || fail "started in $(readlink "/proc/$app_pid/cwd")"
# A new user is asked whether to create the file: yes.
question=""
for _ in $(seq 100); do
  question=$(xdotool search --name '^Quillmarsh$' 2>/dev/null | head -1 || true)
  [ -n "$question" ] && break
  sleep 0.1
done
[ -n "$question" ] || fail "no question to create the file"
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key Return
for _ in $(seq 100); do [ -f "$HOME/Quillmarsh.dat" ] && break; sleep 0.1; done
[ -f "$HOME/Quillmarsh.dat" ] || fail "no Quillmarsh.dat in the home folder"
[ ! -e "$work/desktop/Quillmarsh.dat" ] || fail "the file went into the desktop's folder"
echo "installed, valid, and started from the menu in the home folder"
