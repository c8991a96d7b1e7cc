#!/usr/bin/env python3
"""Prints where the Windows program's bytes go: it links the program once more
with a link map (in build/map-PRESET) and sums the code and data each object
brings, grouped as the C++ runtime, the C runtime and MinGW, the language
tables and the project's own code, then the largest objects.

Usage: bench/link_map.py [win64|win32] [--top 20]
"""
import argparse
import collections
import os
import re
import subprocess

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
TOOLCHAINS = {"win64": "mingw-x86_64.cmake", "win32": "mingw-i686.cmake"}
# A section line of the map: its name, then (on the same line or the next) address, size and object.
SECTION = re.compile(r"^ (\.text|\.rdata|\.data|\.pdata|\.xdata)\S*(?:\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+))?\s*$")
CONTINUED = re.compile(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+\.(?:o|obj)\)?)\s*$")


def sizes(map_path):
    found, waiting = collections.Counter(), False
    with open(map_path) as lines:
        for line in lines:
            section = SECTION.match(line)
            if section:
                waiting = section.group(2) is None
                if not waiting:
                    found[os.path.basename(section.group(3))] += int(section.group(2), 16)
                continue
            more = CONTINUED.match(line) if waiting else None
            if more:
                found[os.path.basename(more.group(2))] += int(more.group(1), 16)
            waiting = False
    return found


def group(name):
    if name.startswith("libstdc++"):
        return "C++ runtime (libstdc++)"
    if name.startswith(("libgcc", "libmingw", "crt", "libmsvcrt", "libkernel")):
        return "C runtime and MinGW"
    return "language tables" if "Languages" in name else "the project's own code"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("preset", nargs="?", default="win64", choices=TOOLCHAINS)
    parser.add_argument("--top", type=int, default=20)
    args = parser.parse_args()
    build = os.path.join(ROOT, "build", f"map-{args.preset}")
    map_path = os.path.join(build, "vrlCalendar.map")
    subprocess.run(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=MinSizeRel",
                    f"-DCMAKE_TOOLCHAIN_FILE={os.path.join(ROOT, 'cmake', TOOLCHAINS[args.preset])}",
                    f"-DCMAKE_EXE_LINKER_FLAGS=-Wl,-Map,{map_path}"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build, "--target", "vrlCalendar", "-j2"], check=True,
                   stdout=subprocess.DEVNULL)
    found = sizes(map_path)
    print(f"{args.preset}: {os.path.getsize(os.path.join(build, 'vrlCalendar.exe'))} bytes")
    groups = collections.Counter()
    for name, size in found.items():
        groups[group(name)] += size
    for name, size in groups.most_common():
        print(f"{size:8d}  {name}")
    print("largest pieces:")
    for name, size in found.most_common(args.top):
        print(f"{size:8d}  {name}")


if __name__ == "__main__":
    main()
