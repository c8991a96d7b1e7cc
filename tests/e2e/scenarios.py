#!/usr/bin/env python3
"""End-to-end scenarios: the real calendar under Wine, driven with real input.

Usage: scenarios.py --exe EXE --inspector EXE --template DIR [--failures DIR] [--shell-inspector EXE] NAME
       scenarios.py --template DIR --make-template
       scenarios.py --list
"""
import argparse
import glob
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "texts"))
from make_texts import read_language  # noqa: E402
from harness import SETTINGS_KEY, TWIPS_PER_PIXEL, ScenarioFailed, ScenarioSkipped, World, make_template, twips_to_pixels, wait_until, winerun

SCENARIOS = {}
SKIPPED = 77  # the exit status CTest is told means "skipped"
HELP_TEXT = ("One can move the calendar by pressing the <Alt> key and subsequently the left, right, up or down "
             "<Arrow> key.   \\r\\nOr -quicker- by clicking on the calendar, holding the (left mouse) button down "
             "and subsequently dragging the calendar to the desired position. \\r\\n\\r\\nJust click the calendar "
             "icon in the system tray to hide or show the calendar. Click the Close button to close the calendar.")


def scenario(function=None, **world_options):
    """Registers a scenario; options such as screen=(w, h) or tray=False shape its world."""
    def register(function):
        SCENARIOS[function.__name__] = (function, world_options)
        return function
    return register(function) if function else register


# Where things are, in pixels relative to the window, given its width: the
# labels are 200 twips wide in the top strip, the calendar starts below it.
def label_rect(width, which):
    right = width - (0 if which == 1 else 17)
    return right - 13, 0, 13, 12


def label_centre(world, which):
    """The middle of a label, from where the window system has it."""
    label = next(child for child in world.window()["children"] if child["id"] == str(which))
    return world.window_point(int(label["x"]) + int(label["width"]) // 2, int(label["y"]) + int(label["height"]) // 2)


def red_pixels(world, which):
    x, y, w, h = label_rect(int(world.window()["width"]), which)
    sx, sy = world.window_point(x, y)
    return sum(1 for r, g, b in world.pixels(sx, sy, w, h) if r >= 200 and g <= 80 and b <= 80)


def contrast_ratio(a, b):
    """WCAG 2's contrast ratio of two RGB colours: 1 (the same) to 21 (black on white)."""
    def luminance(rgb):
        linear = [c / 255 / 12.92 if c / 255 <= 0.03928 else ((c / 255 + 0.055) / 1.055) ** 2.4 for c in rgb]
        return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]
    light, dark = sorted((luminance(a), luminance(b)), reverse=True)
    return (light + 0.05) / (dark + 0.05)


def ink(world, child_id, least=3):
    """A control's background (its commonest colour), and the colour of at least `least` pixels that stands
    out most from it, with their contrast ratio."""
    child = next(c for c in world.window()["children"] if c["id"] == str(child_id))
    x, y = world.window_point(int(child["x"]), int(child["y"]))
    counts = {}
    for pixel in world.pixels(x, y, int(child["width"]), int(child["height"])):
        counts[pixel] = counts.get(pixel, 0) + 1
    background = max(counts, key=counts.get)
    text = max((c for c, n in counts.items() if n >= least), key=lambda c: contrast_ratio(c, background))
    return background, text, contrast_ratio(text, background)


# The calendar's back arrow in its title, in pixels from the window's corner at 100 %.
MONTH_BACK_ARROW = (22, 21)


def click_x(world):
    """Clicks X once the window is active, so that the click is only a click and not also the activation
    that Wine and openbox settle between them."""
    world.activate()
    world.click(*label_centre(world, 1))


def close_with_x(world, process, context=""):
    """Clicks X and fails unless the program ends."""
    click_x(world)
    if not world.ended(process):
        # Under load Wine has been seen to keep a window's place apart from where the screen shows it.
        world.fail(f"{context + ': ' if context else ''}clicking X did not end the program; Wine has the window "
                   f"at {world.position()}, the screen at {world.x_place()}")


def rounds_to(pixels, exact):
    """A whole pixel the window system may have made of an exact position in pixels."""
    return abs(pixels - exact) <= 0.5 + 1e-3


# The key that moves the other way, and the direction of its step.
OPPOSITE = {"alt+Left": ("alt+Right", (1, 0)), "alt+Right": ("alt+Left", (-1, 0)),
            "alt+Up": ("alt+Down", (0, 1)), "alt+Down": ("alt+Up", (0, -1))}


def keys_to_edges(world, edges, tpp=TWIPS_PER_PIXEL, past=3, what=""):
    """For each Alt+arrow, {key: (x, y)} with one of them None: pressed until `past` presses beyond
    its edge, the window must stand on that limit (in pixels, to the pixel the twips allow) and stay."""
    for key, (want_x, want_y) in edges.items():
        here = world.position()
        distance = abs(here[0] - want_x) if want_x is not None else abs(here[1] - want_y)
        world.keys(key, repeat=int(distance * tpp / 100) + past)
        here = world.expect(f"{what}{key} to stop at {(want_x, want_y)}", world.position,
                            lambda p: (want_x is None or rounds_to(p[0], want_x)) and
                            (want_y is None or rounds_to(p[1], want_y)))
        # Keys are handled in order: once the one step back shows, the
        # presses against the edge before it have been handled too.
        back, (dx, dy) = OPPOSITE[key]
        world.keys(key, repeat=3)
        world.keys(back)
        step = (here[0] + dx * 100 / tpp, here[1] + dy * 100 / tpp)
        world.expect(f"{what}{key} against the edge to leave the window at {here}, and {back} then to step to "
                     f"{step}", world.position, lambda p: rounds_to(p[0], step[0]) and rounds_to(p[1], step[1]))


def calendar_point(world):
    """A point on the week-number column: pressing there selects nothing."""
    return world.window_point(20, 100)


def default_position(world):
    state = world.window()
    width, screen = int(state["width"]) * TWIPS_PER_PIXEL, int(state["screen_width"]) * TWIPS_PER_PIXEL
    return twips_to_pixels(screen - width - 250), twips_to_pixels(250)


@scenario
def first_start(world):
    world.start_calendar()
    state = world.window()
    width, height = int(state["width"]), int(state["height"])
    world.expect(f"the window at {default_position(world)}", world.position, lambda p: p == default_position(world))
    if state["topmost"] != "1":
        world.fail("the window is not topmost")
    if "_NET_WM_STATE_ABOVE" not in world.desktop.x("xprop", "-id", world.x_window(), "_NET_WM_STATE"):
        world.fail("the window manager does not keep the window above others")
    controls = {child["id"]: child for child in state["children"]}
    calendar, close, help_label = controls["3"], controls["1"], controls["2"]
    seen = {
        "calendar place": (int(calendar["x"]), int(calendar["y"])),
        "window width": width - int(calendar["width"]),
        "window height": height - int(calendar["height"]),
        "X label": (int(close["x"]), int(close["y"]), int(close["width"]), int(close["height"]), close["text"]),
        "? label": (int(help_label["x"]), int(help_label["y"]), int(help_label["width"]), int(help_label["height"]),
                    help_label["text"]),
    }
    expected = {
        "calendar place": (twips_to_pixels(100), twips_to_pixels(175)),
        "window width": 13,   # 200 twips beside the calendar, rounded with it
        "window height": 10,  # the label's design height of 150 twips
        "X label": (width - 13, 0, 13, 12, "X "),
        "? label": (width - 30, 0, 13, 12, "?"),
    }
    if seen != expected:
        world.fail(f"layout: expected {expected}, saw {seen}")
    if world.stored():
        world.fail(f"nothing should be stored while running; saw {world.stored()}")


