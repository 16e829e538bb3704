#!/usr/bin/env python3
"""Tarvilo's system tests: the Windows programs run under Wine and are driven and watched
through tl_driver.exe, while tl_probe.exe stands in for every program the runner launches.

    systest.py --state DIR --bin DIR --work DIR <group>...

--state is the folder that wine_env.sh set up (prefix, display, server); --bin holds
TLRun.exe, TLUninstaller.exe, core_tests.exe, tl_driver.exe and tl_probe.exe; --work is a
scratch folder (each group empties its own subfolder). Every group is one CTest test and
ends with exit code 1 when any of its checks failed. "bench" is not a test: it prints the
runner's timing figures (see bench_runner.sh).

Texts that the programs show are compared byte for byte with the expected Japanese texts
encoded to code page 932; the driver and the probe hand over every text in hexadecimal.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time
import traceback

# ---------------------------------------------------------------------------------------
# The texts, captions and numbers the programs are built to show


def Sjis(text):
    return text.encode("cp932")


CAPTION_RUNNER = Sjis("Run's Tarvilo")
CAPTION_ERROR = Sjis("エラー")
CAPTION_DONE = Sjis("正常終了")
TEXT_ONE_INSTANCE = Sjis("このアプリケーションは多重起動することはできません。")
TEXT_EMPTY = Sjis("アプリケーションが１つも登録されていません。終了します")
STATUS_DONE = Sjis("完了")
STATUS_WAITING = Sjis("実行待ち")
STATUS_NOT_YET = Sjis("未完了")
TEXT_STOP = Sjis("停止")
TEXT_RESUME = Sjis("再開")
TEXT_EXPLAIN = Sjis(
    ".tlfファイルとTLRun.exeの関連付けを行います。\n"
    "スケジュールを実行するには次の関連付けを行ってから\n"
    ".tlfファイルをダブルクリックするか\n"
    ".tlfファイルをドラッグ＆ドロップしてください。")
TEXT_ASSOCIATED = Sjis(".tlfファイルとアプリケーションを関連付けました。")
TEXT_UNASSOCIATED = Sjis("関連付けを解除しました。")
TEXT_ASSOCIATED_MENU = Sjis(".tlfファイルとアプリケーションを関連付けました。Windowsを再起動してください")
TEXT_APPLY = Sjis("適用")
TEXT_CANCEL = Sjis("キャンセル")
TEXT_ASSOCIATE_BOX = Sjis(".tlfファイルをアプリケーションに関連付ける")
CAPTION_QUESTION = b"Question"
CAPTION_SUCCESS = b"Success"
CAPTION_FINISH = b"Finish"
TEXT_REMOVER_QUESTION = Sjis(
    "アプリケーション「Tarvilo」と.tlfファイルとの関連付けを解除します。\n"
    "なおアプリケーションファイル自体は削除されません。\n"
    "よろしいですか？")
TEXT_REMOVER_SUCCESS = Sjis(
    "正常に関連付けが解除されました\n"
    "アプリケーションを完全に削除する場合は\n"
    "お手数ですがフォルダの削除を手動でお願いします。")
TEXT_REMOVER_CANCELLED = Sjis("処理を取りやめました")
EDITOR_VERB = Sjis("TLSetで起動する")

ID_STATUS_LIST = 1125
ID_RESUME = 1126
ID_STOP = 1127
ID_ASSOCIATE_BOX = 1002
CMD_SHOW = 40008
CMD_EXIT = 40009
CMD_HIDE = 40011
CMD_REGISTRY = 40013
WM_LBUTTONDBLCLK = 515
WM_RBUTTONDOWN = 516
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
WS_EX_TOPMOST = 0x8

# Generous limits: a program start under Wine takes a few hundred milliseconds, more on a
# loaded two-core machine. Nothing here is a timing claim; waits end as soon as they can.
WAIT_MS = 15000

# ---------------------------------------------------------------------------------------
# The run: settings, checks and cleanup


class Run:
    """Everything a group needs: where things are, the environment, and its results."""

    def __init__(self, args, group):
        self.bin = os.path.abspath(args.bin)
        self.work = os.path.join(os.path.abspath(args.work), group)
        self.group = group
        self.env = LoadWineEnvironment(args.state)
        self.failures = []
        self.background = []
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.probeLog = os.path.join(self.work, "probe.log")
        self.env["TL_PROBE_LOG"] = WinPath(self.probeLog).decode("cp932")

    def Exe(self, name):
        return os.path.join(self.bin, name)


def LoadWineEnvironment(state):
    path = os.path.join(state, "env")
    if not os.path.exists(path):
        sys.exit(f"no Wine environment at {state}: run wine_env.sh setup first")
    env = dict(os.environ)
    # The file holds shell assignments written with printf %q; let the shell read them.
    out = subprocess.run(["bash", "-c", f'set -a; . "{path}"; env -0'],
                         check=True, capture_output=True).stdout
    for entry in out.split(b"\0"):
        if b"=" in entry:
            key, value = entry.split(b"=", 1)
            env[key.decode()] = value.decode()
    return env


def Check(run, condition, what, detail=""):
    if condition:
        print(f"  ok   {what}")
    else:
        print(f"  FAIL {what}" + (f": {detail}" if detail else ""))
        run.failures.append(what)
    return condition


def CheckEqual(run, actual, expected, what):
    return Check(run, actual == expected, what, f"got {Show(actual)}, expected {Show(expected)}")


def Show(value):
    """Shift-JIS bytes made readable in a failure message."""
    if isinstance(value, bytes):
        try:
            return repr(value.decode("cp932"))
        except UnicodeDecodeError:
            return repr(value)
    if isinstance(value, (list, tuple)):
        return "[" + ", ".join(Show(v) for v in value) + "]"
    return repr(value)


def WinPath(unixPath):
    """The Windows (Z:) form of a Unix path, as code page 932 bytes."""
    return ("Z:" + os.path.abspath(unixPath).replace("/", "\\")).encode("cp932")


def Hex(text):
    if isinstance(text, str):
        text = text.encode("cp932")
    return "hex:" + text.hex()


# ---------------------------------------------------------------------------------------
# Talking to the driver


class Reply:
    """The driver's "key=value" lines."""

    def __init__(self, code, lines):
        self.code = code
        self.lines = lines

    def Get(self, key, default=None):
        for line in self.lines:
            if line.startswith(key + "="):
                return line[len(key) + 1:]
        return default

    def All(self, key):
        return [line[len(key) + 1:] for line in self.lines if line.startswith(key + "=")]

    def Text(self, key):
        value = self.Get(key)
        return None if value is None else bytes.fromhex(value)

    def Number(self, key, default=None):
        value = self.Get(key)
        return default if value is None else int(value)


