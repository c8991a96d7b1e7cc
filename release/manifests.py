#!/usr/bin/env python3
"""The package managers' manifests for a release: the Windows Package Manager's
(winget) multi-file manifest, in the community repository's layout under
DIST/manifests/, and Scoop's for the portable zips, DIST/scoop/vrlCalendar.json.
Each names the files where they will be published (BASE_URL, ending in "/")
with the SHA-256 of the files in DIST.

The package identifier is vrlCalendar.vrlCalendar: the publisher and the name
the installer writes into Windows' list of installed programs, which belong to
the program wherever it is hosted. winget cannot rename an identifier, and one
built from a hosting account would outlive a move of the project's home.

make_release.py writes them; as a program:
    manifests.py --dist DIST --version V --url BASE_URL [--home URL] [--date YYYY-MM-DD]
"""
import argparse
import hashlib
import json
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
MANIFEST_VERSION = "1.10.0"
IDENTIFIER = "vrlCalendar.vrlCalendar"
# The project has no licence of its own yet: all rights reserved, as the law
# has it for a work published without one.
LICENSE = "Proprietary"
SHORT_DESCRIPTION = "A tiny month calendar that floats above all other windows and hides in the notification area."
DESCRIPTION = ("A small month calendar in a borderless window that stays on top of every other window. Drag it, or "
               "move it with Alt and the arrow keys; click its icon in the notification area to hide it and to bring "
               "it back; it reopens where you left it. It speaks the language Windows is shown in.")
TAGS = ["calendar", "date", "month", "tray", "notification-area", "always-on-top", "portable"]
ARCHES = {"x64": "64bit", "x86": "32bit"}


def installer_facts():
    """What the installer writes into Windows' list of installed programs, from its script."""
    with open(os.path.join(HERE, "vrlCalendar.nsi"), encoding="utf-8") as script:
        text = script.read()
    defines = dict(re.findall(r'^!define (\w+) "([^"]*)"', text, re.M))
    app = defines["APP"]
    written = dict(re.findall(r'^\s*WriteRegStr HKCU "\$\{UNINSTALL_KEY\}" "(\w+)" "([^"]*)"', text, re.M))
    product_code = defines["UNINSTALL_KEY"].rsplit("\\", 1)[1].replace("${APP}", app)
    return product_code, {name: value.replace("${APP}", app) for name, value in written.items()}


def sha256(path):
    with open(path, "rb") as data:
        return hashlib.sha256(data.read()).hexdigest().upper()


def scalar(value):
    """A YAML scalar: plain where YAML reads it back as the same string, quoted otherwise."""
    text = str(value)
    plain = re.fullmatch(r"[A-Za-z][\w .,:/+()%-]*", text) and not re.search(r": | #|:$", text) and \
        text.lower() not in ("yes", "no", "true", "false", "null", "on", "off")
    return text if plain else json.dumps(text, ensure_ascii=False)


def yaml_lines(value, indent=""):
    """Block YAML of nested dicts, lists and strings, in the order given."""
    lines = []
    for key, item in value.items():
        if item is None:
            continue
        if isinstance(item, dict):
            lines += [f"{indent}{key}:"] + yaml_lines(item, indent + "  ")
        elif isinstance(item, list):
            lines.append(f"{indent}{key}:")
            for element in item:
                if isinstance(element, dict):
                    inner = yaml_lines(element, indent + "  ")
                    lines += [f"{indent}- {inner[0].lstrip()}"] + inner[1:]
                else:
                    lines.append(f"{indent}- {scalar(element)}")
        else:
            lines.append(f"{indent}{key}: {scalar(item)}")
    return lines


def write_yaml(path, kind, fields):
    schema = f"https://aka.ms/winget-manifest.{kind}.{MANIFEST_VERSION}.schema.json"
    body = dict(fields, ManifestType=kind, ManifestVersion=MANIFEST_VERSION)
    text = "\n".join([f"# yaml-language-server: $schema={schema}", ""] + yaml_lines(body)) + "\n"
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)


def winget_folder(dist, version):
    publisher, name = IDENTIFIER.split(".", 1)
    return os.path.join(dist, "manifests", publisher[0].lower(), publisher, name, version)


