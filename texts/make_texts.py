#!/usr/bin/env python3
"""The program's texts, from one file per language in texts/languages.

  make_texts.py --check           says what each language lacks or gets wrong; fails if anything
                                  (a build fails only on two controls of a window with one access key,
                                  or an "&" at a text's end; a missing text there is English's)
  make_texts.py --cpp FILE        writes the tables the program is built with (Languages.cpp)
  make_texts.py --nsh FILE        writes the installer's languages and its own texts

A language file holds `key = "text"` lines, the keys of texts/TextIds.h, and
`tag` (the language as Windows names it, also the file's name), `name` (the
language's own name for itself) and `installer` (the installer system's name
for the language). A text may go on over lines that hold only a quoted part.
Escapes: \\r \\n \\" \\\\. %1 stands for what the program puts in (a number).
A text a language lacks is English's, in the program and in the installer.
"""
import argparse
import glob
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "platform"))
import packing  # noqa: E402  (platform/packing.py)

META = ("tag", "name", "installer")
ESCAPES = {"r": "\r", "n": "\n", '"': '"', "\\": "\\"}


def text_ids():
    """(id, key, limit) of every text, in the program's order."""
    with open(os.path.join(HERE, "TextIds.h"), encoding="utf-8") as header:
        found = re.findall(r'X\((\w+), "([^"]+)", (\d+)\)', header.read())
    return [(name, key, int(limit)) for name, key, limit in found]


def unquote(part, where):
    if not (len(part) >= 2 and part[0] == '"' and part[-1] == '"'):
        sys.exit(f"{where}: expected a quoted text, saw {part!r}")
    out, chars = "", iter(part[1:-1])
    for c in chars:
        if c == "\\":
            escaped = next(chars, "")
            if escaped not in ESCAPES:
                sys.exit(f"{where}: unknown escape \\{escaped}")
            c = ESCAPES[escaped]
        out += c
    return out


def read_language(path):
    """The file's entries as {key: text}."""
    entries, key = {}, None
    with open(path, encoding="utf-8") as source:  # a file that is not UTF-8 stops here, named
        for number, line in enumerate(source, 1):
            where, line = f"{path}:{number}", line.strip()
            if not line or line.startswith("#"):
                key = None
                continue
            match = re.fullmatch(r'([\w.]+)\s*=\s*(".*")', line)
            if match:
                key = match.group(1)
                if key in entries:
                    sys.exit(f"{where}: {key} given twice")
                entries[key] = unquote(match.group(2), where)
            elif key and line.startswith('"'):
                entries[key] += unquote(line, where)
            else:
                sys.exit(f"{where}: expected key = \"text\", saw {line!r}")
    return entries


def languages():
    """Every language file's entries, English first."""
    paths = sorted(glob.glob(os.path.join(HERE, "languages", "*.txt")))
    found = {os.path.splitext(os.path.basename(path))[0]: read_language(path) for path in paths}
    if "en" not in found:
        sys.exit("make_texts: texts/languages/en.txt, the texts every language falls back to, is missing")
    return [("en", found.pop("en"))] + sorted(found.items())


def units(text):
    return len(text.encode("utf-16-le")) // 2


def faults(tag, entries, english, ids):
    """What is wrong with one language's file, a line each."""
    said = []
    keys = {key for _, key, _ in ids}
    for key in sorted(set(entries) - keys - set(META)):
        said.append(f"{tag}: {key} is no text of the program's")
    for meta in META:
        if meta not in entries:
            said.append(f"{tag}: {meta} is missing")
    if entries.get("tag", tag) != tag:
        said.append(f"{tag}: its tag is {entries['tag']!r}, not its file's name")
    for _, key, limit in ids:
        text = entries.get(key)
        if not text:
            said.append(f"{tag}: {key} is missing (English: {english.get(key, '')!r})")
            continue
        if units(text) > limit:
            said.append(f"{tag}: {key} has {units(text)} UTF-16 units, over its limit of {limit}")
        if sorted(re.findall(r"%\d", text)) != sorted(re.findall(r"%\d", english.get(key, ""))):
            said.append(f"{tag}: {key} must hold the placeholders of English's, {re.findall(r'%[0-9]', english[key])}")
        for edge, test in (("begin", str.startswith), ("end", str.endswith)):
            if test(english.get(key, ""), " ") != test(text, " "):
                said.append(f"{tag}: {key} must {edge} with a blank exactly when English's does")
    return said


