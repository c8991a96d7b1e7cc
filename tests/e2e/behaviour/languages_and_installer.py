"""The display language, and the installer as a new user meets it."""
import datetime
import glob
import os

from harness import SETTINGS_KEY, winerun
from steps import (DECEMBER_10, RUN_KEY, calendar_point, click_x, escaped, label_centre, language_texts,
                   on_december_10, scenario, week_number_readings, week_numbers)


@scenario(locale="de_DE.UTF-8", screen=(1680, 1050))
def languages(world):
    """In the display language: the menu, the tips, the help box, the error report and what a screen reader
    calls the labels; and after every way of showing the window the calendar has the keyboard. In the German
    format, ISO 8601's week numbers, 53 in December 2026."""
    de = language_texts("de")
    calendar = world.start_calendar(language="de_DE.UTF-8", clock=DECEMBER_10)
    faked = on_december_10(world)
    weeks = week_numbers(world) if faked else None
    if faked and weeks != [49, 50, 51, 52, 53, 1]:
        world.fail(f"December 2026 in a German format: expected weeks 49 to 53 and 1 beside the rows, saw {weeks}")
    world.activate()  # as the window manager would; openbox does not at a start (tests/README.md)
    world.expect("after start: the calendar holds the keyboard focus", world.selected_day, lambda s: s[1])
    names = {"window": "vrlCalendar", "label1": de["close"], "label2": de["help"]}
    world.expect(f"the names a screen reader says {names}", lambda: world.inspect("names"),
                 lambda seen: {key: seen.get(key) for key in names} == names)
    world.point_at(*label_centre(world, 1))
    world.expect("the X label's tip", lambda: world.inspect("tip").get("tip"), lambda tip: tip == de["tip.close"])
    x, y, width, height = world.desktop.tray_icons()[0]
    world.point_at(x + width // 2, y + height // 2)
    today = "Donnerstag, 10. Dezember 2026 · " + de["tip.week"].replace("%1", "50")
    world.expect(f"the icon's tip, beginning {today!r}",
                 lambda: world.inspect("tip", inspector=world.shell_inspector).get("tip"),
                 lambda tip: tip == today or not faked and " · KW " in tip)

    items = world.open_tray_menu()
    shortcut = f"\t{de['key.win']}+{de['key.alt']}+C"
    menu = [de["menu.hide"] + shortcut, de["help"], "-", de["menu.start_at_sign_in"], de["menu.settings"], "-",
            de["close"]]
    if [item["text"] for item in items] != menu:
        world.fail(f"the menu: expected {menu}, saw {[item['text'] for item in items]}")
    for way, events in (("the menu's item", ()), ("the keyboard's Enter on the icon", (516, 517))):
        world.choose(items, de["menu.hide"])
        world.expect("the window hidden", world.window, lambda s: s.get("visible") == "0")
        world.choose(world.open_tray_menu(*events), de["menu.show"])
        world.expect(f"shown by {way}: the calendar holds the keyboard focus", world.selected_day, lambda s: s[1])
        items = world.open_tray_menu()
    world.choose(items, de["help"])
    box = world.expect("the help box", lambda: world.inspect("dialog", "vrlCalendar 1.0"),
                       lambda s: s.get("found") == "1")
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
    if not world.ended(calendar):
        world.fail("the program did not end after the report was answered")
    world.inspect("allow-writes", settings_key)

    # Three months side by side, December to February, every row numbered as ISO 8601 counts it, the window
    # wholly on the display; at 100 % and at 200 %.
    world.store("monthsShown", "3")
    calendar = world.start_calendar(language="de_DE.UTF-8", clock=DECEMBER_10)
    for dots_per_inch in (96, 192) if faked else ():
        if dots_per_inch != 96 and world.inspect("change-dpi", str(dots_per_inch)).get("changed") != "1":
            world.fail(f"the calendar was not told of {dots_per_inch} DPI")
        for month, first in enumerate((datetime.date(2026, 12, 1), datetime.date(2027, 1, 1),
                                       datetime.date(2027, 2, 1))):
            start = first - datetime.timedelta(days=first.weekday() or 7)  # a 1st on a Monday: a week before
            iso = [(start + datetime.timedelta(weeks=row)).isocalendar()[1] for row in range(6)]
            world.expect(f"at {dots_per_inch} DPI, {first:%B %Y}'s rows numbered {iso}",
                         lambda: week_number_readings(world, month, 3), lambda readings: iso in readings)
        left, top = world.position()
        state = world.window()
        if not (0 <= left <= int(state["screen_width"]) - int(state["width"]) and
                0 <= top <= int(state["screen_height"]) - int(state["height"])):
            world.fail(f"three months at {dots_per_inch} DPI: the window at {(left, top)} is not wholly on the screen")
        world.desktop.x("import", "-window", "root", f"/tmp/three-{dots_per_inch}.png")
    world.inspect("close")
    if not world.ended(calendar):
        world.fail("the calendar of three months did not close")
    world.store("monthsShown", "1")

    ja = language_texts("ja")
    calendar = world.start_calendar(language="ja_JP.UTF-8")
    items = world.open_tray_menu()
    menu = [ja["menu.hide"] + "\tWin+Alt+C", ja["help"], "-", ja["menu.start_at_sign_in"], ja["menu.settings"], "-",
            ja["close"]]
    if [item["text"] for item in items] != menu:
        world.fail(f"the menu in Japanese: expected {menu}, saw {[item['text'] for item in items]}")
    world.choose(items, ja["close"])
    if not world.ended(calendar):
        world.fail(f"{ja['close']!r} left the program running")


UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\vrlCalendar"
STARTUP_APPROVED = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"


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
    setup_in_wine = "Z:" + setup.replace("/", "\\")  # as the inspector starts it, to know its process

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
    world.click(*calendar_point(world))
    world.keys("alt+Left", "alt+Up")  # moved, and then the upgrades keep the user's choices
    for starts in (None, f'"{installed}"'):
        world.choose(world.open_tray_menu(), "Start when I sign in")
        world.expect(f"the log-on entry {starts}", lambda: world.registry_value(RUN_KEY, "vrlCalendar"),
                     lambda value: value == starts)
        moved, before = world.position(), world.window()["pid"]
        upgrade = world.inspect("run", setup_in_wine, "/S")  # it closes the running copy first
        if upgrade.get("exit") != "0":
            world.fail(f"the silent upgrade exited {upgrade.get('exit')}")
        if running and not world.ended(running):
            world.fail("installing over a running copy left it running")
        running = None
        if set(world.stored()) != {"left", "top"}:
            world.fail(f"the running copy was not closed as the user would close it (nothing stored: {world.stored()})")
        world.wait_for(lambda: world.window().get("pid", before) != before, 60, "the calendar running again")
        seen = (world.position(), world.registry_value(RUN_KEY, "vrlCalendar"))
        if seen != (moved, starts):
            world.fail(f"after upgrading: expected the calendar at {moved} and the log-on entry {starts}, saw {seen}")
        if world.inspect("parent").get("parent") == upgrade["pid"]:
            world.fail("the calendar started again is the installer's child (it would inherit its token)")

    # A calendar whose process ends only after its window (on a busy machine, say) still holds its file: the
    # upgrade waits for it. One that will not close (an elevated one) makes the silent upgrade fail, unwritten.
    program = os.path.join(folder, "vrlCalendar.exe")

    def close_calendar():
        world.inspect("close")
        world.expect("the calendar closed", lambda: world.inspect("count").get("count"), lambda n: n == "0")
    close_calendar()
    world.start_inspector("hold-window", "2000", installed)
    written = os.stat(program).st_mtime_ns
    lingered = world.inspect("run", setup_in_wine, "/S")
    if lingered.get("exit") != "0" or os.stat(program).st_mtime_ns == written:
        world.fail(f"over a calendar whose process outlives its window, the silent upgrade exited "
                   f"{lingered.get('exit')} or left the program file unwritten")
    world.wait_for(lambda: world.window().get("pid"), 60, "the calendar running again")
    close_calendar()
    holder, _ = world.start_inspector("hold-window", "120000")
    written = os.stat(program).st_mtime_ns
    refused = world.inspect("run", setup_in_wine, "/S")
    holder.kill()
    if refused.get("exit") in ("0", None) or os.stat(program).st_mtime_ns != written:
        world.fail(f"over a calendar that does not close, the silent install exited {refused.get('exit')} "
                   "or wrote the program file")

    kept = world.stored()
    for name in ("vrlCalendar", "AnotherProgram"):  # as the task manager marks them turned off
        world.wine("reg", "add", STARTUP_APPROVED, "/v", name, "/t", "REG_BINARY", "/d", "030000000000000000000000",
                   "/f", check=True)

    world.wine(os.path.join(folder, "Uninstall.exe"), "/S", check=True)
    world.expect("the uninstaller to remove the program folder", lambda: os.path.exists(folder), lambda s: not s,
                 seconds=30)
    seen = {"shortcut": os.path.exists(shortcut), "log-on entry": world.registry_value(RUN_KEY, "vrlCalendar"),
            "installed-programs entry": world.registry_value(UNINSTALL_KEY, "DisplayName"),
            "saved position": world.stored(), "turned-off marks": sorted(world.registry_values(STARTUP_APPROVED))}
    expected = {"shortcut": False, "log-on entry": None, "installed-programs entry": None, "saved position": kept,
                "turned-off marks": ["AnotherProgram"]}
    if seen != expected:
        world.fail(f"after uninstalling: expected {expected}, saw {seen}")
