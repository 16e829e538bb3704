"""The shared part of Tarvilo's system tests under Wine: the run of one group (settings,
checks, cleanup), the driver (tl_driver.exe) and the programs it starts, message boxes,
schedule files, the probe's log (tl_probe.exe stands in for every program the runner
launches), the registry's .tlf association, and the texts and numbers that more than one
program's tests need.

The groups themselves live in one module per program (runner_tests.py, remover_tests.py,
core_tests.py, runner_bench.py); systest.py runs them.

Texts that the programs show are compared byte for byte with the expected Japanese texts
encoded to code page 932; the driver and the probe hand over every text in hexadecimal.
"""
import os
import shutil
import subprocess
import sys
import time


# ---------------------------------------------------------------------------------------
# The texts, captions and numbers that several programs' tests need


def sjis(text):
    return text.encode("cp932")


CAPTION_RUNNER = sjis("Run's Tarvilo")
CAPTION_DONE = sjis("正常終了")
TEXT_EXPLAIN = sjis(
    ".tlfファイルとTLRun.exeの関連付けを行います。\n"
    "スケジュールを実行するには次の関連付けを行ってから\n"
    ".tlfファイルをダブルクリックするか\n"
    ".tlfファイルをドラッグ＆ドロップしてください。")
EDITOR_VERB = sjis("TLSetで起動する")

ID_ASSOCIATE_BOX = 1002
IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7

# Generous limits (TARVILO_WAIT_MS for qemu-user): a program start under Wine takes a few hundred
# milliseconds, more on a loaded two-core machine. No timing claims: waits end when they can.
WAIT_MS = int(os.environ.get("TARVILO_WAIT_MS", "15000"))


# ---------------------------------------------------------------------------------------
# The run: settings, checks and cleanup


class Run:
    """Everything a group needs: where things are, the environment, and its results."""

    def __init__(self, args, group):
        self.env = load_wine_environment(args.state)
        use_64 = self.env.get("TARVILO_WINE_ARCH") == "64" and args.bin64
        self.bin = os.path.abspath(args.bin64 if use_64 else args.bin)
        # A balloon lives in the shell's process and is read with records of the shell's
        # own width: a 64-bit shell (a prefix with syswow64) takes the 64-bit driver.
        shell_64 = os.path.isdir(os.path.join(self.env.get("WINEPREFIX", ""), "drive_c",
                                              "windows", "syswow64"))
        self.balloon_bin = os.path.abspath(args.bin64) if shell_64 and args.bin64 else self.bin
        self.work = os.path.join(os.path.abspath(args.work), group)
        self.group = group
        self.failures = []
        self.background = []
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.probe_log = os.path.join(self.work, "probe.log")
        self.env["TL_PROBE_LOG"] = win_path(self.probe_log).decode("cp932")

    def exe(self, name):
        return os.path.join(self.bin, name)


def load_wine_environment(state):
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


def check(run, condition, what, detail=""):
    if condition:
        print(f"  ok   {what}")
    else:
        print(f"  FAIL {what}" + (f": {detail}" if detail else ""))
        run.failures.append(what)
    return condition


def check_equal(run, actual, expected, what):
    return check(run, actual == expected, what,
                 f"got {readable(actual)}, expected {readable(expected)}")


def readable(value):
    """Shift-JIS bytes made readable in a failure message."""
    if isinstance(value, bytes):
        try:
            return repr(value.decode("cp932"))
        except UnicodeDecodeError:
            return repr(value)
    if isinstance(value, (list, tuple)):
        return "[" + ", ".join(readable(v) for v in value) + "]"
    return repr(value)


def win_path(unix_path):
    """The Windows (Z:) form of a Unix path, as code page 932 bytes."""
    return ("Z:" + os.path.abspath(unix_path).replace("/", "\\")).encode("cp932")


