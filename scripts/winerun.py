#!/usr/bin/env python3
"""The one way this project runs a Windows program under Wine.

A 64-bit program runs under Wine's 64-bit loader. A 32-bit one runs under the
32-bit loader, and only where this machine runs 32-bit Linux programs, which
is found out by running one. Every prefix is a 64-bit one; it runs both.

Setting VRL_NO_32BIT=1 makes a machine that runs 32-bit programs behave as
one that cannot, to try that path.

As a program:
  winerun.py probe          says what this machine runs, exits 0
  winerun.py can-run-32bit  exits 0 if this machine runs 32-bit Linux programs
  winerun.py can-run EXE    exits 0 if EXE can run here, else says why, exits 1
  winerun.py run EXE [ARG]  runs EXE with the right loader, or says why it cannot
  winerun.py make-prefix DIR  makes a 64-bit Wine prefix there unless one is there
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

SWITCH = "VRL_NO_32BIT"
LOADER64 = "/usr/lib/wine/wine64"  # Debian's wine64
LOADER32 = "/usr/lib/wine/wine"  # Debian's wine32:i386
WINESERVER = "/usr/lib/wine/wineserver"  # the 64-bit server where there is one
PE_MACHINES = {0x8664: "x64", 0x14C: "x86"}
# Why scripts/deps.sh could not install the 32-bit loader, where it could not
NO_32BIT_NOTE = os.path.join(os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"),
                             "vrlCalendar", "32bit-unavailable")


class CannotRun(RuntimeError):
    pass


def architecture(exe):
    """"x64" or "x86", from the program's PE header."""
    with open(exe, "rb") as image:
        head = image.read(4096)
    if head[:2] != b"MZ":
        raise CannotRun(f"{exe} is not a Windows program")
    pe = struct.unpack_from("<I", head, 0x3C)[0]
    machine = struct.unpack_from("<H", head, pe + 4)[0]
    if head[pe:pe + 4] != b"PE\0\0" or machine not in PE_MACHINES:
        raise CannotRun(f"{exe}: unknown machine type {machine:#x}")
    return PE_MACHINES[machine]


def _tiny_i386_program():
    """A whole 32-bit Linux program, 96 bytes: it exits with status 42."""
    base, code = 0x08048000, bytes.fromhex("b801000000bb2a000000cd80")  # exit(42)
    size = 52 + 32 + len(code)
    header = (b"\x7fELF\x01\x01\x01" + bytes(9) +
              struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0))
    segment = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
    return header + segment + code


_runs_32bit = None


def runs_32bit():
    """(True, "") if this machine runs 32-bit Linux programs, else (False, why)."""
    global _runs_32bit
    if os.environ.get(SWITCH, "") not in ("", "0"):
        return False, f"32-bit programs switched off by {SWITCH}={os.environ[SWITCH]}"
    if _runs_32bit is None:
        with tempfile.TemporaryDirectory() as folder:
            probe = os.path.join(folder, "probe32")
            with open(probe, "wb") as out:
                out.write(_tiny_i386_program())
            os.chmod(probe, 0o755)
            try:
                status = subprocess.run([probe], timeout=10).returncode
                _runs_32bit = (True, "") if status == 42 else (
                    False, f"a 32-bit Linux program exited {status} instead of 42")
            except OSError as error:
                _runs_32bit = (False, f"this machine runs no 32-bit Linux programs ({error.strerror})")
    return _runs_32bit


def unavailable(exe):
    """Why exe cannot run here, or None when it can."""
    if not os.path.exists(exe):
        return f"{exe} does not exist (build it first)"
    arch = architecture(exe)
    loader = LOADER64 if arch == "x64" else LOADER32
    if arch == "x86":
        able, why = runs_32bit()
        if not able:
            return f"{os.path.basename(exe)} is a 32-bit program and {why}"
    if not os.access(loader, os.X_OK):
        if arch == "x86" and os.path.exists(NO_32BIT_NOTE):
            with open(NO_32BIT_NOTE) as note:
                return f"{os.path.basename(exe)} is a 32-bit program and {note.read().strip()}"
        package = "wine64" if arch == "x64" else "wine32:i386"
        return (f"Wine's {'64' if arch == 'x64' else '32'}-bit loader is missing "
                f"(scripts/deps.sh desktop, or apt-get install {package})")
    return None


def command(exe, *arguments):
    """The command line that runs exe with the loader for its architecture."""
    why = unavailable(exe)
    if why:
        raise CannotRun(why)
    return [LOADER64 if architecture(exe) == "x64" else LOADER32, exe, *arguments]


def tool(*arguments):
    """Wine's own programs (reg, taskkill, wineboot), always the 64-bit ones."""
    return [LOADER64, *arguments]


def stop_wine(env, seconds=60):
    """Ends every Wine process of env's prefix and waits until they are gone."""
    for flag in ("-k", "-w"):
        try:
            subprocess.run([WINESERVER, flag], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=seconds)
        except subprocess.TimeoutExpired:
            pass


def make_prefix(path):
    """A 64-bit Wine prefix at path, made once with wineboot."""
    if os.path.exists(os.path.join(path, "system.reg")):
        return
    if not os.access(LOADER64, os.X_OK):
        raise CannotRun("Wine's 64-bit loader is missing (scripts/deps.sh desktop, or apt-get install wine64)")
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    env = dict(os.environ, WINEPREFIX=path, WINEARCH="win64", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    done = subprocess.run(tool("wineboot", "--init"), env=env, timeout=600, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True)
    stop_wine(env, 600)
    if not os.path.exists(os.path.join(path, "system.reg")):
        raise CannotRun(f"wineboot exited {done.returncode} without making a prefix in {path}: "
                        f"{done.stderr.strip()[-500:]}")


def main():
    if len(sys.argv) == 2 and sys.argv[1] == "probe":
        able, why = runs_32bit()
        print("64-bit Windows programs: " + ("yes" if os.access(LOADER64, os.X_OK) else "no (apt-get install wine64)"))
        why = why or (not os.access(LOADER32, os.X_OK) and os.path.exists(NO_32BIT_NOTE) and
                      open(NO_32BIT_NOTE).read().strip())
        print("32-bit Windows programs: " + ("yes" if able and os.access(LOADER32, os.X_OK) else
                                             why or "no (apt-get install wine32:i386)"))
        return 0
    if len(sys.argv) == 2 and sys.argv[1] == "can-run-32bit":
        able, why = runs_32bit()
        if not able:
            print(why, file=sys.stderr)
        return 0 if able else 1
    if len(sys.argv) == 3 and sys.argv[1] == "can-run":
        why = unavailable(sys.argv[2])
        if why:
            print(why, file=sys.stderr)
        return 1 if why else 0
    if len(sys.argv) == 3 and sys.argv[1] == "make-prefix":
        make_prefix(sys.argv[2])
        return 0
    if len(sys.argv) >= 3 and sys.argv[1] == "run":
        try:
            line = command(*sys.argv[2:])
        except CannotRun as error:
            sys.exit(f"cannot run it: {error}")
        os.execv(line[0], line)
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main())
