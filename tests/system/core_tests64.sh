#!/usr/bin/env bash
# The core tests of the 64-bit build under the 64-bit loader, on a host whose Wine runs the
# 32-bit programs (elsewhere core_tests_wine runs them already: exit 77, skipped). Keeps
# the 64-bit build, which hosts without 32-bit support test with, from rotting.
#   core_tests64.sh <state-dir> <bin64-dir> <work-dir> [first-display]
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/wine_host.sh
. "$here/../../tools/wine_host.sh" 2>/dev/null || exit 2
[ "$TARVILO_WINE_ARCH" = 64 ] && exit 77
export TARVILO_WINE_ARCH=64
trap 'bash "$here/wine_env.sh" cleanup "$1"' EXIT
bash "$here/wine_env.sh" setup "$1" "${4:-60}" || exit 1
python3 "$here/systest.py" --state "$1" --bin "$2" --bin64 "$2" --work "$3" core_tests