def Driver(run, *args, timeout=60):
    # The output goes through a file, not a pipe: a program that the driver starts (the
    # shell's open verb) inherits the driver's output handles and would hold a pipe open.
    command = ["wine", run.Exe("tl_driver.exe")] + [str(a) for a in args]
    with open(os.path.join(run.work, "driver.out"), "w+b") as out:
        try:
            code = subprocess.run(command, env=run.env, stdout=out, stderr=subprocess.DEVNULL,
                                  timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            return Reply(-1, ["error=driver timed out"])
        out.seek(0)
        lines = out.read().decode("latin-1").splitlines()
    return Reply(code, [line.rstrip("\r") for line in lines])


class Program:
    """A program under test, started by the driver as its debuggee and watched until it ends."""

    def __init__(self, run, exe, tail=b"", cwd=None, debug=True):
        self.run = run
        run.background.append(self)
        self.output = os.path.join(run.work, f"program{len(run.background)}.out")
        args = ["wine", run.Exe("tl_driver.exe"), "run"]
        if debug:
            args.append("--debug")
        args += ["--cwd", Hex(WinPath(cwd or run.work)), Hex(WinPath(exe) if "/" in exe else exe)]
        if tail:
            args.append(Hex(tail))
        with open(self.output, "wb") as out:
            self.process = subprocess.Popen(args, env=run.env, stdout=out,
                                            stderr=subprocess.DEVNULL)
        self.pid = None
        deadline = time.time() + WAIT_MS / 1000
        while self.pid is None and time.time() < deadline and self.Running():
            value = self.Value("pid")
            if value is not None:
                self.pid = int(value)
            else:
                time.sleep(0.01)
        self.started = int(self.Value("start") or 0)

    def _Lines(self):
        """The driver's complete lines so far: it may be caught in the middle of one."""
        with open(self.output, "rb") as out:
            complete = out.read().split(b"\n")[:-1]
        return [line.decode("latin-1").rstrip("\r") for line in complete]

    def Value(self, key):
        for line in self._Lines():
            if line.startswith(key + "="):
                return line[len(key) + 1:]
        return None

    def Wait(self, timeoutMs=WAIT_MS):
        """The exit code, or None when the program did not end in time."""
        try:
            self.process.wait(timeoutMs / 1000)
        except subprocess.TimeoutExpired:
            return None
        value = self.Value("exit")
        return None if value is None else int(value)

    def Faults(self):
        return [line for line in self._Lines() if line.startswith("fault=")]

    def Running(self):
        return self.process.poll() is None


def EndEverything(run):
    """Ends what a group left running (after a failure): each left-over program by its id."""
    for name in ("TLRun.exe", "TLUninstaller.exe"):
        for pid in Driver(run, "find-process", name).All("pid"):
            Driver(run, "kill", pid)
    for program in run.background:
        if program.Wait(5000) is None and program.Running():
            program.process.kill()
            program.process.wait(5)


# ---------------------------------------------------------------------------------------
# Schedule files and the probe's log


def ScheduleFile(items, show=False, exitAfter=False, count=None, options=None):
    """A schedule in the editor's layout, CR LF line ends. items: dicts with name, path,
    args, cwd, env (flag) and delay; count overrides the count line, options the two
    option lines (raw bytes)."""
    if options is None:
        options = (b"true" if show else b"false", b"true" if exitAfter else b"false")
    lines = [options[0], options[1], b"",
             str(len(items) if count is None else count).encode(), b""]
    for item in items:
        lines += [Bytes(item.get("name", "probe")), Bytes(item["path"]),
                  Bytes(item.get("args", b"")) or b"nn", Bytes(item.get("cwd", b"")) or b"nn",
                  b"true" if item.get("env") else b"false", str(item.get("delay", 0)).encode(),
                  b""]
    return b"".join(line + b"\r\n" for line in lines)


def Bytes(text):
    return text.encode("cp932") if isinstance(text, str) else text


def WriteSchedule(run, name, items, **options):
    path = os.path.join(run.work, name)
    with open(path, "wb") as out:
        out.write(ScheduleFile(items, **options))
    return path


def ProbeItem(run, tag, delay=0, **extra):
    item = {"name": b"item " + Bytes(tag)[:20], "path": WinPath(run.Exe("tl_probe.exe")), "args": tag,
            "delay": delay}
    item.update(extra)
    return item


class ProbeStart:
    def __init__(self, line):
        fields = line.split(b"\t")
        self.pid = int(fields[0])
        self.created = int(fields[1])
        self.logged = int(fields[2])
        self.cwd = bytes.fromhex(fields[3].decode())
        self.tail = bytes.fromhex(fields[4].decode())
        self.argv = [bytes.fromhex(f.decode()) for f in fields[6:6 + int(fields[5])]]


def ProbeStarts(run):
    """Every probe start so far, in the order the processes were created."""
    if not os.path.exists(run.probeLog):
        return []
    with open(run.probeLog, "rb") as log:
        # A line still being written has no line end yet; it is read next time.
        complete = log.read().split(b"\r\n")[:-1]
        starts = [ProbeStart(line) for line in complete if line.strip()]
    return sorted(starts, key=lambda start: (start.created, start.pid))


def WaitProbes(run, count, timeoutMs=WAIT_MS):
    deadline = time.time() + timeoutMs / 1000
    while True:
        starts = ProbeStarts(run)
        if len(starts) >= count or time.time() > deadline:
            return starts
        time.sleep(0.02)


def ClearProbes(run):
    if os.path.exists(run.probeLog):
        os.remove(run.probeLog)


# ---------------------------------------------------------------------------------------
# Common steps


def RunnerWindow(run, program):
    reply = Driver(run, "wait-window", "Tarvilo", Hex(CAPTION_RUNNER), WAIT_MS, program.pid)
    return reply.Get("hwnd")


def WindowInfo(run, hwnd):
    return Driver(run, "window-info", hwnd)


def TrayShown(run):
    """Whether Wine's stand-alone notification area (shown only while it holds an icon,
    since there is no desktop panel) is visible."""
    reply = Driver(run, "wait-window", "__winex11_standalone_tray", "-", 2000)
    return reply.code == 0 and WindowInfo(run, reply.Get("hwnd")).Get("visible") == "1"


def WaitTrayGone(run):
    deadline = time.time() + WAIT_MS / 1000
    while TrayShown(run):
        if time.time() > deadline:
            return False
        time.sleep(0.05)
    return True


def StatusColumn(run, hwnd):
    reply = Driver(run, "list-rows", hwnd, ID_STATUS_LIST)
    return [bytes.fromhex(row.split(",")[1]) if "," in row else None for row in reply.All("row")]


def MessageBox(run, caption, timeoutMs=WAIT_MS):
    """(text, buttons, pid) of the message box with that caption, or (None, [], None)."""
    reply = Driver(run, "wait-messagebox", Hex(caption), timeoutMs)
    if reply.code != 0:
        return None, [], None
    return reply.Text("text"), [int(b) for b in reply.All("button")], reply.Number("pid")


def Answer(run, caption, button):
    return Driver(run, "answer-messagebox", Hex(caption), button, WAIT_MS).code == 0


def CheckEnded(run, program, expectedCode, what):
    code = program.Wait()
    CheckEqual(run, code, expectedCode, f"{what}: exit code")
    Check(run, not program.Faults(), f"{what}: no access violation or other fault",
          "; ".join(program.Faults()))


def CloseRunner(run, program, hwnd, what):
    Driver(run, "menu-command", hwnd, CMD_EXIT)
    CheckEnded(run, program, 0, what)


# ---------------------------------------------------------------------------------------
# Runner groups


def GroupInstance(run):
    """A second runner is refused with its message; the first keeps running."""
    schedule = WriteSchedule(run, "long.tlf", [ProbeItem(run, "late", delay=600)], show=True)
    first = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, first)
    Check(run, hwnd is not None, "the first runner shows its window")
    second = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    text, buttons, pid = MessageBox(run, CAPTION_RUNNER)
    CheckEqual(run, text, TEXT_ONE_INSTANCE, "the second runner's refusal text")
    CheckEqual(run, pid, second.pid, "the refusal comes from the second runner")
    CheckEqual(run, buttons, [IDOK], "the refusal has an OK button only")
    Answer(run, CAPTION_RUNNER, IDOK)
    CheckEnded(run, second, 0, "the second runner")
    Check(run, first.Running(), "the first runner is still running")
    CheckEqual(run, WindowInfo(run, hwnd).Get("visible"), "1", "the first runner's window is still shown")
    CheckEqual(run, len(ProbeStarts(run)), 0, "nothing was launched")
    # Association mode holds the instance too: a runner without argument refuses as well.
    third = Program(run, run.Exe("TLRun.exe"))
    text, _, pid = MessageBox(run, CAPTION_RUNNER)
    CheckEqual(run, (text, pid), (TEXT_ONE_INSTANCE, third.pid),
               "a runner without argument is refused while a runner runs")
    Answer(run, CAPTION_RUNNER, IDOK)
    CheckEnded(run, third, 0, "the refused runner without argument")
    CloseRunner(run, first, hwnd, "the first runner, closed with 終了(&X)")
    # The mutex goes with the process: a new runner now starts normally.
    again = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, again)
    Check(run, hwnd is not None, "after the first runner has ended a new one starts")
    if hwnd:
        CloseRunner(run, again, hwnd, "the new runner")


