#!/usr/bin/env bash
# Installs what the tests need (when missing), then builds and runs every test:
# the Linux build, the same build under AddressSanitizer/UBSan, the arm64 and
# armhf builds with the same tests under qemu-user, a format check of the
# sources, short runs of every fuzz target, the 32- and 64-bit Windows builds
# (the 64-bit one tested under Wine), and the release packages with their
# checks.
set -euo pipefail
cd "$(dirname "$0")/.."

# Installs the Debian packages named that are not installed yet.
# shellcheck source=scripts/install-missing.sh
source scripts/install-missing.sh

install_missing cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev clang-format man-db

jobs=$(nproc)
for preset in linux linux-asan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

# ARM Linux: cross builds whose tests (unit, fixture machines and the
# program end to end) run under qemu-user, emulating the oldest core of each
# kind (Cortex-A53, Cortex-A7). GoogleTest is built from Debian's sources, so
# no foreign-architecture package is needed.
install_missing googletest qemu-user-static g++-aarch64-linux-gnu g++-arm-linux-gnueabihf
arm_started=$(date +%s)
for preset in linux-arm64 linux-armhf; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
echo "ARM builds and their emulated tests: $(($(date +%s) - arm_started)) s"

scripts/check-format.sh

# Fuzzing: every target of the instrumented clang build, a fixed number of
# runs each against its kept seed corpus (see scripts/run-fuzz.sh).
install_missing clang libclang-rt-14-dev
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
fuzz_started=$(date +%s)
scripts/run-fuzz.sh 20000
echo "Fuzz runs: $(($(date +%s) - fuzz_started)) s"

# Windows: both MinGW-w64 cross builds. The 64-bit build's tests run under
# Wine (the unit tests through CTest's emulator, and hwident.exe end to end);
# 32-bit programs cannot run on these machines, so the 32-bit build is
# compiled and linked and only its executable's shape is checked. Never
# wine32: it would pull in the whole i386 architecture.
install_missing g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 python3-pefile

cmake --preset windows-x86
cmake --build --preset windows-x86 -j "$jobs"
ctest --test-dir build/windows-x86 -L host --output-on-failure

cmake --preset windows-x64
cmake --build --preset windows-x64 -j "$jobs"
wine_started=$(date +%s)
# The unit tests' prefix (the one the preset's emulator names), made up front
# rather than by whichever test comes first. A program waiting on a pipe this
# script holds keeps the prefix's services up for the whole run: otherwise a
# test starting after the previous one's services went down waits seconds
# for them again. Closing the pipe ends it.
export WINEDEBUG=-all
unit_prefix=$PWD/build/windows-x64/wineprefix
WINEPREFIX=$unit_prefix /usr/lib/wine/wine64 wineboot -i
exec {wine_keeper}> >(WINEPREFIX=$unit_prefix exec /usr/lib/wine/wine64 cmd >/dev/null 2>&1)
ctest --preset windows-x64 -j "$jobs"
exec {wine_keeper}>&-
WINEPREFIX=$unit_prefix /usr/lib/wine/wineserver -w
echo "Wine tests (prefix set-up, unit and end-to-end tests): $(($(date +%s) - wine_started)) s"

# The release packages (dist/), then what must hold of them: the .debs and
# RPMs inspected and linted, the amd64 .deb installed, removed and purged on
# this machine and the x86_64 RPM in a scratch root (root only), the tarballs'
# x86_64 program alone in an empty root, every Linux program's C library
# needs, the Windows programs' version resources, the zip, and the 64-bit MSI
# under Wine.
install_missing dpkg-dev lintian systemd wixl msitools zip unzip rpm rpmlint cpio busybox-static
packages_started=$(date +%s)
scripts/package.sh
packaging/tests/check-packages.sh
echo "Packages and their checks: $(($(date +%s) - packages_started)) s"

# Fleets: the Ansible role and playbook in deploy/ansible, run for real
# against hosts on this machine with the .deb the packaging step left in
# dist/. The Windows tasks can only be parsed and linted: no Windows host
# answers here. The fleet page the second run writes is opened in headless
# Chromium, which leaves its screenshot in build/.
install_missing ansible ansible-lint python3-apt openssh-client
install_missing chromium chromium-driver python3-selenium
fleet_started=$(date +%s)
deploy/ansible/tests/fleet_filter_test.py
deploy/ansible/tests/package_choice_test.py
deploy/ansible/tests/fleet_test.py dist build/fleet-page.png
echo "Fleet playbook and its checks: $(($(date +%s) - fleet_started)) s"
