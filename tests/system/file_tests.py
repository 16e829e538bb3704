"""The schedule file as both programs meet it: a huge (sparse, multi-gigabyte) file that
the runner reports as an empty schedule and the editor as too large to read, and saves by the
editor that keep the file's attributes and leave a read-only file alone. GROUPS maps each
group's name to its function.
"""
import os
import subprocess
import time

from harness import (
    IDOK, WAIT_MS, Program, answer, check, check_ended, check_equal, driver, hex_arg,
    message_box, probe_item, probe_starts, schedule_file, sjis, win_path, write_schedule)

# ---------------------------------------------------------------------------------------
# The texts and numbers the programs are built to show

CAPTION_ERROR = sjis("エラー")
CAPTION_EDITOR = sjis("Setting's Tarvilo")
TEXT_TOO_LARGE = sjis("ファイルが大きすぎるため読み込めません。\n")
TEXT_SAVE_FAILED = sjis("保存できませんでした。\n")
CMD_SAVE = 40026  # 上書き保存 in the editor's file menu

HUGE_SIZE = 3 << 30  # far beyond the readers' limit, and beyond what a long can tell


# ---------------------------------------------------------------------------------------
# Steps


def attributes(run, path):
    """The letters `attrib` shows for the file (R, H, A, ...), or None when it fails."""
    done = subprocess.run(["wine", "cmd", "/c", "attrib", win_path(path)], env=run.env,
                          capture_output=True, timeout=60)
    for line in done.stdout.split(b"\n"):
        if win_path(path).lower() in line.lower():
            return line.lower().split(b"z:")[0].decode("latin-1").upper().split()
    return None


def set_attribute(run, path, change):
    subprocess.run(["wine", "cmd", "/c", "attrib", change, win_path(path)], env=run.env,
                   capture_output=True, timeout=60)


def start_editor(run, path):
    """TLSet.exe under the debugger with path; (program, main window or None)."""
    program = Program(run, run.exe("TLSet.exe"), b'"' + win_path(path) + b'"')
    reply = driver(run, "wait-window", "Tarvilo", hex_arg(CAPTION_EDITOR), WAIT_MS, program.pid)
    return program, reply.get("hwnd")


def close_editor(run, program, hwnd, what):
    driver(run, "close", hwnd)
    check_ended(run, program, 0, what)


def bare_line_feeds(items):
    """A schedule the editor reads like its own but writes differently (CR LF), so a save
    shows in the file's bytes."""
    return schedule_file(items).replace(b"\r\n", b"\n")


def wait_bytes(path, expected, timeout_ms=WAIT_MS):
    deadline = time.time() + timeout_ms / 1000
    while True:
        # A save may briefly leave no file under the name while it puts the new one in place.
        try:
            with open(path, "rb") as file:
                content = file.read()
        except FileNotFoundError:
            content = None
        if content == expected or time.time() > deadline:
            return content
        time.sleep(0.05)


# ---------------------------------------------------------------------------------------
# Groups


def group_huge_file(run):
    """A 3 GB sparse file (a schedule followed by zeros): the runner and the editor report
    that the file is too large with its name, and neither fails on the way."""
    path = write_schedule(run, "huge.tlf", [probe_item(run, "never")], show=True)
    os.truncate(path, HUGE_SIZE)
    check_equal(run, os.path.getsize(path), HUGE_SIZE, "the file is 3 GB")

    runner = Program(run, run.exe("TLRun.exe"), b'"' + win_path(path) + b'"')
    text, _, pid = message_box(run, CAPTION_ERROR)
    check_equal(run, (text, pid), (TEXT_TOO_LARGE + win_path(path), runner.pid),
                "runner: the read error names the reason and the file")
    answer(run, CAPTION_ERROR, IDOK)
    check_ended(run, runner, 0, "runner: ends after the report")
    check_equal(run, len(probe_starts(run)), 0, "runner: nothing was launched")

    editor = Program(run, run.exe("TLSet.exe"), b'"' + win_path(path) + b'"')
    text, _, pid = message_box(run, CAPTION_ERROR)
    check_equal(run, (text, pid), (TEXT_TOO_LARGE + win_path(path), editor.pid),
                "editor: the read error names the reason and the file")
    answer(run, CAPTION_ERROR, IDOK)
    reply = driver(run, "wait-window", "Tarvilo", hex_arg(CAPTION_EDITOR), WAIT_MS, editor.pid)
    hwnd = reply.get("hwnd")
    if check(run, hwnd is not None, "editor: its window comes up afterwards"):
        close_editor(run, editor, hwnd, "editor: closes normally")
    check_equal(run, os.path.getsize(path), HUGE_SIZE, "the file is left as it was")


def group_save_keeps_file(run):
    """A save by the editor keeps the file's hidden attribute (where Wine can keep it on
    this file system), and a read-only file is not written: the save reports failure."""
    items = [{"name": "Mail", "path": "C:\\mail.exe"}]
    saved = schedule_file(items)

    path = os.path.join(run.work, "hidden.tlf")
    with open(path, "wb") as file:
        file.write(bare_line_feeds(items))
    set_attribute(run, path, "+h")
    keeps_hidden = "H" in (attributes(run, path) or [])
    if not keeps_hidden:
        print("  note Wine keeps no hidden attribute on this file system (no extended "
              "attributes): the check that it survives the save is left out")
    program, hwnd = start_editor(run, path)
    if check(run, hwnd is not None, "hidden file: the editor opens it"):
        driver(run, "menu-command", hwnd, CMD_SAVE)
        check_equal(run, wait_bytes(path, saved), saved, "hidden file: the save wrote it")
        if keeps_hidden:
            check(run, "H" in (attributes(run, path) or []),
                  "hidden file: still hidden after the save", str(attributes(run, path)))
        check_equal(run, [name for name in os.listdir(run.work) if name.startswith("~")], [],
                    "hidden file: no temporary file is left")
        close_editor(run, program, hwnd, "hidden file: the editor")

    path = os.path.join(run.work, "locked.tlf")
    original = bare_line_feeds(items)
    with open(path, "wb") as file:
        file.write(original)
    set_attribute(run, path, "+r")
    check(run, "R" in (attributes(run, path) or []), "read-only file: marked read-only")
    program, hwnd = start_editor(run, path)
    if check(run, hwnd is not None, "read-only file: the editor opens it"):
        driver(run, "menu-command", hwnd, CMD_SAVE)
        text, _, pid = message_box(run, CAPTION_ERROR)
        check_equal(run, (text, pid), (TEXT_SAVE_FAILED + win_path(path), program.pid),
                    "read-only file: the save reports failure")
        answer(run, CAPTION_ERROR, IDOK)
        with open(path, "rb") as file:
            check_equal(run, file.read(), original, "read-only file: left as it was")
        close_editor(run, program, hwnd, "read-only file: the editor")
    set_attribute(run, path, "-r")


GROUPS = {
    "huge_file": group_huge_file,
    "save_keeps_file": group_save_keeps_file,
}
