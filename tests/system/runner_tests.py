"""The runner's (TLRun.exe) system tests: single instance, the empty-schedule report,
the launch sequence with its status list, stop and resume, the exit option, the window and
tray icon, the launch fields, the command line, malformed files, the association dialog and
a .tlf file opened through the shell, and the zone mark. GROUPS maps groups to functions.
"""
import glob
import os
import shutil
import time

from harness import (
    CAPTION_DONE, CAPTION_RUNNER, EDITOR_VERB, ID_ASSOCIATE_BOX, IDCANCEL, IDNO, IDOK, IDYES,
    TEXT_EXPLAIN, WAIT_MS, Program, add_with_reg_exe, answer, check, check_ended, check_equal,
    clear_association, clear_probes, driver, hex_arg, message_box, open_association_dialog,
    probe_item, probe_starts, readable, register, registry_dump, runner_layout, schedule_file,
    sjis, wait_probes, win_path, window_info, write_schedule)


# ---------------------------------------------------------------------------------------
# The texts and numbers the runner is built to show

CAPTION_ERROR = sjis("エラー")
TEXT_ONE_INSTANCE = sjis("このアプリケーションは多重起動することはできません。")
TEXT_EMPTY = sjis("アプリケーションが１つも登録されていません。終了します")
TEXT_NO_SCHEDULE = sjis("スケジュールファイルが見つかりません。\n")
STATUS_DONE = sjis("完了")
STATUS_WAITING = sjis("実行待ち")
STATUS_NOT_YET = sjis("未完了")
STATUS_FAILED = sjis("失敗")
TEXT_STOP = sjis("停止")
TEXT_RESUME = sjis("再開")
TEXT_ASSOCIATED = sjis(".tlfファイルとアプリケーションを関連付けました。")
TEXT_UNASSOCIATED = sjis("関連付けを解除しました。")
TEXT_ASSOCIATED_MENU = sjis(".tlfファイルとアプリケーションを関連付けました。Windowsを再起動してください")
TEXT_APPLY = sjis("適用")
TEXT_CANCEL = sjis("キャンセル")
TEXT_ASSOCIATE_BOX = sjis(".tlfファイルをアプリケーションに関連付ける")
TEXT_NOT_STARTED = sjis("起動できなかったプログラムがあります。")
TEXT_ZONE_START = sjis("このスケジュールはインターネットなど他のコンピューターから取得したファイルです。")

ID_STATUS_LIST = 1125
ID_RESUME = 1126
ID_STOP = 1127
CMD_SHOW = 40008
CMD_EXIT = 40009
CMD_HIDE = 40011
CMD_REGISTRY = 40013
WM_LBUTTONDBLCLK = 515
WM_RBUTTONDOWN = 516
WS_EX_TOPMOST = 0x8


# ---------------------------------------------------------------------------------------
# Steps with the runner's window


def runner_window(run, program):
    reply = driver(run, "wait-window", "Tarvilo", hex_arg(CAPTION_RUNNER), WAIT_MS, program.pid)
    return reply.get("hwnd")


def tray_shown(run):
    """Whether Wine's stand-alone notification area (shown only while it holds an icon,
    since there is no desktop panel) is visible."""
    reply = driver(run, "wait-window", "__winex11_standalone_tray", "-", 2000)
    return reply.code == 0 and window_info(run, reply.get("hwnd")).get("visible") == "1"


def wait_tray_gone(run):
    deadline = time.time() + WAIT_MS / 1000
    while tray_shown(run):
        if time.time() > deadline:
            return False
        time.sleep(0.05)
    return True


def status_column(run, hwnd):
    reply = driver(run, "list-rows", hwnd, ID_STATUS_LIST)
    return [bytes.fromhex(row.split(",")[1]) if "," in row else None for row in reply.all("row")]


def close_runner(run, program, hwnd, what):
    driver(run, "menu-command", hwnd, CMD_EXIT)
    check_ended(run, program, 0, what)


def box_ticked(run, dialog):
    return driver(run, "button-state", dialog, ID_ASSOCIATE_BOX).get("checked")


# ---------------------------------------------------------------------------------------
# Runner groups


def group_instance(run):
    """A second runner is refused with its message; the first keeps running."""
    schedule = write_schedule(run, "long.tlf", [probe_item(run, "late", delay=600)], show=True)
    first = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, first)
    check(run, hwnd is not None, "the first runner shows its window")
    second = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    text, buttons, pid = message_box(run, CAPTION_RUNNER)
    check_equal(run, text, TEXT_ONE_INSTANCE, "the second runner's refusal text")
    check_equal(run, pid, second.pid, "the refusal comes from the second runner")
    check_equal(run, buttons, [IDOK], "the refusal has an OK button only")
    answer(run, CAPTION_RUNNER, IDOK)
    check_ended(run, second, 0, "the second runner")
    check(run, first.running(), "the first runner is still running")
    check_equal(run, window_info(run, hwnd).get("visible"), "1",
                "the first runner's window is still shown")
    check_equal(run, len(probe_starts(run)), 0, "nothing was launched")
    # Association mode holds the instance too: a runner without argument refuses as well.
    third = Program(run, run.exe("TLRun.exe"))
    text, _, pid = message_box(run, CAPTION_RUNNER)
    check_equal(run, (text, pid), (TEXT_ONE_INSTANCE, third.pid),
                "a runner without argument is refused while a runner runs")
    answer(run, CAPTION_RUNNER, IDOK)
    check_ended(run, third, 0, "the refused runner without argument")
    close_runner(run, first, hwnd, "the first runner, closed with 終了(&X)")
    # The mutex goes with the process: a new runner now starts normally.
    again = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, again)
    check(run, hwnd is not None, "after the first runner has ended a new one starts")
    if hwnd:
        close_runner(run, again, hwnd, "the new runner")