def GroupEmpty(run):
    """A missing file, a count of 0 and a negative count: the empty-schedule report."""
    cases = [
        ("a missing file", b'"' + WinPath(os.path.join(run.work, "missing.tlf")) + b'"'),
        ("a count of 0", b'"' + WinPath(WriteSchedule(run, "zero.tlf", [], show=True)) + b'"'),
        ("a negative count", b'"' + WinPath(WriteSchedule(
            run, "negative.tlf", [ProbeItem(run, "never")], show=True, count=-1)) + b'"'),
        ("a count that is not a number", b'"' + WinPath(WriteSchedule(
            run, "nan.tlf", [ProbeItem(run, "never")], count="x")) + b'"'),
    ]
    for what, tail in cases:
        program = Program(run, run.Exe("TLRun.exe"), tail)
        text, buttons, pid = MessageBox(run, CAPTION_ERROR)
        CheckEqual(run, (text, pid), (TEXT_EMPTY, program.pid), f"{what}: the empty-schedule report")
        CheckEqual(run, buttons, [IDOK], f"{what}: OK button only")
        Check(run, TrayShown(run), f"{what}: the tray icon is there while the report shows")
        Answer(run, CAPTION_ERROR, IDOK)
        CheckEnded(run, program, 0, f"{what}: the runner ends")
        Check(run, WaitTrayGone(run), f"{what}: the tray icon goes with the runner")
    CheckEqual(run, len(ProbeStarts(run)), 0, "nothing was launched")


def GroupSequence(run):
    """Delays 2, 0, 0, 1: three launches in one tick, the fourth a second later; the
    status list before, between and after; both buttons greyed out at the end."""
    items = [ProbeItem(run, str(n), delay=d) for n, d in ((1, 2), (2, 0), (3, 0), (4, 1))]
    schedule = WriteSchedule(run, "sequence.tlf", items, show=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, program)
    if not Check(run, hwnd is not None, "the runner window appears"):
        return
    Driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 4, WAIT_MS)
    for button, name in ((ID_RESUME, "再開"), (ID_STOP, "停止")):
        CheckEqual(run, Driver(run, "button-state", hwnd, button).Get("enabled"), "1",
                   f"{name} is enabled while counting")
    watch = Driver(run, "watch-status", hwnd, ID_STATUS_LIST, 1, 20000, Hex(STATUS_DONE), timeout=40)
    states = []
    for line in watch.All("status"):
        stamp, _, cells = line.partition(" ")
        column = [bytes.fromhex(c) for c in cells.split(",")] if cells else []
        if len(column) == 4:  # an empty list is only the window still being built
            states.append(column)
    W, N, D = STATUS_WAITING, STATUS_NOT_YET, STATUS_DONE
    CheckEqual(run, states, [[W, N, N, N], [D, D, D, W], [D, D, D, D]],
               "the status column before, between and after the launches")
    starts = WaitProbes(run, 4)
    CheckEqual(run, [s.argv for s in starts], [[b"1"], [b"2"], [b"3"], [b"4"]],
               "four launches in list order")
    if len(starts) == 4:
        together = starts[2].created - starts[0].created
        Check(run, together < 900, "the first three are launched together",
              f"{together} ms from the first to the third")
        gap = starts[3].created - starts[2].created
        Check(run, 900 <= gap <= 5000, "the fourth follows about 1 s after the third",
              f"{gap} ms")
        first = starts[0].created - program.started
        Check(run, first >= 1900, "the first waits its 2 s", f"{first} ms after the start")
    for button, name in ((ID_RESUME, "再開"), (ID_STOP, "停止")):
        CheckEqual(run, Driver(run, "button-state", hwnd, button).Get("enabled"), "0",
                   f"{name} is greyed out after the last launch")
    Check(run, Driver(run, "click", hwnd, ID_STOP).code != 0, "a greyed-out button takes no click")
    CloseRunner(run, program, hwnd, "the finished runner")

    # Launches that fail are counted as done and the sequence goes on at its time.
    ClearProbes(run)
    items = [{"name": "missing", "path": WinPath(os.path.join(run.work, "missing.exe"))},
             {"name": "unset variable", "path": "TL_VARIABLE_NOBODY_SET", "env": True},
             ProbeItem(run, "after", delay=1)]
    schedule = WriteSchedule(run, "failing.tlf", items, show=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, program)
    starts = WaitProbes(run, 1)
    CheckEqual(run, [s.argv for s in starts], [[b"after"]],
               "after two failed launches the next item is launched")
    if starts:
        Check(run, starts[0].created - program.started >= 900,
              "at its own time, 1 s after the failed ones")
    if hwnd:
        Driver(run, "watch-status", hwnd, ID_STATUS_LIST, 1, WAIT_MS, Hex(STATUS_DONE))
        CheckEqual(run, StatusColumn(run, hwnd), [STATUS_DONE] * 3,
                   "failed launches show 完了 like the others")
        CloseRunner(run, program, hwnd, "the runner with failed launches")


def GroupStopResume(run):
    """Stop, then resume: the waiting item launches its full delay after the resume.
    Resume while counting changes nothing."""
    schedule = WriteSchedule(run, "stop.tlf", [ProbeItem(run, "a", delay=3)], show=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, program)
    if not Check(run, hwnd is not None, "the runner window appears"):
        return
    Driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
    stopped = Driver(run, "click", hwnd, ID_STOP).Number("clicked")
    Driver(run, "click", hwnd, ID_STOP)  # stop while stopped: nothing
    # Nothing may start while stopped: wait well past the 3 s the item would have taken.
    time.sleep(4.5)
    CheckEqual(run, len(ProbeStarts(run)), 0, "nothing is launched while stopped")
    CheckEqual(run, StatusColumn(run, hwnd), [STATUS_WAITING], "the stopped item still shows 実行待ち")
    resumed = Driver(run, "click", hwnd, ID_RESUME).Number("clicked")
    starts = WaitProbes(run, 1)
    if Check(run, len(starts) == 1, "the item is launched after the resume"):
        after = starts[0].created - resumed
        Check(run, 2900 <= after <= 8000, "the full 3 s delay runs again from the resume",
              f"{after} ms after the resume ({resumed - stopped} ms stopped)")
    CloseRunner(run, program, hwnd, "the runner after stop and resume")

    # Resume while counting must not restart the countdown.
    ClearProbes(run)
    schedule = WriteSchedule(run, "resume.tlf", [ProbeItem(run, "b", delay=4)], show=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, program)
    if not hwnd:
        return
    Driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
    time.sleep(1.5)
    resumed = Driver(run, "click", hwnd, ID_RESUME).Number("clicked")
    starts = WaitProbes(run, 1)
    if Check(run, len(starts) == 1, "the item is launched when resume came while counting"):
        after = starts[0].created - resumed
        Check(run, after < 3700, "resume while counting does not restart the delay",
              f"launched {after} ms after the resume, delay 4 s")
    CloseRunner(run, program, hwnd, "the runner after resume while counting")


