#!/usr/bin/env bash
# Packs VornEN.Net with dotnet/nuget/pack.sh (which checks the file list) and
# checks which native library build/VornEN.Net.targets copies for each kind
# of project. The Linux library stands in for the two VornEN.dll; a marker
# byte in each copy tells them apart.
#
# Usage: nuget_package_test.sh VERSION WORK_DIR ASSEMBLY_DIR LIBRARY
set -euo pipefail
version=$1 work=$2 assembly=$3 library=$4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/in" "$work/home"
for arch in win32 win64 linux; do
  cp "$library" "$work/in/$arch"
  printf '%s' "$arch" >>"$work/in/$arch"
done
"$here/../nuget/pack.sh" "$version" "$work/out" "$assembly" "$work/in/win32" "$work/in/win64" "$work/in/linux"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
  "$work/out/VornEN.Net.$version.nupkg" "$work/package"

cat >"$work/probe.proj" <<'PROJ'
<Project ToolsVersion="4.0" DefaultTargets="Show" xmlns="http://schemas.microsoft.com/developer/msbuild/2003">
  <Import Project="$(PackageDir)/build/VornEN.Net.targets" />
  <Target Name="Show">
    <Message Importance="high" Text="native: %(None.FullPath) as %(None.Link)" Condition="'@(None)' != ''" />
  </Target>
</Project>
PROJ

failures=0
# expect WANTED PROPERTY...: WANTED is the stand-in's marker, or "none".
expect() {
  local wanted=$1 output copied=none file
  shift
  output=$(HOME="$work/home" xbuild /nologo /v:minimal "$work/probe.proj" "/p:PackageDir=$work/package" "$@")
  file=$(sed -n 's/^[[:space:]]*native: \(.*\) as .*/\1/p' <<<"$output")
  if [ -n "$file" ]; then
    copied=$(tail -c 5 "$file" | sed 's/.*\(win32\|win64\|linux\)$/\1/')
  fi
  if [ "$copied" != "$wanted" ]; then
    echo "FAILED: $*: expected $wanted, got $copied ($file)" >&2
    failures=$((failures + 1))
  fi
}
expect win32 /p:OS=Windows_NT /p:PlatformTarget=x86
expect win64 /p:OS=Windows_NT /p:PlatformTarget=x64
expect win32 /p:OS=Windows_NT /p:PlatformTarget=AnyCPU /p:Prefer32Bit=true /p:OutputType=Exe
expect win64 /p:OS=Windows_NT /p:PlatformTarget=AnyCPU /p:Prefer32Bit=false /p:OutputType=Exe
expect win32 /p:OS=Windows_NT /p:PlatformTarget=AnyCPU /p:OutputType=Library
expect linux /p:OS=Unix
expect none /p:OS=Windows_NT /p:TargetFrameworkIdentifier=.NETCoreApp
[ "$failures" = 0 ] && echo "all checks passed"
exit $((failures > 0))
