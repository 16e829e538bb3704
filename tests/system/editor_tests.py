"""The editor's (TLSet.exe) system tests: its start without a file (association, options,
columns, layout), a schedule made through the item dialog and saved through the save
dialog, a schedule opened from the command line and rearranged, the item dialog's tools and
a second editor refused beside a runner that runs what the editor saved, open and new, a
save that fails, the run at logon, keys alone. GROUPS maps each group's name to its function.
"""
import os
import shutil
import subprocess
import time

from harness import (
    EDITOR_VERB, IDCANCEL, IDNO, IDOK, IDYES, WAIT_MS, Program, answer, check, check_ended,
    check_equal, clear_association, clear_probes, driver, hex_arg, message_box, probe_item,
    registry_dump, schedule_file, sjis, wait_probes, win_path, window_info, write_schedule)
from remover_tests import CAPTION_QUESTION, CAPTION_SUCCESS, TEXT_REMOVER_QUESTION
from runner_tests import (ID_RESUME, ID_STOP, STATUS_WAITING, TEXT_ONE_INSTANCE, close_runner,
                          runner_window, status_column)

# ---------------------------------------------------------------------------------------
# The texts and numbers the editor is built to show

CAPTION_EDITOR = sjis("Setting's Tarvilo")  # the main window's title and the refusal's caption
CAPTION_ITEM = sjis("リストの編集と追加")
CAPTION_CONFIRM = sjis("確認")
CAPTION_ERROR = sjis("エラー")
CAPTION_MISSING = sjis("未入力項目があります")
TEXT_NAME_MISSING = sjis("名前を入力してください")
TEXT_PATH_MISSING = sjis("パスを入力してください")
TEXT_CLOSE_PROMPT = sjis("内容が更新されています。保存しますか？")
TEXT_NEW_PROMPT = sjis("内容が変更されています。保存しますか？")
TEXT_OPEN_PROMPT = sjis("ファイルを選択してください")
TEXT_NOT_SCHEDULE = sjis(".tlfファイルを選択してください")
TEXT_SAVE_PROMPT = sjis("ファイル名を入力してください")
TEXT_SAVE_FAILED = sjis("保存できませんでした。\n")
TEXT_OVERWRITE = sjis("は既に存在します。上書きしますか？")
COLUMN_CAPTIONS = [sjis(c) for c in
                   ("名前", "ファイル名", "パス", "コマンド", "作業フォルダ", "遅延時間(秒)")]

ID_LIST = 1124
ID_TOP, ID_UP, ID_DOWN, ID_BOTTOM = 1125, 1126, 1127, 1128
ID_ADD, ID_EDIT, ID_DELETE = 1129, 1130, 1131
ID_SHOW_RUNNER, ID_EXIT_AFTER_RUN = 1132, 1133
ID_NAME, ID_PATH, ID_ARGS, ID_FOLDER, ID_DELAY, ID_ARROWS, ID_ENV = (
    1001, 1002, 1003, 1004, 1006, 1023, 1027)
ID_BROWSE_FILE, ID_FOLDER_FROM_PATH, ID_TEST_RUN = 1008, 1009, 1011
CMD_MENU_TOP, CMD_MENU_DOWN, CMD_EXIT = 40041, 40037, 40022
CMD_CTRL_O, CMD_CTRL_S, CMD_CTRL_A, CMD_CTRL_N = 40047, 40048, 40049, 40050
CMD_RUN_AT_LOGON = 40060
RUN_KEY = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"

# The schedule file's worked example: the runner's window off, the runner ends after the
# run; Mail (no arguments, no folder, delay 0) and Backup (an environment variable's name,
# /quiet, D:\Backup, delay 30).
WORKED_EXAMPLE = (
    b"false\r\ntrue\r\n\r\n2\r\n\r\n"
    b"Mail\r\nC:\\Program Files\\Mail\\mail.exe\r\nnn\r\nnn\r\nfalse\r\n0\r\n\r\n"
    b"Backup\r\nBACKUP_TOOL\r\n/quiet\r\nD:\\Backup\r\ntrue\r\n30\r\n\r\n")
MAIL = {"name": "Mail", "path": "C:\\Program Files\\Mail\\mail.exe", "args": "", "cwd": "",
        "env": False, "delay": 0}
BACKUP = {"name": "Backup", "path": "BACKUP_TOOL", "args": "/quiet", "cwd": "D:\\Backup",
          "env": True, "delay": 30}


# ---------------------------------------------------------------------------------------
# Steps with the editor


def start(run, path=None, cwd=None, relative=False):
    """TLSet.exe under the debugger, with path as its argument (relative: its name alone,
    the editor starting in its folder); (program, main window)."""
    tail = b'"' + win_path(path) + b'"' if path else b""
    if path and relative:
        tail, cwd = os.path.basename(path).encode("cp932"), os.path.dirname(path)
    program = Program(run, run.exe("TLSet.exe"), tail, cwd=cwd)
    reply = driver(run, "wait-window", "Tarvilo", hex_arg(CAPTION_EDITOR), WAIT_MS, program.pid)
    program.hwnd = reply.get("hwnd")
    check(run, program.hwnd is not None, "the editor's window appears")
    return program, program.hwnd


def control(run, hwnd, control_id):
    return driver(run, "button-state", hwnd, control_id)


