#!/usr/bin/env bash
# Starts the runner under Wine on the bundled sample schedule (samples/sample.tlf: notepad
# started minimized, a cmd line writing a log in the same tick, and a shell taken from the
# ComSpec variable), waits until the run is over, takes a screenshot to
# build/run-screenshot.png, then opens the same schedule in the editor and leaves
# build/editor-screenshot.png and build/item-dialog-screenshot.png, and ends Wine.
# Uses a private Wine prefix under build/ and, when DISPLAY is unset, its own Xvfb.
# TARVILO_BIN_DIR picks another folder of built programs (default build/bin, or build/bin64
# where the host runs no 32-bit code: see wine_host.sh).
set -eEuo pipefail

# Every failing step names itself: what it was doing and the command that failed, so a
# failed run never ends with a bare make error.
step="starting"
trap 'echo "run-sample: failed while $step (exit $?): $BASH_COMMAND" >&2' ERR

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=wine_host.sh
. "$root/tools/wine_host.sh"
bin="${TARVILO_BIN_DIR:-$TARVILO_WINE_BIN}"
exe="$bin/TLRun.exe"
editor="$bin/TLSet.exe"
driver="$bin/tl_driver.exe"
sample="$root/samples/sample.tlf"
shot="$root/build/run-screenshot.png"
editor_shot="$root/build/editor-screenshot.png"
dialog_shot="$root/build/item-dialog-screenshot.png"

step="checking the built programs"
for program in "$exe" "$editor" "$driver"; do
  if [ ! -f "$program" ]; then
    echo "run-sample: $program is missing; build first (make build)" >&2
    exit 1
  fi
done

export WINEPREFIX="$root/build/wine-sample$TARVILO_WINE_SUFFIX"
export WINEDEBUG=-all
export LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

xvfb_pid=""
runner_pid=""

editor_pid=""

Cleanup() {
  if [ -n "$runner_pid" ] && kill -0 "$runner_pid" 2>/dev/null; then
    wine taskkill /im TLRun.exe >/dev/null 2>&1 || true
  fi
  if [ -n "$editor_pid" ] && kill -0 "$editor_pid" 2>/dev/null; then
    wine taskkill /im TLSet.exe >/dev/null 2>&1 || true
  fi
  wineserver -k >/dev/null 2>&1 || true
  timeout 20 wineserver -w >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
  fi
}
trap Cleanup EXIT

step="starting a display"
# A display of our own when there is none: the first number with neither socket nor lock.
if [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"
  echo "run-sample: started Xvfb on $DISPLAY"
fi

# A fresh prefix once; without a window manager Wine's managed windows make every process
# wait 2 s at its end, so they are switched off (read at process start, hence the restart).
# The programs run in a Wine desktop with a taskbar, so the screenshot shows the tray icon
# too, and the windows keep their stacking (bare X windows ignore the runner's topmost).
step="preparing the Wine prefix"
if [ ! -f "$WINEPREFIX/.tarvilo-ready" ]; then
  echo "run-sample: preparing the Wine prefix $WINEPREFIX (first time, about 10 s)"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
    >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  timeout 20 wineserver -w >/dev/null 2>&1 || true
  touch "$WINEPREFIX/.tarvilo-ready"
fi

step="running the sample schedule"
temp="$WINEPREFIX/drive_c/windows/temp"
mkdir -p "$temp"
rm -f "$temp/tarvilo-sample.log" "$temp/tarvilo-sample-done.txt"

sample_path=$(winepath -w "$sample" 2>/dev/null)
echo "run-sample: running $sample_path"
wine "$exe" "$sample_path" >/dev/null 2>&1 &
runner_pid=$!

# The last item writes tarvilo-sample-done.txt; the delays add up to 4 s.
for _ in $(seq 300); do
  [ -s "$temp/tarvilo-sample-done.txt" ] && break
  if ! kill -0 "$runner_pid" 2>/dev/null; then
    echo "run-sample: the runner ended before the run was over" >&2
    exit 1
  fi
  sleep 0.1
done
if [ ! -s "$temp/tarvilo-sample-done.txt" ]; then
  echo "run-sample: the run did not finish within 30 s" >&2
  exit 1
fi
step="taking the runner's screenshot"
sleep 1  # let the last refresh and the launched windows paint
import -window root "$shot"

step="ending the runner"
# End the runner the way a user would (its window gets WM_CLOSE, the tray icon goes), and
# the programs it started with it.
wine taskkill /im TLRun.exe >/dev/null 2>&1 || true
wine taskkill /im notepad.exe >/dev/null 2>&1 || true
status=0
for _ in $(seq 100); do kill -0 "$runner_pid" 2>/dev/null || break; sleep 0.1; done
wait "$runner_pid" || status=$?
runner_pid=""

echo "run-sample: launched items wrote:"
sed 's/\r$//; s/^/  /' "$temp/tarvilo-sample.log" "$temp/tarvilo-sample-done.txt" | { grep -v '^  $' || true; }
echo "run-sample: runner exit code $status"
echo "run-sample: screenshot in $shot"

# The editor on the same schedule, then its item dialog (the add dialog, empty).
Driver() {
  wine "$driver" "$@" 2>/dev/null | tr -d '\r'
}
Value() {
  sed -n "s/^$1=//p" | head -1
}
step="opening the sample in the editor"
wine "$editor" "$sample_path" >/dev/null 2>&1 &
editor_pid=$!
editor_window=$(Driver wait-window Tarvilo "Setting's Tarvilo" 15000 | Value hwnd)
if [ -z "$editor_window" ]; then
  echo "run-sample: the editor's window did not appear" >&2
  exit 1
fi
step="taking the editor's screenshots"
sleep 1
import -window root "$editor_shot"
Driver click "$editor_window" 1129 >/dev/null
dialog_caption="hex:$(printf 'リストの編集と追加' | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n')"
dialog=$(Driver wait-dialog "$dialog_caption" 1001 10000 | Value hwnd)
sleep 1
import -window root "$dialog_shot"

# The screenshots are taken: closing the dialog and the editor can no longer fail the run.
# An editor that does not close is ended with Wine at the exit.
step="closing the editor"
if [ -n "$dialog" ]; then
  Driver click "$dialog" 2 >/dev/null || echo "run-sample: the item dialog did not close"
fi
Driver close "$editor_window" >/dev/null || echo "run-sample: the editor did not take its close"
for _ in $(seq 100); do kill -0 "$editor_pid" 2>/dev/null || break; sleep 0.1; done
echo "run-sample: editor screenshots in $editor_shot and $dialog_shot"
echo "run-sample: start the editor yourself with:"
echo "  WINEPREFIX=$WINEPREFIX LC_ALL=ja_JP.UTF-8 ${WINELOADER:-wine} $editor [schedule.tlf]"
