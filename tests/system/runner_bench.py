"""The runner's benchmark under Wine (bench_runner.sh): figures, not assertions. Start-up
to the first launch against floor_launch.exe, launch accuracy over five 1 s delays, CPU time
while waiting, and loading a 10,000-item schedule. BENCHMARKS maps its name to its function.
"""
import statistics
import time

from harness import (
    CAPTION_RUNNER, WAIT_MS, Program, clear_probes, driver, hex_arg, probe_item, wait_probes,
    win_path, write_schedule)
from runner_tests import CMD_EXIT, ID_STATUS_LIST, runner_window


def bench_start_latency(run, repeats):
    """Start of TLRun.exe on a one-item, zero-delay schedule to the probe's start, against
    floor_launch.exe handing the probe to the shell at once."""
    schedule = write_schedule(run, "latency.tlf", [probe_item(run, "latency")], exit_after=True)
    figures = {"runner": [], "floor": [], "floor_window": []}
    probe = b'"' + win_path(run.exe("tl_probe.exe")) + b'" latency'
    for _ in range(repeats):
        for kind in figures:
            clear_probes(run)
            if kind == "runner":
                program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"',
                                  debug=False)
            elif kind == "floor":
                program = Program(run, run.exe("floor_launch.exe"), probe, debug=False)
            else:
                program = Program(run, run.exe("floor_launch.exe"), b"--window " + probe,
                                  debug=False)
            starts = wait_probes(run, 1)
            program.wait()
            if starts:
                figures[kind].append(starts[0].created - program.started)
    return figures


def bench_delays(run, rounds):
    """Delays 1, 1, 1, 1, 1: each launch against the time it was planned for."""
    items = [probe_item(run, str(n), delay=1) for n in range(1, 6)]
    schedule = write_schedule(run, "delays.tlf", items, exit_after=True)
    first_errors, later_errors, drifts = [], [], []
    for _ in range(rounds):
        clear_probes(run)
        program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"', debug=False)
        program.wait(30000)
        starts = wait_probes(run, 5)
        if len(starts) != 5:
            continue
        first_errors.append(starts[0].created - (program.started + 1000))
        for k in range(1, 5):
            later_errors.append(starts[k].created - (starts[k - 1].created + 1000))
        drifts.append(starts[4].created - starts[0].created - 4000)
    return first_errors, later_errors, drifts


def bench_idle_cpu(run, seconds):
    """The runner's CPU time while it waits for one item."""
    schedule = write_schedule(run, "idle.tlf", [probe_item(run, "idle", delay=seconds + 30)])
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"', debug=False)
    hwnd = runner_window(run, program)
    driver(run, "wait-rows", hwnd, ID_STATUS_LIST, 1, WAIT_MS)
    time.sleep(1)
    before = driver(run, "cputime", program.pid)
    time.sleep(seconds)
    after = driver(run, "cputime", program.pid)
    driver(run, "menu-command", hwnd, CMD_EXIT)
    program.wait()
    wall = after.number("now") - before.number("now")
    return (after.number("cpu") - before.number("cpu"), wall, after.number("threads"),
            before.number("cpu"))


def bench_large_schedule(run, count, show):
    """Start to a status list holding every row of a large schedule."""
    items = [{"name": f"item {n:05d}", "path": win_path(run.exe("tl_probe.exe")), "delay": 3600}
             for n in range(count)]
    schedule = write_schedule(run, "large.tlf", items, show=show)
    program = Program(run, run.exe("TLRun.exe"), b'"' + win_path(schedule) + b'"', debug=False)
    reply = driver(run, "wait-window", "Tarvilo", hex_arg(CAPTION_RUNNER), 600000, program.pid,
                   timeout=700)
    hwnd = reply.get("hwnd")
    rows = driver(run, "wait-rows", hwnd, ID_STATUS_LIST, count, 600000, timeout=700)
    loaded = rows.number("reached")
    closing = driver(run, "menu-command", hwnd, CMD_EXIT).number("posted")
    program.wait(600000)
    ended = int(program.value("end") or 0)
    return (None if loaded is None else loaded - program.started,
            None if not ended or closing is None else ended - closing)


def format_figures(values):
    if not values:
        return "n/a"
    return (f"mean {statistics.mean(values):7.1f}  min {min(values):6d}  max {max(values):6d}"
            f"  (n={len(values)})")


def bench(run):
    print("Tarvilo runner benchmark under Wine (milliseconds)")
    latency = bench_start_latency(run, 5)
    print(f"(a) start to probe, TLRun.exe      {format_figures(latency['runner'])}")
    print(f"    start to probe, floor_launch   {format_figures(latency['floor'])}")
    print(f"    the same with one window first {format_figures(latency['floor_window'])}")
    for floor in ("floor", "floor_window"):
        if latency["runner"] and latency[floor]:
            runner, base = statistics.mean(latency["runner"]), statistics.mean(latency[floor])
            print(f"    runner over {floor:<18} mean {runner - base:7.1f}  "
                  f"ratio {runner / base:5.2f}")
    first, later, drifts = bench_delays(run, 2)
    print(f"(b) delays 1,1,1,1,1: item 1 against start + 1 s       {format_figures(first)}")
    print(f"    items 2-5 against the previous launch + 1 s       {format_figures(later)}")
    print(f"    |error| items 2-5                                  "
          f"{format_figures([abs(e) for e in later])}")
    print(f"    drift, item 5 - item 1 - 4 s                       {format_figures(drifts)}")
    cpu, wall, threads, startup = bench_idle_cpu(run, 10)
    print(f"(c) CPU while waiting: {cpu} ms over {wall} ms ({threads} threads; "
          f"{startup} ms spent before the wait)")
    for show in (True, False):
        loaded, closed = bench_large_schedule(run, 10000, show)
        print(f"(d) 10,000 items, window {'shown ' if show else 'hidden'}: start to 10,000 rows "
              f"{loaded} ms; exit command to process end {closed} ms")


BENCHMARKS = {
    "bench": bench,
}
