#!/usr/bin/env python3
"""Builds the release files into a folder: for each Windows architecture given
(x64, x86) a per-user installer and a portable zip holding the program, and
the SHA-256 sums of them all. No timestamps go into any of them, so two
builds of one commit give the same bytes.

Signing: with VRL_SIGNING_CERT (a PKCS#12 file) and VRL_SIGNING_PASSWORD in the
environment, the program, the installer and the uninstaller it writes are
signed with osslsigncode. With VRL_TIMESTAMP_URL (an RFC 3161 time-stamp
server) every signature is time-stamped there, so it stays valid after the
certificate expires; a public release needs one. Without it the signing time
is the commit's time. Without a certificate the release is unsigned, and says
so.

Manifests: with the address where the files will be published (--url, or the
release address of the repository's remote "origin" on a known host), the
winget and Scoop manifests go beside them (manifests.py). Without one none is
written, and the release says why.

Usage: make_release.py --exe build/win64/vrlCalendar.exe [--exe build/win32/vrlCalendar.exe]
                       --icon vrlCalendar.ico --dist DIR [--url BASE_URL [--home URL]]
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(HERE, "..", "VERSION")) as version:
    VERSION = version.read().strip()
sys.path.insert(0, os.path.join(HERE, "..", "scripts"))
from winerun import architecture  # noqa: E402
import manifests  # noqa: E402

NSIS_TARGETS = {"x64": "amd64-unicode", "x86": "x86-unicode"}


def release_files(arch):
    """The installer's and the portable zip's names for one architecture."""
    return f"vrlCalendar-{VERSION}-{arch}-setup.exe", f"vrlCalendar-{VERSION}-{arch}-portable.zip"


def source_date_epoch():
    """The commit's time, or SOURCE_DATE_EPOCH; the zip's timestamps and the signing time."""
    if "SOURCE_DATE_EPOCH" in os.environ:
        return int(os.environ["SOURCE_DATE_EPOCH"])
    done = subprocess.run(["git", "-C", HERE, "log", "-1", "--format=%ct"], capture_output=True, text=True)
    return int(done.stdout.strip()) if done.returncode == 0 and done.stdout.strip() else 315532800


def require(tool, package):
    if not shutil.which(tool):
        sys.exit(f"make_release: {tool} is missing (apt-get install {package}, or scripts/deps.sh release)")


def sign(path, when):
    cert, password = os.environ.get("VRL_SIGNING_CERT"), os.environ.get("VRL_SIGNING_PASSWORD", "")
    if not cert:
        return False
    require("osslsigncode", "osslsigncode")
    url = os.environ.get("VRL_TIMESTAMP_URL")
    signed = path + ".signed"
    line = ["osslsigncode", "sign", "-pkcs12", cert, "-pass", password, "-n", "vrlCalendar", "-h", "sha256",
            *(["-ts", url] if url else ["-time", str(when)]), "-in", path, "-out", signed]
    print("signing:", " ".join("***" if word is password else word for word in line), flush=True)
    subprocess.run(line, check=True, stdout=subprocess.DEVNULL)
    os.replace(signed, path)
    return True


def write_zip(path, files, when):
    stamp = max(when, 315532800)  # zip cannot say anything before 1980
    date_time = time.gmtime(stamp)[:6]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name, source in files:
            info = zipfile.ZipInfo(name, date_time)
            info.external_attr = 0o644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(source, "rb") as data:
                archive.writestr(info, data.read())


def build(exe, icon, dist, when):
    """The installer and the portable zip for exe's architecture; says whether they are signed."""
    arch = architecture(exe)
    setup_name, zip_name = release_files(arch)
    with tempfile.TemporaryDirectory() as stage:
        program = os.path.join(stage, "vrlCalendar.exe")
        shutil.copyfile(exe, program)
        signed = sign(program, when)
        shutil.copyfile(icon, os.path.join(stage, "vrlCalendar.ico"))
        languages = os.path.join(stage, "languages.nsh")
        subprocess.run([sys.executable, os.path.join(HERE, "..", "texts", "make_texts.py"), "--nsh", languages],
                       check=True)
        installer = os.path.join(dist, setup_name)
        # makensis writes the uninstaller into the installer: it is signed there, before it goes in.
        sign_command = f'"{sys.executable}" "{os.path.abspath(__file__)}" --sign-file'
        uninstaller = [f"-DSIGN_UNINSTALLER={sign_command}"] if signed else []
        subprocess.run(["makensis", "-V2", "-NOCD", *uninstaller, f"-DVERSION={VERSION}", f"-DSTAGE={stage}",
                        f"-DTARGET={NSIS_TARGETS[arch]}", f"-DOUTFILE={os.path.abspath(installer)}",
                        f"-DLANGUAGES={languages}",
                        os.path.join(HERE, "vrlCalendar.nsi")],
                       check=True, env=dict(os.environ, SOURCE_DATE_EPOCH=str(when)))
        sign(installer, when)
        write_zip(os.path.join(dist, zip_name), [("vrlCalendar.exe", program)], when)
    return [setup_name, zip_name], signed


def main():
    if sys.argv[1:2] == ["--sign-file"]:  # makensis's call for the uninstaller
        sign(sys.argv[2], source_date_epoch())
        return
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", required=True, action="append", help="a program to release; once per architecture")
    parser.add_argument("--icon", required=True)
    parser.add_argument("--dist", required=True)
    parser.add_argument("--url", help="where the files will be published, ending in /")
    parser.add_argument("--home", help="the project's home page, for the manifests")
    args = parser.parse_args()
    require("makensis", "nsis")
    when = source_date_epoch()
    arches = [architecture(exe) for exe in args.exe]
    if len(set(arches)) != len(arches):
        sys.exit(f"make_release: one program per architecture, got {arches}")

    os.makedirs(args.dist, exist_ok=True)
    names, signed = [], True
    for exe in args.exe:
        built, was_signed = build(exe, args.icon, args.dist, when)
        names += built
        signed = signed and was_signed

    with open(os.path.join(args.dist, "SHA256SUMS"), "w") as sums:
        for name in sorted(names):
            with open(os.path.join(args.dist, name), "rb") as data:
                sums.write(f"{hashlib.sha256(data.read()).hexdigest()}  {name}\n")
    print(f"release files ({', '.join(arches)}) in {os.path.abspath(args.dist)}: "
          f"{'signed' if signed else 'UNSIGNED (no VRL_SIGNING_CERT)'}")
    url, home = (args.url, args.home) if args.url else manifests.from_remote(VERSION) or (None, None)
    if url and len(arches) == len(manifests.ARCHES):
        manifests.write(args.dist, VERSION, url, home, time.strftime("%Y-%m-%d", time.gmtime(when)))
    elif url:
        print(f"no winget or Scoop manifest: they need the programs of {', '.join(manifests.ARCHES)}")
    else:
        print("no winget or Scoop manifest: no download address. Give the address where these files will be "
              "published (scripts/release.sh --url https://host/path/), or release from a clone whose remote "
              "'origin' is on " + " or ".join(manifests.RELEASE_HOSTS) + ".")


if __name__ == "__main__":
    main()
