#!/usr/bin/env bash
# The single-instance lock without a runtime folder, with another user on the machine (two real
# uids, by setpriv, so it needs root; elsewhere exit code 77, a skip, or in CI, QM_CI=1, a
# failure: CI must not pass without it). The program's fallback
# folder /tmp/quillmarsh-<uid> is a name anyone can take first. For each thing the other user
# may leave there, the victim's program must still start (its first question shows on the
# display) and create nothing outside its own folders:
# 1. a file under the folder's name;
# 2. a folder open to all, with the lock file held by the other user;
# 3. a folder with a link in place of the lock file, pointing into the victim's home.
# With the fallback lock in the victim's cache folder, a second copy of the victim's still ends
# at once, and the victim's own private /tmp folder is used as before.
# Usage: lock_folder.sh <quillmarsh executable> [folder for screenshots]
set -euo pipefail
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
# The other uids may not reach the build folder: they run a copy of the program.
install -m 755 "$exe" "$work/quillmarsh"
exe="$work/quillmarsh"
# Two uids nobody else on the machine uses now, so that their /tmp names are this test's own.
victim=$((300000 + RANDOM % 30000 * 2))
other=$((victim + 1))
shared="/tmp/quillmarsh-$victim"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -- "$p" 2>/dev/null || true; done
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work" "$shared"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; shot failure; exit 1; }
shot() { [ -n "$shots" ] && import -window root "$shots/lock-$1.png" 2>/dev/null || true; }
as() { local uid=$1; shift; setpriv --reuid="$uid" --regid="$uid" --clear-groups "$@"; }

# An X display every local user may use.
# -noreset: a server left by its last client resets, and a program connecting in that moment is
# refused ("could not connect to display"); xdotool's every call is a client that leaves.
Xvfb -noreset -displayfd 5 -ac -screen 0 1280x800x24 -nolisten tcp 5>"$work/display" \
  2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
unset QT_QPA_PLATFORM XDG_RUNTIME_DIR XDG_CACHE_HOME XDG_CONFIG_HOME
export LANG=C.UTF-8

home="$work/home"
mkdir -p "$home" "$work/data"
chown "$victim:$victim" "$home" "$work/data"
chmod 700 "$home"
cache_lock="$home/.cache/quillmarsh/MyProgramMutexTarnwick.lock"

# Starts the victim's program in its data folder without a runtime folder; its pid goes to
# `app_pid`.
start_victim() {
  (cd "$work/data" && HOME="$home" exec setpriv --reuid="$victim" --regid="$victim" --clear-groups \
     "$exe" >>"$work/out.txt" 2>&1) &
  app_pid=$!
  pids+=("$app_pid")
}
# The program shows its first question (no file yet: whether to create one).
asks() {
  for _ in $(seq 100); do
    [ -n "$(xdotool search --all --onlyvisible --pid "$app_pid" --name '^New database$' 2>/dev/null)" ] && return 0
    kill -0 "$app_pid" 2>/dev/null || fail "$1: the program ended without a word: $(cat "$work/out.txt")"
    sleep 0.1
  done
  fail "$1: no question shown"
}
stop_victim() { kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true; }
owned_by_victim() { [ -f "$1" ] && [ ! -L "$1" ] && [ "$(stat -c %u "$1")" = "$victim" ]; }

# 1. A file under the folder's name.
as "$other" touch "$shared"
start_victim
asks "a file at $shared"
shot 1-file
owned_by_victim "$cache_lock" || fail "1: no lock in the victim's cache folder"
# The lock there still keeps a second copy out, silently, as the session's lock does.
start_victim
second=$app_pid
for _ in $(seq 50); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && fail "1: a second copy of the victim's did not end"
rc=0; wait "$second" || rc=$?
[ "$rc" = 0 ] || fail "1: the second copy ended with $rc"
app_pid=${pids[-2]}
stop_victim
rm -f "$shared" "$cache_lock"

# 2. A folder open to all, its lock file held by the other user.
as "$other" mkdir -m 777 "$shared"
# In a process group of its own, so that the holder and its command end together.
setsid setpriv --reuid="$other" --regid="$other" --clear-groups \
  flock "$shared/MyProgramMutexTarnwick.lock" sleep 600 </dev/null >/dev/null 2>&1 &
holder=$!
pids+=("-$holder")
for _ in $(seq 50); do [ -e "$shared/MyProgramMutexTarnwick.lock" ] && break; sleep 0.1; done
start_victim
asks "an open folder at $shared"
shot 2-open-folder
owned_by_victim "$cache_lock" || fail "2: no lock in the victim's cache folder"
stop_victim
kill -- "-$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
rm -rf "$shared" "$cache_lock"

# 3. A link in place of the lock file, pointing into the victim's home.
as "$other" mkdir -m 755 "$shared"
as "$other" ln -s "$home/planted" "$shared/MyProgramMutexTarnwick.lock"
start_victim
asks "a link in $shared"
shot 3-link
[ -e "$home/planted" ] && fail "3: the program created the link's target"
owned_by_victim "$cache_lock" || fail "3: no lock in the victim's cache folder"
stop_victim
rm -rf "$shared" "$home/.cache"

# With no one else in the way, the victim's own private folder in /tmp holds the lock.
start_victim
asks "no one in the way"
owned_by_victim "$shared/MyProgramMutexTarnwick.lock" || fail "the lock is not in $shared"
[ "$(stat -c %u:%a "$shared")" = "$victim:700" ] || fail "$shared is $(stat -c %U:%a "$shared")"
[ -e "$home/.cache/quillmarsh" ] && fail "the cache folder was made although /tmp served"
stop_victim
echo "lock folder against another user: ok"
