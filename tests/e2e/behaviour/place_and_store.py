"""Where the window opens and what it stores: the place kept across a close, and whatever the store holds."""
import time

from harness import SETTINGS_KEY, TWIPS_PER_PIXEL, twips_to_pixels
from steps import calendar_point, click_x, close_with_x, default_position, label_centre, scenario


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


FAR, NEAR, DEFAULT, ON_SCREEN = "the far limits", "250 twips in", "the default place", "wholly on the screen"


@scenario(cost=100)
def damaged_store(world):
    """Whatever is left in the store, the program starts and puts the window on the screen."""
    opens_with(world, [  # (type, left, top, where the window opens); one datum stands for both left and top
        ("REG_SZ", "99999", "99999", FAR), ("REG_SZ", "-15", "-300", NEAR), ("REG_SZ", "abc", "1e39", DEFAULT),
        ("REG_SZ", "1500", "1500", (100, 100)),
    ] + [(kind, data, data, DEFAULT) for kind, data in (
        ("REG_SZ", ""), ("REG_SZ", "   "), ("REG_SZ", "abc"), ("REG_SZ", "12x"), ("REG_SZ", "1e39"),
        ("REG_SZ", "-1e39"), ("REG_SZ", "nan"), ("REG_SZ", "inf"), ("REG_SZ", "9" * 10000),
        ("REG_DWORD", "5000"), ("REG_BINARY", "01020304"))])


@scenario(cost=70)
def damaged_store_locales(world):
    """Numbers as other locales write them: what the user's locale makes of each is its own business, but the
    window must open wholly on the screen."""
    opens_with(world, [("REG_SZ", text, text, ON_SCREEN) for text in (
        "1500,5", "1.500,5", "1 500", "1500.0", "+1500", " 1500 ", "1,5e3", "\u0661\u0665\u0660\u0660", "1'500", "-0",
        "0.0000001")])


def opens_with(world, rows):
    """Starts the calendar on each row's stored place and checks where the window opens."""
    widths = set()
    for kind, left, top, where in rows:
        world.store("left", left, kind)
        world.store("top", top, kind)
        if where == DEFAULT:  # the same damage in the other stored values: their defaults
            world.store("weekNumbers", left, kind)
            world.store("shortcut", left, kind)
        calendar = world.start_calendar()
        state = world.window()
        size, screen = (int(state["width"]), int(state["height"])), (int(state["screen_width"]),
                                                                     int(state["screen_height"]))
        shown = f"{kind} {left[:12]!r}{'...' if len(left) > 12 else ''}, {top[:12]!r}"
        widths.add(size[0])
        if len(widths) > 1:
            world.fail(f"{shown}: the window {size[0]} wide, not as the others {widths}: week numbers off?")
        if where == ON_SCREEN:
            place = (int(state["left"]), int(state["top"]))
            if not all(0 <= place[i] and place[i] + size[i] <= screen[i] for i in (0, 1)):
                world.fail(f"{shown}: the window opened at {place} {size}, not wholly on the screen")
        else:
            limits = {FAR: tuple(twips_to_pixels((screen[i] - size[i]) * TWIPS_PER_PIXEL - 250) for i in (0, 1)),
                      NEAR: (twips_to_pixels(250), twips_to_pixels(250)), DEFAULT: default_position(world)}
            expected = limits.get(where, where)
            world.expect(f"{shown} to open at {expected} ({where})", world.position, lambda p: p == expected)
        close_with_x(world, calendar, shown)


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
