#!/usr/bin/env bash
# The runner's timing figures under Wine (not a test): start-up to first launch against
# a bare ShellExecuteA, launch accuracy over five 1 s delays, CPU time while waiting, and
# the time to load and show a 10,000-item schedule. Prints a table.
#   tests/system/bench_runner.sh [bin-dir] [first-display]
# bin-dir holds TLRun.exe, tl_driver.exe, tl_probe.exe and floor_launch.exe (default
# build/bin, or build/bin64 on a host that runs no 32-bit code; built by `make build`). A private prefix and display are set up and removed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=../../tools/wine_host.sh
. "$root/tools/wine_host.sh"
bin=${1:-$TARVILO_WINE_BIN}
state=$(mktemp -d /tmp/tarvilo-bench.XXXXXX)
trap 'bash "$here/wine_env.sh" cleanup "$state"; rm -rf "$state"' EXIT
bash "$here/wine_env.sh" setup "$state" "${2:-44}" >/dev/null
python3 "$here/systest.py" --state "$state" --bin "$bin" --bin64 "$bin" --work "$state/work" bench
