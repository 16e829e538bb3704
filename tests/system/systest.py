#!/usr/bin/env python3
"""Tarvilo's system tests: the Windows programs run under Wine and are driven and watched
through tl_driver.exe, while tl_probe.exe stands in for every program the runner launches.

    systest.py --state DIR --bin DIR [--bin64 DIR] --work DIR <group>...

--state is the folder that wine_env.sh set up (prefix, display, server); --bin holds
TLRun.exe, TLUninstaller.exe, core_tests.exe, tl_driver.exe and tl_probe.exe, and --bin64
their 64-bit build, which runs instead where wine_env.sh chose the 64-bit loader (a host
that runs no 32-bit code); --work is a scratch folder (each group empties its own
subfolder). Every group is one CTest test and
ends with exit code 1 when any of its checks failed. "bench" is not a test: it prints the
runner's timing figures (see bench_runner.sh).

The groups live in one module per program (see MODULES); the shared harness is harness.py.
"""
import argparse
import importlib
import os
import sys
import time
import traceback

# The modules are imported from the source tree: leave no __pycache__ in it.
sys.dont_write_bytecode = True

from harness import Run, end_everything  # noqa: E402

# The modules that hold the groups, each with GROUPS (group name -> function taking a Run)
# and, for figures that are no test, BENCHMARKS (the same). A new program's tests are one
# more module here, and their group names in WINE_GROUPS of wine_tests.cmake.
MODULES = ["runner_tests", "remover_tests", "editor_tests", "file_tests", "startup_tests",
           "core_tests", "smoke_tests", "runner_bench", "editor_bench"]


def collect_groups():
    """(groups, benchmarks) of every module in MODULES; a name may be used only once."""
    groups, benchmarks = {}, {}
    for module_name in MODULES:
        module = importlib.import_module(module_name)
        for kind, registry in (("GROUPS", groups), ("BENCHMARKS", benchmarks)):
            for name, function in getattr(module, kind, {}).items():
                if name in groups or name in benchmarks:
                    raise RuntimeError(f"group {name} of {module_name} is defined twice")
                registry[name] = function
    return groups, benchmarks


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--state", required=True)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--bin64", help="the 64-bit programs (default: --bin)")
    parser.add_argument("--work", required=True)
    parser.add_argument("groups", nargs="+")
    args = parser.parse_args()
    groups, benchmarks = collect_groups()
    # CTest may run us under a plain C locale; a check's name must never stop the run.
    sys.stdout.reconfigure(errors="backslashreplace", line_buffering=True)
    failed = []
    for group in args.groups:
        if group in benchmarks:
            run = Run(args, group)
            try:
                benchmarks[group](run)
            finally:
                end_everything(run)
            continue
        if group not in groups:
            sys.exit(f"unknown group {group}; groups: {' '.join(list(groups) + list(benchmarks))}")
        run = Run(args, group)
        missing = [name for name in ("tl_driver.exe", "tl_probe.exe")
                   if not os.path.exists(run.exe(name))]
        if missing:
            print(f"== {group}: {', '.join(missing)} not in {run.bin}: build the Windows "
                  "programs first (make build)")
            failed.append(group)
            continue
        print(f"== {group}: {groups[group].__doc__.splitlines()[0]}")
        started = time.time()
        try:
            groups[group](run)
        except Exception:  # a broken step fails its group and the others still run
            traceback.print_exc(file=sys.stdout)
            run.failures.append("the group stopped on an exception")
        finally:
            end_everything(run)
        print(f"== {group}: {len(run.failures)} failed, {time.time() - started:.1f} s")
        if run.failures:
            failed.append(group)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
