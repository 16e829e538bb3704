"""The programs once on the bundled sample, each started as few times as the checks allow."""
import os
import pathlib

from harness import (
    IDNO, IDOK, WAIT_MS, Program, add_with_reg_exe, answer, check, check_ended, check_equal,
    driver, hex_arg, registry_dump, wait_probes, win_path)
from editor_tests import CAPTION_EDITOR, CMD_CTRL_S, file_bytes
from remover_tests import CAPTION_FINISH, CAPTION_QUESTION

SAMPLE = os.path.join(os.path.dirname(__file__), "..", "..", "samples", "sample.tlf")
DEBUG = os.environ.get("TARVILO_SMOKE_DEBUG") != "0"  # catch swallowed access violations


def shipped(run, name):
    return os.path.join(os.environ.get("TARVILO_SMOKE_PROGRAMS", run.bin), name)


def group_smoke_runner(run):
    """The runner on the sample, each item's program the probe: every launch arrives."""
    lines = file_bytes(SAMPLE).split(b"\r\n")
    probe = win_path(run.exe("tl_probe.exe"))
    run.env["TL_SMOKE_PROBE"] = probe.decode("cp932")
    lines[1] = b"true"  # the runner ends after the run
    items = range(5, 5 + 7 * int(lines[3]), 7)  # the first line of each item
    for first in items:
        lines[first + 1] = b"TL_SMOKE_PROBE" if lines[first + 4] == b"true" else probe
    schedule = os.path.join(run.work, "sample.tlf")
    pathlib.Path(schedule).write_bytes(b"\r\n".join(lines))
    program = Program(run, shipped(run, "TLRun.exe"), b'"' + win_path(schedule) + b'"', debug=DEBUG)
    starts = wait_probes(run, len(items), WAIT_MS + 1000 * sum(int(lines[i + 5]) for i in items))
    expected = sorted((lines[i + 2], (lines[i + 3] if lines[i + 3] != b"nn" else
                                      win_path(run.work)).lower()) for i in items)
    check_equal(run, sorted((s.tail, s.cwd.rstrip(b"\\").lower()) for s in starts), expected,
                "every item of the sample is launched once, with its arguments, in its folder")
    check_ended(run, program, 0, "the runner ends after the run")


def group_smoke_editor(run):
    """The editor opens the sample and Ctrl+S writes it again, byte for byte."""
    path = os.path.join(run.work, "sample.tlf")
    pathlib.Path(path).write_bytes(file_bytes(SAMPLE))
    os.utime(path, (0, 0))  # the save shows itself by a new time
    program = Program(run, shipped(run, "TLSet.exe"), b'"' + win_path(path) + b'"', debug=DEBUG)
    hwnd = driver(run, "wait-window", "Tarvilo", hex_arg(CAPTION_EDITOR), WAIT_MS,
                  program.pid).get("hwnd")
    # Both are posted: the editor saves before it takes the close.
    driver(run, "menu-command", hwnd, CMD_CTRL_S)
    driver(run, "close", hwnd)
    check_ended(run, program, 0, "the editor saves and closes without a question")
    check_equal(run, (os.path.getmtime(path) != 0, file_bytes(path)), (True, file_bytes(SAMPLE)),
                "Ctrl+S wrote the sample again, byte for byte")


def group_smoke_remover(run):
    """The remover answered No keeps the association as it was."""
    add_with_reg_exe(run, "HKCR\\tlf_auto_file\\shell\\open\\command", '"TLRun.exe" "%1"')
    before = registry_dump(run)
    program = Program(run, shipped(run, "TLUninstaller.exe"), debug=DEBUG)
    check(run, answer(run, CAPTION_QUESTION, IDNO), "the remover asks; answered No")
    check(run, answer(run, CAPTION_FINISH, IDOK), "then it says it stopped")
    check_ended(run, program, 1, "the remover answered No")
    check(run, before and registry_dump(run) == before, "No leaves the association as it was")


GROUPS = {f.__name__[6:]: f for f in (group_smoke_runner, group_smoke_editor, group_smoke_remover)}
