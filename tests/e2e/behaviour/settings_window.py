"""The Settings window: opened from the icon's menu, worked with the keyboard alone, applied at once."""
from steps import DECEMBER_10, icon_number, language_texts, on_december_10, scenario, week_numbers

TEXTS = language_texts("en")
CTRL_ALT_K, WIN_ALT_C, CTRL_SHIFT_J = ("3", str(ord("K"))), ("9", str(ord("C"))), ("6", str(ord("J")))


@scenario(cost=70)
def settings_window(world):
    """One window however often it is chosen, shown with the keyboard while the calendar hides; a new
    shortcut taken and the old one let go; one another program holds refused; week numbers off, on and
    ISO 8601's, the window laid out anew; Cancel writes nothing; Esc puts the calendar away. December 2026
    in a US format: weeks from Sunday, week 1 holds 1 January; in ISO 8601's, from Monday, to week 53."""
    def dialog():
        return world.inspect("dialog", TEXTS["settings.title"])

    def status():
        return next((c["text"] for c in dialog()["children"] if c["id"] == "108"), None)

    def held(shortcut):
        return world.inspect("hotkey-held", *shortcut).get("held")

    def open_settings(when):
        world.choose(world.open_tray_menu(), "Settings…")
        return world.expect(f"{when}: the Settings window in the foreground", dialog,
                            lambda d: d.get("found") == "1" and d.get("foreground") == "1")

    def shown_after(keys, when, ok="Return"):
        """Keys typed into the window, which starts on Ctrl, then OK (Enter) or Cancel (Esc)."""
        world.keys(*keys, ok)
        world.expect(f"{when}: the Settings window closed", dialog, lambda d: d.get("found") == "0")

    world.start_calendar(clock=DECEMBER_10)
    before = world.window()
    faked = on_december_10(world)
    if faked and week_numbers(world) != [49, 50, 51, 52, 1, 2]:
        world.fail(f"December 2026 in a US format: expected weeks 49 to 52, 1 and 2, saw {week_numbers(world)}")
    x, y, width, height = world.desktop.tray_icons()[0]
    world.point_at(x + width // 2, y + height // 2)
    world.expect("the icon's tip, beginning with today and its week",
                 lambda: world.inspect("tip", inspector=world.shell_inspector).get("tip"),
                 lambda tip: tip == "Thursday, December 10, 2026 · week 50" or not faked and " · week " in tip)
    open_settings("chosen once")
    opened = open_settings("chosen again")
    if opened["count"] != "1":
        world.fail(f"Settings chosen twice made {opened['count']} windows")
    state = world.window()
    if not all(0 <= int(opened[a]) and int(opened[b]) <= int(state[size]) for a, b, size in
               (("left", "right", "screen_width"), ("top", "bottom", "screen_height"))):
        world.fail(f"the Settings window at {opened} is not wholly on the screen")

    # Windows hides an owned window with its minimised owner (the hidden calendar); Wine does not.
    world.click_tray_icon()
    world.expect("the calendar hidden by its icon", world.window, lambda s: s.get("visible") == "0")
    hidden = open_settings("chosen with the calendar hidden")
    if (hidden["visible"], hidden["focus"], hidden["owned"]) != ("1", "1", "0"):
        world.fail(f"calendar hidden: Settings window {[hidden[k] for k in ('visible', 'focus', 'owned')]}, not 1 1 0")

    # Ctrl ticked, Alt kept, Win unticked, K from the list.
    world.keys("space", "Tab", "Tab", "Tab", "space", "Tab", "k")
    world.expect("Ctrl+Alt+K said to be free", status, lambda s: s == TEXTS["settings.free"])
    shown_after([], "OK on Ctrl+Alt+K")
    if (held(CTRL_ALT_K), held(WIN_ALT_C), world.stored().get("shortcut")) != ("1", "0", "Ctrl+Alt+K"):
        world.fail(f"after OK: Ctrl+Alt+K held {held(CTRL_ALT_K)}, Win+Alt+C held {held(WIN_ALT_C)}, "
                   f"stored {world.stored()}")
    world.click_tray_icon()
    world.expect("the calendar shown again by its icon", world.window, lambda s: s.get("visible") == "1")
    items = world.open_tray_menu()
    world.click(5, 5)
    if items[0]["text"] != "Hide calendar\tCtrl+Alt+K":
        world.fail(f"after OK the menu's first item is {items[0]['text']!r}")

    holder, _ = world.start_inspector("hold-hotkey", *CTRL_SHIFT_J, "60000")
    open_settings("with Ctrl+Shift+J held elsewhere")
    world.keys("Tab", "space", "Tab", "space", "Tab", "Tab", "j")  # Alt off, Shift on, J
    world.expect("Ctrl+Shift+J said to be held", status, lambda s: s == TEXTS["settings.held"])
    world.keys("Return")
    world.expect("OK on a held shortcut: the window still open, saying so", status,
                 lambda s: s == TEXTS["settings.refused"])
    if (held(CTRL_ALT_K), world.stored().get("shortcut")) != ("1", "Ctrl+Alt+K"):
        world.fail(f"a refused shortcut let the old one go or was stored: {world.stored()}")
    shown_after([], "Esc", ok="Escape")
    holder.kill()

    stored = world.stored()
    open_settings("for Cancel")
    shown_after(["alt+n", "Down", "alt+i"], "Cancel", ok="Escape")
    if world.stored() != stored or world.window()["width"] != before["width"]:
        world.fail(f"Cancel changed something: stored {world.stored()}, width {world.window()['width']}")

    for shown, key in (("0", "Up"), ("1", "Down"), ("iso", "Down")):  # in the list: none, regional, ISO
        open_settings(f"week numbers to {shown}")
        shown_after(["alt+n", key], f"week numbers to {shown}")
        world.expect(f"weekNumbers stored as {shown}", lambda: world.stored().get("weekNumbers"), lambda v: v == shown)
        narrower = (lambda w: w < int(before["width"])) if shown == "0" else (lambda w: w == int(before["width"]))
        state = world.expect(f"week numbers {shown}: the window's new width", world.window,
                             lambda s: narrower(int(s["width"])))
        width = int(state["width"])
        for label in state["children"]:
            if label["id"] in ("1", "2") and not (int(label["x"]) + int(label["width"]) <= width and
                                                  int(label["x"]) >= width - 30 and label["y"] == "0"):
                world.fail(f"week numbers {shown}: label {label} not in the top right of a window {width} wide")
        if not (0 <= int(state["left"]) and int(state["left"]) + width <= int(state["screen_width"])):
            world.fail(f"week numbers {shown}: the window at {state['left']} is not wholly on the screen")
    if faked and week_numbers(world) != [49, 50, 51, 52, 53, 1]:
        world.fail(f"ISO 8601's weeks chosen: expected 49 to 53 and 1 beside the rows, saw {week_numbers(world)}")
    open_settings("for the week in the icon")
    shown_after(["alt+h", "Down", "alt+p", "Down"], "the week in the icon, opened where one works")
    world.expect("iconShows and opensOn stored", world.stored,
                 lambda s: (s.get("iconShows"), s.get("opensOn")) == ("week", "working"))
    if faked:
        world.expect("the icon showing this week's number, 50", lambda: icon_number(world), lambda n: n == [50])

    world.activate()
    world.keys("Escape")
    world.expect("Esc on the calendar to hide it", world.window, lambda s: s.get("visible") == "0")