def write_winget(dist, version, url, home, date):
    folder = winget_folder(dist, version)
    os.makedirs(folder, exist_ok=True)
    product_code, entry = installer_facts()
    base = {"PackageIdentifier": IDENTIFIER, "PackageVersion": version}
    write_yaml(os.path.join(folder, f"{IDENTIFIER}.yaml"), "version", dict(base, DefaultLocale="en-US"))
    installers = [{"Architecture": arch, "InstallerUrl": url + name,
                   "InstallerSha256": sha256(os.path.join(dist, name))}
                  for arch in ARCHES for name in [f"vrlCalendar-{version}-{arch}-setup.exe"]]
    write_yaml(os.path.join(folder, f"{IDENTIFIER}.installer.yaml"), "installer", dict(
        base, InstallerType="nullsoft", Scope="user", InstallModes=["interactive", "silent", "silentWithProgress"],
        InstallerSwitches={"Silent": "/S", "SilentWithProgress": "/S", "InstallLocation": "/D=<INSTALLPATH>"},
        UpgradeBehavior="install", ProductCode=product_code, ReleaseDate=date,
        AppsAndFeaturesEntries=[{"DisplayName": entry["DisplayName"], "Publisher": entry["Publisher"],
                                 "DisplayVersion": entry["DisplayVersion"].replace("${VERSION}", version),
                                 "ProductCode": product_code}],
        Installers=installers))
    urls = {"PackageUrl": home} if home else {}
    if home and home.startswith("https://github.com/"):
        urls.update(PublisherUrl=home, ReleaseNotesUrl=f"{home}/releases/tag/v{version}")
    write_yaml(os.path.join(folder, f"{IDENTIFIER}.locale.en-US.yaml"), "defaultLocale", dict(
        base, PackageLocale="en-US", Publisher=entry["Publisher"], PackageName="vrlCalendar", License=LICENSE,
        ShortDescription=SHORT_DESCRIPTION, Description=DESCRIPTION, Tags=TAGS, **urls))
    return folder


def write_scoop(dist, version, url, home):
    def zip_name(arch, v=version):
        return f"vrlCalendar-{v}-{arch}-portable.zip"
    # The next release sits where this one does, with the version in place of this one's.
    template = url.replace(version, "$version")
    manifest = {
        "version": version,
        "description": SHORT_DESCRIPTION,
        "homepage": home or url,
        "license": LICENSE,
        "architecture": {key: {"url": url + zip_name(arch), "hash": sha256(os.path.join(dist, zip_name(arch))).lower()}
                         for arch, key in ARCHES.items()},
        "shortcuts": [["vrlCalendar.exe", "vrlCalendar"]],
        "checkver": {"github": home} if home and home.startswith("https://github.com/") else
                    {"url": home or url, "regex": r"vrlCalendar-([\d.]+)-x64-portable\.zip"},
        "autoupdate": {
            "architecture": {key: {"url": template + zip_name(arch, "$version")} for arch, key in ARCHES.items()},
            "hash": {"url": "$baseurl/SHA256SUMS"},
        },
    }
    os.makedirs(os.path.join(dist, "scoop"), exist_ok=True)
    path = os.path.join(dist, "scoop", "vrlCalendar.json")
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write(json.dumps(manifest, indent=4) + "\n")
    return path


# Hosts whose release files live at <home>/releases/download/<tag>/<file>.
RELEASE_HOSTS = ("github.com", "codeberg.org")


def from_remote(version, repository=HERE):
    """(download address, home page) of a release tagged v<version>, from the repository's remote
    "origin" where it names a known host; None where it does not."""
    import subprocess
    done = subprocess.run(["git", "-C", repository, "remote", "get-url", "origin"], capture_output=True, text=True)
    match = re.fullmatch(r"(?:https://|ssh://git@|git@)(%s)[:/]([\w.-]+)/([\w.-]+?)(?:\.git)?/?" %
                         "|".join(map(re.escape, RELEASE_HOSTS)), done.stdout.strip())
    if done.returncode != 0 or not match:
        return None
    home = f"https://{match[1]}/{match[2]}/{match[3]}"
    return f"{home}/releases/download/v{version}/", home


def write(dist, version, url, home=None, date=None):
    """Both manifests for the release files in dist; says where."""
    if not re.fullmatch(r"https://[^\s/]+/\S*/", url):
        sys.exit(f"manifests: the download address must be an https:// address ending in /, not {url!r}")
    folder = write_winget(dist, version, url, home, date)
    scoop = write_scoop(dist, version, url, home)
    print(f"manifests for {url}: winget's in {os.path.relpath(folder, dist)}, "
          f"Scoop's in {os.path.relpath(scoop, dist)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--dist", required=True)
    parser.add_argument("--url", required=True, help="where the release files will be published, ending in /")
    parser.add_argument("--home", help="the project's home page")
    parser.add_argument("--version", required=True)
    parser.add_argument("--date", help="the release date, YYYY-MM-DD")
    args = parser.parse_args()
    write(args.dist, args.version, args.url, args.home, args.date)


if __name__ == "__main__":
    main()
