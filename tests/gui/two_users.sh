# Sourced by the scripts that act as two local users (two real uids, by setpriv) on one X display
# open to both. Takes the program ($1) and an optional folder for screenshots ($2). Without root
# and setpriv the script ends here: in CI (QM_CI=1) as a failure, elsewhere as a skip (77).
# Sets `exe` (a copy of the program that every uid may run), `shots`, `work` (a folder every uid
# may enter), `victim` and `other` (two uids nobody else on the machine uses now, so that their
# /tmp names are the script's own) and DISPLAY. At exit it ends every pid in `pids` (a negative
# one as a process group), whatever the two uids still run, the display, and `work`, after the
# sourcing script's own `on_end` when it defines one.
exe=$(realpath "$1")
shots=${2:-}
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null; then
  if [ "${QM_CI:-0}" = 1 ]; then
    echo "FAIL: needs root and setpriv to act as two users; CI runs it (QM_CI=1)" >&2
    exit 1
  fi
  echo "needs root and setpriv to act as two users: skipped"
  exit 77
fi
work=$(mktemp -d)
chmod 755 "$work"
install -m 755 "$exe" "$work/quillmarsh"
exe="$work/quillmarsh"
victim=$((300000 + RANDOM % 30000 * 2))
other=$((victim + 1))
pids=()
two_users_end() {
  declare -F on_end >/dev/null && on_end
  for p in "${pids[@]}"; do kill -- "$p" 2>/dev/null || true; done
  pkill -u "$victim" 2>/dev/null || true
  pkill -u "$other" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap two_users_end EXIT
as() { local uid=$1; shift; setpriv --reuid="$uid" --regid="$uid" --clear-groups "$@"; }

# -noreset: a server left by its last client resets, and a program connecting in that moment is
# refused ("could not connect to display"); xdotool's every call is a client that leaves.
Xvfb -noreset -displayfd 5 -ac -screen 0 1280x800x24 -nolisten tcp 5>"$work/display" \
  2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
unset QT_QPA_PLATFORM XDG_RUNTIME_DIR XDG_CACHE_HOME XDG_CONFIG_HOME
export LANG=C.UTF-8