# The texts each window shows at once, place by place, whose access keys (the
# letter after an "&") must differ, or Alt with the letter moves between the
# controls instead of working one. A place holds the texts it shows in turn:
# the menu's first item hides or shows. The Settings window puts an "&" in
# front of each key name, so that Alt+C ticks Ctrl.
WINDOWS = {
    "the Settings window": [("settings.shortcut",), ("&key.ctrl",), ("&key.alt",), ("&key.shift",), ("&key.win",),
                            ("settings.key",), ("settings.week_numbers",), ("settings.icon_shows",),
                            ("settings.opens_on",), ("settings.start_at_sign_in",), ("settings.calendars",),
                            ("settings.add_file",), ("settings.add_address",), ("settings.remove",),
                            ("settings.months_shown",), ("settings.remind_me",),
                            ("settings.ok",), ("settings.cancel",)],
    "the icon's menu": [("menu.hide", "menu.show"), ("help",), ("menu.refresh",), ("menu.start_at_sign_in",),
                        ("menu.settings",), ("close",)],
}


def access_key(text):
    """The letter after the first lone "&" ("&&" shows an ampersand), "" for an "&" at the end, or None."""
    at = 0
    while (at := text.find("&", at)) >= 0:
        if text[at + 1:at + 2] != "&":
            return text[at + 1:at + 2]
        at += 2
    return None


def access_key_faults(path, entries, english, ids):
    """Two texts of one window with one access key, and an "&" with no letter after it, a line each.
    A text the language lacks is English's, as the program shows it."""
    said = []
    keys = {key for _, key, _ in ids}
    for window, places in WINDOWS.items():
        shown = []  # (place, key, text, access key)
        for number, place in enumerate(places):
            for named in place:
                key = named.lstrip("&")
                if key not in keys:
                    sys.exit(f"make_texts: {window} names {key}, no text of the program's")
                text = named[:len(named) - len(key)] + (entries.get(key) or english[key])
                letter = access_key(text)
                if letter == "":
                    said.append(f"{path}: {key} {text!r} ends with an \"&\", which marks no letter")
                elif letter:
                    shown.append((number, key, text, letter.casefold()))
        for i, (place, key, text, letter) in enumerate(shown):
            for other_place, other, other_text, other_letter in shown[i + 1:]:
                if letter == other_letter and place != other_place:
                    said.append(f"{path}: {key} {text!r} and {other} {other_text!r} share the access key "
                                f"{letter.upper()} in {window}")
    return said


def c_string(text):
    return packing.c_literal(text.encode("utf-8"))


# Texts only the installer shows (it gets them from write_nsh): the program
# keeps English's alone, so that every text it could be asked for is there.
INSTALLER_ONLY = ("installer.", "uninstaller.")


# Each language's texts lie in one blob, each ended by its NUL, and the table
# holds a 16-bit offset of each: a pointer a text would take 8 bytes and a
# relocation in the x64 program. This offset is a text the table lacks.
NO_TEXT = 0xFFFF


def blob(tables, ids):
    """Every table's texts in one blob, {UTF-8 text: (its offset, where it is shown)} in the blob's order,
    and each table's offsets (NO_TEXT where it lacks the text). A text two tables or two names share ("OK",
    a key's name) is in the blob once, as the compiler would keep one copy of two equal literals."""
    pieces, tables_offsets, size = {}, [], 0
    for tag, entries in tables:
        offsets = []
        for name, key, _ in ids:
            kept = entries.get(key) and (tag == "en" or not key.startswith(INSTALLER_ONLY))
            if not kept:
                offsets.append(NO_TEXT)
                continue
            text = entries[key].encode("utf-8")
            if text not in pieces:
                pieces[text] = (size, f"{tag} {name}")
                size += len(text) + 1
            offsets.append(pieces[text][0])
        tables_offsets.append((tag, offsets))
    if size > NO_TEXT - 1:  # a longer blob puts its last text at NO_TEXT or past what 16 bits hold
        sys.exit(f"make_texts: the texts take {size} bytes, over the {NO_TEXT - 1} the tables' 16-bit offsets reach")
    return pieces, tables_offsets


