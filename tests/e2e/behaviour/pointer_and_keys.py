"""The mouse and the keyboard on the window: dragging, Alt+arrows, the labels under the pointer, the help box."""
import time

from harness import TWIPS_PER_PIXEL, twips_to_pixels
from steps import (HELP_TEXT, alike, calendar_point, close_with_x, ink, keys_to_edges, label_centre, red_pixels,
                   scenario, window_picture)


def drag_by(world, button, steps, dx, dy):
    """Presses a button on the week column, moves the pointer so many steps of (dx, dy) and lets go."""
    world.xdotool("mousemove", *calendar_point(world))
    world.xdotool("mousedown", button)
    for _ in range(steps):
        world.xdotool("mousemove_relative", "--", dx, dy)
        time.sleep(0.1)
    world.xdotool("mouseup", button)


@scenario
def drag(world):
    world.start_calendar()
    start = world.position()
    drag_by(world, 1, 6, -20, 15)
    expected = (start[0] - 120, start[1] + 90)
    world.expect(f"the window dragged from {start} to {expected}", world.position,
                 lambda p: abs(p[0] - expected[0]) <= 1 and abs(p[1] - expected[1]) <= 1)
    moved_to = world.position()
    for button in (3, 2):  # right, then middle
        drag_by(world, button, 4, 25, 10)
        if button == 3:
            world.keys("Escape")  # closes the calendar's own menu (Esc on the calendar would hide it)
        if world.position() != moved_to:
            world.fail(f"button {button} dragged the window from {moved_to} to {world.position()}")

    # Dragged on, the last row's last day (always the next month's) clicked once the tip showed; then a click
    # reaches the tip shown again (Wine activates it, and gives it the keyboard): the calendar must stay in
    # front, Alt+Left moving it, and take the activation back from a tip activated all the same.
    drag_by(world, 1, 1, 60, 42)
    month, size = int(world.selected_day()[0][5:7]), world.window()
    day = (int(size["width"]) - 30, int(size["height"]) - 28)
    for aside, step in ((0, "click"), (1, ""), (0, "force")):  # moved aside, the tip shows again
        world.point_at(*world.window_point(day[0] - aside, day[1]))
        world.expect("the calendar's tip", lambda: world.inspect("tip").get("tip", "").strip(), bool)
        if step == "click":
            world.click(*world.window_point(*day))
            world.expect("the next month's day picked", world.selected_day, lambda s: int(s[0][5:7]) == month % 12 + 1)
            continue
        if world.inspect("activate-tip", *step.split()).get("activated") != "1" and step:
            world.fail("the calendar's tip could not be activated")
        world.expect(f"the calendar in front after its tip was {step or 'clicked'}",
                     lambda: world.window().get("foreground"), "1".__eq__)
        if not step:
            left, top = world.position()
            world.keys("alt+Left")
            expected = (twips_to_pixels(left * TWIPS_PER_PIXEL - 100), top)
            world.expect(f"Alt+Left then to move it to {expected}", world.position, expected.__eq__)


@scenario(cost=60)
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

    year, month, day = (int(part) for part in world.selected_day()[0].split("-"))
    world.keys("ctrl+c")
    world.expect("Ctrl+C: the day picked on the clipboard, as a US format writes it",
                 lambda: world.inspect("clipboard").get("text"), lambda text: text == f"{month}/{day}/{year}")
    if world.position() != below or world.selected_day()[0] != f"{year:04}-{month:02}-{day:02}":
        world.fail(f"Ctrl+C moved the window to {world.position()} or picked {world.selected_day()[0]}")


@scenario(cost=60)
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
                         lambda: ink(world, which),
                         lambda seen: seen[2] >= 4.5 and (seen[0] == (0, 0, 0) or not on_black))
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


PERSONALIZE = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize"
WIN_ALT_C = ("9", str(ord("C")))  # MOD_WIN | MOD_ALT, and the key


def dark_share(world):
    """The share of the window's pixels with no channel above 80."""
    picture = window_picture(world)
    return sum(max(pixel) <= 80 for row in picture for pixel in row) / sum(map(len, picture))


@scenario(cost=60)
def dark_mode_and_shortcut(world):
    """Windows' app mode followed while running, shown and hidden, and back to today's look; the shortcut held
    from the start toggles as the icon does, gives way to a program that holds it first, and "none" turns it off."""
    def held():
        return world.inspect("hotkey-held", *WIN_ALT_C).get("held")

    def first_item():
        items = world.open_tray_menu()
        world.click(5, 5)
        return items[0]["text"]

    if held() != "0":
        world.fail("Win+Alt+C is held before the calendar starts")
    calendar = world.start_calendar()
    light = window_picture(world)
    if dark_share(world) > 0.2:
        world.fail("started in light mode, the window is dark")
    world.expect("Win+Alt+C held by the calendar", held, lambda h: h == "1")  # the menu: tray_menu

    def choose_mode(light_apps):
        world.wine("reg", "add", PERSONALIZE, "/v", "AppsUseLightTheme", "/t", "REG_DWORD", "/d", str(int(light_apps)),
                   "/f", check=True)
        world.inspect("setting-changed", "ImmersiveColorSet")

    choose_mode(light_apps=False)
    for when in ("told of dark mode", "hidden and shown again"):
        world.expect(f"{when}: the window dark", lambda: dark_share(world), lambda share: share > 0.6)
        world.expect(f"{when}: X light on the dark background", lambda: ink(world, 1),
                     lambda seen: max(seen[0]) <= 80 and min(seen[1]) >= 150 and seen[2] >= 4.5)
        world.click_tray_icon()
        world.expect("the window hidden", world.window, lambda s: s.get("visible") == "0")
        world.click_tray_icon()
        world.expect("the window shown", world.window, lambda s: s.get("visible") == "1")
    choose_mode(light_apps=True)
    world.expect("back in light mode: today's look", lambda: alike(window_picture(world), light),
                 lambda share: share > 0.99)

    # Under Wine a shortcut reaches the program only while a Wine window has the X keyboard: the real keys
    # hide the active calendar; the hidden one is shown by Windows' message (tests/README.md).
    world.activate()
    world.keys("super+alt+c")
    world.expect("Win+Alt+C to hide the calendar", world.window, lambda s: s.get("visible") == "0")
    world.inspect("post-hotkey")
    world.expect("the shortcut to show it in the foreground", world.window,
                 lambda s: s.get("visible") == "1" and s.get("foreground") == "1")
    world.expect("the month to hold the keyboard", world.selected_day, lambda s: s[1])
    close_with_x(world, calendar)
    world.expect("Win+Alt+C released at the end", held, lambda h: h == "0")

    holder, _ = world.start_inspector("hold-hotkey", *WIN_ALT_C, "60000")
    calendar = world.start_calendar()
    if first_item() != "Hide calendar":
        world.fail(f"with Win+Alt+C held by another program the menu's first item is {first_item()!r}")
    close_with_x(world, calendar, "with the shortcut held elsewhere")
    holder.kill()
    world.expect("the other program's hold on Win+Alt+C over", held, lambda h: h == "0")
    world.store("shortcut", "none")
    world.start_calendar()
    if held() != "0" or first_item() != "Hide calendar":
        world.fail(f"with the shortcut 'none' the calendar holds Win+Alt+C ({held()}) or names it ({first_item()!r})")
