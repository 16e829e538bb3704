"""The core's unit tests (core_tests.exe, GoogleTest) run under Wine as a Windows program
under code page 932. GROUPS maps the group's name to its function.
"""
import os
import subprocess
import sys

from harness import check, check_equal


def group_core_tests(run):
    """The core's unit tests as a Windows program under code page 932."""
    exe = run.exe("core_tests.exe")
    if not check(run, os.path.exists(exe), "core_tests.exe is built", exe):
        return
    done = subprocess.run(["wine", exe], env=run.env, capture_output=True, timeout=600)
    sys.stdout.flush()
    sys.stdout.buffer.write(done.stdout)
    sys.stdout.buffer.flush()
    output = done.stdout.decode("latin-1")
    check_equal(run, done.returncode, 0, "core_tests.exe exit code")
    check(run, "[  PASSED  ]" in output and "[  FAILED  ]" not in output,
          "every GoogleTest case passed")


GROUPS = {
    "core_tests": group_core_tests,
}
