#!/usr/bin/env python3
"""A short check of the real program on Windows itself, driven by the project's
inspector as the shell and the user would drive it: started, shown and
topmost; a second start ends at once; the icon's left click hides and shows
it; the right button opens its menu; closing stores the position; the
installer installs silently and the uninstaller removes it.

Usage (on Windows): check_on_windows.py BUILD_DIR [SETUP_EXE]
  BUILD_DIR holds vrlCalendar.exe and tests/inspector.exe (a win64 or win32 build).
"""
import os
import subprocess
import sys
import time

SETTINGS = r"HKCU\Software\VB and VBA Program Settings\vrlCalendar\vrlCalendar"
UNINSTALL = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\vrlCalendar"


def inspect(inspector, *command):
    out = subprocess.run([inspector, *command], capture_output=True, text=True, timeout=60).stdout
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


def expect(what, observe, accept, seconds=30):
    deadline = time.monotonic() + seconds
    while True:
        seen = observe()
        if accept(seen):
            print(f"ok: {what}")
            return seen
        if time.monotonic() > deadline:
            sys.exit(f"FAILED: expected {what}; saw {seen!r}")
        time.sleep(0.2)


def registry(key):
    done = subprocess.run(["reg", "query", key], capture_output=True, text=True)
    return {p[0]: p[2] for p in (line.split(None, 2) for line in done.stdout.splitlines()) if len(p) == 3}


def check_program(exe, inspector):
    window = lambda: inspect(inspector, "window")  # noqa: E731
    subprocess.run(["reg", "delete", SETTINGS, "/f"], capture_output=True)
    calendar = subprocess.Popen([exe])
    expect("the window shown and topmost", window, lambda s: s.get("visible") == "1" and s.get("topmost") == "1")
    second = subprocess.Popen([exe])
    expect("a second start to end at once", second.poll, lambda code: code is not None, seconds=10)
    expect("one calendar window", lambda: inspect(inspector, "count").get("count"), lambda n: n == "1")
    inspect(inspector, "tray-event", "513")  # the left press, as the shell reports it
    expect("the icon's left click to hide it", window, lambda s: s.get("visible") == "0")
    inspect(inspector, "tray-event", "513")
    expect("the icon's left click to show it", window, lambda s: s.get("visible") == "1")
    inspect(inspector, "tray-event", "517")  # the right release
    expect("the icon's menu", lambda: inspect(inspector, "menu").get("found"), lambda found: found == "1")
    inspect(inspector, "close-menu")
    expect("the menu closed", lambda: inspect(inspector, "menu").get("found"), lambda found: found != "1")
    inspect(inspector, "close")
    expect("the program to end once closed", calendar.poll, lambda code: code is not None)
    expect("the position stored", lambda: registry(SETTINGS), lambda values: {"left", "top"} <= set(values))


def check_installer(setup, inspector):
    folder = os.path.join(os.environ["LOCALAPPDATA"], "Programs", "vrlCalendar")
    subprocess.run([setup, "/S"], check=True, timeout=120)
    expect("the installer to install silently", lambda: (os.path.isfile(os.path.join(folder, "vrlCalendar.exe")),
                                                         registry(UNINSTALL).get("DisplayName")),
           lambda seen: seen == (True, "vrlCalendar"))
    inspect(inspector, "close")  # the copy the installer may have started
    subprocess.run([os.path.join(folder, "Uninstall.exe"), "/S"], check=True, timeout=120)
    expect("the uninstaller to remove it", lambda: (os.path.exists(folder), registry(UNINSTALL)),
           lambda seen: seen == (False, {}), seconds=60)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    build = sys.argv[1]
    inspector = os.path.join(build, "tests", "inspector.exe")
    check_program(os.path.join(build, "vrlCalendar.exe"), inspector)
    if len(sys.argv) == 3:
        check_installer(sys.argv[2], inspector)
    print(f"passed on Windows: {build}")


if __name__ == "__main__":
    main()
