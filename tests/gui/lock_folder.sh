#!/usr/bin/env bash
# The single-instance lock without a runtime folder, with another user on the machine (two real
# uids, by setpriv, so it needs root: see two_users.sh). The program's fallback folder
# /tmp/quillmarsh-<uid> is a name anyone can take first. For each thing the other user may leave
# there, the victim's program must still start (its first question shows on the display) and
# create nothing outside its own folders:
# 1. a file under the folder's name;
# 2. a folder open to all, with the lock file held by the other user;
# 3. a folder with a link in place of the lock file, pointing into the victim's home.
# With the fallback lock in the victim's cache folder, a second copy of the victim's still ends
# at once, and the victim's own private /tmp folder is used as before.
# Usage: lock_folder.sh <quillmarsh executable> [folder for screenshots]
set -euo pipefail
source "$(dirname "$0")/two_users.sh"
shared="/tmp/quillmarsh-$victim"
on_end() { rm -rf "$shared"; }
fail() { echo "FAIL: $*" >&2; shot failure; exit 1; }
shot() { [ -n "$shots" ] && import -window root "$shots/lock-$1.png" 2>/dev/null || true; }

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