@scenario
def stays_on_top(world):
    world.start_calendar()
    left, top = world.position()
    width, height = int(world.window()["width"]), int(world.window()["height"])
    world.point_at(5, 5)
    before = world.pixels(left, top, width, height)
    other = world.desktop.spawn(["xmessage", "-geometry", f"600x400+{max(left - 100, 0)}+{max(top - 20, 0)}",
                                 "another window"])
    world.wait_for(lambda: "xmessage" in world.desktop.x("xwininfo", "-root", "-tree"), 20, "the other window")
    world.xdotool("search", "--sync", "--name", "^xmessage$", "windowactivate", "--sync")
    time.sleep(1)
    after = world.pixels(left, top, width, height)
    same = sum(1 for a, b in zip(before, after) if a == b) / len(before)
    other.terminate()
    if same < 0.95:
        world.fail(f"the activated window covers the calendar: only {same:.0%} of its pixels are unchanged")


def keys_reach_the_calendar(world, when):
    """The calendar holds the keyboard focus, so that its own keys reach it, and Alt+Right moves the
    window and leaves the selected day alone. (Wine's calendar has no keys of its own; Windows' moves
    the day with the arrows.)"""
    world.activate()
    day, _ = world.expect(f"{when}: the calendar to hold the keyboard focus", world.selected_day, lambda s: s[1])
    start = world.position()
    world.keys("alt+Right")
    world.expect(f"{when}: Alt+Right to move the window right", world.position, lambda p: p[0] > start[0])
    if world.selected_day() != (day, True):
        world.fail(f"{when}: after Alt+Right the calendar has {world.selected_day()}, not ({day!r}, True)")


def icon_rows(size):
    with open(os.path.join(os.path.dirname(__file__), "..", "..", "resources", f"icon{size}.txt")) as rows:
        return [line.rstrip("\n") for line in rows if line.strip()]


@scenario
def tray_toggle(world):
    world.start_calendar()
    # The docked icon is the 16-pixel image, as drawn, not the 32 shrunk: somewhere in the icon's
    # window (the host and Wine centre it to their own rounding), every pixel of it in its colour. Wine
    # draws a docked icon anew, centred, when the host resizes its slot, without clearing the old
    # drawing: icon colours one pixel from the image's own are that (tests/README.md).
    colours = {"9": (255, 0, 0), "0": (0, 0, 0)}
    image = {(col, row): colours[want] for row, line in enumerate(icon_rows(16)) for col, want in enumerate(line)
             if want != "."}
    earlier = {((col + dx, row + dy), colour) for (col, row), colour in image.items()
               for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))}

    def icon_differs():
        x, y, width, height = world.desktop.tray_icons()[0]
        shown = world.pixels(x, y, width, height)
        fewest = None
        for top in range(height - 15):
            for left in range(width - 15):
                at = {(col - left, row - top): shown[row * width + col]
                      for row in range(height) for col in range(width)}
                wrong = [place for place, colour in at.items() if colour != image.get(place, colour) or
                         (place not in image and colour in colours.values() and (place, colour) not in earlier)]
                fewest = wrong if fewest is None or len(wrong) < len(fewest) else fewest
        return fewest
    world.expect("the docked icon to be the 16-pixel image, pixel for pixel (differing pixels shown)",
                 icon_differs, lambda wrong: not wrong)
    keys_reach_the_calendar(world, "after start")
    tip = world.tray_tip()
    if "Click icon system tray to HIDE or SHOW" not in tip:
        world.fail(f"the icon's tip: expected 'Click icon system tray to HIDE or SHOW', read {tip!r}")
    world.click_tray_icon()
    world.expect("the window hidden (minimised and invisible)", world.window,
                 lambda s: s.get("visible") == "0" and s.get("iconic") == "1")
    world.click_tray_icon()
    world.expect("the window shown, normal and in the foreground", world.window,
                 lambda s: s.get("visible") == "1" and s.get("iconic") == "0" and s.get("foreground") == "1")
    keys_reach_the_calendar(world, "after a show from the icon")
    world.click_tray_icon()
    world.expect("the window hidden again", world.window, lambda s: s.get("visible") == "0")


RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
TURNED_OFF_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"


