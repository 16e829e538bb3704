#!/usr/bin/env bash
# make smoke32: a short run of the 32-bit programs that ship (build/bin) on every host. The
# runner runs the sample schedule and each launch arrives, the editor opens the sample and
# saves it byte for byte, the remover answered No changes nothing (smoke_tests.py).
#
# The three programs are the 32-bit ones; everything around them is 64-bit (the prefix, the
# driver and the probe of build/bin64), because a 32-bit start through qemu-user costs
# over a minute of processor time: so only the three programs pay it.
# Where Wine's 32-bit loader runs, make test has run the 32-bit build already; the smoke
# runs all the same, in about a minute, so that it is known to work before the day a host
# without 32-bit code needs it. Where the kernel runs no 32-bit code, the programs go
# through qemu-user: an i386 binfmt entry in a binfmt_misc of its own (a user namespace,
# so nothing changes for the host's other processes), or one the host has registered.
#   TARVILO_SMOKE32=native|qemu   forces either path (qemu works on any host)
#   TARVILO_QEMU_I386=PATH        another qemu-i386-static
#   TARVILO_SMOKE32_DISPLAY=N     the first X display to try (default 70)
# The last line says "smoke32: passed ...", "smoke32: FAILED ..." (exit 1) or
# "smoke32: skipped: <why>" (exit 0: the 32-bit programs cannot be started here at all).
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
groups=(smoke_runner smoke_editor smoke_remover)
state="$root/build/smoke32/state"
work="$root/build/smoke32/work"
display=${TARVILO_SMOKE32_DISPLAY:-70}
qemu=${TARVILO_QEMU_I386:-$(command -v qemu-i386-static || true)}
# The groups' time limit in seconds, and each wait's in milliseconds: a wait ends as soon
# as it can, the limits are only there so that a hang cannot hold CI.
groups_limit=840
qemu_wait_ms=300000
started=$SECONDS

Say() { echo "smoke32: $*"; }
Finish() {
  local status=$1 what=$2
  [ "$status" = 124 ] && Say "the groups were stopped after $groups_limit s"
  if [ "$status" = 0 ]; then
    Say "passed: ${groups[*]}, 32-bit programs $what, $((SECONDS - started)) s"
  else
    Say "FAILED: ${groups[*]}, 32-bit programs $what (exit $status), $((SECONDS - started)) s"
  fi
  exit "$status"
}

RunGroups() {
  timeout "$groups_limit" python3 "$root/tests/system/systest.py" --state "$state" \
    --bin "$root/build/bin64" --work "$work" "${groups[@]}"
}

# Inside a user namespace of our own: a private binfmt_misc whose i386 entry sends every
# 32-bit program started here to qemu-user. Exit 77: no such binfmt_misc on this kernel.
if [ "${1:-}" = --in-namespace ]; then
  mount_point="$root/build/smoke32/binfmt"
  mkdir -p "$mount_point"
  mount -t binfmt_misc binfmt_misc "$mount_point" 2>/dev/null || exit 77
  # An i386 ELF executable or shared object; F opens qemu at once, as this namespace sees it.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":tarvilo-i386:M::$magic:$mask:$qemu:F" >"$mount_point/register" 2>/dev/null ||
    exit 77
  RunGroups
  exit
fi

mode=${TARVILO_SMOKE32:-}
if [ -z "$mode" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then mode=native; else mode=qemu; fi
fi
case "$mode" in
  native)
    Say "Wine's 32-bit loader runs here, so make test ran the 32-bit build already;" \
      "the smoke runs it once more directly (about a minute) so that the smoke itself stays sound"
    ;;
  qemu)
    if [ ! -x "$qemu" ]; then
      Say "skipped: this host runs no 32-bit programs and qemu-i386-static is not installed" \
        "(tools/bootstrap.sh installs qemu-user-static on such hosts)"
      exit 0
    fi
    Say "the 32-bit programs start through $qemu here: over a minute each"
    export TARVILO_WAIT_MS=$qemu_wait_ms
    ;;
  *)
    Say "TARVILO_SMOKE32 must be native or qemu, not '$mode'"
    exit 2
    ;;
esac

for program in TLRun.exe TLSet.exe TLUninstaller.exe; do
  [ -f "$root/build/bin/$program" ] || { Say "build/bin/$program is missing"; Finish 1 "($mode)"; }
done
for program in tl_driver.exe tl_probe.exe; do
  [ -f "$root/build/bin64/$program" ] || { Say "build/bin64/$program is missing"; Finish 1 "($mode)"; }
done

# The prefix is a 64-bit one made by the 64-bit loader, quick everywhere; the 32-bit
# programs run in it as they would on 64-bit Windows.
export TARVILO_WINE_ARCH=64 TARVILO_WINE_SAID=1
export TARVILO_SMOKE_PROGRAMS="$root/build/bin"
trap 'bash "$root/tests/system/wine_env.sh" cleanup "$state" >/dev/null 2>&1' EXIT
mark=$SECONDS
timeout 300 bash "$root/tests/system/wine_env.sh" setup "$state" "$display" || Finish $? "($mode)"
Say "Wine prefix ready in $((SECONDS - mark)) s"

status=0
if [ "$mode" = native ]; then
  RunGroups || status=$?
  Finish "$status" "under Wine's own 32-bit loader"
fi
unshare --user --map-root-user --mount --fork "$0" --in-namespace || status=$?
[ "$status" = 77 ] || Finish "$status" "through qemu-user (a binfmt entry of its own)"
# No binfmt_misc of our own (a kernel before 6.7, or no user namespaces): an i386 entry
# the host has registered itself serves as well. A forced run never takes one, since on a
# host that runs 32-bit code the entry would take the host's other 32-bit programs too.
if [ -z "${TARVILO_SMOKE32:-}" ]; then
  for entry in /proc/sys/fs/binfmt_misc/*; do
    if grep -qs '^enabled' "$entry" &&
      grep -qs '^magic 7f454c4601010100000000000000000002000300' "$entry"; then
      RunGroups || status=$?
      Finish "$status" "through qemu-user (the host's binfmt entry $(basename "$entry"))"
    fi
  done
fi
Say "skipped: no binfmt_misc could be mounted in a user namespace and the host has no i386" \
  "entry, so Wine cannot start 32-bit programs through qemu-user here"
exit 0
