#!/usr/bin/python3
"""Prints what a program's message box says, as a screen reader gets it.

Usage: box_text.py <pid> [seconds] [button]. Waits (up to `seconds`, default 10) for a shown
message box of the process `pid` on the session's accessibility bus, then prints the texts of its
labels, one a line, and exits 0; exits 1 when none shows. With `button`, it then presses the
box's button of that name, as a screen reader's user does, and waits for the box to go. The program must run with
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 inside the same D-Bus session (dbus-run-session).
"""
import sys
import time

import pyatspi

# A message box is an alert; the program's own dialogs, which may stand behind one, are not.
BOX_ROLES = {"alert"}


def nodes(node, role, out):
    """The nodes of that role under `node`, depth first."""
    try:
        if node.getRoleName() == role:
            out.append(node)
        count = node.childCount
    except Exception:  # a window closing under us
        return out
    for i in range(count):
        child = node.getChildAtIndex(i)
        if child is not None:
            nodes(child, role, out)
    return out


def labels(window):
    return [n.name for n in nodes(window, "label", []) if n.name]


def press(window, name):
    for button in nodes(window, "push button", []):
        if button.name.replace("&", "") == name:
            button.queryAction().doAction(0)
            return True
    return False


def box_of(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is None or app.get_process_id() != pid:
                continue
            for j in range(app.childCount):
                window = app.getChildAtIndex(j)
                if window is not None and window.getRoleName() in BOX_ROLES:
                    texts = labels(window)
                    if texts:
                        return window, texts
        except Exception:
            continue
    return None


def main():
    pid = int(sys.argv[1])
    deadline = time.monotonic() + (float(sys.argv[2]) if len(sys.argv) > 2 else 10)
    button = sys.argv[3] if len(sys.argv) > 3 else None
    while time.monotonic() < deadline:
        found = box_of(pid)
        if found:
            window, texts = found
            print("\n".join(texts))
            if button and not press(window, button):
                print(f"no button {button}", file=sys.stderr)
                return 1
            # Gone before the caller goes on, so that its next key, or the next box it reads,
            # is the program's next.
            gone_by = time.monotonic() + 5
            while button and time.monotonic() < gone_by:
                shown = box_of(pid)
                if not shown or shown[1] != texts:
                    break
                time.sleep(0.1)
            return 0
        time.sleep(0.2)
    print(f"no message box of process {pid}", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