def group_empty(run):
    """A missing file is named; a count of 0 and a negative count: the empty-schedule
    report."""
    missing = win_path(os.path.join(run.work, "missing.tlf"))
    cases = [
        ("a missing file", b'"' + missing + b'"', TEXT_NO_SCHEDULE + missing),
        ("a count of 0", b'"' + win_path(write_schedule(run, "zero.tlf", [], show=True)) + b'"',
         TEXT_EMPTY),
        ("a negative count", b'"' + win_path(write_schedule(
            run, "negative.tlf", [probe_item(run, "never")], show=True, count=-1)) + b'"',
         TEXT_EMPTY),
        ("a count that is not a number", b'"' + win_path(write_schedule(
            run, "nan.tlf", [probe_item(run, "never")], count="x")) + b'"', TEXT_EMPTY),
    ]
    for what, tail, expected in cases:
        program = Program(run, run.exe("TLRun.exe"), tail)
        text, buttons, pid = message_box(run, CAPTION_ERROR)
        check_equal(run, (text, pid), (expected, program.pid), f"{what}: the report")
        check_equal(run, buttons, [IDOK], f"{what}: OK button only")
        # A missing file is named before the runner has a window or an icon.
        check_equal(run, tray_shown(run), expected == TEXT_EMPTY,
                    f"{what}: the tray icon is there while the report shows")
        answer(run, CAPTION_ERROR, IDOK)
        check_ended(run, program, 0, f"{what}: the runner ends")
        check(run, wait_tray_gone(run), f"{what}: the tray icon goes with the runner")
    check_equal(run, len(probe_starts(run)), 0, "nothing was launched")


def group_sequence(run):
    """Delays 4, 0, 0, 1: three launches in one tick, the fourth a second later; the
    status list before, between and after; both buttons greyed out at the end. The first
    delay leaves a loaded machine time to start the watch before the first launch."""
    items = [probe_item(run, str(n), delay=d) for n, d in ((1, 4), (2, 0), (3, 0), (4, 1))]
    schedule = write_schedule(run, "sequence.tlf", items, show=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, program)
    if not check(run, hwnd is not None, "the runner window appears"):
        return
    driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 4, WAIT_MS)
    for button, name in ((ID_RESUME, "再開"), (ID_STOP, "停止")):
        check_equal(run, driver(run, "button-state", hwnd, button).get("enabled"), "1",
                    f"{name} is enabled while counting")
    watch = driver(run, "watch-status", hwnd, ID_STATUS_LIST, 1, 20000, hex_arg(STATUS_DONE),
                   timeout=40)
    states = []
    for line in watch.all("status"):
        stamp, _, cells = line.partition(" ")
        column = [bytes.fromhex(c) for c in cells.split(",")] if cells else []
        if len(column) == 4:  # an empty list is only the window still being built
            states.append(column)
    w, n, d = STATUS_WAITING, STATUS_NOT_YET, STATUS_DONE
    check_equal(run, states, [[w, n, n, n], [d, d, d, w], [d, d, d, d]],
                "the status column before, between and after the launches")
    starts = wait_probes(run, 4)
    check_equal(run, [s.argv for s in starts], [[b"1"], [b"2"], [b"3"], [b"4"]],
                "four launches in list order")
    if len(starts) == 4:
        together = starts[2].created - starts[0].created
        check(run, together < 900, "the first three are launched together",
              f"{together} ms from the first to the third")
        gap = starts[3].created - starts[2].created
        check(run, 900 <= gap <= 5000, "the fourth follows about 1 s after the third",
              f"{gap} ms")
        first = starts[0].created - program.started
        check(run, first >= 3900, "the first waits its 4 s", f"{first} ms after the start")
    for button, name in ((ID_RESUME, "再開"), (ID_STOP, "停止")):
        check_equal(run, driver(run, "button-state", hwnd, button).get("enabled"), "0",
                    f"{name} is greyed out after the last launch")
    check(run, driver(run, "click", hwnd, ID_STOP).code != 0, "a greyed-out button takes no click")
    close_runner(run, program, hwnd, "the finished runner")

    # Launches that fail show 失敗, count as launched for the timing, and the sequence goes
    # on at its time: a missing program and an unset variable between two good items.
    clear_probes(run)
    items = [probe_item(run, "before"),
             {"name": "missing", "path": win_path(os.path.join(run.work, "missing.exe"))},
             {"name": "unset variable", "path": "TL_VARIABLE_NOBODY_SET", "env": True},
             probe_item(run, "after", delay=1)]
    schedule = write_schedule(run, "failing.tlf", items, show=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, program)
    starts = wait_probes(run, 2)
    check_equal(run, [s.argv for s in starts], [[b"before"], [b"after"]],
                "the good items around two failed launches are launched")
    if len(starts) == 2:
        gap = starts[1].created - starts[0].created
        check(run, gap >= 900, "the last at its own time, 1 s after the failed ones",
              f"{gap} ms")
    if hwnd:
        expected = [STATUS_DONE, STATUS_FAILED, STATUS_FAILED, STATUS_DONE]
        deadline = time.time() + WAIT_MS / 1000
        statuses = status_column(run, hwnd)
        while statuses != expected and time.time() < deadline:
            time.sleep(0.1)
            statuses = status_column(run, hwnd)
        check_equal(run, statuses, expected, "failed launches show 失敗, the others 完了")
        check(run, message_box(run, CAPTION_ERROR, 500)[0] is None,
              "no error box of the shell's own appears")
        close_runner(run, program, hwnd, "the runner with failed launches")


