#!/usr/bin/env bash
# Links a caller of all seven exports as a Visual Studio project does: clang
# compiles it for Microsoft's ABI and lld-link, Microsoft's linker's
# command-line twin, links it against VornEN.lib with no runtime at all. Every
# call must resolve, and the program's import table must name VornEN.dll's
# seven undecorated exports (a 32-bit import library made without -k links
# too, but imports names such as En_Open@0 that the DLL does not have).
#
# Usage: msvc_link_test.sh win32|win64 VornEN.lib INCLUDE_DIR CALLER.c
set -euo pipefail
arch=$1 lib=$2 include=$3 caller=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
case "$arch" in
  win32) machine=x86 target=i686 ;;
  win64) machine=x64 target=x86_64 ;;
  *) fail "unknown architecture $arch" ;;
esac
for tool in clang lld-link llvm-readobj; do
  command -v "$tool" >/dev/null || fail "$tool not found: run scripts/setup.sh"
done

# Freestanding: the compiler's own stdint.h, no Windows SDK.
clang --target="$target-pc-windows-msvc" -ffreestanding -Wall -Werror -I"$include" \
  -c "$caller" -o "$work/caller.obj"
lld-link /nologo /machine:"$machine" /subsystem:console /entry:vornen_caller /nodefaultlib \
  /out:"$work/caller.exe" "$work/caller.obj" "$lib" || fail "the caller did not link"

llvm-readobj --coff-imports "$work/caller.exe" >"$work/imports.txt"
grep -qx '  Name: VornEN.dll' "$work/imports.txt" || fail "no import from VornEN.dll"
imported=$(sed -n 's/^ *Symbol: \([^ ]*\) .*/\1/p' "$work/imports.txt" | sort | paste -sd ' ')
expected="En_Close En_Get_Dll_Version En_Get_IPAddress En_Open En_SendRecvStr En_SendStr En_Set_IPAddress"
[[ "$imported" == "$expected" ]] || fail "imports '$imported', not '$expected'"
echo "$arch: the caller imports $imported from VornEN.dll"
