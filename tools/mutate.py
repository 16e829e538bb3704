#!/usr/bin/env python3
"""Mutation run over the portable core: plants small faults in common/*.cpp and in the
editor's portable rules (TLSet/document.cpp, item_form.cpp, editor_ui.cpp, run_at_logon.cpp)
one at a time, rebuilds the native core tests and runs them, and reports which faults the
tests caught and which survived.

    tools/mutate.py [--count 150] [--newer-count 50] [--seed 1] [--jobs N] [--rev HEAD]
                    [--keep] [--only FILE...]

The faults come in two parts, each with its own figure: --count of them in the older core,
and --newer-count in the newer files (NEWER_CODE: the safe save, the zone mark, the logon
value, the list rows, run at logon, the runner's notice, the Tab order, the launch reasons,
the run record, the runner's load texts, UTF-8 reading and the startup import), so the
newer code's figure is not drowned out by the larger older core.

It never touches the checkout it is started from: the sources of --rev are exported
(git archive) into a private temporary folder, one copy and one build folder per job, and
the faults are planted there. A fault is caught when the build's tests fail, crash or
hang; one that does not compile is counted apart. The figure that matters is the share of
caught faults among those that compiled, and the list of survivors after it: each should
be a fault that cannot change behaviour.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TEST_TIMEOUT_S = 120

# (pattern on code with comments and literals blanked, replacement): each match is one
# possible fault. Operators must stand between spaces, so template brackets, includes and
# pointer arrows are left alone.
OPERATORS = [
    (r" < ", " <= "), (r" <= ", " < "), (r" > ", " >= "), (r" >= ", " > "),
    (r" == ", " != "), (r" != ", " == "),
    (r" && ", " || "), (r" \|\| ", " && "),
    (r" \+ ", " - "), (r" - ", " + "),
    (r"\+\+", "--"), (r"--", "++"),
    (r"\btrue\b", "false"), (r"\bfalse\b", "true"),
    (r"!(?!=)", ""),
    (r"\bbreak;", "{}"), (r"\bcontinue;", "{}"),
]
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
# The editor's portable rules, which the core tests run as well.
EDITOR_CORE = ["TLSet/document.cpp", "TLSet/item_form.cpp", "TLSet/editor_ui.cpp",
               "TLSet/run_at_logon.cpp", "TLSet/startup_import.cpp"]
# The newer files, sampled apart from the rest (see --newer-count).
NEWER_CODE = ["common/file_replace.cpp", "common/zone_identifier.cpp",
              "common/logon_run.cpp", "common/list_rows.cpp", "TLSet/run_at_logon.cpp",
              "common/runner_notice.cpp", "common/focus_cycle.cpp", "common/launch_reason.cpp",
              "common/run_record.cpp", "common/runner_load.cpp", "common/text_encoding.cpp",
              "common/startup_entries.cpp", "common/startup_takeover.cpp",
              "TLSet/startup_import.cpp"]


def blank_comments_and_literals(text):
    """text with every comment, string and character literal replaced by spaces (line ends
    kept), so positions stay the same and only code is mutated."""
    out = list(text)
    i, n = 0, len(text)
    while i < n:
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
        elif text[i] in "\"'":
            quote, end = text[i], i + 1
            while end < n and text[end] != quote:
                end += 2 if text[end] == "\\" else 1
            end += 1
        else:
            i += 1
            continue
        for k in range(i, min(end, n)):
            if out[k] != "\n":
                out[k] = " "
        i = end
    return "".join(out)


def find_mutants(source_root):
    """Every possible fault as (file, offset, original, replacement, line)."""
    mutants = []
    folder = os.path.join(source_root, "common")
    core = [f"common/{name}" for name in sorted(os.listdir(folder))
            if name.endswith(".cpp") and not re.search(r"_(win|posix|cp932)\.cpp$", name)]
    for name in core + EDITOR_CORE:
        with open(os.path.join(source_root, name), encoding="utf-8") as file:
            text = file.read()
        code = blank_comments_and_literals(text)
        skip = set()  # preprocessor lines and compile-time checks
        offset = 0
        for line in text.split("\n"):
            if line.lstrip().startswith(("#", "static_assert")):
                skip.update(range(offset, offset + len(line) + 1))
            offset += len(line) + 1
        found = []
        for pattern, replacement in OPERATORS:
            for match in re.finditer(pattern, code):
                found.append((match.start(), match.group(0), replacement))
        for match in NUMBER.finditer(code):
            found.append((match.start(), match.group(1), str(int(match.group(1)) + 1)))
        for start, original, replacement in found:
            if start in skip:
                continue
            line = text.count("\n", 0, start) + 1
            mutants.append((name, start, original, replacement, line))
    return mutants


def run(command, cwd, timeout=None):
    try:
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=timeout)
        return done.returncode, done.stdout.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        return None, "timed out"


def export_sources(rev, target):
    os.makedirs(target)
    archive = subprocess.run(["git", "-C", ROOT, "archive", rev], check=True,
                             stdout=subprocess.PIPE).stdout
    subprocess.run(["tar", "-x", "-C", target], input=archive, check=True)


class Worker:
    """One private copy of the sources with its own build folder."""

    def __init__(self, base, index, rev):
        self.source = os.path.join(base, f"job{index}", "src")
        self.build = os.path.join(base, f"job{index}", "build")
        export_sources(rev, self.source)

    def configure(self):
        code, output = run(["cmake", "-S", self.source, "-B", self.build,
                            "-DCMAKE_BUILD_TYPE=Debug", "-Wno-dev"], self.source)
        if code != 0:
            sys.exit("configure failed:\n" + output)
        if self.build_and_test() != "passed":
            sys.exit("the unmutated core tests do not pass in " + self.build)

    def build_and_test(self):
        code, _ = run(["cmake", "--build", self.build, "--target", "core_tests"], self.source)
        if code != 0:
            return "not compiled"
        code, _ = run([os.path.join(self.build, "core_tests"), "--gtest_brief=1"],
                      self.build, timeout=TEST_TIMEOUT_S)
        return "passed" if code == 0 else "caught"

    def try_mutant(self, mutant):
        path, start, original, replacement, _ = mutant
        full = os.path.join(self.source, path)
        with open(full, encoding="utf-8") as file:
            text = file.read()
        assert text[start:start + len(original)] == original
        with open(full, "w", encoding="utf-8") as file:
            file.write(text[:start] + replacement + text[start + len(original):])
        try:
            result = self.build_and_test()
        finally:
            with open(full, "w", encoding="utf-8") as file:
                file.write(text)
        return "survived" if result == "passed" else result


def describe(mutant, source_root):
    path, start, original, replacement, line = mutant
    with open(os.path.join(source_root, path), encoding="utf-8") as file:
        text = file.read().split("\n")[line - 1].strip()
    return f"{path}:{line}: '{original.strip()}' -> '{replacement.strip()}'   | {text}"


def report(part, chosen, results, source_root):
    """The figure and the survivors of one part of the faults."""
    caught = sum(1 for m in chosen if results[m] == "caught")
    survived = [m for m in chosen if results[m] == "survived"]
    compiled = caught + len(survived)
    print(f"{part}: {len(chosen)} faults: {caught} caught, {len(survived)} survived, "
          f"{len(chosen) - compiled} did not compile; caught {caught}/{compiled} = "
          f"{100.0 * caught / max(compiled, 1):.1f} % of those that compiled")
    for mutant in survived:
        print("  survived " + describe(mutant, source_root))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=150,
                        help="faults to plant in the older core")
    parser.add_argument("--newer-count", type=int, default=50,
                        help="faults to plant in the newer files")
    parser.add_argument("--only", nargs="+", metavar="FILE",
                        help="plant faults in these files only (paths as common/x.cpp)")
    parser.add_argument("--seed", type=int, default=1, help="which faults (fixed by default)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--rev", default="HEAD", help="the commit whose sources are used")
    parser.add_argument("--keep", action="store_true", help="keep the private copies")
    args = parser.parse_args()

    base = tempfile.mkdtemp(prefix="tarvilo-mutate-")
    started = time.time()
    try:
        workers = [Worker(base, index, args.rev) for index in range(args.jobs)]
        every = find_mutants(workers[0].source)
        if args.only:
            every = [m for m in every if m[0] in args.only]
        older = [m for m in every if m[0] not in NEWER_CODE]
        newer = [m for m in every if m[0] in NEWER_CODE]
        pick = random.Random(args.seed)
        chosen = (pick.sample(older, min(args.count, len(older))) +
                  pick.sample(newer, min(args.newer_count, len(newer))))
        # In file order, so a job mostly rebuilds the one file it is mutating.
        chosen.sort(key=lambda m: (m[0], m[1]))
        print(f"{len(chosen)} faults of {len(every)} possible, {args.jobs} jobs, in {base}",
              flush=True)
        with ThreadPoolExecutor(args.jobs) as pool:
            list(pool.map(Worker.configure, workers))
        size = (len(chosen) + args.jobs - 1) // args.jobs
        chunks = [chosen[i * size:(i + 1) * size] for i in range(args.jobs)]
        results = {}

        def work(index):
            for mutant in chunks[index]:
                result = workers[index].try_mutant(mutant)
                results[mutant] = result
                print(f"  {result:12} {describe(mutant, workers[index].source)}", flush=True)

        with ThreadPoolExecutor(args.jobs) as pool:
            list(pool.map(work, range(args.jobs)))

        print(f"\n{time.time() - started:.0f} s")
        for part, in_part in (("older core", lambda m: m[0] not in NEWER_CODE),
                              ("newer files", lambda m: m[0] in NEWER_CODE)):
            report(part, [m for m in chosen if in_part(m)], results, workers[0].source)
    finally:
        if args.keep:
            print(f"private copies kept in {base}")
        else:
            shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    main()