def group_stop_resume(run):
    """Stop, then resume: the waiting item launches its full delay after the resume.
    Resume while counting changes nothing."""
    schedule = write_schedule(run, "stop.tlf", [probe_item(run, "a", delay=3)], show=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, program)
    if not check(run, hwnd is not None, "the runner window appears"):
        return
    driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
    stopped = driver(run, "click", hwnd, ID_STOP).number("clicked")
    driver(run, "click", hwnd, ID_STOP)  # stop while stopped: nothing
    # Nothing may start while stopped: wait well past the 3 s the item would have taken.
    time.sleep(4.5)
    check_equal(run, len(probe_starts(run)), 0, "nothing is launched while stopped")
    check_equal(run, status_column(run, hwnd), [STATUS_WAITING],
                "the stopped item still shows 実行待ち")
    resumed = driver(run, "click", hwnd, ID_RESUME).number("clicked")
    starts = wait_probes(run, 1)
    if check(run, len(starts) == 1, "the item is launched after the resume"):
        after = starts[0].created - resumed
        check(run, 2900 <= after <= 8000, "the full 3 s delay runs again from the resume",
              f"{after} ms after the resume ({resumed - stopped} ms stopped)")
    close_runner(run, program, hwnd, "the runner after stop and resume")

    # Resume while counting must not restart the countdown.
    clear_probes(run)
    schedule = write_schedule(run, "resume.tlf", [probe_item(run, "b", delay=4)], show=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, program)
    if not hwnd:
        return
    driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
    time.sleep(1.5)
    resumed = driver(run, "click", hwnd, ID_RESUME).number("clicked")
    starts = wait_probes(run, 1)
    if check(run, len(starts) == 1, "the item is launched when resume came while counting"):
        after = starts[0].created - resumed
        check(run, after < 3700, "resume while counting does not restart the delay",
              f"launched {after} ms after the resume, delay 4 s")
    close_runner(run, program, hwnd, "the runner after resume while counting")


def group_exit_option(run):
    """Exit-after-run on: the runner ends after the last launch; off: it stays."""
    schedule = write_schedule(run, "exit.tlf",
                              [probe_item(run, "x"), probe_item(run, "y", delay=1)],
                              exit_after=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    code = program.wait()
    check_equal(run, code, 0, "with exit-after-run on the runner ends by itself, exit code 0")
    check(run, not program.faults(), "no fault", "; ".join(program.faults()))
    starts = wait_probes(run, 2)
    check_equal(run, [s.argv for s in starts], [[b"x"], [b"y"]], "both items were launched first")
    if len(starts) == 2 and program.value("end"):
        check(run, int(program.value("end")) >= starts[1].created - 50,
              "the runner ends after the last launch")

    clear_probes(run)
    schedule = write_schedule(run, "stay.tlf", [probe_item(run, "z")], exit_after=False)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    starts = wait_probes(run, 1)
    check_equal(run, len(starts), 1, "with exit-after-run off the item is launched")
    hwnd = runner_window(run, program)
    time.sleep(1.5)  # a runner that wrongly ended would be gone by now
    check(run, program.running(), "with exit-after-run off the runner stays")
    if hwnd:
        check_equal(run, status_column(run, hwnd), [STATUS_DONE], "and shows its item done")
        close_runner(run, program, hwnd, "the staying runner, closed with 終了(&X)")
    # The window's close box ends a run in the middle: nothing more is launched.
    clear_probes(run)
    schedule = write_schedule(run, "close.tlf", [probe_item(run, "first"),
                                                 probe_item(run, "never", delay=3)], show=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, program)
    wait_probes(run, 1)
    if hwnd:
        driver(run, "menu-command", hwnd, 0xF060)  # not a command the runner knows: ignored
        check(run, program.running(), "an unknown command leaves the runner running")
        driver(run, "close", hwnd)
    check_ended(run, program, 0, "the runner closed in the middle of the run")
    time.sleep(3.5)
    check_equal(run, [s.argv for s in probe_starts(run)], [[b"first"]],
                "items after the close are never launched")


def group_window(run):
    """The runner window hidden or shown, the tray double click, its controls."""
    schedule = write_schedule(run, "hidden.tlf", [probe_item(run, "h", delay=600)], show=False)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, program)
    if not check(run, hwnd is not None, "the hidden runner has its window"):
        return
    driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
    info = window_info(run, hwnd)
    check_equal(run, info.get("visible"), "0", "show-runner-window off: the window is not visible")
    check_equal(run, int(info.get("exstyle"), 16) & WS_EX_TOPMOST, 0, "and not topmost")
    driver(run, "tray", hwnd, WM_LBUTTONDBLCLK)
    check(run, driver(run, "wait-visible", hwnd, 1, WAIT_MS).code == 0,
          "a double click on the tray icon shows it")
    info = window_info(run, hwnd)
    check_equal(run, info.get("rect"), "300,300,620,540", "shown at its place, 320 x 240")
    driver(run, "tray", hwnd, WM_LBUTTONDBLCLK)
    check(run, driver(run, "wait-visible", hwnd, 0, WAIT_MS).code == 0,
          "a second double click hides it")
    driver(run, "menu-command", hwnd, CMD_SHOW)
    check(run, driver(run, "wait-visible", hwnd, 1, WAIT_MS).code == 0, "ウィンドウ表示 shows it")
    driver(run, "menu-command", hwnd, CMD_HIDE)
    check(run, driver(run, "wait-visible", hwnd, 0, WAIT_MS).code == 0, "ウィンドウ非表示 hides it")
    close_runner(run, program, hwnd, "the hidden runner, closed with 終了(&X)")

    schedule = write_schedule(run, "shown.tlf", [probe_item(run, "s", delay=600)], show=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, program)
    if not check(run, hwnd is not None, "the shown runner has its window"):
        return
    driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
    info = window_info(run, hwnd)
    check_equal(run, info.get("visible"), "1", "show-runner-window on: visible")
    check_equal(run, info.get("topmost"), "1", "and topmost")
    check_equal(run, info.get("rect"), "300,300,620,540", "at 300, 300 with 320 x 240")
    check_equal(run, info.get("hasmenu"), "1", "with its menu bar")
    stop = driver(run, "button-state", hwnd, ID_STOP)
    resume = driver(run, "button-state", hwnd, ID_RESUME)
    check_equal(run, (stop.text("text"), stop.get("client-rect")), (TEXT_STOP, "255,5,55,80"),
                "停止 on top")
    check_equal(run, (resume.text("text"), resume.get("client-rect")),
                (TEXT_RESUME, "255,90,55,80"), "再開 below it")
    rows = driver(run, "list-rows", hwnd, ID_STATUS_LIST)
    check_equal(run, (rows.get("columns"), rows.all("row")),
                ("2", [sjis("item s").hex() + "," + STATUS_WAITING.hex()]),
                "the status list: name and status columns")
    columns = driver(run, "list-columns", hwnd, ID_STATUS_LIST)
    check_equal(run, columns.all("column"), ["170," + sjis("名前").hex(), "80," + sjis("状態").hex()],
                "the columns 名前 (170) and 状態 (80)")
    # The list adds and removes its own scroll bars (WS_HSCROLL, WS_VSCROLL) as it needs them.
    style = int(columns.get("style", "0"), 16) & ~0x00300000
    check_equal(run, (f"{style:08x}", columns.get("listexstyle")), ("50809009", "00000420"),
                "a virtual (LVS_OWNERDATA) report list with full-row selection and info tips")
    driver(run, "tray", hwnd, WM_LBUTTONDBLCLK)
    check(run, driver(run, "wait-visible", hwnd, 0, WAIT_MS).code == 0,
          "a double click on the tray icon hides the shown window")
    close_runner(run, program, hwnd, "the shown runner")

    # The runner wants the option line to be exactly "true"; names lose leading blanks.
    items = [probe_item(run, "1", delay=600, name="  leading blanks"),
             probe_item(run, "2", delay=600, name="\t tab and blank")]
    for options, what in (((b"true ", b"false"), "a first line of true and a blank"),
                          ((b"True", b"false"), "a first line of True")):
        schedule = write_schedule(run, "options.tlf", items, options=options)
        program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
        hwnd = runner_window(run, program)
        if not hwnd:
            continue
        driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 2, WAIT_MS)
        check_equal(run, window_info(run, hwnd).get("visible"), "0",
                    f"{what} leaves the window hidden")
        names = [bytes.fromhex(row.split(",")[0]) for row in
                 driver(run, "list-rows", hwnd, ID_STATUS_LIST).all("row")]
        check_equal(run, names, [b"leading blanks", b"tab and blank"],
                    "display names lose their leading blanks and tabs")
        close_runner(run, program, hwnd, f"the runner with {what}")

    # The tray icon's right button opens the tray menu; its 終了(&X) ends the runner.
    schedule = write_schedule(run, "tray.tlf", [probe_item(run, "t", delay=600)])
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, program)
    if hwnd:
        driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
        check(run, tray_shown(run), "the hidden runner has its tray icon")
        driver(run, "tray", hwnd, WM_RBUTTONDOWN)
        menu = driver(run, "wait-window", "#32768", "-", WAIT_MS, program.pid).get("hwnd")
        if check(run, menu is not None, "a right click on the tray icon opens the tray menu"):
            driver(run, "key", menu, ord("X"), ord("x"))
        check_ended(run, program, 0, "the runner ended from the tray menu's 終了(&X)")
        check(run, wait_tray_gone(run), "and its tray icon is removed")