def GroupExitOption(run):
    """Exit-after-run on: the runner ends after the last launch; off: it stays."""
    schedule = WriteSchedule(run, "exit.tlf", [ProbeItem(run, "x"), ProbeItem(run, "y", delay=1)],
                             exitAfter=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    code = program.Wait()
    CheckEqual(run, code, 0, "with exit-after-run on the runner ends by itself, exit code 0")
    Check(run, not program.Faults(), "no fault", "; ".join(program.Faults()))
    starts = WaitProbes(run, 2)
    CheckEqual(run, [s.argv for s in starts], [[b"x"], [b"y"]], "both items were launched first")
    if len(starts) == 2 and program.Value("end"):
        Check(run, int(program.Value("end")) >= starts[1].created - 50,
              "the runner ends after the last launch")

    ClearProbes(run)
    schedule = WriteSchedule(run, "stay.tlf", [ProbeItem(run, "z")], exitAfter=False)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    starts = WaitProbes(run, 1)
    CheckEqual(run, len(starts), 1, "with exit-after-run off the item is launched")
    hwnd = RunnerWindow(run, program)
    time.sleep(1.5)  # a runner that wrongly ended would be gone by now
    Check(run, program.Running(), "with exit-after-run off the runner stays")
    if hwnd:
        CheckEqual(run, StatusColumn(run, hwnd), [STATUS_DONE], "and shows its item done")
        CloseRunner(run, program, hwnd, "the staying runner, closed with 終了(&X)")
    # The window's close box ends a run in the middle: nothing more is launched.
    ClearProbes(run)
    schedule = WriteSchedule(run, "close.tlf", [ProbeItem(run, "first"),
                                                ProbeItem(run, "never", delay=3)], show=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, program)
    WaitProbes(run, 1)
    if hwnd:
        Driver(run, "menu-command", hwnd, 0xF060)  # not a command the runner knows: ignored
        Check(run, program.Running(), "an unknown command leaves the runner running")
        Driver(run, "close", hwnd)
    CheckEnded(run, program, 0, "the runner closed in the middle of the run")
    time.sleep(3.5)
    CheckEqual(run, [s.argv for s in ProbeStarts(run)], [[b"first"]],
               "items after the close are never launched")


def GroupWindow(run):
    """The runner window hidden or shown, the tray double click, its controls."""
    schedule = WriteSchedule(run, "hidden.tlf", [ProbeItem(run, "h", delay=600)], show=False)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, program)
    if not Check(run, hwnd is not None, "the hidden runner has its window"):
        return
    Driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
    info = WindowInfo(run, hwnd)
    CheckEqual(run, info.Get("visible"), "0", "show-runner-window off: the window is not visible")
    CheckEqual(run, int(info.Get("exstyle"), 16) & WS_EX_TOPMOST, 0, "and not topmost")
    Driver(run, "tray", hwnd, WM_LBUTTONDBLCLK)
    Check(run, Driver(run, "wait-visible", hwnd, 1, WAIT_MS).code == 0,
          "a double click on the tray icon shows it")
    info = WindowInfo(run, hwnd)
    CheckEqual(run, info.Get("rect"), "300,300,620,540", "shown at its place, 320 x 240")
    Driver(run, "tray", hwnd, WM_LBUTTONDBLCLK)
    Check(run, Driver(run, "wait-visible", hwnd, 0, WAIT_MS).code == 0,
          "a second double click hides it")
    Driver(run, "menu-command", hwnd, CMD_SHOW)
    Check(run, Driver(run, "wait-visible", hwnd, 1, WAIT_MS).code == 0, "ウィンドウ表示 shows it")
    Driver(run, "menu-command", hwnd, CMD_HIDE)
    Check(run, Driver(run, "wait-visible", hwnd, 0, WAIT_MS).code == 0, "ウィンドウ非表示 hides it")
    CloseRunner(run, program, hwnd, "the hidden runner, closed with 終了(&X)")

    schedule = WriteSchedule(run, "shown.tlf", [ProbeItem(run, "s", delay=600)], show=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, program)
    if not Check(run, hwnd is not None, "the shown runner has its window"):
        return
    Driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
    info = WindowInfo(run, hwnd)
    CheckEqual(run, info.Get("visible"), "1", "show-runner-window on: visible")
    CheckEqual(run, info.Get("topmost"), "1", "and topmost")
    CheckEqual(run, info.Get("rect"), "300,300,620,540", "at 300, 300 with 320 x 240")
    CheckEqual(run, info.Get("hasmenu"), "1", "with its menu bar")
    stop = Driver(run, "button-state", hwnd, ID_STOP)
    resume = Driver(run, "button-state", hwnd, ID_RESUME)
    CheckEqual(run, (stop.Text("text"), stop.Get("client-rect")), (TEXT_STOP, "255,5,55,80"),
               "停止 on top")
    CheckEqual(run, (resume.Text("text"), resume.Get("client-rect")), (TEXT_RESUME, "255,90,55,80"),
               "再開 below it")
    rows = Driver(run, "list-rows", hwnd, ID_STATUS_LIST)
    CheckEqual(run, (rows.Get("columns"), rows.All("row")),
               ("2", [Sjis("item s").hex() + "," + STATUS_WAITING.hex()]),
               "the status list: name and status columns")
    columns = Driver(run, "list-columns", hwnd, ID_STATUS_LIST)
    CheckEqual(run, columns.All("column"), ["170," + Sjis("名前").hex(), "80," + Sjis("状態").hex()],
               "the columns 名前 (170) and 状態 (80)")
    # The list adds and removes its own scroll bars (WS_HSCROLL, WS_VSCROLL) as it needs them.
    style = int(columns.Get("style", "0"), 16) & ~0x00300000
    CheckEqual(run, (f"{style:08x}", columns.Get("listexstyle")), ("50808009", "00000020"),
               "a report list with full-row selection")
    Driver(run, "tray", hwnd, WM_LBUTTONDBLCLK)
    Check(run, Driver(run, "wait-visible", hwnd, 0, WAIT_MS).code == 0,
          "a double click on the tray icon hides the shown window")
    CloseRunner(run, program, hwnd, "the shown runner")

    # The runner wants the option line to be exactly "true"; names lose leading blanks.
    items = [ProbeItem(run, "1", delay=600, name="  leading blanks"),
             ProbeItem(run, "2", delay=600, name="\t tab and blank")]
    for options, what in (((b"true ", b"false"), "a first line of true and a blank"),
                          ((b"True", b"false"), "a first line of True")):
        schedule = WriteSchedule(run, "options.tlf", items, options=options)
        program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
        hwnd = RunnerWindow(run, program)
        if not hwnd:
            continue
        Driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 2, WAIT_MS)
        CheckEqual(run, WindowInfo(run, hwnd).Get("visible"), "0", f"{what} leaves the window hidden")
        names = [bytes.fromhex(row.split(",")[0]) for row in
                 Driver(run, "list-rows", hwnd, ID_STATUS_LIST).All("row")]
        CheckEqual(run, names, [b"leading blanks", b"tab and blank"],
                   "display names lose their leading blanks and tabs")
        CloseRunner(run, program, hwnd, f"the runner with {what}")

    # The tray icon's right button opens the tray menu; its 終了(&X) ends the runner.
    schedule = WriteSchedule(run, "tray.tlf", [ProbeItem(run, "t", delay=600)])
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, program)
    if hwnd:
        Driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
        Check(run, TrayShown(run), "the hidden runner has its tray icon")
        Driver(run, "tray", hwnd, WM_RBUTTONDOWN)
        menu = Driver(run, "wait-window", "#32768", "-", WAIT_MS, program.pid).Get("hwnd")
        if Check(run, menu is not None, "a right click on the tray icon opens the tray menu"):
            Driver(run, "key", menu, ord("X"), ord("x"))
        CheckEnded(run, program, 0, "the runner ended from the tray menu's 終了(&X)")
        Check(run, WaitTrayGone(run), "and its tray icon is removed")


