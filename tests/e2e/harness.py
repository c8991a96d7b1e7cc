"""One scenario's world: a private desktop, a fresh Wine prefix, the calendar
running in it, real input through the display, and ways to look from outside.
"""
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
import winerun  # noqa: E402
from virtual_desktop import VirtualDesktop, parse_geometry, require_tools, wait_until  # noqa: E402

TWIPS_PER_PIXEL = 15  # Xvfb's screens are 96 DPI
# Debian's libfaketime for Wine's 64-bit loader and for its 32-bit one; the
# loader of the other width passes over the one it cannot load.
FAKETIME_LIBRARY = ("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1:"
                    "/usr/lib/i386-linux-gnu/faketime/libfaketime.so.1")
# What the inspector that stays running answers: commands that only look,
# asked again and again while a scenario waits.
SERVED = {"window", "selected", "dialog", "count", "menu", "tip", "names"}
SETTINGS_KEY = r"HKCU\Software\VB and VBA Program Settings\vrlCalendar\vrlCalendar"


class ScenarioFailed(AssertionError):
    pass


class ScenarioSkipped(Exception):
    """This machine cannot show what the scenario looks at; the message says why."""


def twips_to_pixels(twips):
    return int(round(twips / TWIPS_PER_PIXEL))


class World:
    def __init__(self, name, exe, inspector, template, failures, screen=(1024, 768), tray=True, second=None,
                 locale=None, tray_height=24):
        """locale: the Linux locale every Windows program runs in ("de_DE.UTF-8"), which Wine takes for the
        user's regional format as well as the display language; tray_height: the notification area's, in
        pixels, which must hold the icon at the scales a scenario uses."""
        self.name, self.exe, self.inspector, self.failures = name, exe, inspector, failures
        self.processes, self.server = [], None
        self.desktop = VirtualDesktop(*screen, tray=tray, second=second, tray_height=tray_height).start()
        self.prefix = tempfile.mkdtemp(prefix=f"vrl-e2e-{name}-")
        os.rmdir(self.prefix)
        shutil.copytree(template, self.prefix, symlinks=True)
        self.env = self.desktop.env(WINEPREFIX=self.prefix, WINEDEBUG="-all", **({"LC_ALL": locale} if locale else {}))
        if second:
            # Wine's displays come from XRandR, which sees one output in
            # Xephyr; Xinerama has the two screens.
            self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "UseXRandR", "/d", "N", "/f",
                      check=True)
            winerun.stop_wine(self.env)
        # Bring the prefix's wineserver and desktop up before anything else:
        # two wine processes racing to start them can leave one hanging.
        self.wine_up()

    # --- the program ---

    def start_calendar(self, wait=True, exe=None, clock=None, clock_file=None, language=None):
        """clock: the local time the program alone sees (libfaketime's FAKETIME); clock_file: a
        file holding it, read afresh whenever the program asks the time. language: the program's
        display language, as a Linux locale ("de_DE.UTF-8"), which Wine takes for Windows'."""
        env = dict(self.env, LC_ALL=language) if language else self.env
        if clock or clock_file:
            env = dict(env, LD_PRELOAD=FAKETIME_LIBRARY, FAKETIME_DONT_FAKE_MONOTONIC="1")
            env.update({"FAKETIME": clock} if clock else {"FAKETIME_TIMESTAMP_FILE": clock_file,
                                                          "FAKETIME_NO_CACHE": "1"})
        said = tempfile.NamedTemporaryFile(mode="w+", prefix="calendar-", dir=self.prefix, delete=False)
        process = subprocess.Popen(winerun.command(exe or self.exe), env=env, stdout=subprocess.DEVNULL, stderr=said)
        self.processes.append(process)
        if not wait:
            return process
        self.wait_for(lambda: process.poll() is not None or self.window().get("visible") == "1", 60,
                      "the calendar window shown")
        if process.poll() is not None:  # with what Wine said, where the end was Wine's (exit code 1)
            wine_said = " | ".join(open(said.name, errors="replace").read().splitlines()[-3:])
            self.fail(f"the calendar ended at its start, exit code {process.returncode:#x} ({wine_said})")
        if self.desktop.with_tray:
            self.wait_for(lambda: len(self.desktop.tray_icons()) == 1, 30, "one icon in the notification area")
        self.position()  # the window manager may still be placing it
        return process

    def ended(self, process, seconds=20):
        try:
            process.wait(seconds)
            return True
        except subprocess.TimeoutExpired:
            return False

    def wine(self, *command, check=False, timeout=60):
        """Runs a Windows program (a path) or one of Wine's own (reg, taskkill) and returns its output."""
        line = winerun.command(*command) if os.path.isfile(command[0]) else winerun.tool(*command)
        # Output goes to a file, not a pipe: a Wine service that the command
        # happens to start would hold a pipe open long after the command ends.
        with tempfile.TemporaryFile(mode="w+", encoding="utf-8", errors="replace") as out:
            done = subprocess.run(line, env=self.env, stdout=out, stderr=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            text = out.read()
        if check and done.returncode != 0:
            self.fail(f"wine {' '.join(command)} exited {done.returncode}")
        self.last_exit = done.returncode
        return text

    def wine_up(self):
        """Starts the prefix's Wine server for good and waits until a Windows program runs. Left to itself,
        the server ends a few seconds after the last program, and a program started just then can fail:
        on a busy machine a registry query once read nothing that way. The first program after Wine was
        stopped can fail too, while the old server is still going."""
        subprocess.run([winerun.WINESERVER, "-p"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        self.wait_for(lambda: "count=" in self.wine(self.inspector, "count"), 120, "a Windows program to run")
        # And the desktop for good: Wine closes it a second after its last program, and a program started
        # while it closes can end at once (exit code 1) or fail its work (reg add exited 1).
        self.start_inspector("keep-desktop")
        # Its first answer means it has met the server: a Wine program still starting when Wine is
        # stopped would start a server of its own.
        self.server = subprocess.Popen(winerun.command(self.inspector, "serve"), env=self.env, stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.processes.append(self.server)
        self.ask_server(["count"])

    def start_inspector(self, *command):
        """The inspector in the background, for a command that lasts; returns it and the file of its output
        once it has printed "ready"."""
        out = tempfile.NamedTemporaryFile(mode="w+", prefix="inspector-", dir=self.prefix, delete=False)
        process = subprocess.Popen(winerun.command(self.inspector, *command), env=self.env, stdout=out,
                                   stderr=subprocess.DEVNULL)
        self.processes.append(process)
        self.wait_for(lambda: "ready" in open(out.name).read(), 60, f"the inspector ready to {command[0]}")
        return process, out.name

    def inspect(self, *command, inspector=None):
        """key=value lines as a dict; child= and item= lines (a window's controls, a menu's items) as
        lists of dicts under "children" and "items". inspector: another build's, for a program of its
        width (the shell is a 64-bit program)."""
        values, lists = {}, {"child": [], "item": []}
        text = self.ask_server(command) if inspector is None and command[0] in SERVED else None
        if text is None:
            text = self.wine(inspector or self.inspector, *command)
        for line in text.splitlines():
            key = line.split("=", 1)[0]
            if key in lists:
                fields, _, text = line.rstrip("\r").partition(" text=")
                entry = dict(part.split("=", 1) for part in fields.split(" "))
                entry["text"] = text
                lists[key].append(entry)
            elif "=" in line:
                values[key] = line.split("=", 1)[1].rstrip("\r")
        values["children"], values["items"] = lists["child"], lists["item"]
        return values

    def ask_server(self, command, seconds=60):
        """A command's output from the inspector that stays running, or None once that has ended or
        stopped answering (Wine stopped, say): the caller then runs the command on its own."""
        if self.server is None or self.server.poll() is not None:
            return None
        try:
            self.server.stdin.write(("\t".join(command) + "\n").encode())
            self.server.stdin.flush()
            deadline, text = time.monotonic() + seconds, b""
            while not (end := re.search(rb"(^|\n)end=-?\d+\r?\n", text)):
                if not select.select([self.server.stdout], [], [], max(0.0, deadline - time.monotonic()))[0]:
                    raise OSError("no answer")
                part = os.read(self.server.stdout.fileno(), 65536)
                if not part:
                    raise OSError("ended")
                text += part
        except OSError:
            self.server.kill()
            self.server = None
            return None
        return text[:end.start()].decode("utf-8", errors="replace")

    def window(self):
        state = self.inspect("window")
        return state if state.get("found") == "1" else {}

    def position(self, reads=3, span=1.0, seconds=60):
        """The window's place once it has settled: the same on `reads` reads in a row over at least `span`
        seconds, and, while it is shown, where the screen shows it. A single read can fall between the two
        moves of one key press, or before the window manager has placed a window just shown, which on a
        busy machine can take a while."""
        deadline = time.monotonic() + seconds
        place, since, count, seen, apart = object(), 0.0, 0, [], None
        while True:
            state = self.window()
            now = time.monotonic()
            read = (int(state["left"]), int(state["top"])) if state else None
            seen.append(read)
            if read != place:
                place, since, count = read, now, 0
            count += 1
            if place is not None and count >= reads and now - since >= span:
                size = (int(state["width"]), int(state["height"]))
                shown = self.x_place(size) if state.get("visible") == "1" else None
                if shown is None or shown == place:
                    return place
                apart = self.tell_wine_the_place(shown, size, apart, now)
            if now > deadline:
                self.fail(f"the window never settled; its last places {seen[-6:]}, the screen's {self.x_place()}")
            time.sleep(span / reads)

    def tell_wine_the_place(self, shown, size, apart, now):
        """Under openbox on a busy machine, Wine can keep a window just shown at (0, 0) while the screen
        shows it where the program put it, and clicks on it then go nowhere. Once the two have stayed apart
        for a few seconds, the window is moved to where the screen already shows it: the window manager
        answers with that place, and Wine takes it. Returns since when, and where, the screen has shown the
        window apart from Wine's place."""
        if apart is None or apart[1] != shown:
            return now, shown
        if now - apart[0] >= 3:
            self.xdotool("windowmove", self.x_window(size), *shown)
            return now, shown
        return apart

    def x_window(self, size=None):
        """The calendar's X window as the window manager shows it: the one of the calendar's size (the
        program's message boxes bear its name too) that is shown (a copy that is ending may still have one
        by the same name, never shown). size: the calendar's (width, height), when already read."""
        if size is None:
            state = self.window()
            size = (int(state["width"]), int(state["height"])) if state else None
        for line in self.desktop.x("xwininfo", "-root", "-tree").splitlines():
            geometry = parse_geometry(line)
            if '"vrlCalendar": ("vrlcalendar.exe"' in line and geometry and geometry[2:] == size:
                if self.viewable(line.split()[0]):
                    return line.split()[0]
        return None

    def x_place(self, size=None):
        """Where the screen shows the calendar's window, from the X server; None while it is not shown."""
        window = self.x_window(size)
        info = self.desktop.x("xwininfo", "-id", window) if window else ""
        place = [int(line.split(":")[1]) for line in info.splitlines() if "Absolute upper-left" in line]
        return tuple(place) if len(place) == 2 else None

    def viewable(self, window):
        """Whether an X window is mapped, and all its ancestors with it."""
        return "IsViewable" in self.desktop.x("xwininfo", "-id", window)

    def activate(self):
        """Activates the calendar as the user's window manager would (Alt+Tab, say). Openbox does not
        give a Wine window the keyboard on its own, at start or when it is shown again."""
        window = self.expect("the calendar's window shown on the X server", self.x_window, bool)
        self.xdotool("windowactivate", window)
        # Openbox asks Wine to take the focus, and Wine gives the keyboard to
        # its window when it gets to it: keys typed before then are lost.
        self.expect(f"the keyboard on the calendar's window ({window})",
                    lambda: self.desktop.x("xdotool", "getwindowfocus").strip(), lambda w: w == str(int(window, 16)))
        self.expect("the calendar window in the foreground", self.window, lambda s: s.get("foreground") == "1")

    def selected_day(self):
        """The day the calendar has selected, and whether it holds the keyboard focus."""
        state = self.inspect("selected")
        return state.get("date"), state.get("focus") == "1"

    def end_session(self):
        """Ends the session as Windows does at log-off: every window is asked, then told, then the programs end."""
        self.wine("wineboot", "--end-session", check=True)

    def set_display_scale(self, dots_per_inch):
        """The display's DPI as Windows' scale setting keeps it, for programs started from now on."""
        for key in (r"HKCU\Control Panel\Desktop",
                    r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
            self.wine("reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dots_per_inch), "/f",
                      check=True)
        winerun.stop_wine(self.env)  # Wine reads it when its server starts
        self.wine_up()

    # --- the store ---

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    def registry_values(self, key):
        """A key's values as {name: data} as `reg query` shows them; empty when the key does not exist."""
        text = self.reg("query", key)
        values = {}
        for line in text.splitlines():
            parts = line.split(None, 2)
            if len(parts) == 3 and parts[1].startswith("REG_"):
                values[parts[0]] = parts[2].strip()
        return values

    def registry_value(self, key, name):
        return self.registry_values(key).get(name)

    def stored(self):
        return self.registry_values(SETTINGS_KEY)

    def reg(self, *command, check=False):
        """Wine's reg, asked again once Wine has answered another query when it failed: on a busy machine a
        query once read nothing and an add once exited 1, so that a missing key was one that could not be
        read."""
        text = self.wine("reg", *command)
        if self.last_exit != 0:
            self.wine("reg", "query", r"HKCU\Software", check=True)
            text = self.wine("reg", *command, check=check)
        return text

    def store(self, name, text, kind="REG_SZ"):
        self.reg("add", SETTINGS_KEY, "/v", name, "/t", kind, "/d", text, "/f", check=True)

    # --- real input ---

    def xdotool(self, *arguments, timeout=60):
        try:
            subprocess.run(["xdotool", *map(str, arguments)], env=self.env, check=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail(f"xdotool {' '.join(map(str, arguments[:8]))} ... ({len(arguments)} words) took over {timeout}s")

    def point_at(self, x, y):
        self.xdotool("mousemove", x, y)
        time.sleep(0.3)

    def click(self, x, y, button=1, double=False):
        # Arrive with a movement even when the pointer is already there: a
        # window that appeared under a still pointer has not seen it yet.
        self.xdotool("mousemove", x - 1, y, "mousemove", x, y)
        time.sleep(0.2)
        # A double click's presses go out back to back: Wine counts the gap in the X server's
        # times, which a paused xdotool on a busy machine could stretch past the double-click time.
        self.xdotool("click", *(["--repeat", 2, "--delay", 0] if double else []), button)
        time.sleep(0.3)

    def keys(self, *keys, repeat=1):
        self.xdotool("key", "--delay", 30, *[k for _ in range(repeat) for k in keys])
        time.sleep(0.5)

    def click_tray_icon(self, button=1, double=False):
        icons = self.desktop.tray_icons()
        if len(icons) != 1:
            self.fail(f"expected one icon in the notification area, saw {len(icons)}")
        x, y, width, height = icons[0]
        self.click(x + width // 2, y + height // 2, button, double)

    def tray_tip(self):
        """The text of the tool tip the shell shows over the icon, read off the screen."""
        x, y, width, height = self.desktop.tray_icons()[0]
        self.point_at(x + 2, y + 2)
        self.point_at(x + width // 2, y + height // 2)
        return self.read_screen(self.expect("the icon's tool tip on the screen", self.shell_tip_window,
                                            lambda rect: rect, seconds=30))

    def read_screen(self, rect):
        """The text in a rectangle of the screen (x, y, width, height), enlarged and read by OCR."""
        shot = os.path.join(self.prefix, "read.png")
        subprocess.run(["import", "-window", "root", "-crop", "{2}x{3}+{0}+{1}".format(*rect), shot], env=self.env,
                       check=True, timeout=30)
        subprocess.run(["convert", shot, "-scale", "400%", shot], check=True, timeout=30)
        return subprocess.run(["tesseract", shot, "-"], capture_output=True, text=True, timeout=60).stdout.strip()

    def open_tray_menu(self, *events):
        """Opens the icon's menu, with a right click or, given mouse messages, as the shell reports
        them; returns its items once it is on the screen."""
        if events:
            self.inspect("tray-event", *map(str, events))
        else:
            self.click_tray_icon(button=3)
        return self.expect("the icon's menu on the screen", lambda: self.inspect("menu"),
                           lambda menu: menu.get("found") == "1")["items"]

    def choose(self, items, text):
        """Clicks a menu item, named without the shortcut after its tab; the menu then closes."""
        item = next(item for item in items if item["text"].split("\t")[0] == text)
        x, y = int(item["x"]) + int(item["width"]) // 2, int(item["y"]) + int(item["height"]) // 2
        # The shell's tip over the icon can stand over the menu until the pointer has left the icon.
        self.point_at(x, y)
        self.expect(f"the icon's tip off the menu item {text!r}", self.shell_tip_window,
                    lambda tip: not tip or not (tip[0] <= x < tip[0] + tip[2] and tip[1] <= y < tip[1] + tip[3]))
        self.click(x, y)
        self.expect(f"the menu closed after choosing {text!r}", lambda: self.inspect("menu").get("found"),
                    lambda found: found != "1")

    def shell_tip_window(self, lowest=10, highest=40):
        """Where the shell's tool tip is on the screen; with other heights, its balloon."""
        for line in self.desktop.x("xwininfo", "-root", "-tree").splitlines():
            geometry = parse_geometry(line)
            if '("explorer.exe"' in line and geometry and geometry[2] > 60 and lowest < geometry[3] < highest:
                if self.viewable(line.split()[0]):
                    return geometry
        return None

    def window_point(self, dx, dy):
        """Screen coordinates of a point given relative to the calendar window."""
        left, top = self.position()
        return left + dx, top + dy

    def pixels(self, x, y, width, height):
        """RGB triples of a screen rectangle, row by row."""
        path = os.path.join(self.prefix, "crop.rgb")
        subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "-depth", "8",
                        f"rgb:{path}"], env=self.env, check=True, timeout=30)
        with open(path, "rb") as raw:
            data = raw.read()
        return [tuple(data[i:i + 3]) for i in range(0, len(data), 3)]

    # --- waiting and failing ---

    def wait_for(self, condition, seconds, what):
        try:
            return wait_until(condition, seconds, what)
        except TimeoutError as timeout:
            self.fail(str(timeout))

    def expect(self, what, observe, accept, seconds=30):
        """Waits until accept(observe()) holds; on time-out says what it expected and what it saw."""
        seen = None
        deadline = time.monotonic() + seconds
        while True:
            seen = observe()
            if accept(seen):
                return seen
            if time.monotonic() > deadline:
                self.fail(f"expected {what}; saw {seen!r}")
            time.sleep(0.2)

    def fail(self, message):
        os.makedirs(self.failures, exist_ok=True)
        shot = os.path.join(self.failures, f"{self.name}.png")
        try:
            self.desktop.screenshot(shot)
            message += f"\n  screenshot: {shot}"
        except Exception as error:  # the report matters more than the picture
            message += f"\n  (no screenshot: {error})"
        raise ScenarioFailed(message)

    # --- the end ---

    def close(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
        for process in self.processes:
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                pass
        winerun.stop_wine(self.env)
        self.desktop.stop()
        shutil.rmtree(self.prefix, ignore_errors=True)


def make_template(path):
    """A Wine prefix made once with wineboot, copied for every scenario."""
    require_tools()
    winerun.make_prefix(path)
