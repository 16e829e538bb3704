"""A short smoke run of the three programs on the bundled sample schedule, with as few
starts of them as the checks allow. tools/smoke32.sh runs it with the programs that ship
(TARVILO_SMOKE_PROGRAMS, the 32-bit build) beside the 64-bit driver and probe, so that on a
host where every 32-bit start takes minutes (qemu-user) only the three programs pay for it.
GROUPS maps each group's name to its function.
"""
import os
import time

from harness import (
    EDITOR_VERB, IDNO, IDOK, WAIT_MS, Program, answer, check, check_ended, check_equal, driver,
    hex_arg, registry_dump, wait_probes, win_path, write_schedule)
from editor_tests import CAPTION_EDITOR, CMD_CTRL_S
from remover_tests import CAPTION_FINISH, CAPTION_QUESTION
from runner_tests import CMD_EXIT, runner_window

SAMPLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "samples",
                      "sample.tlf")
PROBE_VARIABLE = "TL_SMOKE_PROBE"


def shipped(run, name):
    """A program under test: from TARVILO_SMOKE_PROGRAMS, else beside the driver."""
    return os.path.join(os.environ.get("TARVILO_SMOKE_PROGRAMS", run.bin), name)


def sample_items():
    """(the two option lines, the items) of the sample, as schedule_file takes them."""
    with open(SAMPLE, "rb") as sample:
        lines = sample.read().split(b"\r\n")
    items = []
    for first in range(5, 5 + 7 * int(lines[3]), 7):
        name, path, args, cwd, env, delay = lines[first:first + 6]
        items.append({"name": name, "path": path, "args": b"" if args == b"nn" else args,
                      "cwd": b"" if cwd == b"nn" else cwd, "env": env == b"true",
                      "delay": int(delay)})
    return (lines[0], lines[1]), items


def group_smoke_runner(run):
    """The sample's items, each aimed at the probe: every launch arrives with its
    arguments and folder (a variable's item through a variable naming the probe)."""
    options, items = sample_items()
    run.env[PROBE_VARIABLE] = win_path(run.exe("tl_probe.exe")).decode("cp932")
    for item in items:
        item["path"] = PROBE_VARIABLE if item["env"] else win_path(run.exe("tl_probe.exe"))
    schedule = write_schedule(run, "sample.tlf", items, options=options)
    program = Program(run, shipped(run, "TLRun.exe"), b'"' + win_path(schedule) + b'"')
    starts = wait_probes(run, len(items), WAIT_MS + 1000 * sum(i["delay"] for i in items))
    folder = {item["args"]: item["cwd"].lower() for item in items}
    check_equal(run, sorted(s.tail for s in starts), sorted(folder),
                "every item of the sample is launched once, with its arguments")
    check_equal(run, [s.cwd.rstrip(b"\\").lower() for s in starts if folder.get(s.tail)],
                [f for f in folder.values() if f], "each in the folder its item names")
    hwnd = runner_window(run, program)
    if check(run, hwnd is not None, "the runner shows its window"):
        driver(run, "menu-command", hwnd, CMD_EXIT)
        check_ended(run, program, 0, "the runner, closed from its menu")


def group_smoke_editor(run):
    """The editor opens the sample and Ctrl+S writes it again, byte for byte."""
    with open(SAMPLE, "rb") as sample:
        original = sample.read()
    path = os.path.join(run.work, "sample.tlf")
    with open(path, "wb") as copy:
        copy.write(original)
    os.utime(path, (0, 0))  # a save shows itself by a new time
    program = Program(run, shipped(run, "TLSet.exe"), b'"' + win_path(path) + b'"')
    hwnd = driver(run, "wait-window", "Tarvilo", hex_arg(CAPTION_EDITOR), WAIT_MS,
                  program.pid).get("hwnd")
    if not check(run, hwnd is not None, "the editor shows the sample"):
        return
    driver(run, "menu-command", hwnd, CMD_CTRL_S)
    deadline = time.time() + WAIT_MS / 1000
    while os.path.getmtime(path) == 0 and time.time() < deadline:
        time.sleep(0.1)
    check(run, os.path.getmtime(path) != 0, "Ctrl+S writes the file")
    with open(path, "rb") as saved:
        check_equal(run, saved.read(), original, "the saved sample is the sample, byte for byte")
    driver(run, "close", hwnd)
    check_ended(run, program, 0, "the editor closes without a question")


def group_smoke_remover(run):
    """The remover answered No keeps the association as it was."""
    driver(run, "reg-set", hex_arg(b"tlf_auto_file\\shell\\" + EDITOR_VERB + b"\\command"),
           hex_arg(b'"' + win_path(shipped(run, "TLSet.exe")) + b'" "%1"'))
    before = registry_dump(run)
    program = Program(run, shipped(run, "TLUninstaller.exe"))
    check(run, answer(run, CAPTION_QUESTION, IDNO), "the remover asks; answered No")
    check(run, answer(run, CAPTION_FINISH, IDOK), "then it says it stopped")
    check_ended(run, program, 1, "the remover answered No")
    check(run, before and registry_dump(run) == before, "No leaves the association as it was")


GROUPS = {
    "smoke_runner": group_smoke_runner,
    "smoke_editor": group_smoke_editor,
    "smoke_remover": group_smoke_remover,
}
