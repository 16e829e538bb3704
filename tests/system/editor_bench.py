"""The editor's benchmark under Wine (bench_editor.sh): figures, not assertions. Start-up of
an empty editor, opening 2,000-, 10,000- and 100,000-item schedules (start to every row in
the list view, and to its first paint), moving the last item to the top, the runner's
status list for the same files, the loader alone for the same files (floor_load.exe), and
the editor's working set. It ends with the medians beyond each program's own start on a
0-item (editor) or 1-item (runner) file, beside the loader's part of them.
BENCHMARKS maps its name to its function.
"""
import statistics
import subprocess

from harness import (CAPTION_RUNNER, WAIT_MS, Reply, driver, hex_arg, win_path,
                     write_schedule)
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
    list holds rows rows and has painted them; (milliseconds from the start, pid)."""
    args = ["run", "--no-wait", "--rows", list_id, rows, hex_arg(win_path(run.exe(exe)))]
    if path:
        args.append(hex_arg(b'"' + win_path(path) + b'"'))
    reply = driver(run, *args, timeout=LONG_MS // 1000)
    shown, started = reply.number("painted"), reply.number("start")
    return (None if shown is None else shown - started), reply.get("pid")


def main_window(run, caption, pid):
    return driver(run, "wait-window", "Tarvilo", hex_arg(caption), WAIT_MS, pid).get("hwnd")


def end_editor(run, pid, modified):
    """Closes the editor, answering No to the save question. A close that does not end
    it is tried again, and an editor still there after three is ended and reported, so
    one lost close cannot hold the benchmark up."""
    for _ in range(3):
        hwnd = main_window(run, CAPTION_EDITOR, pid)
        driver(run, "close", hwnd)
        if modified:
            driver(run, "answer-messagebox", hex_arg(CAPTION_CONFIRM), 7, WAIT_MS)  # IDNO
        if driver(run, "wait-exit", pid, WAIT_MS).code == 0:
            return
    print(f"    the editor (pid {pid}) did not close; ended")
    driver(run, "kill", pid)


def working_set(run, pid):
    reply = driver(run, "memory", pid)
    return (reply.number("working-set"), reply.number("private"),
            reply.number("peak-working-set"))


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
    (the command posted to the new top row selected and painted)."""
    opens, move_times, memory = [], [], (None, None, None)
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
                move_times.append(reply.number("painted") - reply.number("posted"))
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


def floor_load(run, *args):
    """floor_load.exe in a fresh process: the loader, or the item records, on their own."""
    done = subprocess.run(["wine", run.exe("floor_load.exe")] + list(args), env=run.env,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          timeout=LONG_MS // 1000)
    reply = Reply(done.returncode, done.stdout.decode("latin-1").splitlines())
    value = reply.get("loaded", reply.get("records"))
    return None if value is None else float(value)


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def figures(values):
    values = [v for v in values if v is not None]
    if not values:
        return "n/a"
    return (f"median {statistics.median(values):7.1f}  min {min(values):6.0f}  "
            f"max {max(values):6.0f}  (n={len(values)})")


# What the lists cost before they kept no texts (the same machine, busy): milliseconds
# beyond the start on a small file, and the editor's peak working set in MiB.
BEFORE = {"editor 10,000": 800, "editor 100,000": 7700, "to the top at 100,000": 6100,
          "runner 100,000": 2500, "editor peak MiB at 100,000": 672}
GOALS = {"editor 10,000": 50, "editor 100,000": 300, "to the top at 100,000": 50,
         "runner 100,000": 300, "editor peak MiB at 100,000": 200}


def bench_editor(run):
    print("Tarvilo editor benchmark under Wine (milliseconds; memory in KiB)")
    times, (working, private, _) = bench_editor_start(run, 5)
    print(f"(a) empty editor, start to its list answering    {figures(times)}")
    print(f"    working set {working} KiB, private {private} KiB")
    times, _ = bench_editor_start(run, 5, write_schedule(run, "empty.tlf", []))
    print(f"    a schedule of 0 items, the same            {figures(times)}")
    editor_base = median(times)
    runner_base = median(bench_runner_open(run, large_schedule(run, 1), 1, 5))
    now, floors = {}, {}
    for count, repeats in ((2000, 5), (10000, 3), (100000, 3)):
        path = large_schedule(run, count)
        opens, moves, (working, private, peak) = bench_editor_open(run, path, count, repeats, 3)
        print(f"(b) {count:>7,} items: start to every row painted   {figures(opens)}")
        print(f"    last item to the top, posted to painted      {figures(moves)}")
        print(f"    working set {working} KiB (peak {peak}), private {private} KiB")
        runner = bench_runner_open(run, path, count, repeats)
        print(f"(c) {count:>7,} items: runner, start to every row   {figures(runner)}")
        loads = [floor_load(run, win_path(path)) for _ in range(repeats)]
        records = [floor_load(run, "--records", str(count)) for _ in range(repeats)]
        print(f"(d) {count:>7,} items: the loader alone            {figures(loads)}")
        print(f"    {count:>7,} empty item records alone       {figures(records)}")
        label = f"{count:,}"
        floors[f"editor {label}"] = floors[f"runner {label}"] = median(loads)
        now[f"editor {label}"] = median(opens) - editor_base
        now[f"runner {label}"] = median(runner) - runner_base
        now[f"to the top at {label}"] = median(moves)
        now[f"editor peak MiB at {label}"] = peak / 1024 if peak else None
    print(f"Medians beyond the start on a 0-item editor ({editor_base} ms) or a 1-item runner "
          f"({runner_base} ms) file:")
    print(f"    {'figure':<28} {'before':>8} {'now':>8} {'goal':>8} {'loader':>8}")
    for name, goal in GOALS.items():
        value = "n/a" if now.get(name) is None else f"{now[name]:8.0f}"
        floor = "" if floors.get(name) is None else f"{floors[name]:8.0f}"
        print(f"    {name:<28} {BEFORE[name]:>8} {value:>8} {goal:>8} {floor:>8}")
    print("    (loader: the schedule loader alone in a fresh process, part of each start)")


BENCHMARKS = {
    "bench_editor": bench_editor,
}
