#!/usr/bin/env python3
"""End-to-end scenarios: the real calendar under Wine, driven with real input. The scenarios are in
behaviour/, a module for each part of the behaviour; the steps they share in steps.py and harness.py.

Usage: scenarios.py --exe EXE --inspector EXE --template DIR [--failures DIR] [--shell-inspector EXE] NAME
       scenarios.py --template DIR --make-template
       scenarios.py --list      the scenarios, each with the seconds it takes, longest first
"""
import argparse
import subprocess
import sys
import time

from behaviour import (calendars, languages_and_installer, lifecycle_and_time,  # noqa: F401 (registers)
                       place_and_store, pointer_and_keys, scale_and_displays, settings_window, tray)
from harness import ScenarioFailed, ScenarioSkipped, World, make_template, winerun
from steps import SCENARIOS

SKIPPED = 77  # the exit status CTest is told means "skipped"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe")
    parser.add_argument("--inspector")
    parser.add_argument("--template")
    parser.add_argument("--failures", default="e2e-failures")
    parser.add_argument("--dist", help="the release files, for the installer scenario")
    parser.add_argument("--shell-inspector", help="the 64-bit inspector, for the shell's own windows")
    parser.add_argument("--make-template", action="store_true")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("name", nargs="?")
    args = parser.parse_args()
    if args.list:
        for name, (_, options) in sorted(SCENARIOS.items(), key=lambda item: -item[1][1].get("cost", 0)):
            print(f"{name}:{options.get('cost', 0)}")
        return 0
    if args.make_template:
        make_template(args.template)
        return 0
    if args.name not in SCENARIOS:
        parser.error(f"unknown scenario {args.name!r}; --list shows them")
    why = winerun.unavailable(args.exe) or winerun.unavailable(args.inspector)
    if why:
        print(f"SKIPPED {args.name}: {why}")
        return SKIPPED
    started = time.monotonic()
    function, options = SCENARIOS[args.name]
    world = World(args.name, args.exe, args.inspector, args.template, args.failures,
                  **{key: value for key, value in options.items() if key != "cost"})
    world.dist = args.dist
    world.shell_inspector = args.shell_inspector or args.inspector
    try:
        function(world)
    except ScenarioFailed as failure:
        print(f"FAILED {args.name}: {failure}", file=sys.stderr)
        return 1
    except ScenarioSkipped as why:
        print(f"SKIPPED {args.name}: {why}")
        return SKIPPED
    except subprocess.TimeoutExpired as timeout:
        print(f"FAILED {args.name}: a command hung: {timeout}", file=sys.stderr)
        return 1
    finally:
        world.close()
    print(f"passed {args.name} in {time.monotonic() - started:.1f}s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