def GroupLaunchFields(run):
    """Arguments, working folder and a path taken from an environment variable reach the
    launched program exactly."""
    folder = os.path.join(run.work, "作業 フォルダ表")
    os.makedirs(folder)
    args = Sjis('alpha "beta gamma" 表示 ソフト\\ 100%')
    run.env["TL_PROBE_PATH"] = WinPath(run.Exe("tl_probe.exe")).decode("cp932")
    items = [
        {"name": "plain", "path": WinPath(run.Exe("tl_probe.exe")), "args": args,
         "cwd": WinPath(folder), "delay": 0},
        {"name": "from the environment", "path": "TL_PROBE_PATH", "env": True, "args": b"env",
         "cwd": WinPath(run.work), "delay": 0},
        {"name": "no arguments", "path": WinPath(run.Exe("tl_probe.exe")), "delay": 0},
    ]
    schedule = WriteSchedule(run, "fields.tlf", items, exitAfter=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    CheckEnded(run, program, 0, "the runner")
    starts = WaitProbes(run, 3)
    if not CheckEqual(run, len(starts), 3, "three launches"):
        return
    byTag = {s.argv[0] if s.argv else b"": s for s in starts}
    plain = byTag.get(b"alpha")
    if Check(run, plain is not None, "the item with arguments was launched"):
        CheckEqual(run, plain.tail, args, "its arguments reach the program unchanged")
        CheckEqual(run, plain.argv, [b"alpha", b"beta gamma", Sjis("表示"), Sjis("ソフト\\"), b"100%"],
                   "and split into the same arguments")
        CheckEqual(run, plain.cwd, WinPath(folder), "its working folder is the item's")
    env = byTag.get(b"env")
    if Check(run, env is not None, "the item whose path is an environment variable was launched"):
        CheckEqual(run, env.cwd, WinPath(run.work), "with its own working folder")
    CheckEqual(run, byTag.get(b"") and byTag[b""].tail, b"", "an item without arguments gets none")

    # A text field of 258 bytes, the longest the file holds, arrives whole.
    ClearProbes(run)
    longArgs = Sjis("表") * 128 + b"xy"
    schedule = WriteSchedule(run, "long-args.tlf", [ProbeItem(run, longArgs)], exitAfter=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    CheckEnded(run, program, 0, "the runner with 258 bytes of arguments")
    CheckEqual(run, [s.tail for s in WaitProbes(run, 1)], [longArgs],
               "258 bytes of arguments reach the program whole")

    # Bare line feeds read the same as CR LF.
    ClearProbes(run)
    path = os.path.join(run.work, "line-feeds.tlf")
    with open(path, "wb") as out:
        out.write(ScheduleFile([items[0]], exitAfter=True).replace(b"\r\n", b"\n"))
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(path) + b'"')
    CheckEnded(run, program, 0, "the runner on a file with bare line feeds")
    starts = WaitProbes(run, 1)
    CheckEqual(run, [(s.tail, s.cwd) for s in starts], [(args, WinPath(folder))],
               "a file with bare line feeds gives the same launch")


def GroupCommandLine(run):
    """One argument in short (8.3) form, and a path split at a blank into two arguments."""
    folder = os.path.join(run.work, "Long Folder Name")
    os.makedirs(folder)
    schedule = WriteSchedule(run, "Long Folder Name/a long schedule name.tlf",
                             [ProbeItem(run, "short")], exitAfter=True)
    reply = Driver(run, "short-path", Hex(WinPath(schedule)))
    short = reply.Text("short")
    if Check(run, short is not None and b"~" in short, "the platform gives a short form",
             Show(short)):
        program = Program(run, run.Exe("TLRun.exe"), short)
        CheckEnded(run, program, 0, "the runner given the short form")
        CheckEqual(run, [s.argv for s in WaitProbes(run, 1)], [[b"short"]],
                   "the short form opens the right file")
    ClearProbes(run)
    os.makedirs(os.path.join(run.work, "Sched Folder"))
    schedule = WriteSchedule(run, "Sched Folder/split.tlf", [ProbeItem(run, "split")], exitAfter=True)
    program = Program(run, run.Exe("TLRun.exe"), WinPath(schedule))  # unquoted: two arguments
    CheckEnded(run, program, 0, "the runner given a path split at its blank")
    CheckEqual(run, [s.argv for s in WaitProbes(run, 1)], [[b"split"]],
               "the joined arguments open the right file")
    ClearProbes(run)
    # Trail bytes 0x5C inside a folder name are no separators (表 is 95 5C, ソ is 83 5C).
    folder = os.path.join(run.work, "表示ソフト")
    os.makedirs(folder)
    schedule = WriteSchedule(run, "表示ソフト/予定表.tlf", [ProbeItem(run, "dbcs")], exitAfter=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    CheckEnded(run, program, 0, "the runner given a path with trail bytes 0x5C")
    CheckEqual(run, [s.argv for s in WaitProbes(run, 1)], [[b"dbcs"]],
               "a path with trail bytes 0x5C opens the right file")
    ClearProbes(run)
    # A bare file name is looked up in the runner's current folder.
    WriteSchedule(run, "bare.tlf", [ProbeItem(run, "bare")], exitAfter=True)
    program = Program(run, run.Exe("TLRun.exe"), b"bare.tlf", cwd=run.work)
    CheckEnded(run, program, 0, "the runner given a bare file name")
    CheckEqual(run, [s.argv for s in WaitProbes(run, 1)], [[b"bare"]],
               "a bare name opens the file in the current folder")


def GroupMalformed(run):
    """Files the editor never writes: overlong lines, too few records, odd flags and
    delays, an end-of-file byte. The runner may read them as it likes, but must neither
    fault nor hang: it shows its window or its empty-schedule report and can be closed."""
    probe = WinPath(run.Exe("tl_probe.exe"))
    record = lambda name, path, args, cwd, flag, delay: [name, path, args, cwd, flag, delay, b""]
    head = [b"true", b"false", b""]
    files = {
        "overlong lines": head + [b"2", b""] + record(b"N" * 700, probe, b"A" * 300, b"nn",
                                                     b"false", b"600")
                          + record(Sjis("表") * 200, b"P" * 600, b"nn", b"C" * 400, b"true", b"600"),
        "more records counted than present": head + [b"5", b""] + record(b"one", probe, b"nn", b"nn",
                                                                        b"false", b"600"),
        "a flag line that is neither word": head + [b"1", b""] + record(b"odd", probe, b"nn", b"nn",
                                                                       b"yes", b"600"),
        "a delay that is no number": head + [b"2", b""] + record(b"d", probe, b"nn", b"nn", b"false",
                                                               b"soon") + record(b"e", probe, b"nn",
                                                                                 b"nn", b"false", b"600"),
        "a negative delay": head + [b"1", b""] + record(b"neg", probe, b"negative", b"nn", b"false",
                                                      b"-5") + [b"pad"],
        "a delay too large for milliseconds": head + [b"1", b""] + record(b"big", probe, b"big", b"nn",
                                                                        b"false", b"2147483647"),
        "an end-of-file byte inside": head + [b"2", b""] + record(b"a\x1ab", probe, b"nn", b"nn",
                                                               b"false", b"600"),
        "a count beyond 32 bits": head + [b"99999999999", b""] + record(b"x", probe, b"nn", b"nn",
                                                                      b"false", b"600"),
    }
    for what, lines in files.items():
        path = os.path.join(run.work, "malformed.tlf")
        with open(path, "wb") as out:
            out.write(b"".join(line + b"\r\n" for line in lines))
        program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(path) + b'"')
        window = Driver(run, "wait-window", "Tarvilo", Hex(CAPTION_RUNNER), 3000, program.pid)
        if window.code == 0:
            Driver(run, "wait-rows", window.Get("hwnd"), ID_STATUS_LIST, 1, 3000)
            Driver(run, "menu-command", window.Get("hwnd"), CMD_EXIT)
        else:
            Answer(run, CAPTION_ERROR, IDOK)
        code = program.Wait()
        Check(run, code == 0 and not program.Faults(),
              f"{what}: read without fault, closed with exit code 0",
              f"exit {code}; " + "; ".join(program.Faults()))


# ---------------------------------------------------------------------------------------
# Association and remover groups


def RegistryDump(run):
    """The association's keys and values as a sorted list of tuples."""
    reply = Driver(run, "reg-dump", Hex(b".tlf"), Hex(b"tlf_auto_file"))
    entries = [("key", bytes.fromhex(k)) for k in reply.All("key")]
    for value in reply.All("value"):
        key, name, kind, data = value.split(",")
        entries.append(("value", bytes.fromhex(key), bytes.fromhex(name), int(kind),
                        bytes.fromhex(data)))
    return sorted(entries)


def RunnerLayout(folder):
    """What the runner writes when started with folder as its current directory."""
    runner = folder + b"\\TLRun.exe"
    return sorted([
        ("key", b".tlf"),
        ("value", b".tlf", b"", 1, b"tlf_auto_file\0"),
        ("key", b"tlf_auto_file"),
        ("key", b"tlf_auto_file\\DefaultIcon"),
        ("value", b"tlf_auto_file\\DefaultIcon", b"", 1, runner + b",-108\0"),
        ("key", b"tlf_auto_file\\shell"),
        ("key", b"tlf_auto_file\\shell\\open"),
        ("key", b"tlf_auto_file\\shell\\open\\command"),
        ("value", b"tlf_auto_file\\shell\\open\\command", b"", 1,
         b'"' + runner + b'" "%1"\0'),
    ])


def ClearAssociation(run):
    Driver(run, "reg-delete", Hex(b".tlf"), Hex(b"tlf_auto_file"))


def OpenAssociationDialog(run, cwd):
    """Starts the runner without argument; returns (program, dialog hwnd) once the
    explanation has been checked and answered."""
    program = Program(run, run.Exe("TLRun.exe"), cwd=cwd)
    text, buttons, pid = MessageBox(run, CAPTION_RUNNER)
    CheckEqual(run, (text, pid), (TEXT_EXPLAIN, program.pid), "the explanation comes first")
    hidden = Driver(run, "find-dialog", Hex(CAPTION_RUNNER), ID_ASSOCIATE_BOX)
    Check(run, hidden.Get("visible", "0") == "0", "the dialog is not visible behind the explanation")
    Answer(run, CAPTION_RUNNER, IDOK)
    reply = Driver(run, "wait-dialog", Hex(CAPTION_RUNNER), ID_ASSOCIATE_BOX, WAIT_MS)
    return program, reply.Get("hwnd")


def BoxTicked(run, dialog):
    return Driver(run, "button-state", dialog, ID_ASSOCIATE_BOX).Get("checked")


def GroupAssociation(run):
    """The runner's association dialog: what it writes, removes and shows."""
    ClearAssociation(run)
    binFolder = WinPath(run.bin)
    program, dialog = OpenAssociationDialog(run, run.bin)
    if not Check(run, dialog is not None, "dialog 109 opens after the explanation"):
        return
    info = WindowInfo(run, dialog)
    CheckEqual(run, info.Get("rect"), "350,300,620,420", "the dialog sits at 350, 300, 270 x 120")
    CheckEqual(run, info.Text("title"), CAPTION_RUNNER, "the dialog's caption")
    texts = [Driver(run, "button-state", dialog, i).Text("text") for i in (1, 2, ID_ASSOCIATE_BOX)]
    CheckEqual(run, texts, [TEXT_APPLY, TEXT_CANCEL, TEXT_ASSOCIATE_BOX], "the dialog's three controls")
    CheckEqual(run, BoxTicked(run, dialog), "0", "without an association the box is cleared")
    Driver(run, "check", dialog, ID_ASSOCIATE_BOX, 1)
    Driver(run, "click", dialog, IDOK)
    text, _, _ = MessageBox(run, CAPTION_DONE)
    CheckEqual(run, text, TEXT_ASSOCIATED, "適用 with the box ticked confirms the association")
    Answer(run, CAPTION_DONE, IDOK)
    CheckEnded(run, program, 0, "the runner in association mode")
    CheckEqual(run, RegistryDump(run), RunnerLayout(binFolder),
               "the registry holds exactly the runner's association for its folder")

    # From another folder: that folder is registered, and the box shows ticked.
    other = os.path.join(run.work, "別の フォルダ")
    os.makedirs(other)
    program, dialog = OpenAssociationDialog(run, other)
    if dialog:
        CheckEqual(run, BoxTicked(run, dialog), "1", "after the runner's registration the box is ticked")
        Driver(run, "click", dialog, IDOK)
        text, _, _ = MessageBox(run, CAPTION_DONE)
        CheckEqual(run, text, TEXT_ASSOCIATED, "the confirmation again")
        Answer(run, CAPTION_DONE, IDOK)
    CheckEnded(run, program, 0, "the runner started from another folder")
    CheckEqual(run, RegistryDump(run), RunnerLayout(WinPath(other)),
               "started from another folder, that folder is registered")

    # キャンセル changes nothing and says nothing, whatever the box shows.
    before = RegistryDump(run)
    program, dialog = OpenAssociationDialog(run, run.bin)
    if dialog:
        Driver(run, "check", dialog, ID_ASSOCIATE_BOX, 0)
        Driver(run, "click", dialog, IDCANCEL)
    CheckEnded(run, program, 0, "キャンセル ends the runner without a message")
    CheckEqual(run, RegistryDump(run), before, "キャンセル changes nothing")

    # The box cleared removes it all.
    program, dialog = OpenAssociationDialog(run, run.bin)
    if dialog:
        Driver(run, "check", dialog, ID_ASSOCIATE_BOX, 0)
        Driver(run, "click", dialog, IDOK)
        text, _, _ = MessageBox(run, CAPTION_DONE)
        CheckEqual(run, text, TEXT_UNASSOCIATED, "適用 with the box cleared confirms the removal")
        Answer(run, CAPTION_DONE, IDOK)
    CheckEnded(run, program, 0, "the runner after the removal")
    CheckEqual(run, RegistryDump(run), [], "the association is gone")

    # The editor's registration alone leaves the box cleared; removal takes it all.
    editorCommand = '"' + WinPath(run.bin).decode("cp932") + '\\TLSet.exe" "%1"'
    AddWithRegExe(run, "HKCR\\.tlf", "tlf_auto_file")
    AddWithRegExe(run, "HKCR\\tlf_auto_file\\shell\\TLSetで起動する\\command", editorCommand)
    Check(run, ("key", b"tlf_auto_file\\shell\\" + EDITOR_VERB + b"\\command") in RegistryDump(run),
          "the editor's layout is written")
    program, dialog = OpenAssociationDialog(run, run.bin)
    if dialog:
        CheckEqual(run, BoxTicked(run, dialog), "0", "after the editor's registration only the box is cleared")
        Driver(run, "click", dialog, IDOK)
        text, _, _ = MessageBox(run, CAPTION_DONE)
        CheckEqual(run, text, TEXT_UNASSOCIATED, "applying the cleared box removes the editor's layout")
        Answer(run, CAPTION_DONE, IDOK)
    CheckEnded(run, program, 0, "the runner after removing the editor's layout")
    CheckEqual(run, RegistryDump(run), [], "the editor's verb, shell, the ProgID and .tlf are gone")

    # A foreign verb under shell keeps shell and the ProgID; the known parts go.
    Register(run, run.bin)
    Driver(run, "reg-set", Hex(b"tlf_auto_file\\shell\\print\\command"), Hex(b"print %1"))
    program, dialog = OpenAssociationDialog(run, run.bin)
    if dialog:
        Driver(run, "check", dialog, ID_ASSOCIATE_BOX, 0)
        Driver(run, "click", dialog, IDOK)
        Answer(run, CAPTION_DONE, IDOK)
    CheckEnded(run, program, 0, "the runner removing beside a foreign verb")
    CheckEqual(run, [e[:2] for e in RegistryDump(run) if e[0] == "key"],
               [("key", b"tlf_auto_file"), ("key", b"tlf_auto_file\\shell"),
                ("key", b"tlf_auto_file\\shell\\print"),
                ("key", b"tlf_auto_file\\shell\\print\\command")],
               "a foreign verb keeps shell and the ProgID; .tlf, open and DefaultIcon go")
    ClearAssociation(run)

    # レジストリ(&R) in a running runner: the same dialog while the schedule goes on.
    schedule = WriteSchedule(run, "running.tlf", [ProbeItem(run, "during", delay=2)], show=True)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"')
    hwnd = RunnerWindow(run, program)
    if not Check(run, hwnd is not None, "a runner with a schedule is running"):
        return
    Driver(run, "menu-command", hwnd, CMD_REGISTRY)
    text, _, pid = MessageBox(run, CAPTION_RUNNER)
    CheckEqual(run, (text, pid), (TEXT_EXPLAIN, program.pid), "レジストリ(&R) shows the explanation")
    CheckEqual(run, [s.argv for s in WaitProbes(run, 1)], [[b"during"]],
               "the schedule goes on while the association's boxes are open")
    Answer(run, CAPTION_RUNNER, IDOK)
    dialog = Driver(run, "wait-dialog", Hex(CAPTION_RUNNER), ID_ASSOCIATE_BOX, WAIT_MS).Get("hwnd")
    if dialog:
        Driver(run, "check", dialog, ID_ASSOCIATE_BOX, 1)
        Driver(run, "click", dialog, IDOK)
        text, _, _ = MessageBox(run, CAPTION_DONE)
        CheckEqual(run, text, TEXT_ASSOCIATED_MENU, "the menu's confirmation asks for a restart")
        Answer(run, CAPTION_DONE, IDOK)
    CheckEqual(run, RegistryDump(run), RunnerLayout(WinPath(run.work)),
               "the menu registers the runner's current folder")
    Check(run, program.Running(), "the runner keeps running after the association")
    CloseRunner(run, program, hwnd, "the runner after レジストリ(&R)")
    ClearAssociation(run)


def AddWithRegExe(run, key, value):
    subprocess.run(["wine", "reg", "add", key, "/ve", "/d", value, "/f"], env=run.env,
                   capture_output=True, timeout=60)


def Register(run, folder):
    """The runner's association for folder, through its own dialog."""
    program, dialog = OpenAssociationDialog(run, folder)
    if dialog:
        Driver(run, "check", dialog, ID_ASSOCIATE_BOX, 1)
        Driver(run, "click", dialog, IDOK)
        Answer(run, CAPTION_DONE, IDOK)
    CheckEnded(run, program, 0, "the runner registering the association")


def GroupRemover(run):
    """TLUninstaller: asks, removes on Yes, keeps everything on No; exit code 1."""
    ClearAssociation(run)
    Register(run, run.bin)
    editorCommand = b'"' + WinPath(run.bin) + b'\\TLSet.exe" "%1"'
    Driver(run, "reg-set", Hex(b"tlf_auto_file\\shell\\" + EDITOR_VERB + b"\\command"), Hex(editorCommand))
    before = RegistryDump(run)
    Check(run, len(before) == len(RunnerLayout(WinPath(run.bin))) + 3,
          "the runner's and the editor's association are in place")

    program = Program(run, run.Exe("TLUninstaller.exe"))
    text, buttons, pid = MessageBox(run, CAPTION_QUESTION)
    CheckEqual(run, (text, pid), (TEXT_REMOVER_QUESTION, program.pid), "the remover asks first")
    CheckEqual(run, buttons, [IDYES, IDNO], "with Yes and No")
    Answer(run, CAPTION_QUESTION, IDNO)
    text, _, _ = MessageBox(run, CAPTION_FINISH)
    CheckEqual(run, text, TEXT_REMOVER_CANCELLED, "No: the Finish message")
    Answer(run, CAPTION_FINISH, IDOK)
    CheckEnded(run, program, 1, "the remover answered No")
    CheckEqual(run, RegistryDump(run), before, "No leaves the registry untouched")

    program = Program(run, run.Exe("TLUninstaller.exe"))
    Answer(run, CAPTION_QUESTION, IDYES)
    text, buttons, _ = MessageBox(run, CAPTION_SUCCESS)
    CheckEqual(run, text, TEXT_REMOVER_SUCCESS, "Yes: the Success message")
    CheckEqual(run, buttons, [IDOK], "with an OK button")
    Answer(run, CAPTION_SUCCESS, IDOK)
    CheckEnded(run, program, 1, "the remover answered Yes")
    CheckEqual(run, RegistryDump(run), [], "Yes removes both verbs, the icon, the ProgID and .tlf")

    program = Program(run, run.Exe("TLUninstaller.exe"))
    Answer(run, CAPTION_QUESTION, IDYES)
    text, _, _ = MessageBox(run, CAPTION_SUCCESS)
    CheckEqual(run, text, TEXT_REMOVER_SUCCESS, "Yes without any association: Success all the same")
    Answer(run, CAPTION_SUCCESS, IDOK)
    CheckEnded(run, program, 1, "the remover with nothing to remove")


def GroupShellOpen(run):
    """After the association a .tlf file opened through the shell runs its schedule."""
    ClearAssociation(run)
    Register(run, run.bin)
    folder = os.path.join(run.work, "My Schedules")
    os.makedirs(folder)
    schedule = WriteSchedule(run, "My Schedules/double click.tlf", [ProbeItem(run, "opened")],
                             exitAfter=True)
    reply = Driver(run, "shell-open", Hex(WinPath(schedule)))
    Check(run, reply.code == 0 and int(reply.Get("result", "0")) > 32,
          "the shell opens the .tlf file", " ".join(reply.lines))
    starts = WaitProbes(run, 1)
    CheckEqual(run, [s.argv for s in starts], [[b"opened"]], "the registered runner ran the schedule")
    pid = reply.Get("pid")
    if pid:
        CheckEqual(run, Driver(run, "wait-exit", pid, WAIT_MS).Get("exit"), "0",
                   "the runner started by the shell ends after its run")
    ClearAssociation(run)


def GroupCoreTests(run):
    """The core's unit tests as a Windows program under code page 932."""
    exe = run.Exe("core_tests.exe")
    if not Check(run, os.path.exists(exe), "core_tests.exe is built", exe):
        return
    done = subprocess.run(["wine", exe], env=run.env, capture_output=True, timeout=600)
    sys.stdout.flush()
    sys.stdout.buffer.write(done.stdout)
    sys.stdout.buffer.flush()
    output = done.stdout.decode("latin-1")
    CheckEqual(run, done.returncode, 0, "core_tests.exe exit code")
    Check(run, "[  PASSED  ]" in output and "[  FAILED  ]" not in output,
          "every GoogleTest case passed")

# ---------------------------------------------------------------------------------------
# The benchmark (bench_runner.sh): figures, not assertions


def BenchStartLatency(run, repeats):
    """Start of TLRun.exe on a one-item, zero-delay schedule to the probe's start, against
    floor_launch.exe handing the probe to the shell at once."""
    schedule = WriteSchedule(run, "latency.tlf", [ProbeItem(run, "latency")], exitAfter=True)
    figures = {"runner": [], "floor": [], "floor_window": []}
    probe = b'"' + WinPath(run.Exe("tl_probe.exe")) + b'" latency'
    for _ in range(repeats):
        for kind in figures:
            ClearProbes(run)
            if kind == "runner":
                program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"',
                                  debug=False)
            elif kind == "floor":
                program = Program(run, run.Exe("floor_launch.exe"), probe, debug=False)
            else:
                program = Program(run, run.Exe("floor_launch.exe"), b"--window " + probe,
                                  debug=False)
            starts = WaitProbes(run, 1)
            program.Wait()
            if starts:
                figures[kind].append(starts[0].created - program.started)
    return figures


