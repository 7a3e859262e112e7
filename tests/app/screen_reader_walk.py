#!/usr/bin/python3
# Walks the accessible tree of the running Dravelo as a screen reader sees it over AT-SPI and
# prints one line per control a user can reach: its role, a tab, its name. Exits 2 when the
# program does not show up on the accessibility bus within the time given (seconds, argument 1).
import sys
import time

import pyatspi


def find_application(deadline):
    while time.monotonic() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name.lower().startswith("dravelo"):
                return app
        time.sleep(0.2)
    return None


def reachable(node):
    states = node.getState()
    if not states.contains(pyatspi.STATE_SHOWING):
        return False
    return (states.contains(pyatspi.STATE_FOCUSABLE)
            or node.getRoleName() in ("progress bar", "frame"))


def walk(node, depth=0):
    if node is None or depth > 30:
        return
    if reachable(node):
        print(f"{node.getRoleName()}\t{node.name}", flush=True)
    for child in node:
        walk(child, depth + 1)


def main():
    deadline = time.monotonic() + float(sys.argv[1] if len(sys.argv) > 1 else 20)
    app = find_application(deadline)
    if app is None:
        print("the program is not on the accessibility bus", file=sys.stderr)
        return 2
    for window in app:
        walk(window)
    return 0


if __name__ == "__main__":
    sys.exit(main())