def control_text(run, hwnd, control_id):
    return control(run, hwnd, control_id).text("text")


def wait_checked(run, hwnd, box, expected, text=False):
    """The box's state (its text if text) once it shows expected (a posted click takes effect
    later: a read sent meanwhile goes first), or what it still shows after the wait."""
    deadline = time.time() + WAIT_MS / 1000
    while True:
        reply = control(run, hwnd, box)
        state = reply.text("text") if text else reply.number("checked")
        if state == expected or time.time() > deadline:
            return state
        time.sleep(0.05)


def list_rows(run, hwnd):
    """Every row of the schedule list as a tuple of its six texts."""
    reply = driver(run, "list-rows", hwnd, ID_LIST)
    return [tuple(bytes.fromhex(cell) for cell in row.split(",")) for row in reply.all("row")]


def expected_row(item):
    """What the list shows for an item: name, file name, path, arguments, folder, delay."""
    path = sjis(item["path"])
    return (sjis(item["name"]), path.rsplit(b"\\", 1)[-1], path, sjis(item.get("args", "")),
            sjis(item.get("cwd", "")), str(item.get("delay", 0)).encode())


def selection(run, hwnd, row, rows):
    """(selected rows, focused row) once the list holds rows rows with row selected."""
    reply = driver(run, "wait-selection", hwnd, ID_LIST, row, rows, WAIT_MS)
    selected = reply.get("selected", "")
    return [int(r) for r in selected.split(",") if r], reply.number("focused")


def open_item_dialog(run, hwnd, button):
    driver(run, "click", hwnd, button)
    return driver(run, "wait-dialog", hex_arg(CAPTION_ITEM), ID_NAME, WAIT_MS).get("hwnd")


def dialog_fields(run, dialog):
    """What the item dialog shows: name, path, arguments, folder, delay text, flag."""
    texts = tuple(control_text(run, dialog, i) for i in (ID_NAME, ID_PATH, ID_ARGS, ID_FOLDER,
                                                         ID_DELAY))
    return texts + (control(run, dialog, ID_ENV).number("checked"),)


def fill_item_dialog(run, dialog, item):
    """Types the texts, ticks the flag with a click when the item has it and sets the delay
    with up-arrow clicks; the delay field cannot be typed into."""
    for control_id, key in ((ID_NAME, "name"), (ID_PATH, "path"), (ID_ARGS, "args"),
                            (ID_FOLDER, "cwd")):
        driver(run, "set-text", dialog, control_id, hex_arg(item.get(key, "")))
    if item.get("env"):
        driver(run, "mouse-click", dialog, ID_ENV)
        wait_checked(run, dialog, ID_ENV, 1)
    if item.get("delay", 0):
        driver(run, "updown", dialog, ID_ARROWS, "up", item["delay"])


def press_ok(run, dialog):
    driver(run, "click", dialog, IDOK)
    return driver(run, "wait-gone", dialog, WAIT_MS).code == 0


def add_item(run, hwnd, item, rows_after):
    dialog = open_item_dialog(run, hwnd, ID_ADD)
    fill_item_dialog(run, dialog, item)
    press_ok(run, dialog)
    return selection(run, hwnd, rows_after - 1, rows_after)


def save_as(run, program, name):
    """Ctrl+A and the name typed into the save dialog; the dialog's reply."""
    driver(run, "menu-command", program.hwnd, CMD_CTRL_A)
    return driver(run, "file-dialog", program.pid, hex_arg(name), WAIT_MS)


def file_bytes(path, expected=None):
    """The file's bytes once they equal expected (the editor writes after its dialog has
    gone), or whatever is there after the wait (None: no file)."""
    deadline = time.time() + WAIT_MS / 1000
    while True:
        content = None
        if os.path.exists(path):
            with open(path, "rb") as file:
                content = file.read()
        if content == expected or expected is None or time.time() > deadline:
            return content
        time.sleep(0.05)


def close_editor(run, program, hwnd, reply_button, what, menu=False):
    """Closes the window with its close box or with 終了(&X); reply_button answers the save
    prompt (None: no prompt expected)."""
    if menu:
        driver(run, "menu-command", hwnd, CMD_EXIT)
    else:
        driver(run, "close", hwnd)
    if reply_button is not None:
        text, buttons, pid = message_box(run, CAPTION_CONFIRM)
        check_equal(run, (text, buttons, pid), (TEXT_CLOSE_PROMPT, [IDYES, IDNO], program.pid),
                    f"{what}: the save prompt with yes and no")
        check_equal(run, window_info(run, hwnd).get("visible"), "1",
                    f"{what}: the window is still shown behind the prompt")
        answer(run, CAPTION_CONFIRM, reply_button)
    check_ended(run, program, 0, what)


# ---------------------------------------------------------------------------------------
# Editor groups