def BenchDelays(run, rounds):
    """Delays 1, 1, 1, 1, 1: each launch against the time it was planned for."""
    items = [ProbeItem(run, str(n), delay=1) for n in range(1, 6)]
    schedule = WriteSchedule(run, "delays.tlf", items, exitAfter=True)
    firstErrors, laterErrors, drifts = [], [], []
    for _ in range(rounds):
        ClearProbes(run)
        program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"', debug=False)
        program.Wait(30000)
        starts = WaitProbes(run, 5)
        if len(starts) != 5:
            continue
        firstErrors.append(starts[0].created - (program.started + 1000))
        for k in range(1, 5):
            laterErrors.append(starts[k].created - (starts[k - 1].created + 1000))
        drifts.append(starts[4].created - starts[0].created - 4000)
    return firstErrors, laterErrors, drifts


def BenchIdleCpu(run, seconds):
    """The runner's CPU time while it waits for one item."""
    schedule = WriteSchedule(run, "idle.tlf", [ProbeItem(run, "idle", delay=seconds + 30)])
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"', debug=False)
    hwnd = RunnerWindow(run, program)
    Driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
    time.sleep(1)
    before = Driver(run, "cputime", program.pid)
    time.sleep(seconds)
    after = Driver(run, "cputime", program.pid)
    Driver(run, "menu-command", hwnd, CMD_EXIT)
    program.Wait()
    wall = after.Number("now") - before.Number("now")
    return (after.Number("cpu") - before.Number("cpu"), wall, after.Number("threads"),
            before.Number("cpu"))


