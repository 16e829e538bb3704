#!/usr/bin/env bash
# The editor's timing figures under Wine (not a test): start-up of an empty editor, opening
# 2,000-, 10,000- and 100,000-item schedules, moving the last item to the top, the runner's
# status list for the same files, and the editor's working set. Prints a table, and last
# the medians beyond each program's own start beside the figures from before and the goals.
#   tests/system/bench_editor.sh [bin-dir] [first-display]
# bin-dir holds TLSet.exe, TLRun.exe, tl_driver.exe and floor_load.exe (default build/bin, or build/bin64 on a host that runs no 32-bit code; built by
# `make build`). A private prefix and display are set up and removed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=../../tools/wine_host.sh
. "$root/tools/wine_host.sh"
bin=${1:-$TARVILO_WINE_BIN}
state=$(mktemp -d /tmp/tarvilo-bench.XXXXXX)
trap 'bash "$here/wine_env.sh" cleanup "$state"; rm -rf "$state"' EXIT
bash "$here/wine_env.sh" setup "$state" "${2:-44}" >/dev/null
python3 "$here/systest.py" --state "$state" --bin "$bin" --bin64 "$bin" --work "$state/work" bench_editor
