#!/usr/bin/env python3
"""Prints what the calendars' reader costs: reading a large export and finding
one month's occurrences, with ours and with libical in the same run of
bench/ics_bench.cpp (built here, in a Release build of its own, with
Debian's libical-dev installed when it is missing); then the Windows
program's start-up under Wine with no calendars, with three whose addresses
cannot be reached and whose copies, each that export, are kept, and with the
same three without copies.

Usage: bench_reader.py [--runs 21] [--month 202612] [--starts 21] [--no-start-up]
The start-up needs the Windows program: cmake --preset win64 && cmake --build --preset win64
"""
import argparse
import os
import shutil
import socket
import statistics
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bench import programs, start_up_ms, stop  # noqa: E402
from harness import SETTINGS_KEY, World, make_template, winerun  # noqa: E402

BUILD = os.path.join(ROOT, "build", "bench-native")
EXPORT = os.path.join(ROOT, "build", "bench", "export.ics")
# A closed port on the loopback: every read of these fails at once, and the copies are what is shown.
ADDRESSES = [f"http://127.0.0.1:9/{name}.ics" for name in ("work", "team", "family")]


def copy_name(address):
    """calendars::CopyName: FNV-1a (64 bits) of the address as typed, in 16 hexadecimal digits."""
    value = 14695981039346656037
    for byte in address.encode():
        value = ((value ^ byte) * 1099511628211) % 2 ** 64
    return f"{value:016x}"


def ensure_libical():
    """libical for the comparison, installed as scripts/deps.sh installs: nothing when it is there."""
    missing = [p for p in ("libical-dev", "pkg-config") if subprocess.run(
        ["dpkg-query", "-W", "-f=${Status}", p], capture_output=True, text=True).stdout.find("ok installed") < 0]
    if not missing:
        return
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    print(f"Installing (the benchmark's comparison): {' '.join(missing)}")
    if subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", *missing], env=env,
                      stdout=subprocess.DEVNULL).returncode != 0:
        print("bench_reader: libical could not be installed: ours is measured alone")


def reader(args):
    if not os.path.exists(EXPORT):
        subprocess.run([sys.executable, os.path.join(ROOT, "bench", "make_export.py"), EXPORT], check=True)
    ensure_libical()
    subprocess.run(["cmake", "-S", ROOT, "-B", BUILD, "-DCMAKE_BUILD_TYPE=Release", "-DCALENDAR_E2E=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", BUILD, "--target", "ics_bench", "-j2"], check=True, stdout=subprocess.DEVNULL)
    said = subprocess.run([os.path.join(BUILD, "ics_bench"), EXPORT, args.month, str(args.runs)], check=True,
                          capture_output=True, text=True).stdout
    print(said, end="")
    figures = {}
    for line in said.splitlines():
        words = line.split()
        if len(words) == 7 and words[2] == "median":
            figures[words[0], words[1]] = float(words[3]), float(words[5])
    if ("libical", "both") in figures:
        for what in ("read", "expand", "both"):
            (ours, ours_min), (theirs, theirs_min) = figures["ours", what], figures["libical", what]
            print(f"ours / libical  {what:7} median {ours / theirs:.2f}  min {ours_min / theirs_min:.2f}")


def start_ups(args):
    exe, window_class = programs("win64")["vrlCalendar"]
    inspector = os.path.join(ROOT, "build", "win64", "tests", "inspector.exe")
    why = (f"{inspector} is missing (cmake --build --preset win64)" if not os.path.exists(inspector)
           else winerun.unavailable(exe))
    if why:
        print(f"start-up: not measured: {why}")
        return
    with socket.socket() as probe:
        if probe.connect_ex(("127.0.0.1", 9)) == 0:
            print("start-up: something answers on 127.0.0.1:9; the copies would not be all that is read")
    template = os.path.join(ROOT, "build", "bench", "prefix")
    make_template(template)
    world = World("bench-reader", exe, inspector, template, os.path.join(ROOT, "build", "bench"))
    # The same three addresses without their copies tell the reader's part from the rest of having calendars.
    times = {"none": [], "three, no copies": [], "three cached": []}
    try:
        users = [u for u in os.listdir(world.drive_c("users")) if u != "Public"]
        copies = world.drive_c("users", users[0], "AppData", "Local", "vrlCalendar", "Calendars")
        os.makedirs(copies, exist_ok=True)

        def start(case):
            for number, address in enumerate(ADDRESSES, 1):
                if case == "none":
                    world.wine("reg", "delete", SETTINGS_KEY, "/v", f"calendar{number}", "/f")
                else:
                    world.store(f"calendar{number}", address)
                copy = os.path.join(copies, copy_name(address) + ".ics")
                if case == "three cached":
                    shutil.copyfile(EXPORT, copy)
                elif os.path.exists(copy):
                    os.remove(copy)
            for attempt in range(3):  # Wine on a busy machine now and then fails a start of the inspector
                try:
                    return start_up_ms(world, exe, window_class)
                except RuntimeError as error:
                    print(f"start-up: a start failed ({error}), started again")
            raise RuntimeError("three starts in a row failed")

        # The first start of each warms Wine's caches, not counted; the first shows that the copies are read.
        _, program = start("three cached")
        listed = world.expect("today's events from the copies", lambda: next(
            (c["text"] for c in world.window()["children"] if c["child"] == "ListBox"), ""), bool, seconds=60)
        stop(world, program)
        print(f"start-up: the copies are read: {listed.count(' | ') + 1} of today's events listed")
        for case in list(times)[:2]:
            stop(world, start(case)[1])
        for _ in range(args.starts):  # in turns, so all see the same machine
            for case, values in times.items():
                elapsed, program = start(case)
                stop(world, program)
                values.append(elapsed)
    finally:
        world.close()
    none = times["none"]
    print(f"start-up under Wine, {args.starts} starts each (ms): median, ÷ none's, median of each round's ratio")
    for case, values in times.items():
        rounds = statistics.median(v / n for v, n in zip(values, none))
        print(f"  {case:17} {statistics.median(values):5.0f}  {statistics.median(values) / statistics.median(none):.2f}"
              f"  {rounds:.2f}")
    print("  (the aim: three cached within 1.05 of none)")
    print("start-up runs (ms):", {case: [round(v) for v in values] for case, values in times.items()})


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=21, help="reads and expansions of each reader")
    parser.add_argument("--month", default="202612", help="the month expanded, YYYYMM")
    parser.add_argument("--starts", type=int, default=21, help="start-ups of each case")
    parser.add_argument("--no-start-up", action="store_true")
    args = parser.parse_args()
    reader(args)
    if not args.no_start_up:
        start_ups(args)


if __name__ == "__main__":
    main()