def group_editor_start(run):
    """Without a file: the association, the two options, the six columns, the layout at the
    smallest and largest widths; with a missing file: no association, both options off."""
    clear_association(run)
    program, hwnd = start(run, cwd=run.bin)
    if not hwnd:
        return
    editor = win_path(run.exe("TLSet.exe"))
    verb = b"tlf_auto_file\\shell\\" + EDITOR_VERB
    check_equal(run, registry_dump(run), sorted([
        ("key", b".tlf"), ("value", b".tlf", b"", 1, b"tlf_auto_file\0"),
        ("key", b"tlf_auto_file"), ("key", b"tlf_auto_file\\shell"), ("key", verb),
        ("key", verb + b"\\command"),
        ("value", verb + b"\\command", b"", 1, b'"' + editor + b'" "%1"\0')]),
        "the .tlf association names the editor's verb and command, nothing else")
    check_equal(run, [control(run, hwnd, box).number("checked")
                      for box in (ID_SHOW_RUNNER, ID_EXIT_AFTER_RUN)], [0, 1],
                "show-runner box off, exit-after-run box on")
    captions = [bytes.fromhex(c.split(",", 1)[1])
                for c in driver(run, "list-columns", hwnd, ID_LIST).all("column")]
    check_equal(run, captions, COLUMN_CAPTIONS, "the six column captions")
    check_equal(run, list_rows(run, hwnd), [], "the list is empty")
    # Asked width, the width the window takes, the list's width, the buttons' x.
    for asked, width, list_width, button_x in ((250, 300, 160, 180), (2000, 1024, 884, 904),
                                               (720, 720, 580, 600)):
        got = driver(run, "resize", hwnd, asked, 540).number("width")
        layout = [control(run, hwnd, i).get("client-rect")
                  for i in (ID_LIST, ID_TOP, ID_DELETE, ID_SHOW_RUNNER, ID_EXIT_AFTER_RUN)]
        check_equal(run, [got] + layout,
                    [width, f"0,0,{list_width},410", f"{button_x},10,100,30",
                     f"{button_x},320,100,30", "15,420,400,20", "15,450,400,20"],
                    f"asked for width {asked}: window, list, first and last button, boxes")
    close_editor(run, program, hwnd, None, "the unchanged editor closes without a question")

    clear_association(run)
    program, hwnd = start(run, os.path.join(run.work, "missing.tlf"), cwd=run.bin)
    if hwnd:
        check_equal(run, [control(run, hwnd, box).number("checked")
                          for box in (ID_SHOW_RUNNER, ID_EXIT_AFTER_RUN)], [0, 0],
                    "a missing file: both boxes off")
        check_equal(run, list_rows(run, hwnd), [], "a missing file: the list is empty")
        check_equal(run, registry_dump(run), [], "a missing file: no association written")
        close_editor(run, program, hwnd, None, "the editor of a missing file")


def group_editor_example(run):
    """The worked example made through the item dialog (its checks in order, the arrows at
    both ends, the flag) and the option boxes, saved through the save dialog byte for byte;
    save as keeps a name ending in .tlf and asks before replacing another file."""
    program, hwnd = start(run)
    if not hwnd:
        return
    dialog = open_item_dialog(run, hwnd, ID_ADD)
    check_equal(run, dialog_fields(run, dialog), (b"", b"", b"", b"", b"0", 0),
                "the add dialog opens empty with delay 0 and the flag clear")
    # OK with the fields empty, then with a name only: one message at a time, name first.
    for name, expected, what in ((b"", TEXT_NAME_MISSING, "OK with every field empty"),
                                 (b"Mail", TEXT_PATH_MISSING, "OK with a name only")):
        driver(run, "set-text", dialog, ID_NAME, hex_arg(name))
        driver(run, "click", dialog, IDOK)
        text, buttons, _ = message_box(run, CAPTION_MISSING)
        check_equal(run, (text, buttons), (expected, [IDOK]), f"{what}: its message")
        answer(run, CAPTION_MISSING, IDOK)
        check_equal(run, window_info(run, dialog).get("visible"), "1",
                    "the dialog stays open behind the message")
    down = driver(run, "updown", dialog, ID_ARROWS, "down", 1)
    check_equal(run, (down.number("moved"), control_text(run, dialog, ID_DELAY)), (0, b"0"),
                "the down arrow stops at 0")
    fill_item_dialog(run, dialog, MAIL)
    press_ok(run, dialog)
    check_equal(run, selection(run, hwnd, 0, 1), ([0], 0), "after the add its row is selected")

    dialog = open_item_dialog(run, hwnd, ID_ADD)
    fill_item_dialog(run, dialog, dict(BACKUP, delay=0))
    up = driver(run, "updown", dialog, ID_ARROWS, "up", 31)
    check_equal(run, (up.number("moved"), control_text(run, dialog, ID_DELAY)), (30, b"30"),
                "31 clicks on the up arrow count to 30 and stop there")
    check_equal(run, control(run, dialog, ID_ENV).number("checked"), 1, "the flag is ticked")
    press_ok(run, dialog)
    check_equal(run, selection(run, hwnd, 1, 2), ([1], 1), "the second add selects row 1")
    dialog = open_item_dialog(run, hwnd, ID_ADD)
    check_equal(run, dialog_fields(run, dialog), (b"", b"", b"", b"", b"0", 0),
                "after an add with the flag the next add dialog opens empty, flag clear")
    driver(run, "click", dialog, IDCANCEL)
    driver(run, "wait-gone", dialog, WAIT_MS)
    check_equal(run, list_rows(run, hwnd), [expected_row(MAIL), expected_row(BACKUP)],
                "the six columns of both items; a cancelled add adds nothing")

    # Each box toggles its option, and back; the default is already the example's.
    for box, states in ((ID_SHOW_RUNNER, (1, 0)), (ID_EXIT_AFTER_RUN, (0, 1))):
        for state in states:
            driver(run, "mouse-click", hwnd, box)
            check_equal(run, wait_checked(run, hwnd, box, state), state,
                        f"a click on box {box} shows {state}")

    example = os.path.join(run.work, "example.tlf")
    reply = save_as(run, program, win_path(example)[:-4])
    check_equal(run, (reply.text("shown"), reply.get("owner")), (TEXT_SAVE_PROMPT, hwnd),
                "the save dialog, owned by the main window, asks for a file name")
    check_equal(run, file_bytes(example, WORKED_EXAMPLE), WORKED_EXAMPLE,
                "the saved file is the worked example, byte for byte")

    second = os.path.join(run.work, "second.tlf")
    save_as(run, program, win_path(second))
    check_equal(run, file_bytes(second, WORKED_EXAMPLE), WORKED_EXAMPLE,
                "a name ending in .tlf is kept as it is")
    check(run, not os.path.exists(second + ".tlf"), "no second .tlf is appended")
    driver(run, "mouse-click", hwnd, ID_SHOW_RUNNER)
    wait_checked(run, hwnd, ID_SHOW_RUNNER, 1)
    save_as(run, program, win_path(example))
    text, buttons, _ = message_box(run, CAPTION_CONFIRM)
    check_equal(run, (text, buttons), (win_path(example) + TEXT_OVERWRITE, [IDYES, IDNO]),
                "save as onto another existing file asks first")
    answer(run, CAPTION_CONFIRM, IDNO)
    close_editor(run, program, hwnd, IDNO, "the editor with an unsaved change")
    check_equal(run, file_bytes(example), WORKED_EXAMPLE, "answered no: the file is unchanged")
    check_equal(run, file_bytes(second), WORKED_EXAMPLE, "closing with no writes nothing")