def group_launch_fields(run):
    """Arguments, working folder and a path taken from an environment variable reach the
    launched program exactly."""
    folder = os.path.join(run.work, "作業 フォルダ表")
    os.makedirs(folder)
    args = sjis('alpha "beta gamma" 表示 ソフト\\ 100%')
    run.env["TL_PROBE_PATH"] = win_path(run.exe("tl_probe.exe")).decode("cp932")
    items = [
        {"name": "plain", "path": win_path(run.exe("tl_probe.exe")), "args": args,
         "cwd": win_path(folder), "delay": 0},
        {"name": "from the environment", "path": "TL_PROBE_PATH", "env": True, "args": b"env",
         "cwd": win_path(run.work), "delay": 0},
        {"name": "no arguments", "path": win_path(run.exe("tl_probe.exe")), "delay": 0},
    ]
    schedule = write_schedule(run, "fields.tlf", items, exit_after=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    check_ended(run, program, 0, "the runner")
    starts = wait_probes(run, 3)
    if not check_equal(run, len(starts), 3, "three launches"):
        return
    by_tag = {s.argv[0] if s.argv else b"": s for s in starts}
    plain = by_tag.get(b"alpha")
    if check(run, plain is not None, "the item with arguments was launched"):
        check_equal(run, plain.tail, args, "its arguments reach the program unchanged")
        check_equal(run, plain.argv, [b"alpha", b"beta gamma", sjis("表示"), sjis("ソフト\\"), b"100%"],
                    "and split into the same arguments")
        check_equal(run, plain.cwd, win_path(folder), "its working folder is the item's")
    env = by_tag.get(b"env")
    if check(run, env is not None, "the item whose path is an environment variable was launched"):
        check_equal(run, env.cwd, win_path(run.work), "with its own working folder")
    check_equal(run, by_tag.get(b"") and by_tag[b""].tail, b"",
                "an item without arguments gets none")

    # A text field of 258 bytes, the longest the file holds, arrives whole.
    clear_probes(run)
    long_args = sjis("表") * 128 + b"xy"
    schedule = write_schedule(run, "long-args.tlf", [probe_item(run, long_args)], exit_after=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    check_ended(run, program, 0, "the runner with 258 bytes of arguments")
    check_equal(run, [s.tail for s in wait_probes(run, 1)], [long_args],
                "258 bytes of arguments reach the program whole")

    # Bare line feeds read the same as CR LF.
    clear_probes(run)
    path = os.path.join(run.work, "line-feeds.tlf")
    with open(path, "wb") as out:
        out.write(schedule_file([items[0]], exit_after=True).replace(b"\r\n", b"\n"))
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(path) + b'"')
    check_ended(run, program, 0, "the runner on a file with bare line feeds")
    starts = wait_probes(run, 1)
    check_equal(run, [(s.tail, s.cwd) for s in starts], [(args, win_path(folder))],
                "a file with bare line feeds gives the same launch")


def group_command_line(run):
    """One argument in short (8.3) form, a path split at a blank into two arguments, trail
    bytes 0x5C, a bare name, and a path with ".." and "/"."""
    folder = os.path.join(run.work, "Long Folder Name")
    os.makedirs(folder)
    schedule = write_schedule(run, "Long Folder Name/a long schedule name.tlf",
                              [probe_item(run, "short")], exit_after=True)
    reply = driver(run, "short-path", hex_arg(win_path(schedule)))
    short = reply.text("short")
    if check(run, short is not None and b"~" in short, "the platform gives a short form",
             readable(short)):
        program = Program(run, run.exe("TLRun.exe"), short)
        check_ended(run, program, 0, "the runner given the short form")
        check_equal(run, [s.argv for s in wait_probes(run, 1)], [[b"short"]],
                    "the short form opens the right file")
    clear_probes(run)
    os.makedirs(os.path.join(run.work, "Sched Folder"))
    schedule = write_schedule(run, "Sched Folder/split.tlf", [probe_item(run, "split")],
                              exit_after=True)
    program = Program(run, run.exe("TLRun.exe"), win_path(schedule))  # unquoted: two arguments
    check_ended(run, program, 0, "the runner given a path split at its blank")
    check_equal(run, [s.argv for s in wait_probes(run, 1)], [[b"split"]],
                "the joined arguments open the right file")
    clear_probes(run)
    # Trail bytes 0x5C inside a folder name are no separators (表 is 95 5C, ソ is 83 5C).
    folder = os.path.join(run.work, "表示ソフト")
    os.makedirs(folder)
    schedule = write_schedule(run, "表示ソフト/予定表.tlf", [probe_item(run, "dbcs")], exit_after=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    check_ended(run, program, 0, "the runner given a path with trail bytes 0x5C")
    check_equal(run, [s.argv for s in wait_probes(run, 1)], [[b"dbcs"]],
                "a path with trail bytes 0x5C opens the right file")
    clear_probes(run)
    # A bare file name is looked up in the runner's current folder.
    write_schedule(run, "bare.tlf", [probe_item(run, "bare")], exit_after=True)
    program = Program(run, run.exe("TLRun.exe"), b"bare.tlf", cwd=run.work)
    check_ended(run, program, 0, "the runner given a bare file name")
    check_equal(run, [s.argv for s in wait_probes(run, 1)], [[b"bare"]],
                "a bare name opens the file in the current folder")
    clear_probes(run)
    # ".." stays as given (a lookup of "sub\.." finds the current folder's own name), and
    # "/" separates like "\": the long form still names the file the argument named.
    os.makedirs(os.path.join(run.work, "sub"))
    os.makedirs(os.path.join(run.work, "fwd"))
    write_schedule(run, "fwd/dots.tlf", [probe_item(run, "dots")], exit_after=True)
    program = Program(run, run.exe("TLRun.exe"), b"sub\\..\\fwd/dots.tlf", cwd=run.work)
    check_ended(run, program, 0, "the runner given sub\\..\\fwd/dots.tlf")
    check_equal(run, [s.argv for s in wait_probes(run, 1)], [[b"dots"]],
                "a path with \"..\" and \"/\" opens the file it names")


def group_malformed(run):
    """Files the editor never writes: overlong lines, too few records, odd flags and
    delays, an end-of-file byte. The runner may read them as it likes, but must neither
    fault nor hang: it shows its window or its empty-schedule report and can be closed."""
    probe = win_path(run.exe("tl_probe.exe"))

    def record(name, path, args, cwd, flag, delay):
        return [name, path, args, cwd, flag, delay, b""]

    head = [b"true", b"false", b""]
    files = {
        "overlong lines":
            head + [b"2", b""]
            + record(b"N" * 700, probe, b"A" * 300, b"nn", b"false", b"600")
            + record(sjis("表") * 200, b"P" * 600, b"nn", b"C" * 400, b"true", b"600"),
        "more records counted than present":
            head + [b"5", b""] + record(b"one", probe, b"nn", b"nn", b"false", b"600"),
        "a flag line that is neither word":
            head + [b"1", b""] + record(b"odd", probe, b"nn", b"nn", b"yes", b"600"),
        "a delay that is no number":
            head + [b"2", b""]
            + record(b"d", probe, b"nn", b"nn", b"false", b"soon")
            + record(b"e", probe, b"nn", b"nn", b"false", b"600"),
        "a negative delay":
            head + [b"1", b""] + record(b"neg", probe, b"negative", b"nn", b"false", b"-5")
            + [b"pad"],
        "a delay too large for milliseconds":
            head + [b"1", b""] + record(b"big", probe, b"big", b"nn", b"false", b"2147483647"),
        "an end-of-file byte inside":
            head + [b"2", b""] + record(b"a\x1ab", probe, b"nn", b"nn", b"false", b"600"),
        "a count beyond 32 bits":
            head + [b"99999999999", b""] + record(b"x", probe, b"nn", b"nn", b"false", b"600"),
    }
    for what, lines in files.items():
        path = os.path.join(run.work, "malformed.tlf")
        with open(path, "wb") as out:
            out.write(b"".join(line + b"\r\n" for line in lines))
        program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(path) + b'"')
        window = driver(run, "wait-window", "Tarvilo", hex_arg(CAPTION_RUNNER), 3000, program.pid)
        if window.code == 0:
            driver(run, "wait-rows", window.get("hwnd"), ID_STATUS_LIST, 1, 3000)
            driver(run, "menu-command", window.get("hwnd"), CMD_EXIT)
        else:
            answer(run, CAPTION_ERROR, IDOK)
        code = program.wait()
        check(run, code == 0 and not program.faults(),
              f"{what}: read without fault, closed with exit code 0",
              f"exit {code}; " + "; ".join(program.faults()))


def group_failure_notice(run):
    """A missing program in a hidden run shows a balloon that names it (none in a shown
    run); with exit-after-run the runner ends after it, unless the user shows the window
    from the tray meanwhile."""
    items = [probe_item(run, "ok"), probe_item(run, "m", delay=1, name=b"gone",
                                               path=b"C:\\nowhere\\gone.exe")]
    for shown, exit_after, look in ((True, False, False), (False, False, False),
                                    (False, True, False), (False, True, True)):
        schedule = write_schedule(run, "notice.tlf", items, show=shown, exit_after=exit_after)
        program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
        hwnd = runner_window(run, program)
        balloon = driver(run, "balloon-text", 8000).text("text")
        check_equal(run, balloon and balloon.split(b": ")[0],
                    None if shown else TEXT_NOT_STARTED + b"\ngone",
                    f"shown {shown}: the balloon names the program and why")
        if look:
            driver(run, "menu-command", hwnd, CMD_SHOW)
            check(run, program.wait(35000) is None, "a window shown in the wait keeps the runner")
            close_runner(run, program, hwnd, "the runner kept by its window")
        elif exit_after:
            check(run, program.wait(40000) == 0, "exit-after-run ends the runner after it")
        elif hwnd:
            close_runner(run, program, hwnd, f"the runner, shown {shown}")


def group_association(run):
    """The runner's association dialog: what it writes, removes and shows."""
    clear_association(run)
    bin_folder = win_path(run.bin)
    program, dialog = open_association_dialog(run, run.bin)
    if not check(run, dialog is not None, "dialog 109 opens after the explanation"):
        return
    info = window_info(run, dialog)
    check_equal(run, info.get("rect"), "350,300,620,420", "the dialog sits at 350, 300, 270 x 120")
    check_equal(run, info.text("title"), CAPTION_RUNNER, "the dialog's caption")
    texts = [driver(run, "button-state", dialog, i).text("text") for i in (1, 2, ID_ASSOCIATE_BOX)]
    check_equal(run, texts, [TEXT_APPLY, TEXT_CANCEL, TEXT_ASSOCIATE_BOX],
                "the dialog's three controls")
    check_equal(run, box_ticked(run, dialog), "0", "without an association the box is cleared")
    driver(run, "check", dialog, ID_ASSOCIATE_BOX, 1)
    driver(run, "click", dialog, IDOK)
    text, _, _ = message_box(run, CAPTION_DONE)
    check_equal(run, text, TEXT_ASSOCIATED, "適用 with the box ticked confirms the association")
    answer(run, CAPTION_DONE, IDOK)
    check_ended(run, program, 0, "the runner in association mode")
    check_equal(run, registry_dump(run), runner_layout(bin_folder),
                "the registry holds exactly the runner's association for its folder")

    # From another folder: that folder is registered, and the box shows ticked.
    other = os.path.join(run.work, "別の フォルダ")
    os.makedirs(other)
    program, dialog = open_association_dialog(run, other)
    if dialog:
        check_equal(run, box_ticked(run, dialog), "1",
                    "after the runner's registration the box is ticked")
        driver(run, "click", dialog, IDOK)
        text, _, _ = message_box(run, CAPTION_DONE)
        check_equal(run, text, TEXT_ASSOCIATED, "the confirmation again")
        answer(run, CAPTION_DONE, IDOK)
    check_ended(run, program, 0, "the runner started from another folder")
    check_equal(run, registry_dump(run), runner_layout(win_path(other)),
                "started from another folder, that folder is registered")

    # キャンセル changes nothing and says nothing, whatever the box shows.
    before = registry_dump(run)
    program, dialog = open_association_dialog(run, run.bin)
    if dialog:
        driver(run, "check", dialog, ID_ASSOCIATE_BOX, 0)
        driver(run, "click", dialog, IDCANCEL)
    check_ended(run, program, 0, "キャンセル ends the runner without a message")
    check_equal(run, registry_dump(run), before, "キャンセル changes nothing")

    # The box cleared removes it all.
    program, dialog = open_association_dialog(run, run.bin)
    if dialog:
        driver(run, "check", dialog, ID_ASSOCIATE_BOX, 0)
        driver(run, "click", dialog, IDOK)
        text, _, _ = message_box(run, CAPTION_DONE)
        check_equal(run, text, TEXT_UNASSOCIATED, "適用 with the box cleared confirms the removal")
        answer(run, CAPTION_DONE, IDOK)
    check_ended(run, program, 0, "the runner after the removal")
    check_equal(run, registry_dump(run), [], "the association is gone")

    # The editor's registration alone leaves the box cleared; removal takes it all.
    editor_command = '"' + win_path(run.bin).decode("cp932") + '\\TLSet.exe" "%1"'
    add_with_reg_exe(run, "HKCR\\.tlf", "tlf_auto_file")
    add_with_reg_exe(run, "HKCR\\tlf_auto_file\\shell\\TLSetで起動する\\command", editor_command)
    editor_key = ("key", b"tlf_auto_file\\shell\\" + EDITOR_VERB + b"\\command")
    check(run, editor_key in registry_dump(run), "the editor's layout is written")
    program, dialog = open_association_dialog(run, run.bin)
    if dialog:
        check_equal(run, box_ticked(run, dialog), "0",
                    "after the editor's registration only the box is cleared")
        driver(run, "click", dialog, IDOK)
        text, _, _ = message_box(run, CAPTION_DONE)
        check_equal(run, text, TEXT_UNASSOCIATED,
                    "applying the cleared box removes the editor's layout")
        answer(run, CAPTION_DONE, IDOK)
    check_ended(run, program, 0, "the runner after removing the editor's layout")
    check_equal(run, registry_dump(run), [],
                "the editor's verb, shell, the ProgID and .tlf are gone")

    # A foreign verb under shell keeps shell and the ProgID; the known parts go.
    register(run, run.bin)
    driver(run, "reg-set", hex_arg(b"tlf_auto_file\\shell\\print\\command"), hex_arg(b"print %1"))
    program, dialog = open_association_dialog(run, run.bin)
    if dialog:
        driver(run, "check", dialog, ID_ASSOCIATE_BOX, 0)
        driver(run, "click", dialog, IDOK)
        answer(run, CAPTION_DONE, IDOK)
    check_ended(run, program, 0, "the runner removing beside a foreign verb")
    check_equal(run, [e[:2] for e in registry_dump(run) if e[0] == "key"],
                [("key", b"tlf_auto_file"), ("key", b"tlf_auto_file\\shell"),
                ("key", b"tlf_auto_file\\shell\\print"),
                ("key", b"tlf_auto_file\\shell\\print\\command")],
                "a foreign verb keeps shell and the ProgID; .tlf, open and DefaultIcon go")
    clear_association(run)

    # レジストリ(&R) in a running runner: the same dialog while the schedule goes on.
    schedule = write_schedule(run, "running.tlf", [probe_item(run, "during", delay=2)], show=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, program)
    if not check(run, hwnd is not None, "a runner with a schedule is running"):
        return
    driver(run, "menu-command", hwnd, CMD_REGISTRY)
    text, _, pid = message_box(run, CAPTION_RUNNER)
    check_equal(run, (text, pid), (TEXT_EXPLAIN, program.pid), "レジストリ(&R) shows the explanation")
    check_equal(run, [s.argv for s in wait_probes(run, 1)], [[b"during"]],
                "the schedule goes on while the association's boxes are open")
    answer(run, CAPTION_RUNNER, IDOK)
    dialog = driver(run, "wait-dialog", hex_arg(CAPTION_RUNNER), ID_ASSOCIATE_BOX,
                    WAIT_MS).get("hwnd")
    if dialog:
        driver(run, "check", dialog, ID_ASSOCIATE_BOX, 1)
        driver(run, "click", dialog, IDOK)
        text, _, _ = message_box(run, CAPTION_DONE)
        check_equal(run, text, TEXT_ASSOCIATED_MENU, "the menu's confirmation asks for a restart")
        answer(run, CAPTION_DONE, IDOK)
    check_equal(run, registry_dump(run), runner_layout(win_path(run.work)),
                "the menu registers the runner's current folder")
    check(run, program.running(), "the runner keeps running after the association")
    close_runner(run, program, hwnd, "the runner after レジストリ(&R)")
    clear_association(run)

    # 終了 while the dialog is open ends it as cancelled: only 適用 writes.
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, program)
    driver(run, "menu-command", hwnd, CMD_REGISTRY)
    answer(run, CAPTION_RUNNER, IDOK)
    driver(run, "wait-dialog", hex_arg(CAPTION_RUNNER), ID_ASSOCIATE_BOX, WAIT_MS)
    close_runner(run, program, hwnd, "終了 with the association dialog open")
    check_equal(run, registry_dump(run), [], "the dialog ended by 終了 writes nothing")


