"""The editor's startup import under Wine: the user's Run values and Startup-folder files
listed, imported into an untitled schedule with the originals switched off, one put back
from the dialog and the rest by the remover. GROUPS maps the group's name to its function.
"""
import os
import re
import subprocess
import time

from editor_tests import close_editor, file_bytes, start
from harness import (
    IDOK, IDYES, WAIT_MS, Program, answer, check, check_ended, check_equal, driver, hex_arg,
    message_box, schedule_file, sjis, win_path)
from remover_tests import CAPTION_QUESTION, CAPTION_SUCCESS

CAPTION_IMPORT = sjis("スタートアップから取り込む")
CMD_IMPORT = 40061
ID_LIST, ID_SWITCH_OFF, ID_PUT_BACK, ID_OLD_WINDOWS = 1040, 1041, 1042, 1043
ID_CANCEL = 2
HKCU = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\"
RUN = HKCU + "Run"
APPROVED = HKCU + "Explorer\\StartupApproved\\"
WINE_VERSION = "HKCU\\Software\\Wine\\AppDefaults\\TLSet.exe"
RECORDS = "HKCU\\Software\\Tarvilo"
KEYS = [RUN, APPROVED + "Run", APPROVED + "StartupFolder", RECORDS]
LINE_TAKEN_OVER = sjis("スタートアップから取り込んだプログラムを元の設定に戻します。\n")
LINE_PUT_BACK = sjis("スタートアップから取り込んだプログラムを元の設定に戻しました。\n")
EPOCH_DIFFERENCE = 11644473600  # seconds from 1601 (FILETIME) to 1970


def reg(run, *args):
    return subprocess.run(["wine", "reg"] + list(args), env=run.env, capture_output=True,
                          timeout=60).stdout


def reg_values(run, key):
    """{(key, name): (type, data)} of key and its subkeys, as reg.exe prints them."""
    values, current = {}, None
    for line in reg(run, "query", key, "/s").splitlines():
        line = line.rstrip(b"\r")
        if line.startswith(b"HKEY_"):
            current = line
        match = re.match(rb"^    (.*?)    (REG_\w+)    ?(.*)$", line)
        if match and current:
            values[(current, match.group(1))] = (match.group(2), match.group(3))
    return values


def registry_state(run):
    return {key: reg_values(run, key) for key in KEYS}


def wait_for(read, expected):
    deadline = time.time() + WAIT_MS / 1000
    while True:
        value = read()
        if value == expected or time.time() > deadline:
            return value
        time.sleep(0.1)


def named(run, key):
    return {name: value for (_, name), value in reg_values(run, key).items()}


def open_dialog(run, hwnd):
    driver(run, "menu-command", hwnd, CMD_IMPORT)
    return driver(run, "wait-dialog", hex_arg(CAPTION_IMPORT), ID_LIST, WAIT_MS).get("hwnd")


def rows(run, dialog):
    return [[bytes.fromhex(cell) for cell in row.split(",")]
            for row in driver(run, "list-rows", dialog, ID_LIST).all("row")]