def write_cpp(path, tables, ids):
    pieces, tables_offsets = blob(tables, ids)
    # The blob packed (platform/packing.py): the program unpacks it once into
    # kTexts, where the tables' offsets point, before it reads a text.
    texts = b"".join(text + b"\0" for text in pieces)
    packed = packing.pack(texts)
    lines = ["// Made by texts/make_texts.py from texts/languages; edit those, not this.",
             '#include "platform/Packed.h"', '#include "texts/Texts.h"', "",
             f"// The texts, {len(texts)} bytes, each ended by its NUL, in this order:"]
    lines += [f"//   {first}" for _, (_, first) in pieces.items()]
    lines += ["static const unsigned char kPacked[] ="]
    for start in range(0, len(packed), 40):
        lines.append(f"    {packing.c_literal(packed[start:start + 40])}")
    lines[-1] += ";"
    lines += [f"static char kTexts[{len(texts)}];", "",
              "void UnpackLanguageTables() {",
              "    static bool unpacked = false;",
              "    if (!unpacked) Unpack(kPacked, sizeof kPacked - 1, kTexts);",
              "    unpacked = true;",
              "}",
              "// At start, before any thread: TextIn unpacks too, for a text asked before this runs.",
              "static const bool kUnpackedAtStart = (UnpackLanguageTables(), true);", ""]
    lines += ["const LanguageTable kLanguageTables[] = {"]
    for tag, offsets in tables_offsets:
        lines.append(f"    {{{c_string(tag)},")
        lines.append("     kTexts,")
        lines.append("     {")
        for (name, _, _), offset in zip(ids, offsets):
            lines.append(f"         {'kNoText' if offset == NO_TEXT else offset},  // {name}")
        lines.append("     }},")
    lines += ["};", "const size_t kLanguageTableCount = sizeof kLanguageTables / sizeof kLanguageTables[0];", ""]
    write(path, "\n".join(lines))


def nsis_string(text):
    return '"' + text.replace("$", "$$").replace('"', '$\\"').replace("\r", "$\\r").replace("\n", "$\\n") + '"'


def write_nsh(path, tables, ids):
    english = tables[0][1]
    lines = ["; Made by texts/make_texts.py from texts/languages; edit those, not this."]
    for _, entries in tables:
        lines.append(f'!insertmacro MUI_LANGUAGE "{entries["installer"]}"')
    for name, key, _ in ids:
        if not key.startswith(INSTALLER_ONLY):
            continue
        for _, entries in tables:
            constant = "${LANG_" + entries["installer"].upper() + "}"
            lines.append(f"LangString {name} {constant} {nsis_string(entries.get(key) or english[key])}")
    # The installer system reads a file with this mark as UTF-8.
    write(path, "\ufeff" + "\n".join(lines) + "\n")


def write(path, text):
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    if os.path.exists(path) and open(path, encoding="utf-8").read() == text:
        return  # unchanged: nothing to rebuild
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--cpp")
    parser.add_argument("--nsh")
    args = parser.parse_args()
    ids = text_ids()
    tables = languages()
    english = tables[0][1]
    lacking = [key for _, key, _ in ids if not english.get(key)]
    if lacking:
        sys.exit(f"make_texts: English, which every language falls back to, lacks {', '.join(lacking)}")
    said = [line for tag, entries in tables for line in faults(tag, entries, english, ids)]
    # A clash of access keys would reach the user whatever the language lacks: no build with one.
    clashes = [line for tag, entries in tables
               for line in access_key_faults(f"texts/languages/{tag}.txt", entries, english, ids)]
    if clashes and not args.check:
        print("\n".join(f"make_texts: error: {line}" for line in clashes), file=sys.stderr)
        return 1
    said += clashes
    if args.cpp:
        write_cpp(args.cpp, tables, ids)
    if args.nsh:
        write_nsh(args.nsh, tables, ids)
    if args.check:
        print("\n".join(said) if said else f"{len(tables)} languages, each with all {len(ids)} texts")
        return 1 if said else 0
    for line in said:  # a language still being written builds; English stands in
        print(f"make_texts: warning: {line}", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
