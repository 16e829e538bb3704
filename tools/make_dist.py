#!/usr/bin/env python3
"""Makes the release archive build/dist/tarvilo-<version>-win32.zip.

The archive holds the three programs (stripped copies of the release build), a sample
schedule, the Japanese quick guide (CP932 with CR LF), the licence and SHA256SUMS of the
other files. The version is the one in the top CMakeLists.txt's project() line.

Two runs over the same programs and sources give the same bytes: the entries come in a
fixed order with fixed attributes and one time for all (SOURCE_DATE_EPOCH when set, else
the time of the checked-out commit), the strip tool is told the same time, and a program
whose PE header carries a link time stamp is refused.

    tools/make_dist.py [--bin DIR] [--out DIR] [--strip TOOL]

Prints the archive's path.
"""
import argparse
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAMS = ("TLSet.exe", "TLRun.exe", "TLUninstaller.exe")
SAMPLE_SOURCE = os.path.join("samples", "starter.tlf")
SAMPLE_NAME = "sample.tlf"
GUIDE_SOURCE = os.path.join("docs", "quick-guide.ja.txt")
GUIDE_NAME = "お読みください.txt"
LICENSE_NAME = "LICENSE"
SUMS_NAME = "SHA256SUMS"
# The oldest time a zip entry can hold (MS-DOS dates start in 1980).
ZIP_EPOCH = 315532800
FALLBACK_TIME = 1767225600  # 2026-01-01 00:00:00 UTC, when there is no commit to ask
# Attributes made on Unix, mode rw-r--r--: an unzip on Linux then takes the UTF-8 name as
# it is (it would read a name of MS-DOS origin as code page 437); Explorer ignores both.
CREATE_SYSTEM_UNIX = 3
FILE_MODE = 0o100644


def project_version(root=ROOT):
    """The VERSION of project() in the top CMakeLists.txt."""
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as file:
        text = file.read()
    match = re.search(r"^project\(\s*\w+\s+VERSION\s+([0-9][0-9.]*)", text, re.MULTILINE)
    if match is None:
        sys.exit("make_dist: no VERSION in the project() line of CMakeLists.txt")
    return match.group(1)


def archive_name(version):
    return f"tarvilo-{version}-win32.zip"


def source_time(root=ROOT):
    """SOURCE_DATE_EPOCH when set, else the commit time of HEAD, else a constant."""
    value = os.environ.get("SOURCE_DATE_EPOCH")
    if value:
        return int(value)
    try:
        out = subprocess.run(["git", "-C", root, "log", "-1", "--format=%ct"],
                             check=True, capture_output=True, text=True).stdout.strip()
        return int(out)
    except (OSError, subprocess.CalledProcessError, ValueError):
        return FALLBACK_TIME


def pe_time_stamp(data):
    """The TimeDateStamp of a PE file's COFF header."""
    if data[:2] != b"MZ":
        raise ValueError("not an MZ executable")
    (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise ValueError("no PE header")
    (stamp,) = struct.unpack_from("<I", data, pe_offset + 8)
    return stamp


def stripped_program(path, strip_tool):
    """The program's bytes without symbols. Stripping writes the PE header anew with the
    time in SOURCE_DATE_EPOCH, so it is given 0, the value the linker leaves."""
    with tempfile.TemporaryDirectory() as temp:
        target = os.path.join(temp, os.path.basename(path))
        env = dict(os.environ, SOURCE_DATE_EPOCH="0")
        subprocess.run([strip_tool, "-o", target, path], check=True, env=env)
        with open(target, "rb") as file:
            data = file.read()
    stamp = pe_time_stamp(data)
    if stamp != 0:
        sys.exit(f"make_dist: {path} carries the time stamp {stamp:#x}; "
                 "link with --no-insert-timestamp")
    return data


def text_for_windows(text):
    """CP932 with CR LF line ends; fails on any character CP932 lacks."""
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932")


def sha256_sums(entries):
    """sha256sum's format (UTF-8 names, LF), so `sha256sum -c SHA256SUMS` checks them."""
    lines = [f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in entries]
    return "".join(lines).encode("utf-8")


def archive_entries(bin_dir, strip_tool, version, root=ROOT):
    """The archive's files as (name, bytes), in their order in the archive."""
    entries = []
    for program in PROGRAMS:
        path = os.path.join(bin_dir, program)
        if not os.path.isfile(path):
            sys.exit(f"make_dist: {path} is missing; build first (make build)")
        entries.append((program, stripped_program(path, strip_tool)))
    with open(os.path.join(root, SAMPLE_SOURCE), "rb") as file:
        entries.append((SAMPLE_NAME, file.read()))
    with open(os.path.join(root, GUIDE_SOURCE), encoding="utf-8") as file:
        guide = file.read().replace("@VERSION@", version)
    entries.append((GUIDE_NAME, text_for_windows(guide)))
    with open(os.path.join(root, "LICENSE"), encoding="utf-8") as file:
        entries.append((LICENSE_NAME, text_for_windows(file.read())))
    entries.append((SUMS_NAME, sha256_sums(entries)))
    return entries


def write_archive(path, entries, timestamp):
    """A zip of the entries with one time, fixed attributes and fixed compression. Python
    stores a non-ASCII name as UTF-8 and sets the flag that says so (bit 11), which the
    Explorer of Windows 10 and later reads."""
    when = time.gmtime(max(timestamp, ZIP_EPOCH))[:6]
    partial = path + ".part"
    with zipfile.ZipFile(partial, "w") as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=when)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = CREATE_SYSTEM_UNIX
            info.external_attr = FILE_MODE << 16
            archive.writestr(info, data, compresslevel=9)
    os.replace(partial, path)


def make_dist(bin_dir, out_dir, strip_tool, root=ROOT):
    version = project_version(root)
    entries = archive_entries(bin_dir, strip_tool, version, root)
    os.makedirs(out_dir, exist_ok=True)
    path = os.path.join(out_dir, archive_name(version))
    write_archive(path, entries, source_time(root))
    return path


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "bin"),
                        help="the folder of the built programs (default build/bin)")
    parser.add_argument("--out", default=os.path.join(ROOT, "build", "dist"),
                        help="where the archive goes (default build/dist)")
    parser.add_argument("--strip", default="i686-w64-mingw32-strip",
                        help="the strip tool for the programs")
    args = parser.parse_args()
    if shutil.which(args.strip) is None:
        sys.exit(f"make_dist: {args.strip} not found (make bootstrap installs it)")
    print(make_dist(args.bin, args.out, args.strip))


if __name__ == "__main__":
    main()
