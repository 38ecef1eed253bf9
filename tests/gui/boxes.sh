# Sourced by scripts that read the program's message boxes as a screen reader does: each program
# runs in a D-Bus session of its own with Qt's accessibility bridge on, and box_text.py reads its
# boxes over that session's accessibility bus, as the same user. Needs `work` (a folder) set.
# A user other than root needs the X display opened to it (Xvfb -ac).

box_reader=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/box_text.py

# make_users <uid...>: names for uids that the machine's user database lacks, known to the
# processes run_as starts (the message bus refuses to run for a user it cannot look up).
make_users() {
  cp /etc/passwd "$work/passwd"
  cp /etc/group "$work/group"
  local uid
  for uid in "$@"; do
    echo "qm$uid:x:$uid:$uid::$work:/bin/sh" >>"$work/passwd"
    echo "qm$uid:x:$uid:" >>"$work/group"
  done
}

# run_as <uid or "self"> <command...>: the command as that user (root stays root for "self").
run_as() {
  local uid=$1
  shift
  if [ "$uid" = self ]; then
    "$@"
  else
    LD_PRELOAD=libnss_wrapper.so NSS_WRAPPER_PASSWD="$work/passwd" NSS_WRAPPER_GROUP="$work/group" \
      setpriv --reuid="$uid" --regid="$uid" --clear-groups "$@"
  fi
}

# launch <name> <uid or self> <working folder> <program> [args]: starts the program in its
# folder, in a session of its own, with a private runtime folder ($work/run-<name>/runtime). Its
# pid lands in $work/run-<name>/pid, its output in $work/run-<name>/out.txt; `launched` is the pid to
# wait for (the session's, which ends with the program's exit code).
launch() {
  local name=$1 uid=$2 folder=$3
  shift 3
  local dir="$work/run-$name"
  rm -rf "$dir" && mkdir -p "$dir/runtime" "$dir/home" && chmod 700 "$dir/runtime"
  [ "$uid" = self ] || chown -R "$uid:$uid" "$dir"
  (cd "$folder" && HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" \
     XDG_CACHE_HOME="$dir/home/.cache" XDG_RUNTIME_DIR="$dir/runtime" \
     QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
     run_as "$uid" dbus-run-session -- sh -c \
       'echo "$DBUS_SESSION_BUS_ADDRESS" >"$0/bus"; echo $$ >"$0/pid"; exec env -u LD_PRELOAD "$@"' \
       "$dir" "$@" \
       >"$dir/out.txt" 2>&1) &
  launched=$!
  for _ in $(seq 100); do [ -s "$dir/pid" ] && [ -s "$dir/bus" ] && return 0; sleep 0.05; done
  echo "FAIL: $name did not start: $(cat "$dir/out.txt")" >&2
  return 1
}

# box_text <name> <uid or self> [seconds] [button]: what the first shown message box of that
# program says, waiting for it; then, with `button`, that button pressed. Fails when none shows.
box_text() {
  local dir="$work/run-$1"
  DBUS_SESSION_BUS_ADDRESS=$(cat "$dir/bus") run_as "$2" /usr/bin/python3 "$box_reader" \
    "$(cat "$dir/pid")" "${3:-10}" ${4:+"$4"}
}

# window_of <name> <title pattern> [tenths]: the id of that program's shown window whose title
# matches, waiting for it; fails when none shows.
window_of() {
  local id="" pid
  pid=$(cat "$work/run-$1/pid")
  for _ in $(seq "${3:-100}"); do
    id=$(xdotool search --all --onlyvisible --pid "$pid" --name "$2" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# press <window id> <keys...>: the keys, typed into that window.
press() {
  local id=$1
  shift
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  xdotool key "$@"
}

# ended <pid> [tenths]: waits for the launched session to end; its exit code goes to `rc`.
ended() {
  local pid=$1
  for _ in $(seq "${2:-100}"); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && return 1
  rc=0
  wait "$pid" || rc=$?
}

# The folder as it stands, for comparing before and after: every entry's name, owner, mode and
# inode, and every file's bytes.
folder_state() {
  (cd "$1" && find . -printf '%p %U %m %i\n' | sort &&
     find . -type f -print0 | sort -z | xargs -0 -r sha256sum)
}