# Four items whose fields differ, for the list's order.
def four_items():
    return [{"name": "Alpha", "path": "C:\\Tools\\alpha.exe", "args": "-a", "cwd": "C:\\Tools",
             "delay": 5},
            {"name": "Beta", "path": "BETA_HOME", "env": True, "delay": 45},
            {"name": "Gamma", "path": "D:\\g\\gamma.bat", "args": "x y", "delay": 0},
            {"name": "Delta", "path": "delta.exe", "cwd": "E:\\", "delay": -3}]


def group_editor_list(run):
    """A schedule from the command line: its rows and options; the four moves by button
    and menu with the selection following the item; delete; edit by double click; the close
    prompt answered no (file unchanged) and yes (file written); a move that changes nothing
    leaves nothing to save."""
    items = four_items()
    path = write_schedule(run, "four.tlf", items, show=True)
    original = file_bytes(path)
    program, hwnd = start(run, path)
    if not hwnd:
        return
    check_equal(run, list_rows(run, hwnd), [expected_row(i) for i in items],
                "the six columns of every item, in file order")
    check_equal(run, [control(run, hwnd, box).number("checked")
                      for box in (ID_SHOW_RUNNER, ID_EXIT_AFTER_RUN)], [1, 0],
                "the boxes show the file's options")
    order = list(items)
    # Selected row, command (button or menu), row selected afterwards.
    for row, command, moved_to, what in ((3, ID_TOP, 0, "最上段へ"),
                                         (1, CMD_MENU_DOWN, 2, "menu 一つ下へ"),
                                         (2, ID_UP, 1, "一つ上へ"),
                                         (0, ID_BOTTOM, 3, "最下段へ"),
                                         (1, CMD_MENU_TOP, 0, "menu 最上段へ"),
                                         (0, ID_DOWN, 1, "一つ下へ")):
        driver(run, "list-select", hwnd, ID_LIST, row)
        driver(run, "command-selects", hwnd, command, ID_LIST, moved_to, WAIT_MS)
        order.insert(moved_to, order.pop(row))
        check_equal(run, [r[0] for r in list_rows(run, hwnd)],
                    [sjis(i["name"]) for i in order], f"{what} from row {row}: the order")
        check_equal(run, selection(run, hwnd, moved_to, 4), ([moved_to], moved_to),
                    f"{what}: only the moved row is selected and focused")
    driver(run, "list-select", hwnd, ID_LIST, 2)
    driver(run, "click", hwnd, ID_DELETE)
    check_equal(run, selection(run, hwnd, -1, 3), ([], -1), "delete: three rows, none selected")
    del order[2]
    check_equal(run, list_rows(run, hwnd), [expected_row(i) for i in order],
                "delete removes the selected row")

    # A double click on a row edits that row.
    driver(run, "list-select", hwnd, ID_LIST, 0)
    driver(run, "dblclick-row", hwnd, ID_LIST, 1)
    dialog = driver(run, "wait-dialog", hex_arg(CAPTION_ITEM), ID_NAME, WAIT_MS).get("hwnd")
    target = order[1]
    check_equal(run, dialog_fields(run, dialog),
                tuple(sjis(target.get(k, "")) for k in ("name", "path", "args", "cwd"))
                + (str(target["delay"]).encode(), int(bool(target.get("env")))),
                "the double-clicked row's item fills the dialog")
    driver(run, "set-text", dialog, ID_NAME, hex_arg("Renamed"))
    press_ok(run, dialog)
    check_equal(run, selection(run, hwnd, 1, 3), ([1], 1), "the edited row stays selected")
    order[1] = dict(target, name="Renamed")
    check_equal(run, list_rows(run, hwnd), [expected_row(i) for i in order],
                "the edit changes that row alone and keeps a delay above 30")
    driver(run, "dblclick-row", hwnd, ID_LIST, 1)
    dialog = driver(run, "wait-dialog", hex_arg(CAPTION_ITEM), ID_NAME, WAIT_MS).get("hwnd")
    driver(run, "updown", dialog, ID_ARROWS, "down", 1)
    check_equal(run, control_text(run, dialog, ID_DELAY), b"29",
                "an arrow click on delay 45 goes on from the arrows' top, 30")
    driver(run, "click", dialog, IDCANCEL)
    driver(run, "wait-gone", dialog, WAIT_MS)
    check_equal(run, list_rows(run, hwnd), [expected_row(i) for i in order],
                "a cancelled edit changes nothing")
    close_editor(run, program, hwnd, IDNO, "closing after the changes, answered no")
    check_equal(run, file_bytes(path), original, "answered no: the file is unchanged")

    program, hwnd = start(run, path)
    if not hwnd:
        return
    driver(run, "list-select", hwnd, ID_LIST, 0)
    driver(run, "click", hwnd, ID_TOP)  # already at the top: nothing to save afterwards
    close_editor(run, program, hwnd, None, "after a move that changed nothing, no question")

    program, hwnd = start(run, path)
    if not hwnd:
        return
    driver(run, "dblclick-row", hwnd, ID_LIST, 3)
    dialog = driver(run, "wait-dialog", hex_arg(CAPTION_ITEM), ID_NAME, WAIT_MS).get("hwnd")
    check_equal(run, control_text(run, dialog, ID_DELAY), b"-3", "a negative delay keeps its sign")
    press_ok(run, dialog)
    driver(run, "list-select", hwnd, ID_LIST, 0)
    driver(run, "click", hwnd, ID_DELETE)
    close_editor(run, program, hwnd, IDYES, "closing after a delete, answered yes")
    expected = schedule_file(items[1:], show=True)
    check_equal(run, file_bytes(path, expected), expected, "answered yes: the file is written")


