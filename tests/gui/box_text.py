#!/usr/bin/python3
"""Prints what a program's message box says, as a screen reader gets it.

Usage: box_text.py <pid> [seconds]. Waits (up to `seconds`, default 10) for a shown alert or
dialog of the process `pid` on the session's accessibility bus, then prints the texts of its
labels, one a line, and exits 0; exits 1 when none shows. The program must run with
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 inside the same D-Bus session (dbus-run-session). It reads the
box; it presses nothing.
"""
import sys
import time

import pyatspi

BOX_ROLES = {"alert", "dialog"}


def labels(node, out):
    try:
        role = node.getRoleName()
        name = node.name
        count = node.childCount
    except Exception:  # a window closing under us
        return out
    if role == "label" and name:
        out.append(name)
    for i in range(count):
        child = node.getChildAtIndex(i)
        if child is not None:
            labels(child, out)
    return out


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
                    texts = labels(window, [])
                    if texts:
                        return texts
        except Exception:
            continue
    return None


def main():
    pid = int(sys.argv[1])
    deadline = time.monotonic() + (float(sys.argv[2]) if len(sys.argv) > 2 else 10)
    while time.monotonic() < deadline:
        texts = box_of(pid)
        if texts:
            print("\n".join(texts))
            return 0
        time.sleep(0.2)
    print(f"no message box of process {pid}", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