def group_shell_open(run):
    """After the association a .tlf file opened through the shell runs its schedule."""
    clear_association(run)
    register(run, run.bin)
    folder = os.path.join(run.work, "My Schedules")
    os.makedirs(folder)
    schedule = write_schedule(run, "My Schedules/double click.tlf", [probe_item(run, "opened")],
                              exit_after=True)
    reply = driver(run, "shell-open", hex_arg(win_path(schedule)))
    check(run, reply.code == 0 and int(reply.get("result", "0")) > 32,
          "the shell opens the .tlf file", " ".join(reply.lines))
    starts = wait_probes(run, 1)
    check_equal(run, [s.argv for s in starts], [[b"opened"]],
                "the registered runner ran the schedule")
    pid = reply.get("pid")
    if pid:
        check_equal(run, driver(run, "wait-exit", pid, WAIT_MS).get("exit"), "0",
                    "the runner started by the shell ends after its run")
    clear_association(run)


def group_zone_mark(run):
    """Zone 3 asks first (No runs nothing, Yes runs the schedule); zone 2 asks nothing."""
    def start_marked(tag, zone):
        schedule = write_schedule(run, "plan.tlf", [probe_item(run, tag)], exit_after=True)
        # Wine keeps no streams: the stream's name is an ordinary file beside the schedule.
        with open(schedule + ":Zone.Identifier", "wb") as mark:
            mark.write(b"[ZoneTransfer]\r\nZoneId=%d\r\n" % zone)
        return Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')

    program = start_marked("no", 3)
    reply = driver(run, "wait-messagebox", hex_arg(CAPTION_RUNNER), WAIT_MS)
    check_equal(run, [reply.number("pid"), reply.get("default")] + reply.all("button")
                + (reply.text("text") or b"").split(b"\n")[:2],
                [program.pid, "7", "6", "7", TEXT_ZONE_START, win_path(run.work) + b"\\plan.tlf"],
                "zone 3: the runner asks about the schedule, yes or no, no by default")
    window = driver(run, "wait-window", "Tarvilo", hex_arg(CAPTION_RUNNER), 1000, program.pid)
    check(run, window.code != 0 and not tray_shown(run), "zone 3: no window or tray icon yet")
    answer(run, CAPTION_RUNNER, IDNO)
    check_ended(run, program, 0, "zone 3, No: the runner")
    check_equal(run, probe_starts(run), [], "zone 3, No: nothing launched")
    for count, (tag, zone, what) in enumerate((("yes", 3, "zone 3, Yes"), ("2", 2, "zone 2")), 1):
        program = start_marked(tag, zone)
        if zone == 3:
            answer(run, CAPTION_RUNNER, IDYES)
        check_equal(run, [s.argv for s in wait_probes(run, count)][count - 1:], [[tag.encode()]],
                    f"{what}: the schedule runs")
        check_ended(run, program, 0, f"{what}: the runner after its run")
    # A tail after the name (in a path of 251-256 bytes too) asks about the file read.
    for folder in (run.work, os.path.join(run.work, "f" * (239 - len(win_path(run.work))))):
        os.makedirs(folder, exist_ok=True)
        schedule = write_schedule(run, os.path.join(folder, "plan.tlf"), [probe_item(run, "no")])
        with open(schedule + ":Zone.Identifier", "wb") as mark:
            mark.write(b"[ZoneTransfer]\r\nZoneId=3\r\n")
        for tail in (b"\\plan.tlf\\.", b"\\plan.tlf\\sub\\..", b"\\sub\\..\\plan.tlf\\."):
            program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(folder) + tail + b'"')
            reply = driver(run, "wait-messagebox", hex_arg(CAPTION_RUNNER), WAIT_MS)
            check_equal(run, (reply.text("text") or b"").split(b"\n")[1:2], [win_path(schedule)],
                        f"zone 3, ...{folder[-9:]}{tail.decode()}: asks about the file read")
            answer(run, CAPTION_RUNNER, IDNO)
            check_ended(run, program, 0, "zone 3 through a tail, No: the runner")