def BenchLargeSchedule(run, count, show):
    """Start to a status list holding every row of a large schedule."""
    items = [{"name": f"item {n:05d}", "path": WinPath(run.Exe("tl_probe.exe")), "delay": 3600}
             for n in range(count)]
    schedule = WriteSchedule(run, "large.tlf", items, show=show)
    program = Program(run, run.Exe("TLRun.exe"), b'"' + WinPath(schedule) + b'"', debug=False)
    reply = Driver(run, "wait-window", "Tarvilo", Hex(CAPTION_RUNNER), 600000, program.pid,
                   timeout=700)
    hwnd = reply.Get("hwnd")
    rows = Driver(run, "wait-rows", hwnd, ID_STATUS_LIST, count, 600000, timeout=700)
    loaded = rows.Number("reached")
    closing = Driver(run, "menu-command", hwnd, CMD_EXIT).Number("posted")
    program.Wait(600000)
    ended = int(program.Value("end") or 0)
    return (None if loaded is None else loaded - program.started,
            None if not ended or closing is None else ended - closing)


def Figures(values):
    if not values:
        return "n/a"
    return (f"mean {statistics.mean(values):7.1f}  min {min(values):6d}  max {max(values):6d}"
            f"  (n={len(values)})")


def Bench(run):
    print("Tarvilo runner benchmark under Wine (milliseconds)")
    latency = BenchStartLatency(run, 5)
    print(f"(a) start to probe, TLRun.exe      {Figures(latency['runner'])}")
    print(f"    start to probe, floor_launch   {Figures(latency['floor'])}")
    print(f"    the same with one window first {Figures(latency['floor_window'])}")
    for floor in ("floor", "floor_window"):
        if latency["runner"] and latency[floor]:
            runner, base = statistics.mean(latency["runner"]), statistics.mean(latency[floor])
            print(f"    runner over {floor:<18} mean {runner - base:7.1f}  ratio {runner / base:5.2f}")
    first, later, drifts = BenchDelays(run, 2)
    print(f"(b) delays 1,1,1,1,1: item 1 against start + 1 s       {Figures(first)}")
    print(f"    items 2-5 against the previous launch + 1 s       {Figures(later)}")
    print(f"    |error| items 2-5                                  "
          f"{Figures([abs(e) for e in later])}")
    print(f"    drift, item 5 - item 1 - 4 s                       {Figures(drifts)}")
    cpu, wall, threads, startup = BenchIdleCpu(run, 10)
    print(f"(c) CPU while waiting: {cpu} ms over {wall} ms ({threads} threads; "
          f"{startup} ms spent before the wait)")
    for show in (True, False):
        loaded, closed = BenchLargeSchedule(run, 10000, show)
        print(f"(d) 10,000 items, window {'shown ' if show else 'hidden'}: start to 10,000 rows "
              f"{loaded} ms; exit command to process end {closed} ms")


