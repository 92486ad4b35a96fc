#!/usr/bin/env bash
# Makes the NuGet package VornEN.Net.VERSION.nupkg in OUT from the assembly and
# the native libraries, and checks that it holds exactly the files it should.
#
# Usage: pack.sh VERSION OUT ASSEMBLY_DIR WIN32_DLL WIN64_DLL LINUX_SO
#   ASSEMBLY_DIR holds VornEN.Net.dll and VornEN.Net.xml; WIN32_DLL and
#   WIN64_DLL are the two VornEN.dll, LINUX_SO the Linux library (any name).
set -euo pipefail
if [ $# != 6 ]; then
  sed -n '5,8p' "$0" >&2
  exit 2
fi
version=$1 out=$2 assembly=$3 win32=$4 win64=$5 linux=$6
here=$(cd "$(dirname "$0")" && pwd)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/win32" "$stage/win64" "$stage/home" "$out"
cp "$assembly/VornEN.Net.dll" "$assembly/VornEN.Net.xml" "$here/VornEN.Net.targets" "$stage/"
# The package's manifest, under the extension nuget pack reads.
cp "$here/VornEN.Net.package.xml" "$stage/VornEN.Net.nuspec"
cp "$win32" "$stage/win32/VornEN.dll"
cp "$win64" "$stage/win64/VornEN.dll"
cp "$linux" "$stage/libVornEN.so"
package=$(cd "$out" && pwd)/VornEN.Net.$version.nupkg
rm -f "$package"
# nuget writes its settings below HOME, and needs the output folder to exist.
(cd "$stage" && HOME="$stage/home" nuget pack VornEN.Net.nuspec -Properties "version=$version" \
  -OutputDirectory "$(dirname "$package")" -NoPackageAnalysis -NonInteractive >/dev/null)

expected="build/VornEN.Net.targets
lib/net45/VornEN.Net.dll
lib/net45/VornEN.Net.xml
runtimes/linux-x64/native/libVornEN.so
runtimes/win-x64/native/VornEN.dll
runtimes/win-x86/native/VornEN.dll"
# The package's own bookkeeping (nuspec, [Content_Types].xml, _rels/, package/)
# aside.
actual=$(python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' \
  "$package" | grep -E '^(build|lib|runtimes)/' || true)
if [ "$actual" != "$expected" ]; then
  echo "$package holds other files than expected:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  exit 1
fi
echo "$package"