def group_editor_startup(run):
    """Four entries imported with the check box on into an untitled schedule, switched off
    as Task Manager does; 元に戻す for one, the remover for the rest."""
    for key in KEYS[1:3]:
        reg(run, "add", key, "/f")  # as on Windows 8 and later, where these keys exist
    probe = win_path(run.exe("tl_probe.exe"))
    reg(run, "add", RUN, "/v", "Probe A", "/d", b'"' + probe + b'" one "two three"', "/f")
    reg(run, "add", RUN, "/v", "Expand B", "/t", "REG_EXPAND_SZ", "/d",
        "%SystemRoot%\\system32\\notepad.exe /b", "/f")
    reg(run, "add", APPROVED + "Run", "/v", "Probe A", "/t", "REG_BINARY", "/d",
        "020000000000000000000000", "/f")
    folder = bytes.fromhex(driver(run, "startup-folder").get("folder"))
    unix_folder = subprocess.run(["wine", "winepath", "-u", folder], env=run.env,
                                 capture_output=True, timeout=60).stdout.strip()
    driver(run, "make-shortcut", hex_arg(folder + b"\\App.lnk"), hex_arg(probe), "lnk")
    with open(os.path.join(unix_folder, b"Batch.bat"), "wb") as out:
        out.write(b"@echo off\r\n")
    before = registry_state(run)
    # This Wine reports Windows 7 unless told otherwise: there the box is off and greyed.
    for version in ("win7", "win10"):
        program, hwnd = start(run, cwd=run.work)
        dialog = open_dialog(run, hwnd) if hwnd else None
        check(run, dialog is not None, f"{version}: the import dialog opens")
        if not dialog:
            return
        box = driver(run, "button-state", dialog, ID_SWITCH_OFF)
        line = driver(run, "button-state", dialog, ID_OLD_WINDOWS).get("visible")
        newer = version == "win10"
        check_equal(run, (box.get("enabled"), box.number("checked"), line, box.text("text")),
                    ("1" if newer else "0", 1 if newer else 0, "0" if newer else "1",
                     sjis("取り込んだプログラムを Windows のスタートアップでは起動しない")),
                    f"{version}: the switch-off box, and the line about removing by hand")
        if newer:
            break
        driver(run, "click", dialog, ID_CANCEL)
        close_editor(run, program, hwnd, None, "the editor after a cancelled import")
        reg(run, "add", WINE_VERSION, "/v", "Version", "/d", "win10", "/f")
    listed = rows(run, dialog)
    windows = b"C:\\windows\\system32\\"
    expected = {
        b"Probe A": [b'"' + probe + b'" one "two three"', sjis("レジストリ"), sjis("有効")],
        b"Expand B": [b"%SystemRoot%\\system32\\notepad.exe /b", sjis("レジストリ"),
                      sjis("有効")],
        b"App": [folder + b"\\App.lnk", sjis("スタートアップ フォルダ"), sjis("有効")],
        b"Batch": [folder + b"\\Batch.bat", sjis("スタートアップ フォルダ"), sjis("有効")]}
    check_equal(run, sorted(listed), sorted([name] + cells for name, cells in expected.items()),
                "the four entries, each 有効")
    check_equal(run, driver(run, "list-checks", dialog, ID_LIST).all("check"), ["2"] * 4,
                "every row that Windows starts is checked")

    driver(run, "click", dialog, IDOK)
    path = os.path.join(run.work, "imported.tlf")
    driver(run, "file-dialog", program.pid, hex_arg(win_path(path)), WAIT_MS)
    items = {b"Probe A": (probe, b'one "two three"', probe.rsplit(b"\\", 1)[0] + b"\\"),
             b"Expand B": (windows.upper() + b"notepad.exe", b"/b", windows.upper()),
             b"App": (folder + b"\\App.lnk", b"", b""),
             b"Batch": (folder + b"\\Batch.bat", b"", b"")}
    saved = schedule_file([{"name": row[0], "path": items[row[0]][0], "args": items[row[0]][1],
                            "cwd": items[row[0]][2], "delay": 5} for row in listed],
                          exit_after=True)
    check_equal(run, file_bytes(path, saved).lower(), saved.lower(),
                "the saved schedule: the four items in list order, split, 5 s each")
    runner = b'"' + win_path(run.exe("TLRun.exe")) + b'" "' + win_path(path) + b'"'
    check_equal(run, wait_for(lambda: named(run, RUN).get(b"Tarvilo"), (b"REG_SZ", runner)),
                (b"REG_SZ", runner), "the schedule runs at logon")
    switched = (("Run", b"Probe A"), ("Run", b"Expand B"), ("StartupFolder", b"App.lnk"),
                ("StartupFolder", b"Batch.bat"))
    wait_for(lambda: [named(run, APPROVED + kind).get(name, (b"", b""))[1][:8]
                      for kind, name in switched], [b"03000000"] * 4)
    for kind, name in switched:
        value = named(run, APPROVED + kind).get(name, (b"", b""))
        filetime = int.from_bytes(bytes.fromhex(value[1].decode())[4:], "little")
        age = time.time() - (filetime / 10**7 - EPOCH_DIFFERENCE)
        check(run, value[0] == b"REG_BINARY" and value[1].startswith(b"03000000")
              and len(value[1]) == 24 and 0 <= age < 600,
              f"{name}: switched off with 03 and the FILETIME of now", repr(value))
    check_equal(run, sorted(named(run, RECORDS).items()),
                [(b"App.lnk", (b"REG_BINARY", b"")), (b"Batch.bat", (b"REG_BINARY", b"")),
                 (b"Expand B", (b"REG_BINARY", b"")),
                 (b"Probe A", (b"REG_BINARY", b"020000000000000000000000"))],
                "the records hold the bytes that were there before")

    dialog = open_dialog(run, hwnd)
    listed = rows(run, dialog)
    check_equal(run, sorted(row[3] for row in listed), [sjis("Tarvilo で無効")] * 4,
                "listed again: four, all Tarvilo's, and not Tarvilo's own Run value")
    row = [r[0] for r in listed].index(b"Probe A")
    driver(run, "list-select", dialog, ID_LIST, row)
    check_equal(run, wait_for(lambda: driver(run, "button-state", dialog, ID_PUT_BACK)
                              .get("enabled"), "1"), "1", "元に戻す is enabled for that row")
    driver(run, "click", dialog, ID_PUT_BACK)
    check_equal(run, wait_for(lambda: named(run, APPROVED + "Run").get(b"Probe A"),
                              (b"REG_BINARY", b"020000000000000000000000")),
                (b"REG_BINARY", b"020000000000000000000000"), "元に戻す writes back 02")
    check(run, b"Probe A" not in named(run, RECORDS), "and deletes its record")
    driver(run, "click", dialog, ID_CANCEL)
    close_editor(run, program, hwnd, None, "the saved editor")

    remover = Program(run, run.exe("TLUninstaller.exe"))
    text, _, _ = message_box(run, CAPTION_QUESTION)
    check(run, text is not None and LINE_TAKEN_OVER in text, "the remover's question says so",
          repr(text))
    answer(run, CAPTION_QUESTION, IDYES)
    text, _, _ = message_box(run, CAPTION_SUCCESS)
    check(run, text is not None and LINE_PUT_BACK in text, "and its success message",
          repr(text))
    answer(run, CAPTION_SUCCESS, IDOK)
    check_ended(run, remover, 1, "the remover")
    check_equal(run, registry_state(run), before, "the registry as before, byte for byte")
    for key, name in ((RUN, "Probe A"), (RUN, "Expand B"), (APPROVED + "Run", "Probe A")):
        reg(run, "delete", key, "/v", name, "/f")
    reg(run, "delete", WINE_VERSION, "/f")
    for name in (b"App.lnk", b"Batch.bat"):
        os.remove(os.path.join(unix_folder, name))


GROUPS = {
    "editor_startup": group_editor_startup,
}
