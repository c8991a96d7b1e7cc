#!/usr/bin/env python3
"""Checks the winget and Scoop manifests a release wrote beside its files:
every field winget requires at the manifest version and the form of each value
(by the rules of winget's published schema), the installers' and zips' hashes
equal to the files, the file names in the addresses equal to the files, and
Scoop's JSON. Prints what is wrong and exits 1, or says what it checked.

Usage: check_manifests.py DIST
"""
import glob
import hashlib
import json
import os
import re
import sys

from yaml_reader import yaml

IDENTIFIER = r"[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}){1,7}"
VERSION = r"[^\\/:*?\"<>|\x01-\x1f]{1,128}"
LOCALE = r"([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*"
MANIFEST_VERSION = r"(0|[1-9]\d{0,4})\.(0|[1-9]\d{0,4})\.(0|[1-9]\d{0,4})"
URL = r"[Hh][Tt][Tt][Pp][Ss]?://.+"
SHA256 = r"[A-Fa-f0-9]{64}"
# Per manifest type: the fields winget requires and the form of those it has.
REQUIRED = {
    "version": ["PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"],
    "installer": ["PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"],
    "defaultLocale": ["PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName", "License",
                      "ShortDescription", "ManifestType", "ManifestVersion"],
}
FORMS = {"PackageIdentifier": IDENTIFIER, "PackageVersion": VERSION, "DefaultLocale": LOCALE, "PackageLocale": LOCALE,
         "ManifestVersion": MANIFEST_VERSION, "InstallerUrl": URL, "InstallerSha256": SHA256, "PackageUrl": URL,
         "PublisherUrl": URL, "ReleaseNotesUrl": URL, "LicenseUrl": URL, "Architecture": "x86|x64|arm|arm64|neutral",
         "InstallerType": "msix|msi|appx|exe|zip|inno|nullsoft|wix|burn|pwa|portable|advinstExe|advinstMsi",
         "Scope": "user|machine", "UpgradeBehavior": "install|uninstallPrevious|deny",
         "ReleaseDate": r"\d{4}-\d{2}-\d{2}"}
LENGTHS = {"Publisher": (2, 256), "PackageName": (2, 256), "License": (3, 512), "ShortDescription": (3, 256),
           "Description": (3, 10000), "ProductCode": (1, 255)}
INSTALLER_REQUIRED = ["Architecture", "InstallerUrl", "InstallerSha256"]


def sha256(path):
    with open(path, "rb") as data:
        return hashlib.sha256(data.read()).hexdigest()


def check_fields(where, fields, said):
    for key, value in fields.items():
        if isinstance(value, (dict, list)):
            for item in value if isinstance(value, list) else [value]:
                if isinstance(item, dict):
                    check_fields(f"{where} {key}", item, said)
            continue
        text = "" if value is None else str(value)
        if key in FORMS and not re.fullmatch(FORMS[key], text):
            said.append(f"{where}: {key} {text!r} is not of the form {FORMS[key]}")
        if key in LENGTHS and not LENGTHS[key][0] <= len(text) <= LENGTHS[key][1]:
            said.append(f"{where}: {key} is {len(text)} characters, not {LENGTHS[key][0]} to {LENGTHS[key][1]}")
        if not isinstance(value, str):
            said.append(f"{where}: {key} is read as {type(value).__name__} {value!r}, not as text")


def check_file_url(where, url, digest, dist, said):
    """The address names a file of the release, and the hash is that file's."""
    name = url.rsplit("/", 1)[-1]
    path = os.path.join(dist, name)
    if not os.path.isfile(path):
        said.append(f"{where}: {url} names {name}, which is no file of the release")
    elif str(digest).lower() != sha256(path):
        said.append(f"{where}: the hash {digest} is not that of {name} ({sha256(path)})")


def check_winget(dist, said):
    found = glob.glob(os.path.join(dist, "manifests", "*", "*", "*", "*", "*.yaml"))
    if not found:
        return said.append("no winget manifest under manifests/<letter>/<publisher>/<name>/<version>/")
    manifests = {}
    for path in found:
        where = os.path.relpath(path, dist)
        with open(path, encoding="utf-8") as text:
            fields = yaml.safe_load(text)
        kind = fields.get("ManifestType")
        if kind not in REQUIRED:
            said.append(f"{where}: ManifestType {kind!r} is none of {list(REQUIRED)}")
            continue
        manifests[kind] = fields
        said += [f"{where}: {key} is missing" for key in REQUIRED[kind] if fields.get(key) in (None, "", [])]
        check_fields(where, fields, said)
        identifier, version = fields.get("PackageIdentifier", ""), fields.get("PackageVersion", "")
        publisher, _, name = str(identifier).partition(".")
        folder = os.path.join("manifests", publisher[:1].lower(), publisher, name, str(version))
        expected = {"version": f"{identifier}.yaml", "installer": f"{identifier}.installer.yaml",
                    "defaultLocale": f"{identifier}.locale.{fields.get('PackageLocale')}.yaml"}[kind]
        if where != os.path.join(folder, expected):
            said.append(f"{where}: expected at {os.path.join(folder, expected)}")
        if kind == "installer":
            for index, installer in enumerate(fields.get("Installers") or []):
                at = f"{where} installer {index + 1}"
                said += [f"{at}: {key} is missing" for key in INSTALLER_REQUIRED if not installer.get(key)]
                if installer.get("InstallerUrl") and installer.get("InstallerSha256"):
                    check_file_url(at, installer["InstallerUrl"], installer["InstallerSha256"], dist, said)
    if set(manifests) != set(REQUIRED):
        said.append(f"winget: expected the manifests {sorted(REQUIRED)}, found {sorted(manifests)}")
    if len({(m.get("PackageIdentifier"), m.get("PackageVersion")) for m in manifests.values()}) > 1:
        said.append("winget: the manifests name different packages or versions")
    return manifests


def check_scoop(dist, said):
    path = os.path.join(dist, "scoop", "vrlCalendar.json")
    try:
        with open(path, encoding="utf-8") as text:
            manifest = json.load(text)
    except (OSError, ValueError) as error:
        return said.append(f"scoop/vrlCalendar.json: {error}")
    required = ("version", "description", "homepage", "license", "architecture", "checkver", "autoupdate", "shortcuts")
    said += [f"scoop: {key} is missing" for key in required if not manifest.get(key)]
    for arch in ("64bit", "32bit"):
        entry = (manifest.get("architecture") or {}).get(arch) or {}
        if not re.fullmatch(SHA256, str(entry.get("hash", ""))):
            said.append(f"scoop {arch}: the hash {entry.get('hash')!r} is not 64 hex digits")
        elif entry.get("url"):
            check_file_url(f"scoop {arch}", entry["url"], entry["hash"], dist, said)
        updates = (manifest.get("autoupdate") or {}).get("architecture") or {}
        if "$version" not in str(updates.get(arch, {}).get("url")):
            said.append(f"scoop {arch}: autoupdate has no address with $version")
    return manifest


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    dist, said = sys.argv[1], []
    winget = check_winget(dist, said)
    scoop = check_scoop(dist, said)
    if said:
        print("\n".join(said))
        return 1
    version = winget["version"]["PackageVersion"]
    if scoop["version"] != version:
        print(f"scoop: version {scoop['version']} is not winget's {version}")
        return 1
    print(f"manifests of {winget['version']['PackageIdentifier']} {version}: winget's three and Scoop's, "
          f"{len(winget['installer']['Installers'])} installers and 2 zips, each hash its file's")
    return 0


if __name__ == "__main__":
    sys.exit(main())
