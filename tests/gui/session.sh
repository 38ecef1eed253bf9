# Helpers for a real session on a virtual X display, sourced by the focus and ownership scripts:
# a display of our own (Xvfb picks a free number), optionally a light window manager, a private
# runtime folder and working folder, a household file written by the sqlite3 shell, and waits
# that poll for windows, focus and stored values instead of sleeping.
# The sourcing script sets `exe` (the program), `wm` ("wm" or "nowm") and `shots` (a folder for
# screenshots, or empty) before calling session_begin.

gui_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=""
app_pid=""
xvfb_pid=""
wm_pid=""

session_end() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$work" ] && rm -rf "$work"
}

shot() { [ -n "$shots" ] && import -window root "$shots/$wm-$1.png" 2>/dev/null || true; }
fail() {
  echo "FAIL ($wm): $*"
  shot failure
  exit 1
}
sql() { sqlite3 Quillmarsh.dat "$1"; }

# Polls `what` (a shell command) until its output equals `want`, for up to `tenths` tenths of a
# second (default 50).
wait_for() {
  local want=$1 what=$2 tenths=${3:-50} got=""
  for _ in $(seq "$tenths"); do
    got=$(eval "$what" 2>/dev/null || true)
    [ "$got" = "$want" ] && return 0
    sleep 0.1
  done
  echo "waited for '$what' to give '$want', got '$got'"
  return 1
}

session_begin() {
  work=$(mktemp -d)
  trap session_end EXIT
  # -noreset: a server left by its last client resets, and a program connecting in that moment is
  # refused ("could not connect to display"); xdotool's every call is a client that leaves.
  Xvfb -noreset -displayfd 5 -screen 0 1280x800x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  wait_for 1 '[ -s "$work/display" ] && echo 1' || fail "no X display"
  export DISPLAY=":$(head -1 "$work/display")"
  unset QT_QPA_PLATFORM
  export LANG=C.UTF-8
  # Everything the program or the window manager might write stays in the working folder; the
  # single-instance lock lives in a runtime folder of this session only.
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
  if [ "$wm" = wm ]; then
    openbox >"$work/wm.txt" 2>&1 &
    wm_pid=$!
    wait_for 1 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -c "window id"' || fail "no window manager"
  fi
  # The pointer rests outside where the main window goes: the keys must reach the window
  # because it has the focus, not because the pointer happens to be over it.
  xdotool mousemove 1270 790
  cd "$work"
}

# A fresh household file; extra SQL (more settings) may follow the seed.
seed() {
  rm -f Quillmarsh.dat*
  { cat "$gui_dir/household.sql"; printf '%s\n' "${1:-}"; } |
    sqlite3 Quillmarsh.dat || fail "seed"
}

main_id=""
start() {
  "$exe" >>"$work/out.txt" 2>&1 &
  app_pid=$!
  main_id=$(visible_window "^Quillmarsh 1\.5") || fail "the main window did not appear: $(cat "$work/out.txt")"
}

# The id of the first visible window whose name matches, waiting up to 5 s for it.
visible_window() {
  local id=""
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

window_gone() { wait_for "" "xdotool search --onlyvisible --name '$1'"; }

# The window that has the keyboard: the window manager's active window, or without one the X
# input focus (xdotool reports the focus window or its nearest named ancestor).
keyboard_window() {
  if [ "$wm" = wm ]; then
    xprop -root _NET_ACTIVE_WINDOW | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p' |
      xargs printf '%d\n' 2>/dev/null
  else
    xdotool getwindowfocus 2>/dev/null
  fi
}
has_keyboard() { wait_for "$1" keyboard_window 30; }

# Absolute geometry of a window's client area: "x y width height".
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}

# Clicks at client coordinates of the main window.
click_main() {
  local x y w h
  read -r x y w h < <(geometry "$main_id")
  xdotool mousemove $((x + $1)) $((y + $2)) click 1
}

# Ends the program with its own shortcut (Alt+F4) and waits for it to write its settings.
quit() {
  xdotool key alt+F4
  wait_for ended 'kill -0 "$app_pid" 2>/dev/null || echo ended' || fail "the program did not end on Alt+F4"
  app_pid=""
}
