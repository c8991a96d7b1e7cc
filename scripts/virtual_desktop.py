#!/usr/bin/env python3
"""A private X desktop: Xvfb, a window manager (openbox) and a notification-area
host (trayer), started on a display number the X server picks itself.

As a program: shows the calendar on such a desktop, saves a screenshot and
prints where.  Usage: virtual_desktop.py EXE SCREENSHOT
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import winerun

REQUIRED = {"Xvfb": "xvfb", "openbox": "openbox", "trayer": "trayer", "xwininfo": "x11-utils",
            "xprop": "x11-utils", "import": "imagemagick", "xdotool": "xdotool",
            "tesseract": "tesseract-ocr", "strace": "strace", "wineboot": "wine wine64",
            "Xephyr": "xserver-xephyr", "faketime": "faketime"}


def require_tools():
    missing = sorted({package for tool, package in REQUIRED.items() if not shutil.which(tool)})
    if missing:
        sys.exit("missing: " + ", ".join(missing) + " (run scripts/deps.sh desktop, or apt-get install them)")


def wait_until(condition, seconds, what):
    """Polls condition() until it returns something truthy; fails saying what it waited for."""
    deadline = time.monotonic() + seconds
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise TimeoutError(f"waited {seconds}s for {what}")
        time.sleep(0.1)


class VirtualDesktop:
    """second=(width, height) adds a second display to the right of the first:
    Xephyr's two screens joined by Xinerama, inside an Xvfb holding both."""

    def __init__(self, width=1024, height=768, tray=True, second=None, tray_height=24):
        self.size = (width, height)
        self.tray_height = tray_height  # the notification area's panel, in pixels
        self.second = second
        self.with_tray = tray
        self.processes = []
        self.display = None

    def env(self, **extra):
        env = dict(os.environ, DISPLAY=self.display)
        env.update(extra)
        return env

    def x(self, *command):
        """Runs an X client against this display and returns its output."""
        return subprocess.run(command, env=self.env(), capture_output=True, text=True, timeout=30).stdout

    def start_server(self, command, env=None):
        """Starts an X server that picks its own display number; returns ":N"."""
        read_end, write_end = os.pipe()
        server = subprocess.Popen([command[0], "-displayfd", str(write_end), *command[1:], "-nolisten", "tcp"],
                                  pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
        os.close(write_end)
        self.processes.append(server)
        with os.fdopen(read_end) as announced:
            number = announced.readline().strip()
        if not number:
            raise RuntimeError(f"{command[0]} did not start")
        return ":" + number

    def start(self):
        (width, height), second = self.size, self.second
        try:
            if second is None:
                self.display = self.start_server(["Xvfb", "-screen", "0", f"{width}x{height}x24"])
            else:
                host = self.start_server(["Xvfb", "-screen", "0", f"{width + second[0]}x{max(height, second[1])}x24"])
                self.display = self.start_server(
                    ["Xephyr", "-screen", f"{width}x{height}+0+0", "-screen", f"{second[0]}x{second[1]}+{width}+0",
                     "+xinerama"], env=dict(os.environ, DISPLAY=host))
            self.start_window_manager()
            if self.with_tray:
                self.start_tray()
        except BaseException:
            self.stop()  # a desktop that did not come up is not left running
            raise
        return self

    def start_window_manager(self, tries=3, seconds=30):
        """Openbox, once it has taken the screen. In two busy runs an openbox never took a fresh screen,
        with no trace of why, where it usually does so within a second: it gets another try, and what it
        said is reported on standard error."""
        for attempt in range(1, tries + 1):
            said = tempfile.TemporaryFile(mode="w+")
            manager = self.spawn(["openbox", "--sm-disable"], stderr=said)
            try:
                wait_until(lambda: manager.poll() is not None or self.window_manager_up(), seconds, "openbox")
            except TimeoutError:
                pass
            if manager.poll() is None and self.window_manager_up():
                return
            manager.kill()
            manager.wait()
            said.seek(0)
            print(f"openbox did not take {self.display} within {seconds}s (try {attempt}, exit {manager.returncode})"
                  f": {said.read().strip()!r}", file=sys.stderr)
        raise TimeoutError(f"waited {tries} times {seconds}s for the window manager")

    def window_manager_up(self):
        return "window id" in self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")

    def start_tray(self):
        self.spawn(["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width", "160",
                    "--heighttype", "pixel", "--height", str(self.tray_height), "--SetDockType", "true",
                    "--transparent", "false"])
        wait_until(self.tray_panel, 60, "the notification-area host")

    def spawn(self, command, **kwargs):
        process = subprocess.Popen(command, env=kwargs.pop("env", self.env()), stdout=subprocess.DEVNULL,
                                   stderr=kwargs.pop("stderr", subprocess.DEVNULL), **kwargs)
        self.processes.append(process)
        return process

    def tray_panel(self):
        """(x, y, width, height) of the tray host's panel, or None."""
        for line in self.x("xwininfo", "-root", "-tree").splitlines():
            if '"panel": ("panel" "trayer")' in line:
                return parse_geometry(line)
        return None

    def tray_icons(self):
        """Screen rectangles of the icons docked in the panel (its direct children)."""
        icons, panel_depth = [], None
        for line in self.x("xwininfo", "-root", "-tree").splitlines():
            depth = len(line) - len(line.lstrip())
            if '"panel": ("panel" "trayer")' in line:
                panel_depth = depth
            elif panel_depth is not None:
                geometry = parse_geometry(line)
                if geometry is None:
                    continue
                if depth <= panel_depth:
                    break
                if depth == panel_depth + 3 and geometry[2] > 4 and geometry[3] > 4:
                    icons.append(geometry)
        return icons

    def screenshot(self, path):
        self.x("import", "-window", "root", path)
        return path

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
        for process in reversed(self.processes):
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()

    def __enter__(self):
        return self.start()

    def __exit__(self, *error):
        self.stop()


GEOMETRY = re.compile(r"(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)")


def parse_geometry(line):
    """The absolute (x, y, width, height) of one line of `xwininfo -tree`, or None."""
    found = GEOMETRY.search(line)
    if not found:
        return None
    width, height, x, y = (int(v) for v in found.groups())
    return x, y, width, height


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    require_tools()
    exe, shot = sys.argv[1], sys.argv[2]
    try:
        command = winerun.command(exe)
    except winerun.CannotRun as error:
        sys.exit(f"cannot run the calendar: {error}")
    prefix = os.path.join(os.path.dirname(os.path.abspath(shot)), "wine-prefix")
    winerun.make_prefix(prefix)
    with VirtualDesktop() as desktop, tempfile.TemporaryFile(mode="w+") as errors:
        env = desktop.env(WINEPREFIX=prefix, WINEDEBUG="-all")
        calendar = desktop.spawn(command, env=env, stderr=errors)

        def shown():
            if calendar.poll() is not None:
                errors.seek(0)
                raise SystemExit(f"the calendar ended at once (exit {calendar.returncode}): "
                                 f"{errors.read().strip()[-1000:]}")
            return '"vrlCalendar": ("vrlcalendar.exe"' in desktop.x("xwininfo", "-root", "-tree")
        wait_until(shown, 120, "the calendar window")
        wait_until(desktop.tray_icons, 30, "the notification-area icon")
        time.sleep(1)  # let the calendar finish painting
        desktop.screenshot(shot)
        calendar.terminate()
        winerun.stop_wine(env)
    print(f"The calendar ran on a private display; screenshot: {os.path.abspath(shot)}")


if __name__ == "__main__":
    main()