def hex_arg(text):
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

    def get(self, key, default=None):
        for line in self.lines:
            if line.startswith(key + "="):
                return line[len(key) + 1:]
        return default

    def all(self, key):
        return [line[len(key) + 1:] for line in self.lines if line.startswith(key + "=")]

    def text(self, key):
        value = self.get(key)
        return None if value is None else bytes.fromhex(value)

    def number(self, key, default=None):
        value = self.get(key)
        return default if value is None else int(value)


def driver(run, *args, timeout=60 + WAIT_MS // 1000):
    # The output goes through a file, not a pipe: a program that the driver starts (the
    # shell's open verb) inherits the driver's output handles and would hold a pipe open.
    folder = run.balloon_bin if args and args[0] == "balloon-text" else run.bin
    command = ["wine", os.path.join(folder, "tl_driver.exe")] + [str(a) for a in args]
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
        args = ["wine", run.exe("tl_driver.exe"), "run"]
        if debug:
            args.append("--debug")
        args += ["--cwd", hex_arg(win_path(cwd or run.work)),
                 hex_arg(win_path(exe) if "/" in exe else exe)]
        if tail:
            args.append(hex_arg(tail))
        with open(self.output, "wb") as out:
            self.process = subprocess.Popen(args, env=run.env, stdout=out,
                                            stderr=subprocess.DEVNULL)
        self.pid = None
        deadline = time.time() + WAIT_MS / 1000
        while self.pid is None and time.time() < deadline and self.running():
            value = self.value("pid")
            if value is not None:
                self.pid = int(value)
            else:
                time.sleep(0.01)
        self.started = int(self.value("start") or 0)

    def _lines(self):
        """The driver's complete lines so far: it may be caught in the middle of one."""
        with open(self.output, "rb") as out:
            complete = out.read().split(b"\n")[:-1]
        return [line.decode("latin-1").rstrip("\r") for line in complete]

    def value(self, key):
        for line in self._lines():
            if line.startswith(key + "="):
                return line[len(key) + 1:]
        return None

    def wait(self, timeout_ms=WAIT_MS):
        """The exit code, or None when the program did not end in time."""
        try:
            self.process.wait(timeout_ms / 1000)
        except subprocess.TimeoutExpired:
            return None
        value = self.value("exit")
        return None if value is None else int(value)

    def faults(self):
        return [line for line in self._lines() if line.startswith("fault=")]

    def running(self):
        return self.process.poll() is None


def end_everything(run):
    """Ends what a group left running (after a failure): each left-over program by its id."""
    for name in ("TLRun.exe", "TLSet.exe", "TLUninstaller.exe"):
        for pid in driver(run, "find-process", name).all("pid"):
            driver(run, "kill", pid)
    for program in run.background:
        if program.wait(5000) is None and program.running():
            program.process.kill()
            program.process.wait(5)


# ---------------------------------------------------------------------------------------
# Schedule files and the probe's log


def schedule_file(items, show=False, exit_after=False, count=None, options=None):
    """A schedule in the editor's layout, CR LF line ends. items: dicts with name, path,
    args, cwd, env (flag) and delay; count overrides the count line, options the two
    option lines (raw bytes)."""
    if options is None:
        options = (b"true" if show else b"false", b"true" if exit_after else b"false")
    lines = [options[0], options[1], b"",
             str(len(items) if count is None else count).encode(), b""]
    for item in items:
        lines += [as_bytes(item.get("name", "probe")), as_bytes(item["path"]),
                  as_bytes(item.get("args", b"")) or b"nn", as_bytes(item.get("cwd", b"")) or b"nn",
                  b"true" if item.get("env") else b"false", str(item.get("delay", 0)).encode(),
                  b""]
    return b"".join(line + b"\r\n" for line in lines)


def as_bytes(text):
    return text.encode("cp932") if isinstance(text, str) else text


def write_schedule(run, name, items, **options):
    path = os.path.join(run.work, name)
    with open(path, "wb") as out:
        out.write(schedule_file(items, **options))
    return path


def probe_item(run, tag, delay=0, **extra):
    item = {"name": b"item " + as_bytes(tag)[:20], "path": win_path(run.exe("tl_probe.exe")),
            "args": tag, "delay": delay}
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


def probe_starts(run):
    """Every probe start so far, in the order the processes were created."""
    if not os.path.exists(run.probe_log):
        return []
    with open(run.probe_log, "rb") as log:
        # A line still being written has no line end yet; it is read next time.
        complete = log.read().split(b"\r\n")[:-1]
        starts = [ProbeStart(line) for line in complete if line.strip()]
    return sorted(starts, key=lambda start: (start.created, start.pid))


def wait_probes(run, count, timeout_ms=WAIT_MS):
    deadline = time.time() + timeout_ms / 1000
    while True:
        starts = probe_starts(run)
        if len(starts) >= count or time.time() > deadline:
            return starts
        time.sleep(0.02)


def clear_probes(run):
    if os.path.exists(run.probe_log):
        os.remove(run.probe_log)


# ---------------------------------------------------------------------------------------
# Common steps


def window_info(run, hwnd):
    return driver(run, "window-info", hwnd)


def message_box(run, caption, timeout_ms=WAIT_MS):
    """(text, buttons, pid) of the message box with that caption, or (None, [], None)."""
    reply = driver(run, "wait-messagebox", hex_arg(caption), timeout_ms)
    if reply.code != 0:
        return None, [], None
    return reply.text("text"), [int(b) for b in reply.all("button")], reply.number("pid")


def answer(run, caption, button):
    return driver(run, "answer-messagebox", hex_arg(caption), button, WAIT_MS).code == 0


def check_ended(run, program, expected_code, what):
    code = program.wait()
    check_equal(run, code, expected_code, f"{what}: exit code")
    check(run, not program.faults(), f"{what}: no access violation or other fault",
          "; ".join(program.faults()))


# ---------------------------------------------------------------------------------------
# The registry's .tlf association, and the runner's dialog that writes it


def registry_dump(run):
    """The association's keys and values as a sorted list of tuples."""
    reply = driver(run, "reg-dump", hex_arg(b".tlf"), hex_arg(b"tlf_auto_file"))
    entries = [("key", bytes.fromhex(k)) for k in reply.all("key")]
    for value in reply.all("value"):
        key, name, kind, data = value.split(",")
        entries.append(("value", bytes.fromhex(key), bytes.fromhex(name), int(kind),
                        bytes.fromhex(data)))
    return sorted(entries)


def runner_layout(folder):
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


def clear_association(run):
    driver(run, "reg-delete", hex_arg(b".tlf"), hex_arg(b"tlf_auto_file"))


def add_with_reg_exe(run, key, value):
    subprocess.run(["wine", "reg", "add", key, "/ve", "/d", value, "/f"], env=run.env,
                   capture_output=True, timeout=60)


def open_association_dialog(run, cwd):
    """Starts the runner without argument; returns (program, dialog hwnd) once the
    explanation has been checked and answered."""
    program = Program(run, run.exe("TLRun.exe"), cwd=cwd)
    text, buttons, pid = message_box(run, CAPTION_RUNNER)
    check_equal(run, (text, pid), (TEXT_EXPLAIN, program.pid), "the explanation comes first")
    hidden = driver(run, "find-dialog", hex_arg(CAPTION_RUNNER), ID_ASSOCIATE_BOX)
    check(run, hidden.get("visible", "0") == "0",
          "the dialog is not visible behind the explanation")
    answer(run, CAPTION_RUNNER, IDOK)
    reply = driver(run, "wait-dialog", hex_arg(CAPTION_RUNNER), ID_ASSOCIATE_BOX, WAIT_MS)
    return program, reply.get("hwnd")


def register(run, folder):
    """The runner's association for folder, through its own dialog."""
    program, dialog = open_association_dialog(run, folder)
    if dialog:
        driver(run, "check", dialog, ID_ASSOCIATE_BOX, 1)
        driver(run, "click", dialog, IDOK)
        answer(run, CAPTION_DONE, IDOK)
    check_ended(run, program, 0, "the runner registering the association")
