"""The editor's benchmark under Wine (bench_editor.sh): figures, not assertions. Start-up of
an empty editor, opening 2,000- and 10,000-item schedules (start to every row in the list
view), moving the last item to the top, the runner's status list for the same files, and
the editor's working set. BENCHMARKS maps its name to its function.
"""
import statistics

from harness import CAPTION_RUNNER, WAIT_MS, driver, hex_arg, win_path, write_schedule
from editor_tests import CAPTION_CONFIRM, CAPTION_EDITOR, ID_LIST, ID_TOP
from runner_tests import CMD_EXIT, ID_STATUS_LIST

LONG_MS = 600000


def large_schedule(run, count):
    """count items with every field filled; the first delay is an hour, so a runner
    started on the file launches nothing while it is measured."""
    items = [{"name": f"item {n:05d}", "path": f"C:\\Tools\\Set {n % 10}\\tool{n:05d}.exe",
              "args": f"--job {n}", "cwd": f"C:\\Tools\\Set {n % 10}", "env": n % 7 == 0,
              "delay": 3600 if n == 0 else n % 60} for n in range(count)]
    return write_schedule(run, f"large{count}.tlf", items, show=True)


def start_until_rows(run, exe, list_id, rows, path=None):
    """Starts the program (not under the debugger) and waits in the same driver until its
    list holds rows rows; (milliseconds from the start, pid)."""
    args = ["run", "--no-wait", "--rows", list_id, rows, hex_arg(win_path(run.exe(exe)))]
    if path:
        args.append(hex_arg(b'"' + win_path(path) + b'"'))
    reply = driver(run, *args, timeout=LONG_MS // 1000)
    shown, started = reply.number("shown"), reply.number("start")
    return (None if shown is None else shown - started), reply.get("pid")


def main_window(run, caption, pid):
    return driver(run, "wait-window", "Tarvilo", hex_arg(caption), WAIT_MS, pid).get("hwnd")


def end_editor(run, pid, modified):
    hwnd = main_window(run, CAPTION_EDITOR, pid)
    driver(run, "close", hwnd)
    if modified:
        driver(run, "answer-messagebox", hex_arg(CAPTION_CONFIRM), 7, WAIT_MS)  # IDNO
    driver(run, "wait-exit", pid, LONG_MS, timeout=LONG_MS // 1000)


def working_set(run, pid):
    reply = driver(run, "memory", pid)
    return reply.number("working-set"), reply.number("private")


def bench_editor_start(run, repeats, path=None):
    times, memory = [], None
    for _ in range(repeats):
        elapsed, pid = start_until_rows(run, "TLSet.exe", ID_LIST, 0, path)
        times.append(elapsed)
        memory = working_set(run, pid)
        end_editor(run, pid, modified=False)
    return times, memory


def bench_editor_open(run, path, count, repeats, moves):
    """Start to every row shown, and per start `moves` moves of the last item to the top
    (the command posted to the new top row selected)."""
    opens, move_times, memory = [], [], None
    for _ in range(repeats):
        elapsed, pid = start_until_rows(run, "TLSet.exe", ID_LIST, count, path)
        opens.append(elapsed)
        memory = working_set(run, pid)
        hwnd = main_window(run, CAPTION_EDITOR, pid)
        for _ in range(moves):
            driver(run, "list-select", hwnd, ID_LIST, count - 1, timeout=LONG_MS // 1000)
            reply = driver(run, "command-selects", hwnd, ID_TOP, ID_LIST, 0, LONG_MS,
                           timeout=LONG_MS // 1000)
            if reply.code == 0:
                move_times.append(reply.number("reached") - reply.number("posted"))
        end_editor(run, pid, modified=moves > 0)
    return opens, move_times, memory


def bench_runner_open(run, path, count, repeats):
    times = []
    for _ in range(repeats):
        elapsed, pid = start_until_rows(run, "TLRun.exe", ID_STATUS_LIST, count, path)
        times.append(elapsed)
        driver(run, "menu-command", main_window(run, CAPTION_RUNNER, pid), CMD_EXIT)
        driver(run, "wait-exit", pid, LONG_MS, timeout=LONG_MS // 1000)
    return times


def figures(values):
    values = [v for v in values if v is not None]
    if not values:
        return "n/a"
    return (f"median {statistics.median(values):7.1f}  min {min(values):6d}  "
            f"max {max(values):6d}  (n={len(values)})")


def bench_editor(run):
    print("Tarvilo editor benchmark under Wine (milliseconds; memory in KiB)")
    times, (working, private) = bench_editor_start(run, 5)
    print(f"(a) empty editor, start to its list answering    {figures(times)}")
    print(f"    working set {working} KiB, private {private} KiB")
    times, _ = bench_editor_start(run, 5, write_schedule(run, "empty.tlf", []))
    print(f"    a schedule of 0 items, the same            {figures(times)}")
    for count, repeats in ((2000, 5), (10000, 3)):
        path = large_schedule(run, count)
        opens, moves, (working, private) = bench_editor_open(run, path, count, repeats, 3)
        print(f"(b) {count:>6,} items: start to every row shown      {figures(opens)}")
        print(f"    last item to the top, posted to selected    {figures(moves)}")
        print(f"    working set {working} KiB, private {private} KiB")
        runner = bench_runner_open(run, path, count, repeats)
        print(f"(c) {count:>6,} items: runner, start to every row   {figures(runner)}")


BENCHMARKS = {
    "bench_editor": bench_editor,
}
