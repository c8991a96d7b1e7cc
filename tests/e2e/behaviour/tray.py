"""The notification-area icon: its image, its tip, the toggle, its menu, and the shell coming and going."""
import os
import re
import time

from harness import TWIPS_PER_PIXEL
from steps import HELP_TEXT, RUN_KEY, TURNED_OFF_KEY, calendar_point, keys_reach_the_calendar, scenario


def icon_rows(size):
    with open(os.path.join(os.path.dirname(__file__), "..", "..", "..", "resources", f"icon{size}.txt")) as rows:
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


@scenario(cost=50)
def tray_menu(world):
    """The icon's menu, shown and hidden: each item does what it says; Esc and a click elsewhere do nothing."""
    def check(items, first, when, starts=False, help_offered=True):
        # "*" the default item, "+" a checked one, "~" one not offered
        seen = ["*" * (i["default"] == "1") + "+" * (i["checked"] == "1") + "~" * (i["enabled"] != "1") + i["text"]
                if i["text"] != "-" else "-" for i in items]
        want = ["*" + first + "\tWin+Alt+C", "Help" if help_offered else "~Help", "-",
                "+" * starts + "Start when I sign in", "Settings…", "-", "Close"]
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
        world.expect(f"the log-on entry {exe if starts else None}",
                     lambda: world.registry_value(RUN_KEY, "vrlCalendar"),
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
    box = world.expect("the help box", lambda: world.inspect("dialog", "vrlCalendar 1.0"),
                       lambda s: s.get("found") == "1")
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
