#!/usr/bin/env python3
"""Checks the Windows program file itself: a GUI program for the architecture
asked for, with ASLR and DEP, relocations so ASLR can move it, a stack
protector whose guard the system seeds, imports from Windows' own DLLs only
(and none of COM's: they load when a screen reader or an unusual number first
needs them), the functions
it looks up by name where Windows has them, its icon, manifest and version
resources, within its architecture's budget (320 KiB x64, 368 KiB x86), and
nothing of the C++ runtime's random numbers. The manifest is read as Windows'
loader reads it: one, with id 1, well-formed, naming no other architecture than the
program's own (a 64-bit program that asks for 32-bit common controls does not
start on Windows, though it does under Wine), one execution level, run as the
invoking user, and the DPI awareness and common controls the program relies on.

Usage: check_binary.py vrlCalendar.exe x64|x86
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleacc.dll",
               "oleaut32.dll", "shell32.dll", "user32.dll", "winhttp.dll", "comdlg32.dll"}
# Loaded when first needed (a screen reader, the first address read, the
# file dialog), never at every start.
LOADED_WHEN_ASKED = {"ole32.dll", "oleacc.dll", "oleaut32.dll", "winhttp.dll", "comdlg32.dll"}
# What Wine cannot show, looked up by name where Windows has it: an elevated
# calendar letting the shell's messages through (tests/README.md).
LOOKED_UP = [b"ChangeWindowMessageFilterEx"]
DYNAMIC_BASE, NX_COMPAT = 0x0040, 0x0100
# Every language's texts, the calendars' reader, the reminders and several
# months included. The calendars took the program past 256 KiB (x64) and
# 320 KiB (x86), the sizes aimed for: these hold it where it is now, until
# it is made smaller.
MAX_BYTES = {"x64": 320 * 1024, "x86": 368 * 1024}
# machine, optional-header magic, where the data directories start in it
ARCHES = {"x86": (0x14C, 0x10B, 96), "x64": (0x8664, 0x20B, 112)}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
RESOURCES = {RT_ICON: "icon", RT_GROUP_ICON: "icon group", RT_VERSION: "version", RT_MANIFEST: "manifest"}
MANIFEST_ARCH = {"x64": "amd64", "x86": "x86"}
EXECUTION_LEVELS = {"asInvoker", "highestAvailable", "requireAdministrator"}
COMMON_CONTROLS = ("Microsoft.Windows.Common-Controls", "6.0.0.0")
# The notification area's small icon at 100, 125, 150, 175, 200, 225, 250 and 300 %
# (16 pixels at 100 %, rounded as Windows does), the window's 32, and larger.
ICON_SIZES = [16, 20, 24, 28, 32, 36, 40, 48]


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


def resources(data, pe):
    """{type: {name or id: [the bytes of each language's copy]}}; names as text, ids as numbers."""
    if not directory(data, pe, 2):
        return {}
    root = at_rva(data, pe, directory(data, pe, 2))

    def entries(table):
        named, numbered = struct.unpack_from("<HH", data, table + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, table + 16 + 8 * i)
            if name & 0x80000000:
                length = struct.unpack_from("<H", data, root + (name & 0x7FFFFFFF))[0]
                start = root + (name & 0x7FFFFFFF) + 2
                name = data[start:start + 2 * length].decode("utf-16-le")
            yield name, target

    def leaves(target):
        if target & 0x80000000:
            for _, below in entries(root + (target & 0x7FFFFFFF)):
                yield from leaves(below)
        else:
            rva, size = struct.unpack_from("<II", data, root + target)
            start = at_rva(data, pe, rva)
            yield data[start:start + size]

    found = {}
    for kind, names in entries(root):
        found[kind] = {name: list(leaves(languages)) for name, languages in entries(root + (names & 0x7FFFFFFF))}
    return found


def manifest_problems(found, arch):
    manifests = [(name, copy) for name, copies in found.get(RT_MANIFEST, {}).items() for copy in copies]
    if [name for name, _ in manifests] != [1]:
        return [f"expected one manifest with id 1, saw ids {[name for name, _ in manifests]}"]
    try:
        root = ElementTree.fromstring(manifests[0][1])
    except ElementTree.ParseError as error:
        return [f"the manifest is not well-formed XML: {error}"]
    elements = list(root.iter())

    def named(local):
        return [e for e in elements if e.tag.rsplit("}", 1)[-1] == local]

    problems = []
    for element in elements:
        wanted = element.get("processorArchitecture")
        if wanted is not None and wanted not in ("*", MANIFEST_ARCH[arch]):
            problems.append(f"the manifest's {element.tag.rsplit('}', 1)[-1]} {element.get('name')!r} asks for "
                            f"processorArchitecture={wanted!r} in an {arch} program")
    for local in ("trustInfo", "requestedPrivileges", "requestedExecutionLevel"):
        if len(named(local)) > 1:
            problems.append(f"the manifest has {len(named(local))} {local} elements; the loader takes one")
    levels = [e.get("level") for e in named("requestedExecutionLevel")]
    if any(level not in EXECUTION_LEVELS for level in levels):
        problems.append(f"an execution level the loader does not know: {levels}")
    if levels != ["asInvoker"]:
        problems.append(f"the manifest does not run it as the invoking user: levels {levels}")
    # Windows 10 1607 on take the first value they know in dpiAwareness; earlier ones read dpiAware alone.
    awareness = [e.text.strip() for e in named("dpiAware") + named("dpiAwareness") if e.text]
    print("DPI awareness:", " | ".join(awareness))
    if [e.text and e.text.strip().lower() for e in named("dpiAware")] != ["true"]:
        problems.append("the manifest does not declare the program system-DPI-aware where Windows knows no more")
    if [[v.strip().lower() for v in e.text.split(",")] if e.text else [] for e in named("dpiAwareness")] != [
            ["permonitorv2", "system"]]:
        problems.append("the manifest does not declare per-monitor (v2) DPI awareness, falling back to system")
    if not any((e.get("name"), e.get("version")) == COMMON_CONTROLS for e in named("assemblyIdentity")):
        problems.append(f"the manifest does not ask for {' '.join(COMMON_CONTROLS)}")
    return problems


def icon_sizes(found):
    """The sizes in the program's first icon group, as (width, height) in pixels."""
    groups = found.get(RT_GROUP_ICON, {})
    if not groups:
        return []
    group = next(iter(groups.values()))[0]
    count = struct.unpack_from("<H", group, 4)[0]
    return [(group[6 + 14 * i] or 256, group[7 + 14 * i] or 256) for i in range(count)]


# The stack protector's guard before it is seeded, as the program's own guard
# holds it (MSVC's default), which finds the guard in a stripped program.
UNSEEDED_GUARD = {"x64": struct.pack("<Q", 0x2B992DDFA232), "x86": struct.pack("<I", 0xBB40E64E)}


def guard_reads(data, pe, arch):
    """How many instructions read the stack protector's guard, which every protected function does."""
    wide = arch == "x64"
    base = struct.unpack_from("<Q" if wide else "<I", data, pe + 24 + (24 if wide else 28))[0]
    table = list(sections(data, pe))

    def rva(offset):
        return next(a + offset - p for _, a, size, p in table if p <= offset < p + size)

    unseeded = data.find(UNSEEDED_GUARD[arch])
    if unseeded < 0:
        return 0
    guard = base + rva(unseeded)
    _, code_rva, code_size, code_at = next(s for s in table if s[0] == ".text")
    code = data[code_at:code_at + code_size]
    if not wide:  # x86 code names the guard's address itself
        return code.count(struct.pack("<I", guard))
    # x64 code reads it relative to the instruction (mov reg, [rip+d]), itself or through a pointer to it
    pointer = struct.pack("<Q", guard)
    targets = {guard - base} | {rva(at) for at in range(len(data) - 7) if data.startswith(pointer, at)}
    return sum(1 for i in range(len(code) - 7) if code[i] in (0x48, 0x4C) and code[i + 1] == 0x8B and
               code[i + 2] & 0xC7 == 0x05 and code_rva + i + 7 + struct.unpack_from("<i", code, i + 3)[0] in targets)


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
    if guard_reads(data, pe, arch) < 20:
        problems.append("no stack protector: the code hardly reads its guard")
    if b"SystemFunction036" not in data or b"CryptAcquireContext" in data:
        problems.append("the stack protector's guard is not seeded by RtlGenRandom (libssp's loads the CryptoAPI)")
    foreign = sorted(set(imports(data, pe)) - SYSTEM_DLLS)
    if foreign:
        problems.append(f"imports DLLs that are not Windows' own: {foreign}")
    eager = sorted(set(imports(data, pe)) & LOADED_WHEN_ASKED)
    if eager:
        problems.append(f"loads {eager} at every start, not when first asked")
    missing_names = [name.decode() for name in LOOKED_UP if name not in data]
    if missing_names:
        problems.append(f"does not look up {missing_names}")
    found = resources(data, pe)
    missing = [name for number, name in RESOURCES.items() if number not in found]
    if missing:
        problems.append(f"resources missing: {missing}")
    problems += manifest_problems(found, arch)
    missing_sizes = [n for n in ICON_SIZES if (n, n) not in icon_sizes(found)]
    if missing_sizes:
        problems.append(f"the icon has no image of {missing_sizes} pixels")
    if b"rand_s" in data:  # what the runtime's random_device imports: it came in with the older strings
        problems.append("imports rand_s: the runtime's random numbers came in")
    if len(data) > MAX_BYTES[arch]:
        problems.append(f"{len(data)} bytes, over the {arch} budget of {MAX_BYTES[arch]}")
    print(f"{path}: {len(data)} bytes, characteristics {characteristics:#06x}, imports {sorted(imports(data, pe))}")
    print("icon sizes:", " ".join(f"{w}x{h}" for w, h in icon_sizes(found)))
    for problem in problems:
        print("FAILED:", problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
