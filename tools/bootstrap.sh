#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine.
# Quiet and quick when everything is already there; needs root (or sudo) otherwise.
set -euo pipefail

need=()
have_cmd() { command -v "$1" >/dev/null 2>&1; }
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev \
         g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xauth locales \
         fonts-ipafont-gothic imagemagick clang-format x11-utils python3; do
  have_pkg "$p" || need+=("$p")
done
# Where the kernel runs no 32-bit code, the 32-bit programs start only through qemu-user
# (make smoke32). Asked once Wine's 32-bit loader is installed and can be tried.
QemuNeeded() {
  have_pkg wine32:i386 && ! /usr/lib/wine/wine --version >/dev/null 2>&1 &&
    ! have_pkg qemu-user-static
}
QemuNeeded && need+=(qemu-user-static)
locale_ok=1
locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' || locale_ok=0

if [ ${#need[@]} -eq 0 ] && [ $locale_ok -eq 1 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

if [ ${#need[@]} -gt 0 ]; then
  echo "bootstrap: installing ${need[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
if QemuNeeded; then
  echo "bootstrap: installing qemu-user-static (this host runs no 32-bit programs)"
  $SUDO apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "bootstrap: generating the ja_JP.UTF-8 locale"
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
    echo "ja_JP.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