def group_editor_with_runner(run):
    """The item dialog's test run, file chooser and folder-from-path; a schedule of two probe
    items saved in the editor is run by TLRun.exe beside it, while a second editor is
    refused and both the editor and the runner go on."""
    probe = win_path(run.exe("tl_probe.exe"))
    run.env["TL_TEST_TOOL"] = probe.decode("cp932")
    program, hwnd = start(run)
    if not hwnd:
        return
    # The test run in a dialog of its own: the launched program may take the activation,
    # and with it a click in progress.
    dialog = open_item_dialog(run, hwnd, ID_ADD)
    fill_item_dialog(run, dialog, {"path": "TL_TEST_TOOL", "args": "tested", "env": True})
    driver(run, "click", dialog, ID_TEST_RUN)
    check_equal(run, [s.argv for s in wait_probes(run, 1)], [[b"tested"]],
                "the test run launches the program the variable names, with the arguments")
    driver(run, "click", dialog, IDCANCEL)
    driver(run, "wait-gone", dialog, WAIT_MS)
    dialog = open_item_dialog(run, hwnd, ID_ADD)
    # 表 ends in the byte of a backslash: only a real separator ends the folder.
    for path, folder in (("C:\\ツール\\表.exe", "C:\\ツール\\"), ("app.exe", ""),
                         ("C:app.exe", "C:"), ("C:\\Tools", "C:\\")):
        driver(run, "set-text", dialog, ID_PATH, hex_arg(path))
        driver(run, "click", dialog, ID_FOLDER_FROM_PATH)
        check_equal(run, wait_checked(run, dialog, ID_FOLDER, sjis(folder), True), sjis(folder),
                    f"パスより取得 with {path}: its drive and folder")
    driver(run, "click", dialog, ID_BROWSE_FILE)
    reply = driver(run, "file-dialog", program.pid, hex_arg(probe), WAIT_MS)
    check_equal(run, (reply.get("owner"), wait_checked(run, dialog, ID_PATH, probe, True)),
                (dialog, probe),
                "参照: a file dialog owned by the item dialog fills the path")
    driver(run, "click", dialog, ID_FOLDER_FROM_PATH)
    folder = win_path(run.bin) + b"\\"
    check_equal(run, wait_checked(run, dialog, ID_FOLDER, folder, True), folder,
                "パスより取得: the path's drive and folder")
    # The first item keeps that folder; the second launch comes late enough for the refusal
    # below to happen while the runner waits for it.
    first = probe_item(run, "one", cwd=folder)
    second = probe_item(run, "two", delay=8)
    fill_item_dialog(run, dialog, first)
    press_ok(run, dialog)
    add_item(run, hwnd, second, 2)
    clear_probes(run)
    driver(run, "mouse-click", hwnd, ID_SHOW_RUNNER)
    wait_checked(run, hwnd, ID_SHOW_RUNNER, 1)
    path = os.path.join(run.work, "probe.tlf")
    save_as(run, program, win_path(path))
    expected = schedule_file([first, second], show=True, exit_after=True)
    check_equal(run, file_bytes(path, expected), expected, "the saved schedule")

    runner = Program(run, run.exe("TLRun.exe"), b'"' + win_path(path) + b'"')
    check(run, runner_window(run, runner) is not None, "the runner shows its window")
    refused = Program(run, run.exe("TLSet.exe"))
    text, buttons, pid = message_box(run, CAPTION_EDITOR)
    check_equal(run, (text, buttons, pid), (TEXT_ONE_INSTANCE, [IDOK], refused.pid),
                "a second editor is refused with its message, OK only")
    answer(run, CAPTION_EDITOR, IDOK)
    check_ended(run, refused, 0, "the refused editor")
    check(run, runner.running(), "the runner still runs beside the editor")
    check(run, program.running(), "the first editor still runs")
    starts = wait_probes(run, 2)
    check_equal(run, [(s.argv, s.cwd.rstrip(b"\\")) for s in starts],
                [([b"one"], win_path(run.bin)), ([b"two"], win_path(run.work))],
                "the runner launches both items in order, the first in its folder")
    check_ended(run, runner, 0, "the runner ends after its last launch")
    close_editor(run, program, hwnd, None, "the saved editor closes without a question")


