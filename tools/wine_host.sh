#!/usr/bin/env bash
# Which Windows programs this host's Wine runs, decided here and nowhere else.
#   . tools/wine_host.sh            sets the environment in the calling shell
#   tools/wine_host.sh COMMAND...   runs COMMAND in it
# A host whose kernel runs 32-bit code (Wine's 32-bit loader starts) runs the 32-bit
# programs of build/bin, the ones that ship. A host whose kernel runs only 64-bit code
# (IA-32 emulation off) cannot start any 32-bit program, Wine's own tools included; there
# the 64-bit build of build/bin64 runs under the 64-bit loader in a win64 prefix.
# TARVILO_WINE_ARCH=32 or 64 forces either path.
#
# Exported: TARVILO_WINE_ARCH (32 or 64), TARVILO_WINE_BIN (the programs' folder) and
# TARVILO_WINE_SUFFIX ("" or "64", for prefixes that must not mix the two kinds). On the
# 64-bit path also WINELOADER, WINEARCH and a PATH whose wine, wineboot and winepath run
# the 64-bit loader: Debian's commands of those names always pick the 32-bit loader when
# it is installed, and everything here calls Wine by those names.

tarvilo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tarvilo_wine_reason=""
case "${TARVILO_WINE_ARCH:-}" in
  32 | 64) tarvilo_wine_reason="TARVILO_WINE_ARCH=$TARVILO_WINE_ARCH" ;;
  "")
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
      TARVILO_WINE_ARCH=32
      tarvilo_wine_reason="Wine's 32-bit loader runs here"
    else
      TARVILO_WINE_ARCH=64
      tarvilo_wine_reason="this host runs no 32-bit programs (/usr/lib/wine/wine does not start)"
    fi
    ;;
  *)
    echo "wine_host: TARVILO_WINE_ARCH must be 32 or 64, not '$TARVILO_WINE_ARCH'" >&2
    return 2 2>/dev/null || exit 2
    ;;
esac
export TARVILO_WINE_ARCH
if [ "$TARVILO_WINE_ARCH" = 64 ]; then
  export TARVILO_WINE_BIN="$tarvilo_root/build/bin64"
  export TARVILO_WINE_SUFFIX=64
  export WINELOADER=/usr/lib/wine/wine64
  export WINEARCH=win64
  case ":$PATH:" in
    *":$tarvilo_root/tools/wine64:"*) ;;
    *) export PATH="$tarvilo_root/tools/wine64:$PATH" ;;
  esac
else
  export TARVILO_WINE_BIN="$tarvilo_root/build/bin"
  export TARVILO_WINE_SUFFIX=""
fi

# Said once per command line, not once per test: the first caller says it, the commands it
# starts inherit the flag.
if [ -z "${TARVILO_WINE_SAID:-}" ]; then
  echo "wine: $TARVILO_WINE_ARCH-bit programs from ${TARVILO_WINE_BIN#"$tarvilo_root"/}: $tarvilo_wine_reason" >&2
  export TARVILO_WINE_SAID=1
fi

if [ "${BASH_SOURCE[0]}" = "$0" ] && [ $# -gt 0 ]; then
  exec "$@"
fi
