#!/usr/bin/env python3
"""Takes the pictures in docs/images/ of the real programs under Wine:

  editor.png              the editor with a schedule of four programs
  item-dialog.png         its item dialog, editing the second program
  runner.png              the runner in the middle of a run (完了, 実行待ち, 未完了)
  association-dialog.png  the runner's association dialog (TLRun.exe without a schedule)
  remover-question.png    the association remover's question

Uses a private Wine prefix (build/wine-screens) with a Wine desktop of 1024x768 and, when
DISPLAY is unset, an Xvfb of its own. Each picture is the whole screen taken with
ImageMagick's `import`, cropped to the window's rectangle as tl_driver reports it.
TARVILO_BIN_DIR picks another folder of built programs (default build/bin, or build/bin64
where tools/wine_host.sh finds that the host runs no 32-bit code).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# tools/wine_host.sh (which `make screenshots` runs this under) says which build this
# host's Wine runs.
BIN = os.environ.get("TARVILO_BIN_DIR") or os.environ.get(
    "TARVILO_WINE_BIN", os.path.join(ROOT, "build", "bin"))
PREFIX = os.path.join(ROOT, "build",
                      "wine-screens" + os.environ.get("TARVILO_WINE_SUFFIX", ""))
IMAGES = os.path.join(ROOT, "docs", "images")
SCREEN = "1024x768"
WAIT_MS = 15000

CAPTION_EDITOR = "Setting's Tarvilo"
CAPTION_ITEM = "リストの編集と追加"
CAPTION_RUNNER = "Run's Tarvilo"
CAPTION_QUESTION = "Question"
CAPTION_FINISH = "Finish"
STATUS_DONE = "完了"
STATUS_WAITING = "実行待ち"
IDOK, IDCANCEL, IDNO = 1, 2, 7
ID_EDITOR_LIST, ID_EDIT_ITEM = 1124, 1130
ID_ITEM_NAME = 1001
ID_STATUS_LIST = 1125
ID_ASSOCIATE_BOX = 1002
CMD_RUNNER_EXIT = 40009

# The schedule the editor shows: the two options, then name, path, arguments, working
# folder, whether the path names an environment variable, and the delay in seconds.
EDITOR_ITEMS = [
    ("メール", r"C:\Program Files\Mail\mail.exe", "", "", False, 0),
    ("予定表", r"C:\Program Files\Calendar\calendar.exe", "/today",
     r"C:\Program Files\Calendar", False, 5),
    ("バックアップ", "BACKUP_TOOL", "/quiet", r"D:\Backup", True, 60),
    ("ニュース", r"C:\Program Files\News\news.exe", "", "", False, 10),
]
# The runner runs the same names, each a command that ends at once, so no window of a
# launched program covers the picture. The third item's minute keeps the run in the middle.
RUNNER_COMMAND = r"C:\windows\system32\cmd.exe"
RUNNER_DELAYS = [0, 1, 60, 10]


def schedule_bytes(show_runner, exit_after_run, items):
    """A schedule file: CP932 text with CR LF line ends; "nn" stands for an empty text."""
    lines = ["true" if show_runner else "false", "true" if exit_after_run else "false", "",
             str(len(items)), ""]
    for name, path, arguments, folder, is_variable, delay in items:
        lines += [name, path, arguments or "nn", folder or "nn",
                  "true" if is_variable else "false", str(delay), ""]
    return "".join(line + "\r\n" for line in lines).encode("cp932")


def hex_arg(text):
    return "hex:" + text.encode("cp932").hex()


class Wine:
    """The prefix, the display and the processes started in them."""

    def __init__(self):
        self.env = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all", LC_ALL="ja_JP.UTF-8",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.xvfb = None
        self.server = None
        self.started = []

    def start_display(self):
        if self.env.get("DISPLAY"):
            return
        number = 95
        while (os.path.exists(f"/tmp/.X11-unix/X{number}")
               or os.path.exists(f"/tmp/.X{number}-lock")):
            number += 1
        self.xvfb = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", SCREEN + "x24",
                                      "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                break
            time.sleep(0.1)
        self.env["DISPLAY"] = f":{number}"
        print(f"screenshots: started Xvfb on :{number}")

    def quiet(self, *args):
        subprocess.run(args, env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)

    def prepare_prefix(self):
        """A fresh prefix once: no managed X windows (no 2 s wait at every process end) and
        a Wine desktop, so the windows keep their stacking and look as on Windows."""
        ready = os.path.join(PREFIX, ".tarvilo-ready")
        if os.path.exists(ready):
            return
        print(f"screenshots: preparing the Wine prefix {PREFIX} (first time, about 10 s)")
        os.makedirs(PREFIX, exist_ok=True)
        self.quiet("wineboot", "-i")
        self.quiet("wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                   "/d", "N", "/f")
        self.quiet("wine", "reg", "add", r"HKCU\Software\Wine\Explorer", "/v", "Desktop",
                   "/d", "Default", "/f")
        self.quiet("wine", "reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v",
                   "Default", "/d", SCREEN, "/f")
        self.stop_server()
        with open(ready, "w", encoding="ascii"):
            pass

    def start_server(self):
        """One wineserver for the whole run, and Wine's services started with it."""
        self.server = subprocess.Popen(["wineserver", "-p", "-f"], env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.quiet("wineboot")

    def install_marlett(self):
        """Wine draws the caption buttons, scroll arrows and check marks with the Marlett
        font. Debian leaves Wine's fonts to the recommended package fonts-wine; without it
        the title bars show letters. The font goes into this prefix only: from the package
        when it is installed, else from its downloaded archive."""
        target = os.path.join(PREFIX, "drive_c", "windows", "Fonts", "marlett.ttf")
        if os.path.exists(target):
            return
        source = "/usr/share/wine/fonts/marlett.ttf"
        if not os.path.exists(source):
            cache = os.path.join(ROOT, "build", "fonts-wine")
            os.makedirs(cache, exist_ok=True)
            if not any(name.endswith(".deb") for name in os.listdir(cache)):
                subprocess.run(["apt-get", "download", "fonts-wine"], cwd=cache, check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            package = [name for name in os.listdir(cache) if name.endswith(".deb")][0]
            subprocess.run(["dpkg-deb", "-x", package, "unpacked"], cwd=cache, check=True)
            source = os.path.join(cache, "unpacked", source.lstrip("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)

    def stop_server(self):
        self.quiet("wineserver", "-k")
        self.quiet("timeout", "20", "wineserver", "-w")
        if self.server is not None:
            try:
                self.server.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.server.kill()
            self.server = None

    def start(self, program, *args, cwd=None):
        process = subprocess.Popen(["wine", program, *args], env=self.env, cwd=cwd,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.started.append(process)
        return process

    def driver(self, *args):
        """tl_driver's answer as a dict of its key=value lines (repeated keys: the last)."""
        # Only stdout is read: Wine's own processes, started by whichever call comes
        # first, keep stderr open for as long as the prefix lives.
        out = subprocess.run(["wine", os.path.join(BIN, "tl_driver.exe"), *map(str, args)],
                             env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             check=False).stdout
        reply = {}
        for line in out.decode("ascii", errors="replace").splitlines():
            key, _, value = line.strip().partition("=")
            reply.setdefault(key + "*", []).append(value)
            reply[key] = value
        return reply

    def close(self):
        for process in self.started:
            if process.poll() is None:
                process.terminate()
        self.stop_server()
        if self.xvfb is not None:
            self.xvfb.terminate()
            self.xvfb.wait()


def need_window(reply, what):
    if not reply.get("hwnd"):
        sys.exit(f"screenshots: {what} did not appear")
    return reply["hwnd"]


def shoot(wine, hwnd, name):
    """The screen cropped to the window's rectangle, without the PNG's time chunks."""
    time.sleep(0.7)  # let the window finish painting
    info = wine.driver("window-info", hwnd)
    left, top, right, bottom = (int(v) for v in info["rect"].split(","))
    target = os.path.join(IMAGES, name)
    with tempfile.TemporaryDirectory() as temp:
        screen = os.path.join(temp, "screen.png")
        subprocess.run(["import", "-display", wine.env["DISPLAY"], "-window", "root", screen],
                       check=True)
        subprocess.run(["convert", screen, "-crop",
                        f"{right - left}x{bottom - top}+{left}+{top}", "+repage", "-strip",
                        "-define", "png:compression-level=9", target], check=True)
    print(f"screenshots: {os.path.relpath(target, ROOT)} ({right - left}x{bottom - top}, "
          f"{os.path.getsize(target)} bytes)")


def wait_exit(process, what):
    try:
        process.wait(timeout=WAIT_MS / 1000)
    except subprocess.TimeoutExpired:
        sys.exit(f"screenshots: {what} did not end")


def editor_pictures(wine, schedule):
    editor = wine.start(os.path.join(BIN, "TLSet.exe"), schedule)
    window = need_window(wine.driver("wait-window", "Tarvilo", CAPTION_EDITOR, WAIT_MS),
                         "the editor")
    wine.driver("wait-rows", window, ID_EDITOR_LIST, len(EDITOR_ITEMS), WAIT_MS)
    wine.driver("list-select", window, ID_EDITOR_LIST, 1)
    shoot(wine, window, "editor.png")
    wine.driver("click", window, ID_EDIT_ITEM)
    dialog = need_window(wine.driver("wait-dialog", hex_arg(CAPTION_ITEM), ID_ITEM_NAME,
                                     WAIT_MS), "the item dialog")
    shoot(wine, dialog, "item-dialog.png")
    wine.driver("click", dialog, IDCANCEL)
    wine.driver("wait-gone", dialog, WAIT_MS)
    wine.driver("close", window)
    wait_exit(editor, "the editor")


def status_column(reply):
    return [bytes.fromhex(row.split(",")[1]).decode("cp932") for row in reply.get("row*", [])]


def runner_picture(wine, schedule):
    runner = wine.start(os.path.join(BIN, "TLRun.exe"), schedule)
    window = need_window(wine.driver("wait-window", "-", CAPTION_RUNNER, WAIT_MS), "the runner")
    wanted = [STATUS_DONE, STATUS_DONE, STATUS_WAITING]
    deadline = time.time() + WAIT_MS / 1000
    while status_column(wine.driver("list-rows", window, ID_STATUS_LIST))[:3] != wanted:
        if time.time() > deadline:
            sys.exit("screenshots: the runner did not reach its third item")
        time.sleep(0.1)
    shoot(wine, window, "runner.png")
    wine.driver("menu-command", window, CMD_RUNNER_EXIT)
    wait_exit(runner, "the runner")


def association_picture(wine):
    # Started without a schedule, from its own folder: the association is for this copy.
    runner = wine.start(os.path.join(BIN, "TLRun.exe"), cwd=BIN)
    wine.driver("answer-messagebox", hex_arg(CAPTION_RUNNER), IDOK, WAIT_MS)
    dialog = need_window(wine.driver("wait-dialog", hex_arg(CAPTION_RUNNER), ID_ASSOCIATE_BOX,
                                     WAIT_MS), "the association dialog")
    wine.driver("check", dialog, ID_ASSOCIATE_BOX, 1)
    shoot(wine, dialog, "association-dialog.png")
    wine.driver("click", dialog, IDCANCEL)
    wait_exit(runner, "the runner")


def remover_picture(wine):
    remover = wine.start(os.path.join(BIN, "TLUninstaller.exe"))
    box = need_window(wine.driver("wait-messagebox", CAPTION_QUESTION, WAIT_MS),
                      "the remover's question")
    shoot(wine, box, "remover-question.png")
    wine.driver("answer-messagebox", CAPTION_QUESTION, IDNO, WAIT_MS)
    wine.driver("answer-messagebox", CAPTION_FINISH, IDOK, WAIT_MS)
    wait_exit(remover, "the remover")


def main():
    for program in ("TLRun.exe", "TLSet.exe", "TLUninstaller.exe", "tl_driver.exe"):
        if not os.path.isfile(os.path.join(BIN, program)):
            sys.exit(f"screenshots: {program} is missing in {BIN}; build first (make build)")
    for tool in ("wine", "wineserver", "import", "convert"):
        if shutil.which(tool) is None:
            sys.exit(f"screenshots: {tool} is missing (make bootstrap installs it)")
    os.makedirs(IMAGES, exist_ok=True)
    wine = Wine()
    try:
        wine.start_display()
        wine.prepare_prefix()
        wine.install_marlett()
        wine.start_server()
        folder = os.path.join(PREFIX, "drive_c", "Tarvilo")
        os.makedirs(folder, exist_ok=True)
        editor_schedule = os.path.join(folder, "logon.tlf")
        with open(editor_schedule, "wb") as file:
            file.write(schedule_bytes(True, True, EDITOR_ITEMS))
        runner_schedule = os.path.join(folder, "run.tlf")
        runner_items = [(name, RUNNER_COMMAND, "/c exit", "", False, delay)
                        for (name, *_), delay in zip(EDITOR_ITEMS, RUNNER_DELAYS)]
        with open(runner_schedule, "wb") as file:
            file.write(schedule_bytes(True, True, runner_items))

        editor_pictures(wine, r"C:\Tarvilo\logon.tlf")
        runner_picture(wine, r"C:\Tarvilo\run.tlf")
        association_picture(wine)
        remover_picture(wine)
    finally:
        wine.close()


if __name__ == "__main__":
    main()