def group_editor_new_open(run):
    """Ctrl+O through the open dialog: a .TLF name is refused, a .tlf file replaces the list
    and the boxes; Ctrl+N on a changed schedule asks, and answered no empties the list and
    both boxes while closing still asks."""
    items = four_items()
    path = write_schedule(run, "four.tlf", items, show=True)
    upper = write_schedule(run, "UPPER.TLF", items[:1])
    original = file_bytes(path)
    program, hwnd = start(run)
    if not hwnd:
        return
    driver(run, "menu-command", hwnd, CMD_CTRL_O)
    reply = driver(run, "file-dialog", program.pid, hex_arg(win_path(upper)), WAIT_MS)
    check_equal(run, (reply.text("shown"), reply.get("owner")), (TEXT_OPEN_PROMPT, hwnd),
                "the open dialog, owned by the main window, asks for a file")
    text, buttons, _ = message_box(run, CAPTION_ERROR)
    check_equal(run, (text, buttons), (TEXT_NOT_SCHEDULE, [IDOK]), "a .TLF name is refused")
    answer(run, CAPTION_ERROR, IDOK)
    check_equal(run, list_rows(run, hwnd), [], "the refused file is not read")
    driver(run, "menu-command", hwnd, CMD_CTRL_O)
    driver(run, "file-dialog", program.pid, hex_arg(win_path(path)), WAIT_MS)
    selection(run, hwnd, -1, len(items))
    check_equal(run, list_rows(run, hwnd), [expected_row(i) for i in items],
                "the opened file's items")
    check_equal(run, [wait_checked(run, hwnd, ID_SHOW_RUNNER, 1),
                      wait_checked(run, hwnd, ID_EXIT_AFTER_RUN, 0)], [1, 0],
                "the boxes show the opened file's options")
    driver(run, "list-select", hwnd, ID_LIST, 0)
    driver(run, "click", hwnd, ID_DELETE)
    driver(run, "menu-command", hwnd, CMD_CTRL_N)
    text, buttons, _ = message_box(run, CAPTION_CONFIRM)
    check_equal(run, (text, buttons), (TEXT_NEW_PROMPT, [IDYES, IDNO]),
                "Ctrl+N on a changed schedule asks first")
    answer(run, CAPTION_CONFIRM, IDNO)
    check_equal(run, [wait_checked(run, hwnd, ID_SHOW_RUNNER, 0),
                      wait_checked(run, hwnd, ID_EXIT_AFTER_RUN, 0)], [0, 0],
                "answered no: both boxes off")
    check_equal(run, list_rows(run, hwnd), [], "answered no: the list is empty")
    driver(run, "menu-command", hwnd, CMD_CTRL_S)
    reply = driver(run, "file-dialog", program.pid, "-", WAIT_MS)
    check_equal(run, reply.text("shown"), TEXT_SAVE_PROMPT,
                "Ctrl+S on the untitled schedule opens the save dialog (cancelled here)")
    close_editor(run, program, hwnd, IDNO, "終了(&X): the new schedule still counts as changed",
                 menu=True)
    check_equal(run, file_bytes(path), original, "the opened file is unchanged")


