#!/usr/bin/env python3
"""Soak: 2,000 tray toggles, 10,000 drag steps and 2,000 hover changes with the
pointer, on the real program under Wine. Prints the program's memory, its
window-system objects and its icons before and after, and whether it still
answers. Exits non-zero when it stops answering, grows an icon, or its memory
or object counts end more than a small margin above where they started.

Soaks the 64-bit program by default; --preset win32 soaks the 32-bit one
where this machine can run it.

Usage: soak.py [--preset win64|win32] [--toggles 2000] [--drags 10000] [--hovers 2000]
"""
import argparse
import os
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import ScenarioFailed, World, make_template, winerun  # noqa: E402
from workload import drag_steps, resident_kib, run_xdotool, tray_clicks  # noqa: E402
from steps import calendar_point, label_centre  # noqa: E402

MEMORY_MARGIN_KIB = 1024
OBJECT_MARGIN = 5


def snapshot(world, process):
    state = world.window()
    objects = world.inspect("gui-resources", state["pid"])
    return {"memory KiB": resident_kib(process.pid), "GDI objects": int(objects.get("gdi", -1)),
            "USER objects": int(objects.get("user", -1)), "windows": int(objects.get("windows", -1)),
            "icons": len(world.desktop.tray_icons())}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--preset", choices=("win64", "win32"), default="win64")
    parser.add_argument("--toggles", type=int, default=2000)
    parser.add_argument("--drags", type=int, default=10000)
    parser.add_argument("--hovers", type=int, default=2000)
    args = parser.parse_args()
    build = os.path.join(ROOT, "build", args.preset)
    why = winerun.unavailable(os.path.join(build, "vrlCalendar.exe"))
    if why:
        print(f"soak not run: {why}")
        return 1
    template = os.path.join(ROOT, "build", "bench", "prefix")
    make_template(template)
    world = World("soak", os.path.join(build, "vrlCalendar.exe"), os.path.join(build, "tests", "inspector.exe"),
                  template, os.path.join(ROOT, "build", "bench"))
    started = time.monotonic()
    try:
        process = world.start_calendar()
        time.sleep(2)
        before = snapshot(world, process)

        run_xdotool(world, tray_clicks(world, args.toggles, 0.05))
        world.expect("the window shown after an even number of toggles", world.window,
                     lambda s: s.get("visible") == "1")

        run_xdotool(world, drag_steps(*calendar_point(world), args.drags, 3))

        labels = [label_centre(world, 1), label_centre(world, 2)]
        commands = []
        for i in range(args.hovers):
            commands += ["mousemove", *map(str, labels[i % 2]), "sleep", "0.01"]
        run_xdotool(world, commands)
        world.point_at(5, 5)
        time.sleep(2)

        after = snapshot(world, process)
        world.click_tray_icon()
        world.expect("the calendar still answering a click on its icon", world.window,
                     lambda s: s.get("visible") == "0")
        world.click_tray_icon()
        world.expect("and the next one", world.window, lambda s: s.get("visible") == "1")
    except ScenarioFailed as failure:
        print(f"soak FAILED: {failure}")
        return 1
    finally:
        world.close()

    print(f"{args.preset}: {args.toggles} tray toggles, {args.drags} drag steps, {args.hovers} hover changes "
          f"in {time.monotonic() - started:.0f} s")
    print(f"{'':14}{'before':>10}{'after':>10}")
    for key in before:
        print(f"{key:14}{before[key]:>10}{after[key]:>10}")
    if before["GDI objects"] == before["USER objects"] == 0:
        print("(GDI and USER object counts: GetGuiResources answers 0 here, as Wine does not implement it;"
              " the process's windows are counted instead)")
    grown = [key for key, margin in (("memory KiB", MEMORY_MARGIN_KIB), ("GDI objects", OBJECT_MARGIN),
                                     ("USER objects", OBJECT_MARGIN), ("windows", 0))
             if after[key] - before[key] > margin]
    if after["icons"] != 1 or grown:
        print(f"soak FAILED: icons {after['icons']}, grown beyond the margin: {grown}")
        return 1
    print("soak passed: still answering, one icon, nothing grown beyond the margin")
    return 0


if __name__ == "__main__":
    sys.exit(main())
