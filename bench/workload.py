"""What the benchmark and the soak both do to a running calendar, and how they
measure it: long runs of real input through xdotool, and the memory Linux
counts for the program."""


def resident_kib(pid):
    """A running process's resident memory, from Linux's own account of it."""
    with open(f"/proc/{pid}/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


def run_xdotool(world, commands, per_call=200):
    """A long run of xdotool commands, a slice at a time, none of them cut off mid-command."""
    starts = [i for i, word in enumerate(commands) if word in ("mousemove", "mousemove_relative", "mousedown",
                                                               "mouseup", "click", "sleep", "key")]
    cuts = starts[::per_call] + [len(commands)]
    for begin, end in zip(cuts, cuts[1:]):
        world.xdotool(*commands[begin:end], timeout=300)


def tray_clicks(world, count, pause):
    """xdotool commands for count clicks on the icon, at two spots far enough
    apart that no two clicks make a double-click."""
    x, y, width, height = world.desktop.tray_icons()[-1]
    spots = [(x + 3, y + height // 2), (x + width - 4, y + height // 2)]
    commands = []
    for i in range(count):
        commands += ["mousemove", *map(str, spots[i % 2]), "click", "1", "sleep", str(pause)]
    return commands


def drag_steps(x, y, count, step):
    """xdotool commands: press at (x, y), then count moves back and forth by step."""
    commands = ["mousemove", str(x), str(y), "mousedown", "1"]
    for i in range(count):
        commands += ["mousemove_relative", "--", str(step if i % 2 == 0 else -step), "0"]
    return commands + ["mouseup", "1"]