def group_editor_save_failure(run):
    """A save onto a file held open elsewhere: the error names the file, the file keeps its
    bytes, and closing asks again; a failed save on close offers the save dialog once, and
    cancelling it keeps the editor open."""
    path = os.path.join(run.work, "held.tlf")
    with open(path, "wb") as file:
        file.write(WORKED_EXAMPLE)
    program, hwnd = start(run, path, relative=True)
    if not hwnd:
        return
    driver(run, "mouse-click", hwnd, ID_SHOW_RUNNER)
    wait_checked(run, hwnd, ID_SHOW_RUNNER, 1)
    holder = hold_file(run, path)
    try:
        failed = TEXT_SAVE_FAILED + win_path(path)
        driver(run, "menu-command", hwnd, CMD_CTRL_S)
        text, buttons, _ = message_box(run, CAPTION_ERROR)
        check_equal(run, (text, buttons), (failed, [IDOK]),
                    "Ctrl+S: the error names the file by the full path of its relative name")
        answer(run, CAPTION_ERROR, IDOK)
        check_equal(run, file_bytes(path), WORKED_EXAMPLE, "the held file keeps its bytes")
        driver(run, "close", hwnd)
        text, _, _ = message_box(run, CAPTION_CONFIRM)
        check_equal(run, text, TEXT_CLOSE_PROMPT, "closing still asks to save")
        answer(run, CAPTION_CONFIRM, IDYES)
        text, _, _ = message_box(run, CAPTION_ERROR)
        check_equal(run, text, failed, "the save on close fails the same way")
        answer(run, CAPTION_ERROR, IDOK)
        driver(run, "file-dialog", program.pid, "-", WAIT_MS)
        driver(run, "menu-command", hwnd, CMD_EXIT)
        check(run, answer(run, CAPTION_CONFIRM, IDYES),
              "the save-as cancelled, the editor stays open: 終了(&X) asks again")
        answer(run, CAPTION_ERROR, IDOK)
        other = os.path.join(run.work, "other.tlf")
        reply = driver(run, "file-dialog", program.pid, hex_arg(win_path(other)), WAIT_MS)
        check_equal(run, reply.get("owner"), hwnd, "then the save dialog is offered")
        check_ended(run, program, 0, "the editor closes after saving elsewhere")
        expected = b"true" + WORKED_EXAMPLE[len(b"false"):]
        check_equal(run, file_bytes(other, expected), expected, "the other file holds the change")
        check_equal(run, file_bytes(path), WORKED_EXAMPLE, "the held file is still unchanged")
    finally:
        holder.kill()
        holder.wait(10)


def logon(run, *args):
    """reg.exe on the Run value "Tarvilo"; with "query", the value (None: there is none)."""
    out = subprocess.run(["wine", "reg", args[0], RUN_KEY, "/v", "Tarvilo"] + list(args[1:]),
                         env=run.env, capture_output=True, timeout=60).stdout
    return ([line.split(b"REG_SZ")[1].strip() for line in out.splitlines() if b"REG_SZ" in line]
            or [None])[0]


def group_editor_logon(run):
    """ログオン時に実行, the runner beside the editor (started elsewhere): register, remove,
    the replace and save questions; the remover deletes the value too."""
    logon(run, "delete", "/f")
    path = write_schedule(run, "plan.tlf", [probe_item(run, "logon")])
    runner = b'"' + win_path(run.exe("TLRun.exe")) + b'" "'
    ours, other = runner + win_path(path) + b'"', runner + b'Z:\\other.tlf"'
    program, hwnd = start(run, path, cwd=run.work)
    if not hwnd:
        return

    def choose(value, question=None, reply=None):
        driver(run, "menu-command", hwnd, CMD_RUN_AT_LOGON)
        if question:
            text, buttons, _ = message_box(run, CAPTION_CONFIRM)
            check_equal(run, (text, buttons), (sjis(question), [IDYES, IDNO]), "the question")
            answer(run, CAPTION_CONFIRM, reply)
        deadline = time.time() + WAIT_MS / 1000
        while logon(run, "query") != value and time.time() < deadline:
            time.sleep(0.1)
        check_equal(run, logon(run, "query"), value, f"answered {reply}: the value")
    choose(ours)
    choose(None)
    logon(run, "add", "/d", other, "/f")
    replace = "ログオン時には次のスケジュールが実行されるよう登録されています。\nZ:\\other.tlf\n置き換えますか？"
    choose(other, replace, IDNO)
    choose(ours, replace, IDYES)
    logon(run, "delete", "/f")
    driver(run, "mouse-click", hwnd, ID_SHOW_RUNNER)
    wait_checked(run, hwnd, ID_SHOW_RUNNER, 1)
    choose(ours, "ログオン時に実行するには、スケジュールを保存する必要があります。保存しますか？", IDYES)
    check(run, file_bytes(path).startswith(b"true\r\n"), "saved before it was registered")
    close_editor(run, program, hwnd, None, "the saved editor closes without a question")
    remover = Program(run, run.exe("TLUninstaller.exe"))
    text, _, _ = message_box(run, CAPTION_QUESTION)
    check_equal(run, text, TEXT_REMOVER_QUESTION.replace(
        b"\n", sjis("\nログオン時の実行の登録も解除します。\n"), 1),
                "the remover's question names the run at logon")
    answer(run, CAPTION_QUESTION, IDYES)
    answer(run, CAPTION_SUCCESS, IDOK)
    check_ended(run, remover, 1, "the remover")
    check_equal(run, logon(run, "query"), None, "the remover deletes the value")


def hold_file(run, path):
    """The driver holding path open, sharing nothing, once it holds it."""
    output = os.path.join(run.work, "hold.out")
    with open(output, "wb") as out:
        holder = subprocess.Popen(["wine", run.exe("tl_driver.exe"), "hold-file",
                                   hex_arg(win_path(path)), str(WAIT_MS * 4)],
                                  env=run.env, stdout=out, stderr=subprocess.DEVNULL)
    deadline = time.time() + WAIT_MS / 1000
    while time.time() < deadline and holder.poll() is None:
        with open(output, "rb") as out:
            if b"held=" in out.read():
                break
        time.sleep(0.05)
    return holder


def press(run, hwnd, keys, focus=None):
    """Key presses (see the driver's press); the focused control's id, once it is focus."""
    return driver(run, "press", hwnd, keys, *([focus, WAIT_MS] if focus else [])).number("focus")


