#!/usr/bin/env python3
"""The release archive's test: makes build/dist/tarvilo-<version>-win32.zip from the
programs in build/bin (as `make dist` does), checks what it holds, then builds the three
programs again in a fresh tree of their own and requires the same program bytes and the
same archive bytes.

    check_dist.py --root SOURCE_DIR --bin BIN_DIR --repro BUILD_DIR

Each check prints one line, "ok" or "FAILED"; the exit code is 1 when any failed.
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import zipfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))), "tools"))
import make_dist  # noqa: E402
from checks import Checks  # noqa: E402

EXPECTED_NAMES = ["TLSet.exe", "TLRun.exe", "TLUninstaller.exe", "sample.tlf",
                  "お読みください.txt", "LICENSE", "SHA256SUMS"]
UTF8_NAME_FLAG = 0x800
# What the guide must say about opening schedules.
GUIDE_WARNING = ("バッチファイルと同じように", "ご自分で作ったスケジュールだけを開いてください")
STRIP_TOOL = "i686-w64-mingw32-strip"
PLACEHOLDER_ADDRESS = re.compile(rb"[\w-]\.example\b|\bexample\.(com|net|org)\b")  # RFC 2606


def crlf_only(data):
    """Every line ends with CR LF: no LF without CR, no CR without LF."""
    return data.count(b"\n") == data.count(b"\r\n") == data.count(b"\r")


def decodes_as_cp932(data):
    try:
        data.decode("cp932")
    except UnicodeDecodeError:
        return False
    return True


def schedule_is_whole(data):
    """Two option lines, a blank, the count, a blank, then count records of six lines and
    a blank each."""
    lines = data.decode("cp932").split("\r\n")
    if len(lines) < 5 or lines[0] not in ("true", "false") or lines[1] not in ("true", "false"):
        return False
    if not lines[3].isdigit():
        return False
    count = int(lines[3])
    records = lines[5:-1]
    if lines[-1] != "" or len(records) != 7 * count:
        return False
    return all(records[7 * i + 4] in ("true", "false") and records[7 * i + 5].isdigit()
               and records[7 * i + 6] == "" for i in range(count))


def check_contents(checks, path, version):
    checks.check(os.path.basename(path) == f"tarvilo-{version}-win32.zip",
                 f"the archive is named after version {version}")
    with zipfile.ZipFile(path) as archive:
        infos = archive.infolist()
        names = [info.filename for info in infos]
        checks.check(names == EXPECTED_NAMES, f"the archive holds {EXPECTED_NAMES} in order "
                     f"(has {names})")
        if names != EXPECTED_NAMES:
            return
        data = {name: archive.read(name) for name in names}
        checks.check(archive.testzip() is None, "every entry's CRC is right")
    checks.check(not any(PLACEHOLDER_ADDRESS.search(body) for body in data.values()),
                 "no entry carries a placeholder address")

    checks.check(len({info.date_time for info in infos}) == 1, "one time for every entry")
    for info in infos:
        ascii_name = info.filename.isascii()
        flagged = bool(info.flag_bits & UTF8_NAME_FLAG)
        checks.check(flagged != ascii_name,
                     f"{info.filename}: the UTF-8 name flag is set exactly for a non-ASCII name")

    for program in make_dist.PROGRAMS:
        body = data[program]
        try:
            stamp = make_dist.pe_time_stamp(body)
        except ValueError:
            stamp = None
        checks.check(stamp == 0, f"{program}: a PE program without a link time stamp")

    lines = data["SHA256SUMS"].decode("utf-8").splitlines()
    listed = [line.split("  ", 1) for line in lines]
    checks.check([entry[-1] for entry in listed] == EXPECTED_NAMES[:-1],
                 "SHA256SUMS lists every other file, in order")
    for digest, name in (entry for entry in listed if len(entry) == 2):
        actual = hashlib.sha256(data.get(name, b"")).hexdigest()
        checks.check(digest == actual, f"SHA256SUMS: {name} matches")

    guide = data["お読みください.txt"]
    checks.check(decodes_as_cp932(guide), "the guide is CP932 text")
    checks.check(crlf_only(guide) and guide.endswith(b"\r\n"), "the guide's lines end in CR LF")
    guide_text = guide.decode("cp932", errors="replace")
    checks.check(all(part in guide_text for part in GUIDE_WARNING),
                 "the guide warns that a schedule starts programs like a batch file")
    checks.check(version in guide_text, "the guide names the version")

    sample = data["sample.tlf"]
    checks.check(decodes_as_cp932(sample) and crlf_only(sample),
                 "the sample schedule is CP932 with CR LF")
    checks.check(decodes_as_cp932(sample) and schedule_is_whole(sample),
                 "the sample schedule has every record its count promises")

    licence = data["LICENSE"].decode("utf-8", errors="replace")
    checks.check(licence.startswith("MIT License") and "Copyright (c)" in licence
                 and "Tarvilo" in licence, "LICENSE is the MIT licence of Tarvilo")


def build_again(root, repro):
    """The three programs built from scratch in their own tree; returns its program folder."""
    shutil.rmtree(repro, ignore_errors=True)
    bin_dir = os.path.join(repro, "bin")
    subprocess.run(["cmake", "-S", root, "-B", repro,
                    "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(root, "cmake", "mingw-i686.cmake"),
                    "-DCMAKE_BUILD_TYPE=Release", "-DTARVILO_BIN_DIR=" + bin_dir,
                    "-Wno-dev", "--no-warn-unused-cli"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", repro, "-j", str(os.cpu_count() or 1), "--target",
                    "TLRun", "TLSet", "TLUninstaller"], check=True, stdout=subprocess.DEVNULL)
    return bin_dir


def same_bytes(first, second):
    with open(first, "rb") as a, open(second, "rb") as b:
        return a.read() == b.read()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", required=True, help="the source tree")
    parser.add_argument("--bin", required=True, help="the built programs (build/bin)")
    parser.add_argument("--repro", required=True, help="a build tree for the second build")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    checks = Checks()

    version = make_dist.project_version(root)
    archive = make_dist.make_dist(args.bin, os.path.join(root, "build", "dist"), STRIP_TOOL,
                                  root)
    print(f"archive {archive}")
    check_contents(checks, archive, version)

    repro_bin = build_again(root, os.path.abspath(args.repro))
    for program in make_dist.PROGRAMS:
        checks.check(same_bytes(os.path.join(args.bin, program),
                                os.path.join(repro_bin, program)),
                     f"{program}: a second build gives the same bytes "
                     "(when not, is build/bin out of date? make build)")
    second = make_dist.make_dist(repro_bin, os.path.join(args.repro, "dist"), STRIP_TOOL, root)
    checks.check(same_bytes(archive, second),
                 "the archive of the second build has the same bytes")

    print(f"{checks.failed} check(s) failed" if checks.failed else "all checks passed")
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