GROUPS = {
    "instance": GroupInstance,
    "empty": GroupEmpty,
    "sequence": GroupSequence,
    "stop_resume": GroupStopResume,
    "exit_option": GroupExitOption,
    "window": GroupWindow,
    "launch_fields": GroupLaunchFields,
    "command_line": GroupCommandLine,
    "malformed": GroupMalformed,
    "association": GroupAssociation,
    "remover": GroupRemover,
    "shell_open": GroupShellOpen,
    "core_tests": GroupCoreTests,
}


def Main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--state", required=True)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("groups", nargs="+")
    args = parser.parse_args()
    # CTest may run us under a plain C locale; a check's name must never stop the run.
    sys.stdout.reconfigure(errors="backslashreplace", line_buffering=True)
    failed = []
    for group in args.groups:
        if group == "bench":
            run = Run(args, "bench")
            try:
                Bench(run)
            finally:
                EndEverything(run)
            continue
        if group not in GROUPS:
            sys.exit(f"unknown group {group}; groups: {' '.join(GROUPS)} bench")
        run = Run(args, group)
        missing = [name for name in ("tl_driver.exe", "tl_probe.exe")
                   if not os.path.exists(run.Exe(name))]
        if missing:
            print(f"== {group}: {', '.join(missing)} not in {run.bin}: build the Windows "
                  "programs first (make build)")
            failed.append(group)
            continue
        print(f"== {group}: {GROUPS[group].__doc__.splitlines()[0]}")
        started = time.time()
        try:
            GROUPS[group](run)
        except Exception:  # a broken step fails its group and the others still run
            traceback.print_exc(file=sys.stdout)
            run.failures.append("the group stopped on an exception")
        finally:
            EndEverything(run)
        print(f"== {group}: {len(run.failures)} failed, {time.time() - started:.1f} s")
        if run.failures:
            failed.append(group)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(Main())
