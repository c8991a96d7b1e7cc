"""Steps the scenarios share: where the labels are, how to close the program, how far the keys take the
window, what a picture of it holds, and the register of scenarios."""
import os
import subprocess
import sys
from collections import Counter

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "texts"))
from make_texts import read_language  # noqa: E402
from harness import ScenarioSkipped, TWIPS_PER_PIXEL, twips_to_pixels, wait_until, winerun  # noqa: E402

SCENARIOS = {}
# A Thursday in the week numbered 50 by every count, in a year with 53 ISO weeks, as the calendar's clock.
DECEMBER_10 = "@2026-12-10 12:00:00"


def scenario(function=None, **world_options):
    """Registers a scenario; options such as screen=(w, h) or tray=False shape its world."""
    def register(function):
        SCENARIOS[function.__name__] = (function, world_options)
        return function
    return register(function) if function else register


HELP_TEXT = ("One can move the calendar by pressing the <Alt> key and subsequently the left, right, up or down "
             "<Arrow> key.   \\r\\nOr -quicker- by clicking on the calendar, holding the (left mouse) button down "
             "and subsequently dragging the calendar to the desired position. \\r\\n\\r\\nJust click the calendar "
             "icon in the system tray to hide or show the calendar. Click the Close button to close the calendar.")


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


def language_texts(tag):
    """A language's texts, as its file in texts/languages gives them."""
    return read_language(os.path.join(os.path.dirname(__file__), "..", "..", "texts", "languages", f"{tag}.txt"))


def escaped(text):
    return text.replace("\r", "\\r").replace("\n", "\\n")


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


def needs_faked_clock(world, day):
    """Skips the scenario where the program did not open on the faked clock's day (YYYY-MM-DD)."""
    seen = world.selected_day()[0]
    if seen != day:  # libfaketime reaches Wine's 64-bit processes, not always its 32-bit ones
        raise ScenarioSkipped(f"the faked clock does not reach this {winerun.architecture(world.exe)} program "
                              f"under this Wine: it opened on {seen}, not {day}")


def on_december_10(world):
    """Whether the program took the faked clock: libfaketime reaches Wine's 64-bit processes, not always its
    32-bit ones, which then open on the real today."""
    return world.selected_day()[0] == DECEMBER_10[1:11]


def week_column(world, month=0, months=1):
    """The calendar's week column in a picture of the window settled: a month's first eleventh, between the
    weekdays and today. With months side by side, the month-th of them."""
    picture = window_picture(world)
    calendar = next(c for c in world.window()["children"] if c["child"] == "SysMonthCal32")
    x, y, width, height = (int(calendar[k]) for k in ("x", "y", "width", "height"))
    x, width = x + width * month // months, width // months
    return [row[x:x + width // 11] for row in picture[y + height * 27 // 100:y + height * 88 // 100]]


def week_numbers(world):
    """The numbers beside the calendar's rows, read off the screen: each, a band of rows with ink, enlarged
    and read on its own."""
    return read_numbers(world, week_column(world))


def week_number_readings(world, month, months):
    """Several readings of a month's week numbers, for light single digits that one way of reading may miss:
    each number on its own, then the column as one text at three sizes."""
    column = week_column(world, month, months)
    readings = [read_numbers(world, column)]
    path = os.path.join(world.prefix, "column.ppm")
    with open(path, "wb") as out:
        out.write(b"P6 %d %d 255\n" % (len(column[0]), len(column)))
        out.write(bytes(c for row in column for p in row for c in p))
    for size in (300, 400, 500):
        subprocess.run(["convert", path, "-colorspace", "Gray", "-resize", f"{size}%", "-normalize", "-bordercolor",
                        "white", "-border", "30", path + ".png"], check=True, timeout=30)
        read = subprocess.run(["tesseract", path + ".png", "-", "--psm", "6", "-c",
                               "tessedit_char_whitelist=0123456789"], capture_output=True, text=True, timeout=60)
        readings.append([int(word) for word in read.stdout.split() if word.isdigit()])
    return readings


def icon_number(world):
    """The number the notification icon shows, read off its red plate: [] for none."""
    x, y, width, height = world.desktop.tray_icons()[0]
    pixels = world.pixels(x, y, width, height)
    red = [(i % width, i // width) for i, (r, g, b) in enumerate(pixels) if r >= 200 and g <= 80 and b <= 80]
    if not red:
        return []
    left, right = min(px for px, _ in red), max(px for px, _ in red) + 1
    top, bottom = min(py for _, py in red), max(py for _, py in red) + 1
    number = read_number(world, [pixels[row * width + left:row * width + right] for row in range(top, bottom)])
    return [] if number is None else [number]


def most_common_pixel(picture):
    return Counter(p for row in picture for p in row).most_common(1)[0][0]


def is_ink(pixel, background):
    return sum(abs(a - b) for a, b in zip(pixel, background)) > 120


def read_numbers(world, picture):
    """The numbers stacked in a picture, top to bottom, each a band of rows with ink read on its own; a line
    that runs down all of it is not ink, and a gap of a row or two within a light digit's strokes is no gap."""
    background = most_common_pixel(picture)
    ink = [[is_ink(p, background) for p in row] for row in picture]
    lines = {i for i in range(len(ink[0])) if sum(row[i] for row in ink) > len(ink) * 3 // 4}
    inked = [any(on for i, on in enumerate(row) if i not in lines) for row in ink] + [False]
    for at in range(1, len(inked) - 3):
        if inked[at - 1] and not inked[at] and (inked[at + 1] or inked[at + 2]):
            inked[at] = True
    numbers, top = [], None
    for at, on in enumerate(inked):
        if on and top is None:
            top = at
        elif not on and top is not None:
            number = read_number(world, [[p if i not in lines else background for i, p in enumerate(row)]
                                         for row in picture[max(0, top - 2):at + 2]])
            if number is not None:
                numbers.append(number)
            top = None
    return numbers


def read_number(world, picture):
    """The number a picture of one line shows, dark on light or light on dark, enlarged (less where a light
    single digit is not read at first); None for none."""
    background = most_common_pixel(picture)
    inked = [p for row in picture for p in row if is_ink(p, background)]
    light_ink = inked and sum(map(sum, inked)) / len(inked) > sum(background)
    path = os.path.join(world.prefix, "number.ppm")
    pixels = bytes(c for row in picture for p in row for c in p)
    with open(path, "wb") as out:
        out.write(b"P6 %d %d 255\n" % (len(picture[0]), len(picture)) + pixels)
    for height in ("x80", "x60", "x40"):
        subprocess.run(["convert", path, "-colorspace", "Gray"] + (["-negate"] if light_ink else []) +
                       ["-resize", height, "-normalize", "-bordercolor", "white", "-border", "30", path + ".png"],
                       check=True, timeout=30)
        read = subprocess.run(["tesseract", path + ".png", "-", "--psm", "7", "-c",
                               "tessedit_char_whitelist=0123456789"], capture_output=True, text=True,
                              timeout=60).stdout.strip()
        if read.isdigit():
            return int(read)
    return None


def alike(a, b):
    """The share of pixels two pictures of one size have alike."""
    return sum(x == y for row_a, row_b in zip(a, b) for x, y in zip(row_a, row_b)) / sum(map(len, b))


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


RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


TURNED_OFF_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
