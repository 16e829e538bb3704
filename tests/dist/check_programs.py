#!/usr/bin/env python3
"""Checks of the built Windows programs, read straight from their PE files:

    check_programs.py sizes     --bin DIR [--limit BYTES]
    check_programs.py resources --bin DIR --version X.Y.Z

sizes: each program is at most the limit (a size guard: the release programs are far
below it, so only a real regression, such as the C++ runtime library coming back, trips
it). resources: each program's version resource (Japanese, code page 932, the project
version, the names) and its manifest (asInvoker, Windows 7 to 11, no DPI awareness).
Each check prints one line, "ok" or "FAILED"; the exit code is 1 when any failed.
"""
import argparse
import os
import struct
import sys
import xml.etree.ElementTree as ElementTree

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from checks import Checks  # noqa: E402

PROGRAMS = {
    "TLRun.exe": "Tarvilo スケジュール実行",
    "TLSet.exe": "Tarvilo スケジュール編集",
    "TLUninstaller.exe": "Tarvilo 関連付け解除",
}
RT_VERSION = 16
RT_MANIFEST = 24
LANG_JAPANESE = 0x0411
WINDOWS_7_TO_11 = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}


def resources(image):
    """{(type, id, language): bytes} of a PE file's resources with numeric ids."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    section_count, = struct.unpack_from("<H", image, pe + 6)
    optional_size, = struct.unpack_from("<H", image, pe + 20)
    optional = pe + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x10B:
        raise ValueError("not a 32-bit program")
    root_rva, _ = struct.unpack_from("<II", image, optional + 96 + 2 * 8)
    sections = []
    for index in range(section_count):
        header = optional + optional_size + 40 * index
        size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", image, header + 8)
        sections.append((rva, max(size, raw_size), raw_offset))

    def offset_of(rva):
        for start, size, raw in sections:
            if start <= rva < start + size:
                return rva - start + raw
        raise ValueError(f"RVA {rva:#x} is in no section")

    root = offset_of(root_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", image, root + directory + 12)
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", image, root + directory + 16 + 8 * index)
            if not name & 0x80000000:
                yield name, target

    found = {}
    for type_id, type_dir in entries(0):
        for res_id, id_dir in entries(type_dir & 0x7FFFFFFF):
            for language, leaf in entries(id_dir & 0x7FFFFFFF):
                data_rva, size = struct.unpack_from("<II", image, root + leaf)
                start = offset_of(data_rva)
                found[(type_id, res_id, language)] = image[start:start + size]
    return found


def version_blocks(data, offset=0):
    """One VS_VERSIONINFO node as (key, value, children), value as text or bytes."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_start = offset + 6
    key_end = key_start
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    size = value_length * 2 if value_type == 1 else value_length
    value = data[position:position + size]
    if value_type == 1:
        value = value.decode("utf-16-le").rstrip("\0")
    position = (position + size + 3) & ~3
    children = []
    while position < end:
        child = version_blocks(data, position)
        children.append(child[:3])
        position = (position + child[3] + 3) & ~3
    return key, value, children, length


def check_version(checks, program, found, version):
    matching = [data for (kind, _, language), data in found.items()
                if kind == RT_VERSION and language == LANG_JAPANESE]
    if not checks.check(len(matching) == 1, f"{program}: one Japanese version resource"):
        return
    key, fixed, children, _ = version_blocks(matching[0])
    checks.check(key == "VS_VERSION_INFO", f"{program}: the version resource's root")
    parts = [int(part) for part in version.split(".")]
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    numbers = [file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF]
    checks.check(signature == 0xFEEF04BD and numbers == parts + [0]
                 and (product_ms, product_ls) == (file_ms, file_ls),
                 f"{program}: file and product version numbers {version}.0")
    blocks = {child[0]: child for child in children}
    tables = blocks.get("StringFileInfo", ("", b"", []))[2]
    checks.check([table[0] for table in tables] == ["041103a4"],
                 f"{program}: one string table, Japanese in code page 932 (041103a4)")
    strings = {entry[0]: entry[1] for table in tables for entry in table[2]}
    expected = {
        "CompanyName": "Tarvilo",
        "FileDescription": PROGRAMS[program],
        "FileVersion": version,
        "LegalCopyright": "Copyright (C) 2026 Tarvilo",
        "OriginalFilename": program,
        "ProductName": "Tarvilo",
        "ProductVersion": version,
    }
    for name, text in expected.items():
        checks.check(strings.get(name) == text,
                     f"{program}: {name} is {text!r} (is {strings.get(name)!r})")
    variables = {entry[0]: entry[1] for entry in blocks.get("VarFileInfo", ("", b"", []))[2]}
    translation = variables.get("Translation", b"")
    checks.check(translation == struct.pack("<HH", LANG_JAPANESE, 932),
                 f"{program}: Translation 0x411, 932")


def check_manifest(checks, program, found):
    matching = [data for (kind, res_id, _), data in found.items()
                if kind == RT_MANIFEST and res_id == 1]
    if not checks.check(len(matching) == 1, f"{program}: one manifest with id 1"):
        return
    root = ElementTree.fromstring(matching[0])
    levels = [element.get("level") for element in root.iter()
              if element.tag.endswith("}requestedExecutionLevel")]
    checks.check(levels == ["asInvoker"], f"{program}: requestedExecutionLevel asInvoker")
    systems = {element.get("Id") for element in root.iter()
               if element.tag.endswith("}supportedOS")}
    checks.check(systems == WINDOWS_7_TO_11, f"{program}: supportedOS Windows 7, 8, 8.1, 10/11")
    dpi = [element.tag for element in root.iter() if "dpiaware" in element.tag.lower()]
    checks.check(not dpi, f"{program}: no DPI awareness")
    checks.check([e.text for e in root.iter() if e.tag.endswith("}gdiScaling")] == ["true"],
                 f"{program}: GDI scaling")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("what", choices=["sizes", "resources"])
    parser.add_argument("--bin", required=True, help="the folder of the built programs")
    parser.add_argument("--limit", type=int, default=128 * 1024, help="most bytes a program")
    parser.add_argument("--version", help="the project version, X.Y.Z")
    args = parser.parse_args()
    checks = Checks()
    for program in PROGRAMS:
        path = os.path.join(args.bin, program)
        if not checks.check(os.path.isfile(path), f"{program} is built ({path})"):
            continue
        if args.what == "sizes":
            size = os.path.getsize(path)
            checks.check(size <= args.limit, f"{program}: {size} bytes, at most {args.limit}")
            continue
        with open(path, "rb") as file:
            found = resources(file.read())
        check_version(checks, program, found, args.version)
        check_manifest(checks, program, found)
    print(f"{checks.failed} check(s) failed" if checks.failed else "all checks passed")
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
