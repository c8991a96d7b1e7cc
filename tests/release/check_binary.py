#!/usr/bin/env python3
"""Checks the Windows program file itself: a GUI program for the architecture
asked for, with ASLR and DEP, relocations so ASLR can move it, a stack
protector, no request for elevation, imports from Windows' own DLLs only, its
icon, manifest and version resources, and under 256 KiB.

Usage: check_binary.py vrlCalendar.exe x64|x86
"""
import struct
import sys

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "oleaut32.dll",
               "shell32.dll", "user32.dll"}
DYNAMIC_BASE, NX_COMPAT = 0x0040, 0x0100
MAX_BYTES = 256 * 1024
# machine, optional-header magic, where the data directories start in it
ARCHES = {"x86": (0x14C, 0x10B, 96), "x64": (0x8664, 0x20B, 112)}
RESOURCES = {3: "icon", 14: "icon group", 16: "version", 24: "manifest"}


def sections(data, pe):
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    table = pe + 24 + optional_size
    for i in range(count):
        name, virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<8sIIII", data, table + 40 * i)
        yield name.rstrip(b"\0").decode(), virtual_address, virtual_size, raw_pointer


def at_rva(data, pe, rva):
    for _, address, size, pointer in sections(data, pe):
        if address <= rva < address + max(size, 1):
            return pointer + rva - address
    raise ValueError(f"rva {rva:#x} in no section")


def directory(data, pe, index):
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    start = next(at for _, wanted, at in ARCHES.values() if wanted == magic)
    return struct.unpack_from("<I", data, pe + 24 + start + 8 * index)[0]


def resource_types(data, pe):
    if not directory(data, pe, 2):
        return set()
    root = at_rva(data, pe, directory(data, pe, 2))
    named, numbered = struct.unpack_from("<HH", data, root + 12)
    return {struct.unpack_from("<I", data, root + 16 + 8 * i)[0] for i in range(named, named + numbered)}


def imports(data, pe):
    import_rva = directory(data, pe, 1)
    names, entry = [], at_rva(data, pe, import_rva)
    while True:
        name_rva = struct.unpack_from("<I", data, entry + 12)[0]
        if name_rva == 0:
            return names
        start = at_rva(data, pe, name_rva)
        names.append(data[start:data.index(b"\0", start)].decode().lower())
        entry += 20


def main():
    path, arch = sys.argv[1], sys.argv[2]
    with open(path, "rb") as program:
        data = program.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    problems = []
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    magic, = struct.unpack_from("<H", data, pe + 24)
    subsystem, characteristics = struct.unpack_from("<HH", data, pe + 24 + 68)
    if (machine, magic, subsystem) != (*ARCHES[arch][:2], 2):
        problems.append(f"not an {arch} GUI program (machine {machine:#x}, magic {magic:#x}, subsystem {subsystem})")
    if not characteristics & DYNAMIC_BASE:
        problems.append("ASLR (dynamic base) is off")
    if not characteristics & NX_COMPAT:
        problems.append("DEP (NX compatible) is off")
    if ".reloc" not in [name for name, *_ in sections(data, pe)]:
        problems.append("no relocations: ASLR could not move the image")
    if b"stack smashing detected" not in data:
        problems.append("no stack protector")
    if b'level="asInvoker"' not in data or b"requireAdministrator" in data:
        problems.append("the manifest does not run it as the invoking user")
    foreign = sorted(set(imports(data, pe)) - SYSTEM_DLLS)
    if foreign:
        problems.append(f"imports DLLs that are not Windows' own: {foreign}")
    missing = [name for number, name in RESOURCES.items() if number not in resource_types(data, pe)]
    if missing:
        problems.append(f"resources missing: {missing}")
    if len(data) >= MAX_BYTES:
        problems.append(f"{len(data)} bytes, not under {MAX_BYTES}")
    print(f"{path}: {len(data)} bytes, characteristics {characteristics:#06x}, imports {sorted(imports(data, pe))}")
    for problem in problems:
        print("FAILED:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
