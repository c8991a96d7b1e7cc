#!/usr/bin/env python3
"""Prints what the calendar costs next to a bare baseline program of its kind
that shows what the calendar shows at its start (a borderless topmost window
with one month-calendar control and the two labels in their font, and one
notification-area icon with its tip), both run under the same Wine on a
private desktop.

Measures the 64-bit programs, and the 32-bit ones where this machine can run
them; a build it cannot run is reported and left out.

Usage: bench.py [--runs 21] [--idle 30] [--steps 1000] [--scale-changes 100] [--markdown BENCHMARKS.md]
Build first: cmake --preset win64 && cmake --build --preset win64 (and win32)
"""
import argparse
import datetime
import os
import platform
import statistics
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import World, make_template, winerun  # noqa: E402
from workload import drag_steps, resident_kib, run_xdotool, tray_clicks  # noqa: E402

BUILDS = {"win64": "64-bit program (x64)", "win32": "32-bit program (x86)"}


def programs(preset):
    build = os.path.join(ROOT, "build", preset)
    return {"vrlCalendar": (os.path.join(build, "vrlCalendar.exe"), "vrlCalendar.frmCalendar"),
            "baseline": (os.path.join(build, "bench", "baseline.exe"), "vrlBaseline")}


TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def start_up_ms(world, exe, window_class):
    """Process start to window shown, timed by an inspector already waiting for it."""
    waiter = subprocess.Popen(winerun.command(world.inspector, "wait-visible", window_class), env=world.env,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    if waiter.stdout.readline().strip() != "ready":
        raise RuntimeError("the inspector did not start")
    started = time.monotonic()
    program = subprocess.Popen(winerun.command(exe), env=world.env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    world.processes.append(program)
    line = waiter.stdout.readline()
    shown = time.monotonic()
    waiter.wait(30)
    if "visible" not in line:
        raise RuntimeError(f"{exe} never showed its window")
    return (shown - started) * 1000, program


def stop(world, program):
    program.kill()
    program.wait(10)
    time.sleep(0.5)


def exercise(world, window_class, steps):
    """Clicks on the icon, then drag steps on the window."""
    run_xdotool(world, tray_clicks(world, steps, 0.04))
    if world.inspect("window", window_class).get("visible") == "0":
        world.click_tray_icon()  # the calendar ends shown, as it started
    state = world.inspect("window", window_class)
    run_xdotool(world, drag_steps(int(state["left"]) + 20, int(state["top"]) + 100, steps, 4))
    time.sleep(1)


def measure(args, preset):
    PROGRAMS = programs(preset)
    template = os.path.join(ROOT, "build", "bench", "prefix")
    make_template(template)
    inspector = os.path.join(ROOT, "build", preset, "tests", "inspector.exe")
    results = {name: {} for name in PROGRAMS}
    world = World("bench", PROGRAMS["vrlCalendar"][0], inspector, template, os.path.join(ROOT, "build", "bench"))
    try:
        for name, (exe, window_class) in PROGRAMS.items():
            results[name]["size"] = os.path.getsize(exe)
        for _ in range(args.runs):  # interleaved, so both see the same machine
            for name, (exe, window_class) in PROGRAMS.items():
                elapsed, program = start_up_ms(world, exe, window_class)
                results[name].setdefault("start", []).append(elapsed)
                stop(world, program)
        for name, (exe, window_class) in PROGRAMS.items():
            _, program = start_up_ms(world, exe, window_class)
            world.wait_for(lambda: world.desktop.tray_icons(), 20, "the icon")
            time.sleep(2)
            results[name]["rss_shown"] = resident_kib(program.pid)
            before = cpu_seconds(program.pid)
            time.sleep(args.idle)
            results[name]["cpu_shown"] = cpu_seconds(program.pid) - before
            if name == "vrlCalendar":
                world.click_tray_icon()
                time.sleep(1)
                before = cpu_seconds(program.pid)
                time.sleep(args.idle)
                results[name]["cpu_hidden"] = cpu_seconds(program.pid) - before
                world.click_tray_icon()
            exercise(world, window_class, args.steps)
            results[name]["rss_exercised"] = resident_kib(program.pid)
            if name == "vrlCalendar":  # told of a new scale, as Windows tells it, between 144 and 96 DPI
                for change in range(args.scale_changes):
                    world.inspect("change-dpi", "144" if change % 2 == 0 else "96")
                results[name]["rss_scaled"] = resident_kib(program.pid)
                results[name]["objects_scaled"] = world.inspect("gui-resources", str(world.window()["pid"]))
            stop(world, program)
    finally:
        world.close()
    return results


def table(results, args):
    cal, base = results["vrlCalendar"], results["baseline"]

    def ratio(a, b):
        return f"{a / b:.2f}" if b else "—"

    def spread(values):
        return max(values) - min(values)

    counted = cal["objects_scaled"]
    objects_scaled = (f"{counted['gdi']}{' (Wine counts none)' if counted['gdi'] == '0' else ''}, "
                      f"{counted['windows']} windows")
    rows = [
        ("start-up, median (ms)", f"{statistics.median(cal['start']):.0f}", f"{statistics.median(base['start']):.0f}",
         ratio(statistics.median(cal["start"]), statistics.median(base["start"]))),
        # Started in turn, the two of one round meet the same machine: the median of
        # the rounds' own ratios leaves out much of what a busy machine adds to both.
        ("start-up, median of each round's ratio", "", "",
         f"{statistics.median(c / b for c, b in zip(cal['start'], base['start'])):.2f}"),
        ("start-up, spread max-min (ms)", f"{spread(cal['start']):.0f}", f"{spread(base['start']):.0f}", ""),
        ("resident memory once shown (KiB)", str(cal["rss_shown"]), str(base["rss_shown"]),
         ratio(cal["rss_shown"], base["rss_shown"])),
        (f"resident memory after {args.steps} tray clicks and {args.steps} drag steps (KiB)",
         str(cal["rss_exercised"]), str(base["rss_exercised"]), ratio(cal["rss_exercised"], base["rss_exercised"])),
        (f"resident memory after those and {args.scale_changes} changes of scale (KiB)", str(cal["rss_scaled"]),
         "— (one scale)", ""),
        ("GDI objects, and windows, after the changes of scale", objects_scaled, "—", ""),
        (f"CPU in {args.idle} s shown and idle (s)", f"{cal['cpu_shown']:.2f}", f"{base['cpu_shown']:.2f}", ""),
        (f"CPU in {args.idle} s hidden (s)", f"{cal['cpu_hidden']:.2f}", "— (cannot hide)", ""),
        ("program size (bytes)", str(cal["size"]), str(base["size"]), ratio(cal["size"], base["size"])),
        ("needs beside itself", "nothing (Windows' own DLLs)", "nothing (Windows' own DLLs)", ""),
    ]
    lines = ["| figure | vrlCalendar | baseline | ratio |", "|---|---|---|---|"]
    lines += [f"| {a} | {b} | {c} | {d} |" for a, b, c, d in rows]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--idle", type=int, default=30)
    parser.add_argument("--steps", type=int, default=1000)
    parser.add_argument("--scale-changes", type=int, default=100)
    parser.add_argument("--markdown", help="also write the table, with machine and date, to this file")
    args = parser.parse_args()
    sections = []
    for preset, what in BUILDS.items():
        missing = [exe for exe, _ in programs(preset).values() if not os.path.exists(exe)]
        why = (f"{missing[0]} is missing: cmake --preset {preset} && cmake --build --preset {preset}" if missing
               else winerun.unavailable(programs(preset)["vrlCalendar"][0]))
        if why:
            print(f"{what}: not measured: {why}")
            sections.append(f"## {what}\n\nNot measured: {why}.\n")
            continue
        results = measure(args, preset)
        text = table(results, args)
        print(f"{what}\n{text}")
        print("start-up runs (ms):", {name: [round(v) for v in r["start"]] for name, r in results.items()})
        sections.append(f"## {what}\n\n{text}\n")
    if args.markdown:
        wine = subprocess.run([winerun.LOADER64, "--version"], capture_output=True, text=True).stdout.strip()
        with open(args.markdown, "w") as out:
            out.write("# Benchmarks\n\n")
            out.write(f"Latest run of `bench/bench.py`: {datetime.date.today()}, {platform.node()}, "
                      f"{os.cpu_count()} cores, {platform.machine()}, {wine}, Xvfb 1024x768, "
                      f"{args.runs} start-ups each.\n\n" + "\n".join(sections))


if __name__ == "__main__":
    main()
