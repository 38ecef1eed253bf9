# Sourced by the scripts that drive the program's dialogs on a display of their own: takes the
# executable ($1) and an optional folder for screenshots ($2), starts Xvfb, gives the program a
# private runtime folder and working folder, and defines the helpers those scripts share. The
# sourcing script sets `app_pid` when it starts the program; both are ended at exit.
exe=$(realpath "$1")
shots=${2:-}
work=$(mktemp -d)
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own; Xvfb writes the number it took. Only our own server is ended at the end.
# -noreset: a server left by its last client resets, and a program connecting in that moment is
# refused ("could not connect to display"); xdotool's every call is a client that leaves.
exec 3< <(exec Xvfb -noreset -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
xvfb_pid=$!
read -r -t 10 display <&3
export DISPLAY=":$display"
unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cd "$work"

fail() { echo "FAIL: $*"; shot failure; cat "$work/out.txt" 2>/dev/null; exit 1; }
shot() { [ -n "$shots" ] && import -window root "$shots/$1.png" 2>/dev/null || true; }
sql() { sqlite3 Quillmarsh.dat "$1"; }
window() {  # waits for a shown window whose name matches (the newest), gives it the keyboard
  local id=""
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window '$1'"
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  echo "$id"
}
windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.4; }
