#!/usr/bin/env bash
# make smoke32: a short run of the 32-bit programs that ship (build/bin) on every host. The
# runner runs the sample schedule and each launch arrives, the editor opens the sample and
# saves it byte for byte, the remover answered No changes nothing (smoke_tests.py).
#
# Only the three programs are 32-bit; everything around them is 64-bit (the prefix, made by
# the 64-bit loader, and the driver and the probe of build/bin64), because a 32-bit start
# through qemu-user costs over a minute of processor time: only the three programs pay it.
# Where Wine's 32-bit loader runs, make test has run the 32-bit build already; the smoke
# runs all the same, in under a minute, so that it is known to work before the day a host
# without 32-bit code needs it. Where the kernel runs no 32-bit code, the programs go
# through qemu-user, with an i386 binfmt entry in a binfmt_misc of its own (a user
# namespace, so nothing changes for the host's other processes): 8 to 9 minutes.
#   TARVILO_SMOKE32=native|qemu   forces either path (qemu works on any host)
#   TARVILO_QEMU_I386=PATH        another qemu-i386-static
#   TARVILO_SMOKE32_DISPLAY=N     the first X display to try (default 70)
# The last line says "smoke32: 3 passed, 0 failed", "smoke32: FAILED ..." (exit 1) or
# "smoke32: skipped: <why>" (exit 0: the 32-bit programs cannot be started here at all).
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
groups=(smoke_runner smoke_editor smoke_remover)
state="$root/build/smoke32/state"
work="$root/build/smoke32/work"
display=${TARVILO_SMOKE32_DISPLAY:-70}
qemu=${TARVILO_QEMU_I386:-$(command -v qemu-i386-static || true)}
# Time limits in seconds (the prefix, the groups: 15 minutes together), and each wait's in
# milliseconds through qemu: a wait ends as soon as it can, the limits only keep a hang
# from holding CI.
setup_limit=420
groups_limit=480
qemu_wait_ms=300000
started=$SECONDS

# --in-namespace COMMAND...: run inside a user namespace of our own, with a private
# binfmt_misc whose i386 entry sends every 32-bit program started there to qemu-user.
# Exit 77: this kernel has no binfmt_misc for a user namespace (before Linux 6.7).
if [ "${1:-}" = --in-namespace ]; then
  mount_point="$root/build/smoke32/binfmt"
  mkdir -p "$mount_point"
  mount -t binfmt_misc binfmt_misc "$mount_point" 2>/dev/null || exit 77
  # An i386 ELF executable or shared object; F opens qemu at once, as this namespace sees it.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":tarvilo-i386:M::$magic:$mask:$qemu:F" >"$mount_point/register" 2>/dev/null ||
    exit 77
  shift
  exec "$@"
fi

Say() { echo "smoke32: $*"; }
Finish() {
  local status=$1 what=$2
  [ "$status" = 124 ] && Say "stopped at its time limit"
  if [ "$status" = 0 ]; then
    Say "passed: ${groups[*]}, 32-bit programs $what, $((SECONDS - started)) s"
    # The closing line in the form a test summary takes, since it ends CI's output.
    Say "${#groups[@]} passed, 0 failed"
  else
    Say "FAILED: ${groups[*]}, 32-bit programs $what (exit $status), $((SECONDS - started)) s"
  fi
  exit "$status"
}
InNamespace() {
  unshare --user --map-root-user --mount --fork "$0" --in-namespace "$@"
}

# Which way the 32-bit programs start here, decided before anything is set up.
mode=${TARVILO_SMOKE32:-}
if [ -z "$mode" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then mode=native; else mode=qemu; fi
fi
case "$mode" in
  native)
    what="under Wine's own 32-bit loader"
    Say "Wine's 32-bit loader runs here, so make test ran the 32-bit build already;" \
      "the smoke runs it once more directly (under a minute) so that the smoke stays sound"
    ;;
  qemu)
    # Measured twice on a loaded 2-core machine made to refuse 32-bit programs: the prefix
    # 170 and 221 s (its 32-bit part through qemu), the runner's group 106 and 87 s, the
    # editor's 82 and 119 s, the remover's 105 and 131 s: 463 and 558 s in all. Under the
    # driver's debugger a 32-bit program ended at its start there, before its window, so
    # here the programs run without it.
    if [ ! -x "$qemu" ]; then
      Say "skipped: qemu-i386-static is not installed (tools/bootstrap.sh installs" \
        "qemu-user-static on hosts that run no 32-bit code)"
      exit 0
    fi
    if ! InNamespace true; then
      Say "skipped: no binfmt_misc can be mounted in a user namespace here (Linux 6.7 or" \
        "later), so Wine cannot start 32-bit programs through qemu-user"
      exit 0
    fi
    what="through qemu-user (a binfmt entry of its own)"
    Say "the 32-bit programs start through $qemu here: over a minute each"
    export TARVILO_WAIT_MS=$qemu_wait_ms TARVILO_SMOKE_DEBUG=0
    ;;
  *)
    Say "TARVILO_SMOKE32 must be native or qemu, not '$mode'"
    exit 2
    ;;
esac

for program in bin/TLRun.exe bin/TLSet.exe bin/TLUninstaller.exe bin64/tl_driver.exe \
  bin64/tl_probe.exe; do
  [ -f "$root/build/$program" ] || { Say "build/$program is missing"; Finish 1 "$what"; }
done

# The prefix is set up through the same loader as the programs: its 32-bit part (which the
# 32-bit programs need, or they end with "DLL not found") takes minutes through qemu.
export TARVILO_WINE_ARCH=64 TARVILO_WINE_SAID=1 TARVILO_SMOKE_PROGRAMS="$root/build/bin"
trap 'bash "$root/tests/system/wine_env.sh" cleanup "$state" >/dev/null 2>&1' EXIT
Through() {
  if [ "$mode" = qemu ]; then InNamespace "$@"; else "$@"; fi
}
mark=$SECONDS
Through timeout "$setup_limit" bash "$root/tests/system/wine_env.sh" setup "$state" "$display" ||
  Finish $? "$what (the Wine prefix)"
Say "Wine prefix ready in $((SECONDS - mark)) s"

status=0
Through timeout "$groups_limit" python3 "$root/tests/system/systest.py" --state "$state" \
  --bin "$root/build/bin64" --work "$work" "${groups[@]}" || status=$?
Finish "$status" "$what"