def run_record_lines(run):
    """The lines of the run record in the prefix's local application data."""
    found = glob.glob(os.path.join(run.env["WINEPREFIX"], "drive_c", "users", "*", "AppData",
                                   "Local", "Tarvilo", "run.log"))
    if not found:
        return []
    with open(found[0], "rb") as record:
        return record.read().split(b"\r\n")


def group_failure_reasons(run):
    """A hidden run with a missing program, a file of a type no program opens and an unset
    variable: the balloon and the run record give each one's reason; a schedule on a drive
    that does not exist is named, in the record too."""
    for folder in glob.glob(os.path.join(run.env["WINEPREFIX"], "drive_c", "users", "*",
                                         "AppData", "Local", "Tarvilo")):
        shutil.rmtree(folder)
    odd = os.path.join(run.work, "data.tarvilo-none")
    with open(odd, "wb") as out:
        out.write(b"nothing opens this")
    items = [probe_item(run, "ok"),
             probe_item(run, "m", name=b"gone", path=b"C:\\nowhere\\gone.exe"),
             probe_item(run, "t", name=b"odd", path=win_path(odd)),
             probe_item(run, "v", name=b"var", path=b"TARVILO_UNSET_VARIABLE", env=True)]
    schedule = write_schedule(run, "reasons.tlf", items, exit_after=True)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    balloon = driver(run, "balloon-text", 8000).text("text") or b""
    lines = balloon.split(b"\n")
    check_equal(run, [line.split(b": ")[0] for line in lines],
                [TEXT_NOT_STARTED, b"gone", b"odd", b"var"], "the balloon names each failure")
    check(run, program.wait(40000) == 0, "exit-after-run ends the runner after the balloon")
    failed = [sjis("失敗 ") + item["name"] + b" (" + item["path"] + b"): " + line.split(b": ", 1)[-1]
              for item, line in zip(items[1:], lines[1:])]
    expected = ([sjis("実行開始 ") + win_path(schedule),
                 sjis("起動 item ok (") + win_path(run.exe("tl_probe.exe")) + b")"]
                + failed + [sjis("実行終了"), b""])
    check_equal(run, [line[20:] for line in run_record_lines(run)], expected, "the record holds the start, "
                "each launch, each failure with the balloon's reason and the end")

    # A schedule on a drive that is not there: named, and the record says the same.
    absent = b"Q:\\usb\\plan.tlf"
    program = Program(run, run.exe("TLRun.exe"), b'"' + absent + b'"')
    text, buttons, _ = message_box(run, CAPTION_ERROR)
    check_equal(run, (text, buttons), (TEXT_NO_SCHEDULE + absent, [IDOK]),
                "a schedule on a missing drive is named")
    answer(run, CAPTION_ERROR, IDOK)
    check_ended(run, program, 0, "the runner ends after the message")
    check_equal(run, run_record_lines(run)[-2][20:], TEXT_NO_SCHEDULE[:-1] + b" " + absent,
                "the record holds the message on one line")
    check_equal(run, len(probe_starts(run)), 1, "only the one program there was launched")


GROUPS = {
    "instance": group_instance,
    "empty": group_empty,
    "sequence": group_sequence,
    "stop_resume": group_stop_resume,
    "exit_option": group_exit_option,
    "window": group_window,
    "launch_fields": group_launch_fields,
    "command_line": group_command_line,
    "malformed": group_malformed,
    "failure_notice": group_failure_notice,
    "failure_reasons": group_failure_reasons,
    "association": group_association,
    "shell_open": group_shell_open,
    "zone_mark": group_zone_mark,
}
