#!/usr/bin/env bash
# Builds every package of a release into dist/:
#   hwident_<version>_amd64.deb        the Linux program, its manual and unit
#   hwident-<version>-x64.msi          64-bit Windows, Program Files\hwident
#   hwident-<version>-x86.msi          32-bit Windows, Program Files (x86)\hwident
#   hwident-<version>-windows.zip      both Windows programs, README, licence
# The version is the one in the top CMakeLists.txt. Needs cmake, g++,
# dpkg-dev (for the package's Depends), the MinGW-w64 compilers, wixl and zip.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}

cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$jobs"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux-release/CMakeCache.txt)
[ -n "$version" ] || { echo "no project version in the release build" >&2; exit 1; }

mkdir -p dist
rm -f dist/hwident_*.deb dist/hwident-*.msi dist/hwident-*-windows.zip

# The Debian package, from the release build's install rules.
(cd build/linux-release && cpack -G DEB -B package >/dev/null)
cp "build/linux-release/package/hwident_${version}_amd64.deb" dist/

# The Windows programs: only the program itself is built here, so the test
# builds of the same presets are reused when they exist. Each is installed
# stripped into a staging folder the MSI and the zip are made from.
zip_root=build/windows-zip/hwident-$version
rm -rf build/windows-zip
mkdir -p "$zip_root"
for arch in x86 x64; do
  build=build/windows-$arch
  cmake --preset "windows-$arch" >/dev/null
  cmake --build --preset "windows-$arch" -j "$jobs" --target hwident
  stage=$build/stage
  rm -rf "$stage"
  cmake --install "$build" --prefix "$stage" --strip >/dev/null
  wixl --arch "$arch" -D SourceDir="$stage" -o "dist/hwident-$version-$arch.msi" "$build/hwident.wxs"
  mkdir -p "$zip_root/$arch"
  cp "$stage/hwident.exe" "$zip_root/$arch/"
done
cp "$stage/README.txt" "$stage/LICENSE.txt" "$zip_root/"
(cd build/windows-zip && zip -q -X -r "../../dist/hwident-$version-windows.zip" "hwident-$version")

ls -l dist/
