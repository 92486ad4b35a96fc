#!/usr/bin/env bash
# Installs the Debian packages the project needs. Safe to run again.
#   bash scripts/setup.sh          everything: builds, every test, packages
#   bash scripts/setup.sh --demo   only what scripts/demo.sh needs
set -euo pipefail

# The demonstration: the build, the test bed, and the window it opens.
demo_packages=(
  build-essential cmake ninja-build
  # vornctl, which the demonstration runs: its JSON output
  nlohmann-json3-dev
  # test bed
  iproute2 procps psmisc
  # window tool
  # (the platform plugins, offscreen and xcb, are only a recommendation of Qt GUI)
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6opengl6-dev libgl-dev
  fonts-ipafont-gothic
)

# Everything else the tests need.
test_packages=(
  pkg-config git googletest libgtest-dev libgmock-dev
  clang clang-format libclang-rt-14-dev
  # vornctl's tests: setpriv runs it without the network-administration right,
  # bash and groff check its completion and manual page
  util-linux bash groff-base
  # the window's tests and screenshots
  xvfb xauth imagemagick xdotool
  # the Python module's tests
  python3 python3-pytest
  # the .NET assembly VornEN.Net.dll and its test (Mono), its NuGet package and
  # the test of the package's MSBuild targets
  mono-mcs mono-runtime nuget mono-xbuild
  # the API reference, the Debian packages and their check
  doxygen dpkg-dev file lintian
  # the packages' build (debian/), their autopkgtests, and the checks of the
  # right to set addresses (getcap, dpkg-reconfigure, setpriv)
  debhelper dh-python autopkgtest libcap2-bin debconf
  # Windows DLLs: cross compilers with the POSIX thread model, and Wine for
  # the tests (wine32 runs the 32-bit programs)
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 wine wine64 wine32
  # VornEN.lib for Microsoft's linker (llvm-dlltool), and its test's linker
  llvm lld
  # the Windows installers (wixl) and their test's look into them (msiinfo)
  wixl msitools
  # signing the Windows release (scripts/sign.sh) and its test's certificate
  osslsigncode openssl
  # the Ansible collection and its plant in the test bed: ansible-core on the
  # controller, Debian's sshd on the segment PCs (run by the test itself)
  ansible-core openssh-server openssh-client
)

packages=("${demo_packages[@]}")
case "${1:-}" in
  --demo) ;;
  "")
    packages+=("${test_packages[@]}")
    # wine32 is an i386 package; the package lists must know that architecture.
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      dpkg --add-architecture i386
    fi
    ;;
  *)
    echo "usage: $0 [--demo]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  # The test bed runs sshd itself, in its namespaces; a new openssh-server
  # must not start (now or at boot) a service on the machine's own network.
  # Debian's service does not run while this file exists.
  if [[ " ${missing[*]} " == *" openssh-server "* ]]; then
    mkdir -p /etc/ssh
    touch /etc/ssh/sshd_not_to_be_run
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi
