# shellcheck shell=bash
# Which Wine loader starts which Windows programs; sourced by every script
# that runs Wine. Debian's `wine` wrapper always starts the 32-bit loader when
# wine32 is installed, and a kernel without 32-bit support refuses that
# loader, so a 64-bit program always goes to the 64-bit loader, with a prefix
# that loader made (WINEARCH=win64), and 32-bit programs run only where the
# 32-bit loader starts, in a win32 prefix of their own. Wine's helper
# programs (wineboot, regedit, winepath) are started through the same loader
# as the programs of their prefix.
#
# VORNEN_WINE32 and VORNEN_WINE64 name the loaders (Debian's by default);
# VORNEN_WINE_64_ONLY=1 runs no 32-bit program even where one could run.

export VORNEN_WINE32=${VORNEN_WINE32:-/usr/lib/wine/wine}
export VORNEN_WINE64=${VORNEN_WINE64:-/usr/lib/wine/wine64}

# Prints why 32-bit Windows programs cannot run here, or nothing when they can.
wine32_unusable() {
  if [[ "${VORNEN_WINE_64_ONLY:-}" == 1 ]]; then
    echo "VORNEN_WINE_64_ONLY=1 asks for the 64-bit programs only"
    return
  fi
  if [[ ! -x "$VORNEN_WINE32" ]]; then
    echo "there is no 32-bit Wine loader at $VORNEN_WINE32 (package wine32)"
    return
  fi
  # The loader is itself a 32-bit program: where the kernel refuses those,
  # it does not start (Exec format error), whatever is installed.
  local out
  if ! out=$("$VORNEN_WINE32" --version 2>&1 </dev/null); then
    echo "this machine cannot run 32-bit programs ($VORNEN_WINE32: ${out##*: })"
  fi
}

# Sets `wine` and Wine's variables for programs of ARCH (win32 or win64) in
# PREFIX, which only this architecture's loader may make and use.
wine_select() {
  local arch=$1
  wine=$VORNEN_WINE64
  if [[ "$arch" == win32 ]]; then wine=$VORNEN_WINE32; fi
  export WINEPREFIX=$2 WINEARCH=$arch WINELOADER=$wine
}

# The architecture (win32 or win64) of the Windows program FILE, from the
# machine field of its PE header.
pe_arch() {
  local at machine
  at=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  machine=$(od -An -t x2 -j $((at + 4)) -N 2 "$1" | tr -d ' ')
  case "$machine" in
  014c) echo win32 ;;
  8664) echo win64 ;;
  *)
    echo "$1: not a Windows program for x86 (machine $machine)" >&2
    return 1
    ;;
  esac
}