def group_keyboard(run):
    """The editor and the runner with key presses only: Tab round the controls and the item
    dialog's layout, Space and Enter on buttons and boxes, Delete on a row, Ctrl+S."""
    path = write_schedule(run, "keys.tlf", [{"name": "Alpha", "path": "a.exe"},
                                            {"name": "Beta", "path": "b.exe"}])
    program, hwnd = start(run, path)
    if not hwnd:
        return
    tabs = [ID_TOP, ID_UP, ID_DOWN, ID_BOTTOM, ID_ADD]
    check_equal(run, (press(run, hwnd, "-", ID_LIST), selection(run, hwnd, 0, 2),
                      [press(run, hwnd, "tab", i) for i in tabs]), (ID_LIST, ([0], 0), tabs),
                "the list has the focus on its first row; Tab goes down the buttons")
    press(run, hwnd, "space")
    dialog = driver(run, "wait-dialog", hex_arg(CAPTION_ITEM), ID_NAME, WAIT_MS).get("hwnd")
    check_equal(run, press(run, dialog, "+k,e,y,s", ID_NAME), ID_NAME,
                "Space on アイテム追加 opens the dialog with the focus in the name")
    tabs = [ID_ENV, ID_PATH, 1010, ID_BROWSE_FILE, ID_ARGS, ID_FOLDER, ID_FOLDER_FROM_PATH,
            1007, ID_DELAY, ID_TEST_RUN, IDOK, IDCANCEL, ID_NAME, IDCANCEL, IDOK, ID_DELAY]
    keys = ["tab"] * 2 + ["t,o,o,l,.,e,x,e,tab"] + ["tab"] * 10 + ["+tab", "+tab", "+tab,+tab"]
    check_equal(run, [press(run, dialog, k, i) for k, i in zip(keys, tabs)], tabs,
                "Tab follows the dialog's layout round to the name, Shift+Tab back")
    press(run, dialog, "1,2,0,enter")
    gone = driver(run, "wait-gone", dialog, WAIT_MS).code
    check_equal(run, (gone, press(run, hwnd, "-", ID_ADD)), (0, ID_ADD),
                "120 typed and Enter close the dialog; the focus is back")
    press(run, hwnd, "+tab,+tab,+tab,+tab,+tab,up,delete,+tab,space,^s", ID_EXIT_AFTER_RUN)
    kept = [{"name": "Alpha", "path": "a.exe"}, {"name": "Keys", "path": "tool.exe", "delay": 120}]
    check_equal(run, (list_rows(run, hwnd), wait_checked(run, hwnd, ID_EXIT_AFTER_RUN, 1)),
                ([expected_row(item) for item in kept], 1),
                "Delete removes the selected row; Space ticks the box")
    saved = schedule_file(kept, exit_after=True)
    check_equal(run, file_bytes(path, saved), saved, "Ctrl+S saves both changes")
    press(run, hwnd, "+tab,space", ID_SHOW_RUNNER)
    wait_checked(run, hwnd, ID_SHOW_RUNNER, 1)
    close_editor(run, program, hwnd, IDNO, "Space on a box: a change to save, as a click")

    schedule = write_schedule(run, "run.tlf", [probe_item(run, "k", delay=5)], show=True)
    runner = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"')
    hwnd = runner_window(run, runner)
    press(run, hwnd, "tab,space", ID_STOP)
    check_equal(run, (len(wait_probes(run, 1, 6000)), status_column(run, hwnd)),
                (0, [STATUS_WAITING]), "the runner: Tab to 停止 and Space stop the countdown")
    press(run, hwnd, "tab,enter", ID_RESUME)
    check_equal(run, len(wait_probes(run, 1)), 1, "Enter on 再開 resumes it")
    close_runner(run, runner, hwnd, "the runner used with keys")


def group_editor_utf8(run):
    """Notepad's UTF-8 (no byte order mark), a Japanese name, a program in a Japanese folder:
    the editor shows the item, the runner runs it."""
    os.makedirs(os.path.join(run.work, "ツール"), exist_ok=True)
    tool = os.path.join(run.work, "ツール", "起動.exe")
    shutil.copyfile(run.exe("tl_probe.exe"), tool)
    item = {"name": "メモ帳", "path": win_path(tool).decode("cp932"), "args": "読み"}
    path = os.path.join(run.work, "予定.tlf")
    with open(path, "wb") as out:
        out.write(schedule_file([item], exit_after=True).decode("cp932").encode("utf-8"))
    program, hwnd = start(run, path)
    if hwnd:
        check_equal(run, list_rows(run, hwnd), [expected_row(item)], "the UTF-8 schedule's row")
        close_editor(run, program, hwnd, None, "the editor of the UTF-8 schedule")
    runner = Program(run, run.exe("TLRun.exe"), b'"' + win_path(path) + b'"')
    check_equal(run, [s.argv for s in wait_probes(run, 1)], [[sjis("読み")]],
                "the runner runs the UTF-8 schedule's program in its Japanese folder")
    check_ended(run, runner, 0, "the runner of the UTF-8 schedule")


GROUPS = {
    "editor_utf8": group_editor_utf8,
    "editor_start": group_editor_start,
    "editor_example": group_editor_example,
    "editor_list": group_editor_list,
    "editor_with_runner": group_editor_with_runner,
    "editor_new_open": group_editor_new_open,
    "editor_save_failure": group_editor_save_failure,
    "editor_logon": group_editor_logon,
    "keyboard": group_keyboard,
}