@scenario
def tray_menu(world):
    """The icon's menu, shown and hidden: each item does what it says; Esc and a click elsewhere do nothing."""
    def check(items, first, when, starts=False, help_offered=True):
        # "*" the default item, "+" a checked one, "~" one not offered
        seen = ["*" * (i["default"] == "1") + "+" * (i["checked"] == "1") + "~" * (i["enabled"] != "1") + i["text"]
                if i["text"] != "-" else "-" for i in items]
        want = ["*" + first, "Help" if help_offered else "~Help", "-", "+" * starts + "Start when I sign in", "-", "Close"]
        if seen != want:
            world.fail(f"{when}: expected the menu {want}, saw {seen}")

    def unchanged(visible, when):
        world.expect(f"{when}: the menu gone, the window's visible={visible} as before",
                     lambda: (world.inspect("menu").get("found"), world.window().get("visible")),
                     lambda s: s == ("0", visible))

    world.store("left", "3000")
    world.store("top", "2000")
    calendar = world.start_calendar()
    items = world.open_tray_menu()
    check(items, "Hide calendar", "shown")
    x, y, width, height = world.desktop.tray_icons()[0]
    across = [v for i in items for v in (int(i["x"]), int(i["x"]) + int(i["width"]))]
    down = [v for i in items for v in (int(i["y"]), int(i["y"]) + int(i["height"]))]
    if not (0 <= min(across) - 8 <= x + width // 2 <= max(across) + 8 <= 1032 and
            0 <= min(down) - 8 <= y + height // 2 <= max(down) + 8 <= 776):
        world.fail(f"the menu's items {across}, {down} are not on the screen beside the pointer on the icon")
    world.click(5, 5)
    unchanged("1", "a click elsewhere")
    world.activate()  # Wine gives the menu the keys only through a shown window (tests/README.md)
    world.open_tray_menu()
    world.keys("Escape")
    unchanged("1", "Esc")

    exe = '"Z:' + os.path.abspath(world.exe).replace("/", "\\") + '"'
    for starts, turned_off in ((True, False), (False, True), (True, False), (False, False)):
        world.choose(world.open_tray_menu(), "Start when I sign in")
        world.expect(f"the log-on entry {exe if starts else None}", lambda: world.registry_value(RUN_KEY, "vrlCalendar"),
                     lambda value: value == (exe if starts else None))
        if turned_off:  # the user turns it off in Windows' startup list: the entry stays, the item is unchecked
            world.wine("reg", "add", RUN_KEY, "/v", "vrlCalendar", "/d", exe, "/f", check=True)
            world.wine("reg", "add", TURNED_OFF_KEY, "/v", "vrlCalendar", "/t", "REG_BINARY", "/d",
                       "030000000000000000000000", "/f", check=True)
        check(world.open_tray_menu(), "Hide calendar", f"start at sign-in {starts}", starts)
        world.click(5, 5)
    if world.registry_value(TURNED_OFF_KEY, "vrlCalendar") is not None:
        world.fail("turning start at sign-in on left Windows' turned-off mark in place")

    world.choose(world.open_tray_menu(), "Hide calendar")
    world.expect("the window hidden", world.window, lambda s: s.get("visible") == "0" and s.get("iconic") == "1")
    check(world.open_tray_menu(), "Show calendar", "hidden")
    world.click(5, 5)
    unchanged("0", "hidden, a click elsewhere")
    # Wine's tray has no keyboard: the right press and release the shell sends for Enter, Space, Shift+F10
    # and the Menu key are sent as it would.
    world.choose(world.open_tray_menu(516, 517), "Show calendar")
    world.expect("the window shown, normal and in the foreground", world.window,
                 lambda s: s.get("visible") == "1" and s.get("iconic") == "0" and s.get("foreground") == "1")

    world.choose(world.open_tray_menu(), "Help")
    box = world.expect("the help box", lambda: world.inspect("dialog", "vrlCalendar 1.0"), lambda s: s.get("found") == "1")
    if box["message"] != HELP_TEXT:
        world.fail(f"help text: expected {HELP_TEXT!r}, saw {box['message']!r}")
    items = world.open_tray_menu()
    check(items, "Hide calendar", "with the help box open", help_offered=False)
    left, top = world.position()
    world.choose(items, "Close")
    if not world.ended(calendar):
        world.fail(f"Close with the help box open left the program running: {world.inspect('dialog', 'vrlCalendar')}")
    stored = {"left": str(left * TWIPS_PER_PIXEL), "top": str(top * TWIPS_PER_PIXEL)}
    world.expect(f"Close to store the place {stored}", world.stored, lambda s: s == stored)

    world.store("left", "3000")
    calendar = world.start_calendar()
    world.choose(world.open_tray_menu(), "Hide calendar")
    world.choose(world.open_tray_menu(), "Close")
    if not world.ended(calendar):
        world.fail("Close while hidden left the program running")
    world.expect("the icon gone", world.desktop.tray_icons, lambda icons: icons == [])
    if world.stored() != dict(stored, left="3000"):
        world.fail(f"Close while hidden changed the stored position: {world.stored()}")


def language_texts(tag):
    """A language's texts, as its file in texts/languages gives them."""
    return read_language(os.path.join(os.path.dirname(__file__), "..", "..", "texts", "languages", f"{tag}.txt"))


def escaped(text):
    return text.replace("\r", "\\r").replace("\n", "\\n")


@scenario
def languages(world):
    """In the display language: the menu, the tips, the help box, the error report and what a screen reader
    calls the labels; and after every way of showing the window the calendar has the keyboard."""
    de = language_texts("de")
    calendar = world.start_calendar(language="de_DE.UTF-8")
    world.activate()  # as the window manager would; openbox does not at a start (tests/README.md)
    world.expect("after start: the calendar holds the keyboard focus", world.selected_day, lambda s: s[1])
    names = {"window": "vrlCalendar", "label1": de["close"], "label2": de["help"]}
    world.expect(f"the names a screen reader says {names}", lambda: world.inspect("names"),
                 lambda seen: {key: seen.get(key) for key in names} == names)
    world.point_at(*label_centre(world, 1))
    world.expect("the X label's tip", lambda: world.inspect("tip").get("tip"), lambda tip: tip == de["tip.close"])
    x, y, width, height = world.desktop.tray_icons()[0]
    world.point_at(x + width // 2, y + height // 2)
    world.expect("the icon's tip", lambda: world.inspect("tip", inspector=world.shell_inspector).get("tip"),
                 lambda tip: tip == de["tip.icon"])

    items = world.open_tray_menu()
    menu = [de["menu.hide"], de["help"], "-", de["menu.start_at_sign_in"], "-", de["close"]]
    if [item["text"] for item in items] != menu:
        world.fail(f"the menu: expected {menu}, saw {[item['text'] for item in items]}")
    for way, events in (("the menu's item", ()), ("the keyboard's Enter on the icon", (516, 517))):
        world.choose(items, de["menu.hide"])
        world.expect("the window hidden", world.window, lambda s: s.get("visible") == "0")
        world.choose(world.open_tray_menu(*events), de["menu.show"])
        world.expect(f"shown by {way}: the calendar holds the keyboard focus", world.selected_day, lambda s: s[1])
        items = world.open_tray_menu()
    world.choose(items, de["help"])
    box = world.expect("the help box", lambda: world.inspect("dialog", "vrlCalendar 1.0"), lambda s: s.get("found") == "1")
    if box["message"] != escaped(de["help.prompt"]):
        world.fail(f"the help text: expected {de['help.prompt']!r}, saw {box['message']!r}")
    world.keys("Return")
    settings_key = SETTINGS_KEY.removeprefix("HKCU\\")
    world.store("left", "3000")
    world.inspect("deny-writes", settings_key)
    click_x(world)
    report = world.expect("the run-time error report", lambda: world.inspect("dialog", "vrlCalendar"),
                          lambda s: s.get("found") == "1")
    expected = escaped(de["error.title"].replace("%1", "5") + "\n\n" + de["error.5"])
    if report["message"] != expected:
        world.fail(f"the report: expected {expected!r}, saw {report['message']!r}")
    world.keys("Return")
    world.ended(calendar)
    world.inspect("allow-writes", settings_key)

    ja = language_texts("ja")
    calendar = world.start_calendar(language="ja_JP.UTF-8")
    items = world.open_tray_menu()
    menu = [ja["menu.hide"], ja["help"], "-", ja["menu.start_at_sign_in"], "-", ja["close"]]
    if [item["text"] for item in items] != menu:
        world.fail(f"the menu in Japanese: expected {menu}, saw {[item['text'] for item in items]}")
    world.choose(items, ja["close"])
    if not world.ended(calendar):
        world.fail(f"{ja['close']!r} left the program running")


@scenario
def drag(world):
    world.start_calendar()
    start = world.position()
    x, y = calendar_point(world)
    world.xdotool("mousemove", x, y)
    world.xdotool("mousedown", 1)
    for _ in range(6):
        world.xdotool("mousemove_relative", "--", -20, 15)
        time.sleep(0.1)
    world.xdotool("mouseup", 1)
    expected = (start[0] - 120, start[1] + 90)
    world.expect(f"the window dragged from {start} to {expected}", world.position,
                 lambda p: abs(p[0] - expected[0]) <= 1 and abs(p[1] - expected[1]) <= 1)
    moved_to = world.position()
    for button in (3, 2):  # right, then middle
        x, y = calendar_point(world)
        world.xdotool("mousemove", x, y)
        world.xdotool("mousedown", button)
        for _ in range(4):
            world.xdotool("mousemove_relative", "--", 25, 10)
            time.sleep(0.1)
        world.xdotool("mouseup", button)
        world.keys("Escape")  # in case the button opened anything
        if world.position() != moved_to:
            world.fail(f"button {button} dragged the window from {moved_to} to {world.position()}")


@scenario
def alt_arrows(world):
    world.start_calendar()
    world.click(*calendar_point(world))
    left, top = world.position()
    world.keys("alt+Left")
    expected = twips_to_pixels(left * TWIPS_PER_PIXEL - 100)
    world.expect(f"one Alt+Left to move the window to x={expected}", world.position, lambda p: p == (expected, top))

    state = world.window()
    screen_w, screen_h = int(state["screen_width"]), int(state["screen_height"])
    width, height = int(state["width"]), int(state["height"])
    limits = {
        "alt+Left": (0, None),
        "alt+Up": (None, 0),
        "alt+Right": (twips_to_pixels((screen_w - width) * TWIPS_PER_PIXEL - 100), None),
        "alt+Down": (None, twips_to_pixels((screen_h - height) * TWIPS_PER_PIXEL - 100)),
    }
    keys_to_edges(world, limits)

    world.keys("alt+Up", repeat=5)
    resting = world.position()
    world.keys("Left", "shift+Left", "ctrl+Left", "Up", "shift+Up", "ctrl+Up")
    world.keys("alt+Down")  # handled after them: once it shows, they were handled
    below = (resting[0], twips_to_pixels(resting[1] * TWIPS_PER_PIXEL + 100))
    world.expect(f"arrows without Alt alone to leave the window at {resting}, and Alt+Down then to move it to "
                 f"{below}", world.position, lambda p: p == below)


@scenario
def hover(world):
    calendar = world.start_calendar()
    world.point_at(*label_centre(world, 1))
    world.expect("X red and ? black", lambda: (red_pixels(world, 1), red_pixels(world, 2)),
                 lambda seen: seen[0] > 3 and seen[1] == 0)
    world.point_at(*label_centre(world, 2))
    world.expect("? red and X black", lambda: (red_pixels(world, 1), red_pixels(world, 2)),
                 lambda seen: seen[0] == 0 and seen[1] > 3)
    world.point_at(*world.window_point(150, 100))
    world.expect("both black over the calendar", lambda: (red_pixels(world, 1), red_pixels(world, 2)),
                 lambda seen: seen == (0, 0))
    world.point_at(*label_centre(world, 1))
    world.expect("X red again", lambda: red_pixels(world, 1), lambda seen: seen > 3)
    world.point_at(*world.window_point(50, 4))
    world.expect("both black over the window's own strip", lambda: (red_pixels(world, 1), red_pixels(world, 2)),
                 lambda seen: seen == (0, 0))

    # High Contrast Black, as Windows sets it: the window's background (highlighted text) is black.
    # Switched on while the program runs, then at a start in that scheme.
    for name, rgb in (("HilightText", "0 0 0"), ("Hilight", "26 235 255"), ("Window", "0 0 0"),
                      ("WindowText", "255 255 255"), ("ButtonFace", "0 0 0"), ("ButtonText", "255 255 255"),
                      ("HotTrackingColor", "255 255 0"), ("GrayText", "63 242 63")):
        world.wine("reg", "add", r"HKCU\Control Panel\Colors", "/v", name, "/d", rgb, "/f", check=True)
    for when in ("switched on while running", "at start"):
        if when == "at start":
            close_with_x(world, calendar)
            calendar = world.start_calendar()
        elif world.inspect("take-scheme").get("taken") != "1":
            world.fail("the running calendar did not take the new colour scheme")
        world.point_at(*world.window_point(150, 100))  # over the calendar: both labels resting
        for which, name in ((1, "X"), (2, "?"), (3, "the calendar")):
            # Wine's calendar keeps the colours it was created with (tests/README.md).
            on_black = which != 3 or when == "at start"
            world.expect(f"High Contrast Black {when}: {name} at 4.5:1 or more{' on black' if on_black else ''}",
                         lambda: ink(world, which), lambda seen: seen[2] >= 4.5 and (seen[0] == (0, 0, 0) or not on_black))
        resting = ink(world, 1)[1]
        world.point_at(*label_centre(world, 1))
        world.expect(f"High Contrast Black {when}: X under the pointer at 4.5:1 or more and unlike its resting "
                     f"{resting}", lambda: ink(world, 1), lambda seen: seen[2] >= 4.5 and seen[1] != resting)


@scenario
def help_box(world):
    world.start_calendar()
    world.click(*label_centre(world, 2))
    box = world.expect("the help box", lambda: world.inspect("dialog", "vrlCalendar 1.0"),
                       lambda s: s.get("found") == "1")
    if box["message"] != HELP_TEXT:
        world.fail(f"help text: expected {HELP_TEXT!r}, saw {box['message']!r}")
    time.sleep(1.5)  # activation must settle on the box, not bounce back and forth
    box = world.inspect("dialog", "vrlCalendar 1.0")
    if box.get("foreground") != "1":
        world.fail("the help box lost the foreground after it opened")
    world.keys("Return")
    world.expect("the help box closed and the calendar still there",
                 lambda: (world.inspect("dialog", "vrlCalendar 1.0").get("found"), world.window().get("visible")),
                 lambda seen: seen == ("0", "1"))
    world.expect("the calendar to hold the keyboard focus again", world.selected_day, lambda s: s[1])


@scenario
def close_and_reopen(world):
    calendar = world.start_calendar()
    world.click(*calendar_point(world))
    world.keys("alt+Left", "alt+Left", "alt+Down")
    left, top = world.position()
    close_with_x(world, calendar)
    world.expect("the icon gone", world.desktop.tray_icons, lambda icons: icons == [])
    expected = {"left": str(left * TWIPS_PER_PIXEL), "top": str(top * TWIPS_PER_PIXEL)}
    world.expect(f"the position stored as {expected}", world.stored, lambda seen: seen == expected)
    world.start_calendar()
    world.expect(f"the next start at {(left, top)}", world.position, lambda p: p == (left, top))


@scenario
def close_while_hidden(world):
    """The system closes the program: at log-off, where it keeps a shown window's place, and by taskkill."""
    calendar = world.start_calendar()
    world.activate()
    world.keys("alt+Left", "alt+Down")
    left, top = world.expect("Alt+Left and Alt+Down to move the window", world.position,
                             lambda p: p != default_position(world))
    world.end_session()
    if not world.ended(calendar):
        world.fail("the program did not end at log-off")
    expected = {"left": str(left * TWIPS_PER_PIXEL), "top": str(top * TWIPS_PER_PIXEL)}
    world.expect(f"log-off to store the place {expected}", world.stored, lambda seen: seen == expected)

    world.store("left", "3000")
    world.store("top", "2000")
    calendar = world.start_calendar()
    world.click_tray_icon()
    world.expect("the window hidden", world.window, lambda s: s.get("visible") == "0")
    world.end_session()
    if not world.ended(calendar):
        world.fail("the program did not end at log-off while hidden")
    if world.stored() != {"left": "3000", "top": "2000"}:
        world.fail(f"log-off while hidden wrote the position: {world.stored()}")

    calendar = world.start_calendar()
    world.click_tray_icon()
    world.expect("the window hidden", world.window, lambda s: s.get("visible") == "0")
    world.wine("taskkill", "/im", "vrlCalendar.exe")  # as the system closes programs
    if not world.ended(calendar):
        world.fail("the program did not end when the system closed it")
    world.expect("the icon gone", world.desktop.tray_icons, lambda icons: icons == [])
    if world.stored() != {"left": "3000", "top": "2000"}:
        world.fail(f"closing while hidden wrote the position: {world.stored()}")


def close_with_taskkill(world, what):
    """Closes the program as the system does: taskkill sends WM_CLOSE, so the unload handler runs. In one
    busy run a copy was still open 30 s after it; the message is sent again, and what taskkill said each
    time is reported if a copy outlives that too."""
    said = []
    for _ in range(3):
        said.append(world.wine("taskkill", "/im", "vrlCalendar.exe").strip())
        try:
            return wait_until(lambda: world.inspect("count").get("count") == "0", 20, what)
        except TimeoutError:
            pass
    world.fail(f"expected {what}; still running after taskkill said {said!r}, window {world.window()}")


@scenario
def single_instance(world):
    world.start_calendar()
    first = world.window()
    second = world.start_calendar(wait=False)
    if not world.ended(second):
        world.fail("a second copy kept running")
    after = world.window()
    if (after["hwnd"], after["left"], after["top"], after["visible"]) != (
            first["hwnd"], first["left"], first["top"], first["visible"]):
        world.fail(f"the second copy changed the first: {first} became {after}")
    if len(world.desktop.tray_icons()) != 1 or world.stored():
        world.fail("the second copy added an icon or stored something")

    click_x(world)
    world.expect("the first copy closed", lambda: world.inspect("count").get("count"), lambda c: c == "0")
    world.expect("the icon gone", world.desktop.tray_icons, lambda icons: icons == [])
    for round_number in range(1, 21):
        together = [world.start_calendar(wait=False) for _ in range(3)]
        world.expect(f"round {round_number}: exactly one of three copies started together still running",
                     lambda: sum(process.poll() is None for process in together), lambda n: n == 1, seconds=60)
        world.expect(f"round {round_number}: one window", lambda: world.inspect("count").get("count"),
                     lambda c: c == "1")
        world.expect(f"round {round_number}: one icon", lambda: len(world.desktop.tray_icons()), lambda n: n == 1)
        world.wait_for(lambda: world.window().get("visible") == "1", 30, "the survivor shown")
        # Closed as the system closes it, not with X: a window shown while three copies load the machine
        # can be left taking no clicks under Wine (tests/README.md).
        close_with_taskkill(world, f"round {round_number}: the survivor closed")


@scenario
def stored_values(world):
    cases = [  # stored left and top -> where the window opens
        ("99999", "99999", "far edges"),
        ("-15", "-300", "250 twips"),
        ("abc", "1e39", "defaults"),
    ]
    for left_text, top_text, meaning in cases:
        world.store("left", left_text)
        world.store("top", top_text)
        calendar = world.start_calendar()
        state = world.window()
        width, height = int(state["width"]) * 15, int(state["height"]) * 15
        screen_w, screen_h = int(state["screen_width"]) * 15, int(state["screen_height"]) * 15
        expected = {
            "far edges": (screen_w - width - 250, screen_h - height - 250),
            "250 twips": (250, 250),
            "defaults": (screen_w - width - 250, 250),
        }[meaning]
        expected = tuple(twips_to_pixels(v) for v in expected)
        world.expect(f"left={left_text!r} top={top_text!r} to open at {expected}", world.position,
                     lambda p: p == expected)
        close_with_x(world, calendar)


@scenario
def new_taskbar(world):
    # The shell refuses the icon for a few seconds after the program starts, as Explorer may at log-on,
    # and announces no new taskbar after: the program must try again.
    refuser, said = world.start_inspector("refuse-icons", "4000")
    world.start_calendar()  # waits for the icon
    ended = world.ended(refuser, 30)
    refused = re.search(r"refused=(\d+)", open(said).read())
    if not ended or not refused or refused.group(1) == "0":
        world.fail(f"the shell was to refuse the icon at first; it said {open(said).read()!r}")
    for hidden_first in (False, True):
        if hidden_first:
            world.click_tray_icon()
            world.expect("the window hidden", world.window, lambda s: s.get("visible") == "0")
        for _ in range(3):  # the shell coming and going several times in a row
            world.inspect("drop-icon")
            world.expect("the shell to have lost the icon", world.desktop.tray_icons, lambda icons: icons == [])
            world.inspect("announce-taskbar")
            world.expect("the icon back, once", lambda: len(world.desktop.tray_icons()), lambda n: n == 1)
        world.inspect("announce-taskbar")  # announced again with the icon still there: no second icon
        time.sleep(1)
        if len(world.desktop.tray_icons()) != 1:
            world.fail(f"a repeated announcement left {len(world.desktop.tray_icons())} icons")
        world.click_tray_icon()
        want = "1" if hidden_first else "0"
        world.expect(f"the icon to still toggle the window (visible={want})", world.window,
                     lambda s: s.get("visible") == want)
        if not hidden_first:
            world.click_tray_icon()
            world.expect("the window shown again", world.window, lambda s: s.get("visible") == "1")


@scenario
def damaged_store(world):
    """Whatever is left in the store, the program starts and puts the window on the screen."""
    unreadable = [  # (type, data), stored as both left and top
        ("REG_SZ", ""), ("REG_SZ", "   "), ("REG_SZ", "abc"), ("REG_SZ", "12x"), ("REG_SZ", "1e39"),
        ("REG_SZ", "-1e39"), ("REG_SZ", "nan"), ("REG_SZ", "inf"), ("REG_SZ", "9" * 10000),
        ("REG_DWORD", "5000"), ("REG_BINARY", "01020304"),
    ]
    # Numbers as other locales write them: what the user's locale makes of
    # each is its own business, but the window must open wholly on the screen.
    other_locales = ["1500,5", "1.500,5", "1 500", "1500.0", "+1500", " 1500 ", "1,5e3", "\u0661\u0665\u0660\u0660",
                     "1'500", "-0", "0.0000001"]
    default = None
    for kind, data in unreadable + [("REG_SZ", "1500")] + [("REG_SZ", text) for text in other_locales]:
        world.store("left", data, kind)
        world.store("top", data, kind)
        calendar = world.start_calendar()
        default = default or default_position(world)
        shown = f"{kind} {data[:12]!r}{'...' if len(data) > 12 else ''}"
        if data in other_locales:
            state = world.window()
            place = (int(state["left"]), int(state["top"]), int(state["width"]), int(state["height"]))
            if not (place[0] >= 0 and place[1] >= 0 and place[0] + place[2] <= int(state["screen_width"]) and
                    place[1] + place[3] <= int(state["screen_height"])):
                world.fail(f"{shown}: the window opened at {place}, not wholly on the screen")
        else:
            expected = (100, 100) if data == "1500" else default
            world.expect(f"{shown} to open at {expected}", world.position, lambda p: p == expected)
        close_with_x(world, calendar, shown)


@scenario(screen=(640, 480))
def screen_shrinks(world):
    """A position saved on a 1024 by 768 screen, opened on a 640 by 480 one."""
    world.store("left", str(900 * TWIPS_PER_PIXEL))
    world.store("top", str(600 * TWIPS_PER_PIXEL))
    world.start_calendar()
    state = world.window()
    width, height = int(state["width"]) * TWIPS_PER_PIXEL, int(state["height"]) * TWIPS_PER_PIXEL
    expected = (twips_to_pixels(640 * TWIPS_PER_PIXEL - width - 250), twips_to_pixels(480 * TWIPS_PER_PIXEL - height - 250))
    world.expect(f"the window pulled back onto the smaller screen at {expected}", world.position,
                 lambda p: p == expected)


@scenario
def store_read_only(world):
    """Closing when the position cannot be written: the error is reported, nothing else is lost."""
    world.store("left", "3000")
    world.store("top", "2000")
    settings_key = SETTINGS_KEY.removeprefix("HKCU\\")  # the inspector opens it under HKCU
    if world.inspect("deny-writes", settings_key).get("changed") != "1":
        world.fail("could not make the settings key read-only")
    calendar = world.start_calendar()
    click_x(world)
    report = world.expect("the run-time error report", lambda: world.inspect("dialog", "vrlCalendar"),
                          lambda s: s.get("found") == "1")
    if not report["message"].startswith("Run-time error '5'"):
        world.fail(f"the report: expected run-time error 5, saw {report['message']!r}")
    world.expect("the icon removed while the report is up", world.desktop.tray_icons, lambda icons: icons == [])
    world.click(*label_centre(world, 1))  # the window is still there: nothing may run now
    time.sleep(1)
    if world.inspect("dialog", "vrlCalendar").get("count") != "1":
        world.fail(f"a second click on X while the report was up: {world.inspect('dialog', 'vrlCalendar')}")
    world.keys("Return")
    if not world.ended(calendar):
        world.fail("the program did not end after the report")
    world.inspect("allow-writes", settings_key)
    if world.stored() != {"left": "3000", "top": "2000"}:
        world.fail(f"the stored position changed: {world.stored()}")
    world.start_calendar()
    world.expect("the next start to open at the stored place", world.position, lambda p: p == (200, 133))


def month_clipped(world, calendar):
    """Whether text runs into the calendar control's right edge below its title (a cut-off column)."""
    x, y = world.window_point(int(calendar["x"]), int(calendar["y"]))
    width, height = int(calendar["width"]), int(calendar["height"])
    edge = world.pixels(x + width - 2, y + height // 4, 2, height * 3 // 5)
    return any(min(pixel) < 160 for pixel in edge)


@scenario
def display_scales(world):
    """From 100 % to 300 %: the whole month shows, the labels sit in the top strip, the icon toggles on a
    left press only; at fractional scales the keys stop at their limits, drags and stored places keep the pixel."""
    for dots_per_inch in (96, 110, 120, 144, 168, 192, 216, 240, 288):
        tpp = 1440 / dots_per_inch
        at = f"at {dots_per_inch} DPI"
        world.set_display_scale(dots_per_inch)
        calendar_process = world.start_calendar()
        state = world.window()
        width = int(state["width"])
        controls = {child["id"]: child for child in state["children"]}
        calendar, close, help_label = controls["3"], controls["1"], controls["2"]
        if int(calendar["x"]) + int(calendar["width"]) > width:
            world.fail(f"{at}: the calendar control {calendar} reaches past the window's width {width}")
        world.expect(f"{at}: the whole month painted inside the calendar control {calendar}",
                     lambda: month_clipped(world, calendar), lambda clipped: not clipped)
        for label, from_right in ((close, 200), (help_label, 450)):
            seen = tuple(int(label[k]) for k in ("x", "y", "width", "height"))
            exact = (width - from_right / tpp, 0, 200 / tpp, 175 / tpp)
            if not all(rounds_to(s, e) for s, e in zip(seen, exact)):
                world.fail(f"{at}: label {label['text']!r} at {seen}, expected {exact} in pixels")

        world.click_tray_icon()
        world.expect(f"{at}: a left press on the icon hides the window", world.window,
                     lambda s: s.get("visible") == "0")
        for button in (3, 2):
            world.click_tray_icon(button)
            time.sleep(0.5)
            if world.window().get("visible") != "0":
                world.fail(f"{at}: button {button} on the icon toggled the window")
            world.keys("Escape")
        world.click_tray_icon(double=True)  # one press toggles; the double-click message does not
        world.expect(f"{at}: a double-click shows the window (once)", world.window,
                     lambda s: s.get("visible") == "1")
        time.sleep(0.5)
        if world.window().get("visible") != "1":
            world.fail(f"{at}: the double-click toggled twice")

        if dots_per_inch in (240, 288):
            # Round the window's edge, every column of the top strip among it: a real
            # pointer move at column 513 must not read as the icon's left press.
            left, top = world.position()
            height = int(state["height"])
            path = ([(x, 2) for x in range(width)] + [(width - 2, y) for y in range(height)] +
                    [(x, height - 2) for x in reversed(range(width))] + [(2, y) for y in reversed(range(height))])
            world.xdotool(*[word for x, y in path for word in ("mousemove", left + x, top + y, "sleep", "0.004")],
                          timeout=300)
            world.click_tray_icon()  # handled after the sweep: hides only if the sweep left the window shown
            world.expect(f"{at}: the pointer swept round the window, the icon then to hide it", world.window,
                         lambda s: s.get("visible") == "0")
            world.click_tray_icon()
            world.expect(f"{at}: and to show it again", world.window, lambda s: s.get("visible") == "1")

        if dots_per_inch in (120, 144, 192):
            world.click(*calendar_point(world))
            screen_w, screen_h = int(state["screen_width"]), int(state["screen_height"])
            height = int(state["height"])
            limits = {"alt+Right": (screen_w - width - 100 / tpp, None), "alt+Down": (None, screen_h - height - 100 / tpp),
                      "alt+Left": (0, None), "alt+Up": (None, 0)}
            keys_to_edges(world, limits, tpp, past=50, what=f"{at}: ")

            world.keys("alt+Right", "alt+Down", repeat=3)
            start = world.position()
            x, y = calendar_point(world)
            world.xdotool("mousemove", x, y, "mousedown", 1)
            for _ in range(5):
                world.xdotool("mousemove_relative", "--", 7, 5)
                time.sleep(0.1)
            world.xdotool("mouseup", 1)
            expected = (start[0] + 35, start[1] + 25)
            world.expect(f"{at}: a drag by (35, 25) from {start} to {expected}", world.position,
                         lambda p: p == expected)
            close_with_x(world, calendar_process, at)
            calendar_process = world.start_calendar()
            world.expect(f"{at}: the stored place {expected} back to the pixel", world.position,
                         lambda p: p == expected)
        close_with_x(world, calendar_process, at)


@scenario(second=(800, 600))
def second_display(world):
    """A second display to the right: a window left there reopens there, and Alt+arrows stop at its edges."""
    world.store("left", str(1100 * TWIPS_PER_PIXEL))
    world.store("top", str(100 * TWIPS_PER_PIXEL))
    calendar = world.start_calendar()
    world.expect("the window reopened where it was left on the second display", world.position,
                 lambda p: p == (1100, 100))
    state = world.window()
    width, height = int(state["width"]), int(state["height"])
    world.click(*calendar_point(world))
    limits = {"alt+Right": (twips_to_pixels((1824 - width) * TWIPS_PER_PIXEL - 100), None),
              "alt+Down": (None, twips_to_pixels((600 - height) * TWIPS_PER_PIXEL - 100)),
              "alt+Left": (1024, None), "alt+Up": (None, 0)}
    keys_to_edges(world, limits, what="on the second display: ")
    world.keys("alt+Right", "alt+Down", repeat=2)
    left, top = world.position()
    close_with_x(world, calendar)
    world.start_calendar()
    world.expect(f"the next start at {(left, top)} on the second display", world.position,
                 lambda p: p == (left, top))
    click_x(world)

    world.store("left", str(1800 * TWIPS_PER_PIXEL))  # partly off the second display's right edge
    world.start_calendar()
    expected = twips_to_pixels((1024 - width) * TWIPS_PER_PIXEL - 250)
    world.expect(f"a window hanging off the second display pulled back onto the primary (x={expected})",
                 world.position, lambda p: p[0] == expected)


def window_picture(world):
    """The calendar window's pixels, row by row, once two pictures in a row agree."""
    world.point_at(5, 5)

    def picture():
        state = world.window()
        width = int(state["width"])
        pixels = world.pixels(int(state["left"]), int(state["top"]), width, int(state["height"]))
        return [pixels[i:i + width] for i in range(0, len(pixels), width)]
    pictures = [picture()]
    world.expect("the calendar's picture to settle", lambda: pictures.append(picture()) or pictures[-2:],
                 lambda last: last[0] == last[1], seconds=30)
    return pictures[-1]


def alike(a, b):
    """The share of pixels two pictures of one size have alike."""
    return sum(x == y for row_a, row_b in zip(a, b) for x, y in zip(row_a, row_b)) / sum(map(len, b))


@scenario
def dpi_change(world):
    """Told that its scale has changed, as Windows tells a window moved onto a display of another scale, the
    calendar is laid out as a start at that scale lays it out; back at 96 DPI it is as it was."""
    def layout():
        state = world.window()
        return (int(state["width"]), int(state["height"]),
                [(c["id"], int(c["x"]), int(c["y"]), int(c["width"]), int(c["height"])) for c in state["children"]])
    fresh = {}
    for dots_per_inch in (144, 192, 96):
        world.set_display_scale(dots_per_inch)
        calendar = world.start_calendar()
        fresh[dots_per_inch] = layout(), window_picture(world)
        if dots_per_inch != 96:
            close_with_x(world, calendar, f"at {dots_per_inch} DPI")
    for dots_per_inch in (144, 192, 96):
        if world.inspect("change-dpi", str(dots_per_inch)).get("changed") != "1":
            world.fail(f"the calendar was not told of {dots_per_inch} DPI")
        at = f"told of {dots_per_inch} DPI"
        world.expect(f"{at}: the layout of a start at that scale {fresh[dots_per_inch][0]}", layout,
                     lambda seen: seen == fresh[dots_per_inch][0])
        share = alike(window_picture(world), fresh[dots_per_inch][1])
        if share < 1:
            world.fail(f"{at}: {share:.2%} of the window's pixels are those of a start at that scale")
        world.position()  # kept on the screen, wherever it grew to
    world.click_tray_icon()  # hidden (minimised), it takes a new scale on when it is shown again
    world.expect("the window hidden", world.window, lambda s: s.get("visible") == "0")
    world.inspect("change-dpi", "144")
    world.click_tray_icon()
    world.expect("told of 144 DPI while hidden, then shown: the layout of a start at that scale", layout,
                 lambda seen: seen == fresh[144][0])


@scenario
def day_change(world):
    """Running across midnight into a new month and year, and through a change of the clock."""
    shot = lambda: window_picture(world)  # noqa: E731

    def title(rows):  # the month's name and year, in the calendar's title band
        return rows[15:30]

    def calendar(field):
        return world.inspect("selected").get(field)

    def run(clock, then=None, today=None):
        """A calendar started at clock; then(); its picture before and, once its today is `today`, after."""
        process = world.start_calendar(clock=clock)
        if then:
            then()
        before = shot()
        if today and calendar("today") == today:
            world.fail("midnight came before the picture of the old day was taken: start the clock earlier")
        if today:  # the calendar shows the new today once the program has seen the date change
            world.expect(f"the calendar's today to become {today}", lambda: calendar("today"),
                         lambda seen: seen == today, seconds=60)
        after = shot()
        process.kill()
        if not world.ended(process):
            world.fail("the calendar did not end")
        return before, after

    def faked():
        day = calendar("date")
        if day != "2027-01-01":  # libfaketime reaches Wine's 64-bit processes, not always its 32-bit ones
            raise ScenarioSkipped(f"the faked clock does not reach this {winerun.architecture(world.exe)} program "
                                  f"under this Wine: it opened on {day}, not 2027-01-01")

    _, new_day = run("@2027-01-01 00:00:20", then=faked)
    old_day, after_midnight = run("@2026-12-31 23:59:30", today="2027-01-01")
    if old_day == new_day:
        world.fail("a calendar on 31 December looks the same as one on 1 January")
    same = alike(after_midnight, new_day)
    if same < 0.999:
        world.fail(f"after midnight the calendar does not show 1 January 2027 as a new one does: {same:.1%} alike")

    previous_month = lambda: world.click(*world.window_point(*MONTH_BACK_ARROW))  # noqa: E731
    navigated, after_midnight = run("@2026-12-31 23:59:30", then=previous_month, today="2027-01-01")
    if title(navigated) == title(old_day) or title(after_midnight) != title(navigated):
        world.fail("a calendar the user had moved to November followed the date at midnight")

    # The clock changed by hand: the system tells every window.
    clock_file = os.path.join(world.prefix, "clock")
    with open(clock_file, "w") as out:
        out.write("2026-12-30 12:00:00")
    process = world.start_calendar(clock_file=clock_file)
    before = shot()
    with open(clock_file, "w") as out:
        out.write("2026-12-31 12:00:00")
    world.inspect("time-changed")
    world.expect("the calendar to select 31 December once told of the new time", lambda: calendar("date"),
                 lambda seen: seen == "2026-12-31")
    after = shot()
    process.kill()
    world.ended(process)
    if before == after or alike(after, old_day) < 0.999:
        world.fail("after the clock was moved to 31 December the calendar does not show it")


@scenario(tray=False)
def tray_host_late(world):
    """Started before any notification area exists: the window works, the icon comes with the host."""
    world.start_calendar()
    world.click(*calendar_point(world))
    before = world.position()
    world.keys("alt+Left")
    world.expect("Alt+Left to work without a notification area", world.position, lambda p: p[0] < before[0])
    world.desktop.start_tray()
    world.expect("the icon once the host has come", lambda: len(world.desktop.tray_icons()), lambda n: n == 1,
                 seconds=30)
    world.click_tray_icon()
    world.expect("the icon to hide the window", world.window, lambda s: s.get("visible") == "0")
    world.click_tray_icon()
    world.expect("the icon to show it again", world.window, lambda s: s.get("visible") == "1")


@scenario
def leaves_no_trace(world):
    """A whole session of use: no network, no file written, nothing in the registry but the two values."""
    def registry():
        lines = set()
        for hive in ("HKCU", "HKLM"):
            export = os.path.join(world.prefix, f"{hive}.reg")
            # Exported through a traced server, the 9 MB of HKLM took up to 100 s on a 2-core machine.
            world.wine("reg", "export", hive, export, "/y", check=True, timeout=400)
            with open(export, encoding="utf-16") as text:
                key = ""
                for line in text.read().splitlines():
                    key = line if line.startswith("[") else key
                    if line.strip():
                        lines.add((key, line))
        return lines

    def traced(log_name, *command):
        log = os.path.join(world.prefix, log_name)
        process = subprocess.Popen(["strace", "-f", "-qq", "-o", log, "-e", "trace=socket,connect,openat,creat,"
                                    "rename,renameat,renameat2,unlink,unlinkat,mkdir,mkdirat", *command],
                                   env=world.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        world.processes.append(process)
        return process, log

    # Wine opens and creates files in its server, so the server runs traced
    # too; what it does before the calendar starts is Wine's own start-up.
    winerun.stop_wine(world.env)
    _, server_log = traced("server.log", winerun.WINESERVER, "-f", "-p")

    def server_listening():
        return os.path.exists(server_log) and "socket(AF_UNIX" in open(server_log).read()
    world.wait_for(server_listening, 20, "the traced Wine server")
    time.sleep(0.5)
    world.wine(world.inspector, "count", check=True)
    time.sleep(2)
    before = registry()
    with open(server_log) as log:
        server_start = len(log.readlines())

    calendar, program_log = traced("program.log", *winerun.command(world.exe))
    world.wait_for(lambda: world.window().get("visible") == "1", 60, "the calendar window shown")
    world.click_tray_icon()
    world.click_tray_icon()
    world.click(*calendar_point(world))
    world.keys("alt+Left")
    close_with_x(world, calendar)
    with open(server_log) as log:
        calls = log.readlines()[server_start:]
    with open(program_log) as log:
        calls += log.readlines()

    # Wine records its display driver under these keys whenever a desktop
    # comes up; they are Wine's, not the program's.
    def program_side(entries):
        return {entry for entry in entries if not entry[0].startswith((
            r"[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Video",
            r"[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Class"))}

    after = registry()
    added = {line for key, line in program_side(after - before) if not line.startswith("[")}
    removed = program_side(before - after)
    expected = {f'"left"="{world.stored()["left"]}"', f'"top"="{world.stored()["top"]}"'}
    if added != expected or removed:
        world.fail(f"registry: expected only {expected} added, saw added {sorted(added)[:10]}, "
                   f"removed {sorted(removed)[:10]}")

    network = [c for c in calls if "AF_INET" in c]
    written = [c for c in calls if ("openat(" in c and any(f in c for f in ("O_WRONLY", "O_RDWR", "O_CREAT")))
               or c.split(" ", 1)[-1].startswith(("creat(", "rename", "unlink", "mkdir"))]
    # Wine's own bookkeeping: the server's folder (relative names), the
    # registry it saves (checked above), devices, thread names.
    written = [c for c in written if "= -1" not in c and
               not re.search(r'"(/dev/|/proc/|[^/"]*")|/(system|user|userdef)\.reg', c)]
    if network or written:
        world.fail(f"network calls {network[:5]}, files written {written[:5]}")


UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\vrlCalendar"


@scenario
def installer(world):
    """As a new user would: silent install, start, reinstall over a running copy, silent uninstall."""
    setup = os.path.join(world.dist, f"vrlCalendar-1.0-{winerun.architecture(world.exe)}-setup.exe")
    home = glob.glob(world.drive_c("users", "*", "AppData", "Local"))
    if len(home) != 1:
        world.fail(f"expected one user profile in the prefix, saw {home}")
    user = os.path.dirname(os.path.dirname(home[0]))
    folder = os.path.join(home[0], "Programs", "vrlCalendar")
    shortcut = os.path.join(user, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs",
                            "vrlCalendar.lnk")
    installed = r"C:\users\{}\AppData\Local\Programs\vrlCalendar\vrlCalendar.exe".format(os.path.basename(user))

    world.wine(setup, "/S", check=True)
    seen = {"program": os.path.exists(os.path.join(folder, "vrlCalendar.exe")),
            "uninstaller": os.path.exists(os.path.join(folder, "Uninstall.exe")),
            "shortcut": os.path.exists(shortcut),
            "log-on entry": world.registry_value(RUN_KEY, "vrlCalendar"),
            "installed-programs entry": world.registry_value(UNINSTALL_KEY, "DisplayName")}
    expected = {"program": True, "uninstaller": True, "shortcut": True,
                "log-on entry": f'"{installed}"', "installed-programs entry": "vrlCalendar"}
    if seen != expected:
        world.fail(f"after installing: expected {expected}, saw {seen}")

    running = world.start_calendar(exe=os.path.join(folder, "vrlCalendar.exe"))
    world.wine(setup, "/S", check=True)  # the installer closes the running copy first
    if not world.ended(running):
        world.fail("installing over a running copy left it running")
    if set(world.stored()) != {"left", "top"}:
        world.fail(f"the running copy was not closed as the user would close it (nothing stored: {world.stored()})")
    kept = world.stored()

    world.wine(os.path.join(folder, "Uninstall.exe"), "/S", check=True)
    world.expect("the uninstaller to remove the program folder", lambda: os.path.exists(folder), lambda s: not s,
                 seconds=30)
    seen = {"shortcut": os.path.exists(shortcut), "log-on entry": world.registry_value(RUN_KEY, "vrlCalendar"),
            "installed-programs entry": world.registry_value(UNINSTALL_KEY, "DisplayName"),
            "saved position": world.stored()}
    expected = {"shortcut": False, "log-on entry": None, "installed-programs entry": None, "saved position": kept}
    if seen != expected:
        world.fail(f"after uninstalling: expected {expected}, saw {seen}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe")
    parser.add_argument("--inspector")
    parser.add_argument("--template")
    parser.add_argument("--failures", default="e2e-failures")
    parser.add_argument("--dist", help="the release files, for the installer scenario")
    parser.add_argument("--shell-inspector", help="the 64-bit inspector, for the shell's own windows")
    parser.add_argument("--make-template", action="store_true")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("name", nargs="?")
    args = parser.parse_args()
    if args.list:
        print("\n".join(SCENARIOS))
        return 0
    if args.make_template:
        make_template(args.template)
        return 0
    if args.name not in SCENARIOS:
        parser.error(f"unknown scenario {args.name!r}; --list shows them")
    why = winerun.unavailable(args.exe) or winerun.unavailable(args.inspector)
    if why:
        print(f"SKIPPED {args.name}: {why}")
        return SKIPPED
    started = time.monotonic()
    function, options = SCENARIOS[args.name]
    world = World(args.name, args.exe, args.inspector, args.template, args.failures, **options)
    world.dist = args.dist
    world.shell_inspector = args.shell_inspector or args.inspector
    try:
        function(world)
    except ScenarioFailed as failure:
        print(f"FAILED {args.name}: {failure}", file=sys.stderr)
        return 1
    except ScenarioSkipped as why:
        print(f"SKIPPED {args.name}: {why}")
        return SKIPPED
    except subprocess.TimeoutExpired as timeout:
        print(f"FAILED {args.name}: a command hung: {timeout}", file=sys.stderr)
        return 1
    finally:
        world.close()
    print(f"passed {args.name} in {time.monotonic() - started:.1f}s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
