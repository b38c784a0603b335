#!/usr/bin/env bash
# Builds every package of a release into dist/:
#   hwident_<version>_{amd64,arm64,armhf}.deb         Debian 10+, Ubuntu 20.04+
#   hwident-<version>-1.{x86_64,aarch64}.rpm          RHEL 8+, SUSE and their kin
#   hwident-<version>-linux-{x86_64,aarch64,armv7}.tar.gz
#                                                     the program for any Linux
#   hwident-<version>-x64.msi                         64-bit Windows
#   hwident-<version>-x86.msi                         32-bit Windows
#   hwident-<version>-windows.zip                     both Windows programs
# Every Linux program is the same static build of its architecture: it needs
# no shared library and no particular C library, so the packages depend on
# nothing. The version is the one in the top CMakeLists.txt. Needs cmake, the
# native, ARM and MinGW-w64 compilers, dpkg-dev, rpm, wixl and zip.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}

mkdir -p dist
rm -f dist/hwident_*.deb dist/hwident-*.rpm dist/hwident-*-linux-*.tar.gz \
  dist/hwident-*.msi dist/hwident-*-windows.zip

# One release build per architecture: preset, Debian, RPM and tarball names
# (no RPM for armhf).
linux_builds=(
  "linux-release amd64 x86_64 x86_64"
  "linux-release-arm64 arm64 aarch64 aarch64"
  "linux-release-armhf armhf - armv7"
)
version=""
for build in "${linux_builds[@]}"; do
  read -r preset deb_arch rpm_arch tar_arch <<<"$build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  dir=build/$preset
  build_version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
  [ -n "$build_version" ] || { echo "no project version in $dir" >&2; exit 1; }
  version=$build_version

  (cd "$dir" && cpack -G DEB -B package >/dev/null)
  cp "$dir/package/hwident_${version}_${deb_arch}.deb" dist/
  if [ "$rpm_arch" != - ]; then
    (cd "$dir" && cpack -G RPM -B package >/dev/null)
    cp "$dir/package/hwident-${version}-1.${rpm_arch}.rpm" dist/
  fi

  # The tarball: the stripped program, its manual, README and LICENSE in one
  # folder, with fixed owners, order and times so a rebuild gives the same
  # bytes.
  name=hwident-$version-linux-$tar_arch
  stage=$dir/tarball/$name
  rm -rf "$dir/tarball"
  mkdir -p "$stage"
  cmake --install "$dir" --prefix "$dir/tarball/usr" --strip --component Unspecified >/dev/null
  mv "$dir/tarball/usr/bin/hwident" "$dir/tarball/usr/share/man/man1/hwident.1.gz" "$stage/"
  cp README.md "$stage/README"
  cp LICENSE "$stage/LICENSE"
  chmod 0755 "$stage/hwident"
  chmod 0644 "$stage/hwident.1.gz" "$stage/README" "$stage/LICENSE"
  mtime=$(git log -1 --format=%cI 2>/dev/null || date -u +%Y-%m-%dT%H:%M:%SZ)
  tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="$mtime" \
    -C "$dir/tarball" -cf - "$name" | gzip -9n >"dist/$name.tar.gz"
done

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
