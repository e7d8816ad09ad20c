#!/usr/bin/env python3
"""Builds the ZIP archives Grimaze's download tests serve.

usage: make_archives.py OUT_FOLDER ABSOLUTE_PATH [ONLINE_TEMPLATES_FOLDER]

ABSOLUTE_PATH is the name of the hostile absolute entry; the test checks that no file appears
there. With ONLINE_TEMPLATES_FOLDER, every sub-folder of it is also packed into
OUT_FOLDER/templates/<folder name without spaces>.zip, the way the vendor's site offers the
online templates.
"""
import os
import sys
import zipfile


def definition(name):
    return ('<effect>\n  <template name="%s"/>\n  <filter name="SimpleTemplate">\n'
            '    <filter name="SimpleFilter"/>\n  </filter>\n</effect>\n' % name)


def write(path, entries, compression=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path, "w", compression) as z:
        for name, data in entries:
            if name.endswith("/") or name.endswith("\\"):
                z.writestr(zipfile.ZipInfo(name), b"")
            else:
                z.writestr(zipfile.ZipInfo(name), data)


def main():
    out, absolute = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    # Sub-folders, forward slashes, a folder entry; the definition is not the last entry.
    write(os.path.join(out, "good.zip"), [
        ("Good/", b""),
        ("Good/Good.tmpl", definition("Good")),
        ("Good/textures/drop.png", b"not really a picture"),
        ("Good/readme.txt", b"Good"),
    ])
    # The same layout written with backslashes.
    write(os.path.join(out, "backslash.zip"), [
        ("Back\\Back.tmpl", definition("Back")),
        ("Back\\sub\\a.txt", b"A"),
    ])
    # Two definitions: the last one counts.
    write(os.path.join(out, "two.zip"), [
        ("Two/first.tmpl", definition("First")),
        ("Two/second.tmpl", definition("Second")),
    ])
    write(os.path.join(out, "hostile.zip"), [
        ("Evil/Evil.tmpl", definition("Evil")),
        ("../evil.txt", b"escaped"),
    ])
    write(os.path.join(out, "absolute.zip"), [
        ("Abs/Abs.tmpl", definition("Abs")),
        (absolute, b"escaped"),
    ])
    write(os.path.join(out, "drive.zip"), [
        ("Drive/Drive.tmpl", definition("Drive")),
        ("C:\\evil.txt", b"escaped"),
    ])
    write(os.path.join(out, "notmpl.zip"), [("Nothing/readme.txt", b"no definition here")])
    write(os.path.join(out, "broken-tmpl.zip"), [("Broken/Broken.tmpl", b"<effect><template name=")])
    with open(os.path.join(out, "good.zip"), "rb") as f:
        data = f.read()
    with open(os.path.join(out, "truncated.zip"), "wb") as f:
        f.write(data[: len(data) // 2])
    with open(os.path.join(out, "garbage.zip"), "wb") as f:
        f.write(b"<html>This is not an archive</html>")

    if len(sys.argv) > 3:
        source = sys.argv[3]
        os.makedirs(os.path.join(out, "templates"), exist_ok=True)
        for name in sorted(os.listdir(source)):
            folder = os.path.join(source, name)
            if not os.path.isdir(folder):
                continue
            entries = []
            for base, _, files in os.walk(folder):
                for f in sorted(files):
                    full = os.path.join(base, f)
                    arc = os.path.relpath(full, source).replace(os.sep, "/")
                    with open(full, "rb") as fh:
                        entries.append((arc, fh.read()))
            write(os.path.join(out, "templates", name.replace(" ", "") + ".zip"), entries)


if __name__ == "__main__":
    main()
