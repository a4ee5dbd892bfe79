"""Reads and drives a program through the accessibility bus, for test_accessibility.

pyatspi belongs to Debian's own Python, so this script runs under /usr/bin/python3 while
the tests may run under another interpreter; it answers on standard output in JSON.

  atspi_client.py tree PID            the program's tree: name, role, actions, states,
                                      children; waits up to --timeout s for it on the bus
  atspi_client.py press PID NAME      runs the press action of the push button named NAME
  atspi_client.py watch PID           prints "ready", then one line per name change of an
                                      object of the program, until standard input closes
"""

import argparse
import json
import sys
import time

import pyatspi
from gi.repository import GLib


def application(pid, timeout):
    """The program's application object on the bus; SystemExit after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            try:
                if app is not None and app.get_process_id() == pid and app.childCount > 0:
                    return app
            except Exception:  # an application that left the bus while being looked at
                continue
        if time.monotonic() > deadline:
            sys.exit(f"no application of process {pid} on the accessibility bus after {timeout} s")
        time.sleep(0.1)


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def describe(node):
    return {
        "name": node.name,
        "role": node.getRoleName(),
        "actions": actions(node),
        "states": sorted(pyatspi.stateToString(s) for s in node.getState().getStates()),
        "children": [describe(child) for child in node if child is not None],
    }


def find_button(node, name):
    if node.getRole() == pyatspi.ROLE_PUSH_BUTTON and node.name == name:
        return node
    for child in node:
        if child is not None:
            found = find_button(child, name)
            if found is not None:
                return found
    return None


def press(app, name):
    button = find_button(app, name)
    if button is None:
        sys.exit(f"no push button named {name!r}")
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        sys.exit(f"push button {name!r} offers no press action: {names}")
    return {"done": bool(action.doAction(names.index("Press")))}


def watch(pid):
    """Prints every accessible-name change of the program until standard input closes."""
    loop = GLib.MainLoop()

    def changed(event):
        try:
            if event.source.get_process_id() != pid:
                return
            line = {"name": event.source.name, "role": event.source.getRoleName()}
        except Exception:  # the object went away before it could be read
            return
        print(json.dumps(line, ensure_ascii=False), flush=True)

    pyatspi.Registry.registerEventListener(changed, "object:property-change:accessible-name")
    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_HUP | GLib.IO_IN, lambda *_: loop.quit() or False)
    print(json.dumps("ready"), flush=True)
    loop.run()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command", choices=["tree", "press", "watch"])
    parser.add_argument("pid", type=int)
    parser.add_argument("name", nargs="?")
    parser.add_argument("--timeout", type=float, default=10)
    args = parser.parse_args()
    app = application(args.pid, args.timeout)
    if args.command == "tree":
        print(json.dumps(describe(app), ensure_ascii=False))
    elif args.command == "press":
        print(json.dumps(press(app, args.name)))
    else:
        watch(args.pid)


if __name__ == "__main__":
    main()
