#!/usr/bin/env bash
# The Wine environment that the system tests share: a fresh private prefix, a private Xvfb
# display and a persistent wineserver, set up once before the tests and torn down after.
#   wine_env.sh setup   <state-dir> [first-display]
#   wine_env.sh cleanup <state-dir>
# setup leaves <state-dir>/env (shell assignments: WINEPREFIX, DISPLAY, ...) for the tests.
set -u

action=${1:-}
state=${2:-}
if [ -z "$action" ] || [ -z "$state" ]; then
  echo "usage: $0 setup|cleanup <state-dir> [first-display]" >&2
  exit 2
fi

# Which programs and which Wine loader this host takes (32-bit, or 64-bit where the kernel
# runs no 32-bit code); the tests read the choice from <state-dir>/env.
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/wine_host.sh
. "$here/../../tools/wine_host.sh" || exit 2

export WINEDEBUG=-all
export LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# A display is free when neither its socket nor its lock file exists.
PickDisplay() {
  local n=$1
  while [ "$n" -lt 200 ]; do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      echo "$n"
      return 0
    fi
    n=$((n + 1))
  done
  return 1
}

Cleanup() {
  if [ -f "$state/env" ]; then
    # shellcheck disable=SC1091
    . "$state/env"
    export WINEPREFIX
    wineserver -k >/dev/null 2>&1
    # wineserver -k only asks; wait for the server to be gone before the display goes.
    timeout 20 wineserver -w >/dev/null 2>&1
  fi
  if [ -f "$state/xvfb.pid" ]; then
    local pid
    pid=$(cat "$state/xvfb.pid")
    # Only our own Xvfb: the recorded process must still be an Xvfb.
    if [ -n "$pid" ] && grep -q Xvfb "/proc/$pid/cmdline" 2>/dev/null; then
      kill "$pid" 2>/dev/null
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$state/xvfb.pid"
  fi
  rm -f "$state/env"
}

Setup() {
  mkdir -p "$state"
  Cleanup
  local first=${1:-44}
  local display="" pid=""
  # Another Xvfb may grab the same number between the check and the start: try a few.
  for _ in 1 2 3 4 5; do
    display=$(PickDisplay "$first") || { echo "wine_env: no free X display" >&2; return 1; }
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$state/xvfb.log" 2>&1 &
    pid=$!
    for _ in $(seq 100); do
      [ -e "/tmp/.X11-unix/X$display" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$display" ]; then
      break
    fi
    pid=""
    first=$((display + 1))
  done
  if [ -z "$pid" ]; then
    echo "wine_env: Xvfb did not start" >&2
    cat "$state/xvfb.log" >&2
    return 1
  fi
  echo "$pid" >"$state/xvfb.pid"

  export DISPLAY=":$display"
  export WINEPREFIX="$state/prefix"
  rm -rf "$WINEPREFIX"
  if ! wineboot -i >"$state/wineboot.log" 2>&1; then
    echo "wine_env: wineboot failed" >&2
    cat "$state/wineboot.log" >&2
    return 1
  fi
  # Without a window manager Wine waits 2 s for every managed window to be withdrawn;
  # unmanaged windows end at once. The value is read at process start, so restart.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$state/wineboot.log" 2>&1
  wineserver -k >/dev/null 2>&1
  timeout 30 wineserver -w >/dev/null 2>&1
  # One server for the whole run: the runner's instance mutex lives in it, and every
  # program start is quicker against a running server. Nothing that outlives this script
  # may hold its output open (CTest waits for the output to close), so the server and the
  # helper processes that the first Wine program starts write to the log instead.
  wineserver -p </dev/null >>"$state/wineboot.log" 2>&1
  wine reg query 'HKCU\Software\Wine\X11 Driver' </dev/null >>"$state/wineboot.log" 2>&1
  {
    printf 'WINEPREFIX=%q\n' "$WINEPREFIX"
    printf 'DISPLAY=%q\n' "$DISPLAY"
    printf 'WINEDEBUG=%q\n' "$WINEDEBUG"
    printf 'LC_ALL=%q\n' "$LC_ALL"
    printf 'WINEDLLOVERRIDES=%q\n' "$WINEDLLOVERRIDES"
    printf 'TARVILO_WINE_ARCH=%q\n' "$TARVILO_WINE_ARCH"
    printf 'PATH=%q\n' "$PATH"
    [ "$TARVILO_WINE_ARCH" = 32 ] || printf 'WINELOADER=%q\nWINEARCH=%q\n' "$WINELOADER" "$WINEARCH"
  } >"$state/env"
  echo "wine_env: $TARVILO_WINE_ARCH-bit prefix $WINEPREFIX on display $DISPLAY"
}

case "$action" in
  setup) Setup "${3:-44}" ;;
  cleanup) Cleanup; exit 0 ;;
  *) echo "unknown action $action" >&2; exit 2 ;;
esac
