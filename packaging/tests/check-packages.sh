#!/usr/bin/env bash
# Checks the packages scripts/package.sh left in dist/:
#   deb       each architecture's package: contents, control fields, lintian
#             (no errors); then on this machine (root only: it is a
#             throwaway) the amd64 one: install, the version, the manual,
#             the unit, and that installing again, removing and purging
#             treat the report in /var/lib/hwident right
#   rpm       each architecture's package: contents, requirements, rpmlint
#             (no errors); the x86_64 one installed into a scratch root, its
#             program run there, then upgraded and erased (root only)
#   tarball   each architecture's tarball: its files, and the x86_64 program
#             run alone in an empty root, where it must write the report the
#             installed package's program writes (root only)
#   programs  every Linux program shipped: static or needing nothing newer
#             than glibc 2.28 and no C++ runtime, the same version from each,
#             and the ARM ones run on the oldest cores of their kind
#   windows   both programs' version resources and manifests, the zip's files
#   msi       the 64-bit MSI under 64-bit Wine in a throwaway prefix: silent
#             install into Program Files\hwident, a report from the installed
#             program, an upgrade by a newer MSI leaving one entry, uninstall
# Usage: check-packages.sh [deb|rpm|tarball|programs|windows|msi]... (all when
# none given; the tarball check installs the amd64 .deb first when needed)
set -euo pipefail
cd "$(dirname "$0")/../.."

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux-release/CMakeCache.txt)
deb=dist/hwident_${version}_amd64.deb
debs=(amd64 arm64 armhf)
rpms=(x86_64 aarch64)
tarballs=(x86_64 aarch64 armv7)
msi64=dist/hwident-$version-x64.msi
msi32=dist/hwident-$version-x86.msi
zip=dist/hwident-$version-windows.zip
work=$(mktemp -d)
trap 'cleanup_mounts; rm -rf "$work"' EXIT
mounts=()

cleanup_mounts() {
  local index
  for ((index = ${#mounts[@]} - 1; index >= 0; index--)); do
    umount -l "${mounts[index]}" 2>/dev/null || true
  done
  mounts=()
}

# /proc and /sys of this machine inside ROOT, read-only, for a program run
# there with chroot.
bind_machine() {
  local root=$1 tree
  for tree in proc sys; do
    mkdir -p "$root/$tree"
    mount --rbind "/$tree" "$root/$tree"
    mount --make-rslave "$root/$tree"
    mounts+=("$root/$tree")
  done
}

# The entries the report of a program run in another root is compared on:
# what comes from /proc and /sys alone (the roots have no /etc).
machine_entries=(
  "Win32_ComputerSystem;Manufacturer,Model,NumberOfLogicalProcessors,SystemType,TotalPhysicalMemory"
  "Win32_ComputerSystemProduct;IdentifyingNumber,Name,UUID,Vendor,Version"
  "Win32_BIOS;Manufacturer,ReleaseDate,SerialNumber,SMBIOSBIOSVersion,SMBIOSPresent"
  "Win32_BaseBoard;Manufacturer,Product,SerialNumber"
  "Win32_Processor;Architecture,Manufacturer,Name,NumberOfCores,NumberOfLogicalProcessors"
)

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
pass() { echo "ok: $*"; }

check_deb() {
  local arch
  for arch in "${debs[@]}"; do
    check_deb_file "dist/hwident_${version}_$arch.deb" "$arch"
  done
  if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installing $deb needs root (CI runs as root)"
    return
  fi
  check_deb_installed
}

# What any architecture's package must hold; the ARM ones cannot be
# installed here, so this is all they get besides the programs check.
check_deb_file() {
  local file=$1 arch=$2
  [ -f "$file" ] || fail "no $file"
  local listing
  listing=$(dpkg-deb --contents "$file" | awk '{print $1, $2, $NF}')
  for path in ./usr/bin/hwident ./usr/share/man/man1/hwident.1.gz \
    ./usr/share/doc/hwident/README ./usr/share/doc/hwident/changelog.gz \
    ./usr/share/doc/hwident/copyright ./usr/lib/systemd/system/hwident.service; do
    grep -q " $path\$" <<<"$listing" || fail "$file lacks $path"
  done
  # Owned by root, and nothing in /var: the report is never the package's.
  grep -qv '^[^ ]* root/root ' <<<"$listing" && fail "a file not owned by root"
  grep -q ' \./var' <<<"$listing" && fail "$file ships something in /var"
  [ "$(dpkg-deb --field "$file" Version)" = "$version" ] || fail "$file: package version"
  [ "$(dpkg-deb --field "$file" Architecture)" = "$arch" ] || fail "$file: architecture"
  # The program is static: it needs no library, so the package depends on
  # nothing and installs on every release, the oldest included.
  local depends
  depends=$(dpkg-deb --field "$file" Depends Pre-Depends)
  [ -z "$depends" ] || fail "$file depends on something: $depends"
  pass "$file: contents, Version $version, Architecture $arch, no Depends"

  # Errors fail; the warnings and notes kept are shown (and listed in the
  # packaging notes of the README).
  local lintian_output
  lintian_output=$(lintian "$file" 2>&1 | grep -v 'running with root privileges') || true
  [ -z "$lintian_output" ] || printf '%s\n' "$lintian_output"
  grep -q '^E: ' <<<"$lintian_output" && fail "lintian reports errors on $file"
  pass "lintian $file: no errors"
}

# The unit's command line, run as the unit would run it, as a stand-in for
# systemd where none runs (containers, this CI).
# Usage: run_unit_command [ROOT]: the installed unit of ROOT (a scratch
# root, run there through chroot), or of this machine.
run_unit_command() {
  local root=${1:-} command
  command=$(sed -n '/^ExecStart=/,/[^\\]$/p' "$root/usr/lib/systemd/system/hwident.service" \
    | sed 's/^ExecStart=//; s/\\$//' | tr -d '\n')
  mkdir -p "$root/var/lib/hwident"
  if [ -n "$root" ]; then
    (cd / && env -i Windir=/var/lib/hwident /usr/sbin/chroot "$root" /bin/sh -c "$command" </dev/null)
  else
    (cd / && env -i Windir=/var/lib/hwident bash -c "$command" </dev/null)
  fi
}

check_deb_installed() {
  local report=/var/lib/hwident/Model.txt
  DEBIAN_FRONTEND=noninteractive dpkg -i "$deb" >/dev/null
  [ "$(hwident --version | head -n 1)" = "hwident $version" ] || fail "hwident --version"
  man -w hwident >/dev/null || fail "man -w does not find hwident(1)"
  systemd-analyze verify /usr/lib/systemd/system/hwident.service \
    || fail "systemd-analyze verify rejects the unit"
  pass "installed: hwident --version, man -w hwident, systemd-analyze verify"

  # The unit's default entries give a full report and not a single message.
  local messages
  messages=$(run_unit_command 2>&1)
  [ -z "$messages" ] || fail "the unit's command line shows messages: $messages"
  grep -q '^Model = ' "$report" || fail "no model line in $report"
  grep -q '^Caption = ' "$report" || fail "no operating system line in $report"
  pass "the unit's command line writes $report ($(wc -l <"$report") lines)"

  local before
  before=$(sha256sum "$report")
  DEBIAN_FRONTEND=noninteractive dpkg -i "$deb" >/dev/null
  [ "$(sha256sum "$report")" = "$before" ] || fail "installing again changed the report"
  dpkg -r hwident >/dev/null
  [ ! -e /usr/bin/hwident ] || fail "removal left the program"
  [ "$(sha256sum "$report")" = "$before" ] || fail "removal lost the report"
  DEBIAN_FRONTEND=noninteractive dpkg -i "$deb" >/dev/null
  [ "$(sha256sum "$report")" = "$before" ] || fail "installing after a removal changed the report"
  pass "installing again, removing and installing once more keep the report"
  dpkg -P hwident >/dev/null
  [ ! -e /var/lib/hwident ] || fail "purge left /var/lib/hwident"
  pass "purge removes /var/lib/hwident"
}

check_rpm() {
  local arch
  for arch in "${rpms[@]}"; do
    check_rpm_file "dist/hwident-$version-1.$arch.rpm" "$arch"
  done
  if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installing the RPM into a scratch root needs root (CI runs as root)"
    return
  fi
  check_rpm_installed "dist/hwident-$version-1.x86_64.rpm"
}

check_rpm_file() {
  local file=$1 arch=$2
  [ -f "$file" ] || fail "no $file"
  local listing
  listing=$(rpm -qp --queryformat '[%{FILEUSERNAME}:%{FILEGROUPNAME} %{FILENAMES}\n]' "$file")
  for path in /usr/bin/hwident /usr/share/man/man1/hwident.1.gz /usr/share/doc/hwident/README \
    /usr/share/doc/hwident/changelog.gz /usr/share/doc/hwident/copyright \
    /usr/lib/systemd/system/hwident.service /usr/lib/systemd/system-preset/50-hwident.preset; do
    grep -q " $path\$" <<<"$listing" || fail "$file lacks $path"
  done
  grep -qv '^root:root ' <<<"$listing" && fail "$file: a file not owned by root"
  grep -qE ' /var| /usr/share/lintian' <<<"$listing" && fail "$file ships something it must not"
  # The package owns its own files and its doc folder, never the system's folders.
  grep -qxE 'root:root /usr(/bin|/lib|/lib/systemd|/lib/systemd/system|/share|/share/man)?' \
    <<<"$listing" && fail "$file owns a folder of the system"
  local identity
  identity=$(rpm -qp --queryformat '%{NAME} %{VERSION}-%{RELEASE} %{ARCH}' "$file")
  [ "$identity" = "hwident $version-1 $arch" ] || fail "$file is $identity"
  # Nothing a minimal RHEL 8 lacks: a shell for the scriptlets and features
  # of rpm itself.
  local requires
  requires=$(rpm -qp --requires "$file" | sort -u)
  grep -qvE '^(/bin/sh|rpmlib\(.*\) <= [0-9.-]+)$' <<<"$requires" \
    && fail "$file requires more than a shell and rpm: $requires"
  pass "$file: contents, $identity, requires only $(tr '\n' ' ' <<<"$requires")"

  # Errors fail; the warnings kept are shown (and explained in the README).
  local rpmlint_output
  rpmlint_output=$(rpmlint -c packaging/rpm/rpmlint.toml "$file" 2>&1) || true
  grep -E '^hwident\.' <<<"$rpmlint_output" || true
  grep -qE ' 0 errors, ' <<<"$rpmlint_output" || fail "rpmlint reports errors on $file"
  pass "rpmlint $file: no errors"
}

# The RPM in a scratch root of its own: an rpm database and, for the
# scriptlets, which run for real, a static busybox as /bin/sh. The root has
# no base system, so rpm is told not to look for the shell's package
# (--nodeps); the program itself needs nothing.
check_rpm_installed() {
  local file=$1 root=$work/rpm-root
  local report=$root/var/lib/hwident/Model.txt
  mkdir -p "$root/usr/bin" "$root/var/tmp"
  ln -s usr/bin "$root/bin"
  cp /bin/busybox "$root/usr/bin/busybox"
  ln -s busybox "$root/usr/bin/sh"
  rpm --root "$root" --initdb
  rpm --root "$root" -i --nodeps "$file" || fail "rpm -i $file"
  [ -x "$root/usr/bin/hwident" ] || fail "no /usr/bin/hwident in the scratch root"
  [ "$(rpm --root "$root" -q hwident)" = "hwident-$version-1.x86_64" ] || fail "rpm -q"

  # The unit's command line in the root, as systemd would run it there.
  bind_machine "$root"
  local messages
  messages=$(run_unit_command "$root" 2>&1) \
    || fail "the unit's command line in the scratch root: $messages"
  [ -z "$messages" ] || fail "the unit's command line in the scratch root: $messages"
  grep -q '^Model = ' "$report" || fail "no model line in the scratch root's report"
  cleanup_mounts
  pass "rpm -i into a scratch root; its unit's command line writes a report there"

  # An upgrade to the next release of the package, then an erase: the
  # report is never touched, and an erase keeps /var/lib/hwident.
  local before newer
  before=$(sha256sum "$report")
  (cd build/linux-release && cpack -G RPM -B "$work/newer" -D CPACK_RPM_PACKAGE_RELEASE=2 >/dev/null)
  newer=$work/newer/hwident-$version-2.x86_64.rpm
  rpm --root "$root" -U --nodeps "$newer" || fail "rpm -U $newer"
  [ "$(rpm --root "$root" -q hwident)" = "hwident-$version-2.x86_64" ] || fail "not upgraded"
  [ "$(sha256sum "$report")" = "$before" ] || fail "the upgrade changed the report"
  rpm --root "$root" -e hwident || fail "rpm -e"
  [ ! -e "$root/usr/bin/hwident" ] || fail "the erase left the program"
  [ ! -e "$root/usr/lib/systemd/system/hwident.service" ] || fail "the erase left the unit"
  [ "$(sha256sum "$report")" = "$before" ] || fail "the erase lost the report"
  pass "rpm -U to release 2 and rpm -e keep the report and /var/lib/hwident"
}

check_tarball() {
  local arch name listing expected
  for arch in "${tarballs[@]}"; do
    name=hwident-$version-linux-$arch
    [ -f "dist/$name.tar.gz" ] || fail "no dist/$name.tar.gz"
    listing=$(tar -tvzf "dist/$name.tar.gz" | awk '{print $1, $2, $NF}')
    expected="drwxr-xr-x 0/0 $name/
-rw-r--r-- 0/0 $name/LICENSE
-rw-r--r-- 0/0 $name/README
-rwxr-xr-x 0/0 $name/hwident
-rw-r--r-- 0/0 $name/hwident.1.gz"
    [ "$listing" = "$expected" ] || fail "dist/$name.tar.gz holds: $listing"
  done
  pass "tarballs for ${tarballs[*]}: hwident, hwident.1.gz, README, LICENSE"

  if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: running the program in an empty root needs root (CI runs as root)"
    return
  fi
  # The packaged program on this machine gives the report to compare with.
  local packaged=$work/packaged root=$work/empty-root
  mkdir -p "$packaged/windows" "$root/windows"
  dpkg-deb -x "$deb" "$packaged"
  (cd / && env -i Windir="$packaged/windows" "$packaged/usr/bin/hwident" "${machine_entries[@]}" \
    </dev/null) || fail "the packaged program"
  # The root holds the program alone: no library, no /etc, no shell.
  name=hwident-$version-linux-x86_64
  tar -xzf "dist/$name.tar.gz" -C "$work" "$name/hwident"
  cp "$work/$name/hwident" "$root/hwident"
  bind_machine "$root"
  local messages
  messages=$(cd / && env -i Windir=/windows /usr/sbin/chroot "$root" /hwident "${machine_entries[@]}" \
    2>&1 </dev/null) || fail "the tarball's program in an empty root"
  cleanup_mounts
  [ -z "$messages" ] || fail "messages in the empty root: $messages"
  cmp "$packaged/windows/Model.txt" "$root/windows/Model.txt" \
    || fail "the empty root's report differs from the packaged program's"
  pass "the x86_64 tarball's program, alone in an empty root, writes the packaged program's report ($(wc -l <"$root/windows/Model.txt") lines)"
}

# Every Linux program shipped, taken out of its package: its C library needs,
# its version, and a run on the oldest core of its kind (under qemu-user).
check_programs() {
  local programs=$work/programs arch file
  mkdir -p "$programs"
  for arch in "${debs[@]}"; do
    mkdir -p "$programs/deb-$arch"
    dpkg-deb -x "dist/hwident_${version}_$arch.deb" "$programs/deb-$arch"
    check_program "$programs/deb-$arch/usr/bin/hwident" "hwident_${version}_$arch.deb"
  done
  for arch in "${rpms[@]}"; do
    file=$PWD/dist/hwident-$version-1.$arch.rpm
    mkdir -p "$programs/rpm-$arch"
    (cd "$programs/rpm-$arch" && rpm2cpio "$file" | cpio -id --quiet ./usr/bin/hwident)
    check_program "$programs/rpm-$arch/usr/bin/hwident" "hwident-$version-1.$arch.rpm"
  done
  for arch in "${tarballs[@]}"; do
    tar -xzf "dist/hwident-$version-linux-$arch.tar.gz" -C "$programs" \
      "hwident-$version-linux-$arch/hwident"
    check_program "$programs/hwident-$version-linux-$arch/hwident" \
      "hwident-$version-linux-$arch.tar.gz"
  done
}

check_program() {
  local program=$1 from=$2 machine runner=() needs
  machine=$(readelf -hW "$program" | sed -n 's/^ *Machine: *//p')
  case $machine in
    "Advanced Micro Devices X86-64") ;;
    AArch64) runner=(qemu-aarch64-static -cpu cortex-a53) ;;
    ARM) runner=(qemu-arm-static -cpu cortex-a7) ;;
    *) fail "$from: a program for $machine" ;;
  esac
  # A program with no interpreter and no needed library is static: it needs
  # no C library at all. Any other needs glibc 2.28 at most and no C++
  # runtime.
  if readelf -lW "$program" | grep -q 'Requesting program interpreter' \
    || readelf -dW "$program" | grep -q '(NEEDED)'; then
    readelf -dW "$program" | grep -qE 'NEEDED.*(libstdc\+\+|libgcc_s)' \
      && fail "$from: the program needs a C++ runtime"
    local newest
    newest=$(readelf --dyn-syms -W "$program" | grep -oE 'GLIBC_[0-9]+(\.[0-9]+)*' \
      | sort -uV | tail -n 1)
    [ "$(printf '%s\n' "$newest" GLIBC_2.28 | sort -V | tail -n 1)" = GLIBC_2.28 ] \
      || fail "$from: the program needs $newest"
    needs="nothing newer than $newest"
  else
    needs="no C library (static)"
  fi
  # Name-service lookups would make glibc load modules from the host.
  grep -qa 'nsswitch.conf' "$program" && fail "$from: the program can look names up through NSS"
  local shown
  shown=$("${runner[@]}" "$program" --version | head -n 1)
  [ "$shown" = "hwident $version" ] || fail "$from: --version says $shown"
  local windir=$work/run-$RANDOM
  mkdir -p "$windir"
  (cd / && env -i Windir="$windir" "${runner[@]}" "$program" 'Win32_Processor;Name' </dev/null) \
    || fail "$from: the run"
  grep -q '^Model = ' "$windir/Model.txt" || fail "$from: no report"
  pass "$from: $machine, needs $needs, $shown${runner:+, runs on a ${runner[2]}}"
}

check_windows() {
  local arch
  for arch in x86 x64; do
    /usr/bin/python3 packaging/tests/check-version-resource.py \
      "build/windows-$arch/stage/hwident.exe" "$version"
  done
  [ -f "$zip" ] || fail "no $zip"
  local listing
  listing=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
  local expected="hwident-$version/ hwident-$version/LICENSE.txt hwident-$version/README.txt"
  expected+=" hwident-$version/x64/ hwident-$version/x64/hwident.exe"
  expected+=" hwident-$version/x86/ hwident-$version/x86/hwident.exe "
  [ "$listing" = "$expected" ] || fail "$zip holds: $listing"
  pass "$zip: $listing"
  check_msi_tables "$msi32" 'Intel;1033' ProgramFilesFolder
  check_msi_tables "$msi64" 'x64;1033' ProgramFiles64Folder
}

# What an MSI declares, for the architecture that cannot run here too: its
# platform, a per-machine install into Program Files\hwident (the folder of
# its own architecture), and the one fixed UpgradeCode.
check_msi_tables() {
  local msi=$1 template=$2 folder=$3 summary directories properties upgrades
  [ -f "$msi" ] || fail "no $msi"
  # Each table read whole first: grep -q leaving early would cut msiinfo off.
  summary=$(msiinfo suminfo "$msi" | tr -d '\r')
  directories=$(msiinfo export "$msi" Directory | tr -d '\r')
  properties=$(msiinfo export "$msi" Property | tr -d '\r')
  upgrades=$(msiinfo export "$msi" Upgrade | tr -d '\r')
  grep -qx "Template: $template" <<<"$summary" || fail "$msi: not $template"
  grep -qxP "INSTALLDIR\t$folder\thwident" <<<"$directories" \
    || fail "$msi: not installed into $folder\\hwident"
  grep -qxP 'ALLUSERS\t1' <<<"$properties" || fail "$msi: not per machine"
  grep -qxP "ProductVersion\t$version" <<<"$properties" || fail "$msi: not version $version"
  grep -qxP 'UpgradeCode\t\{5B0E4C1A-8F3D-4E27-9A6B-2C71D0E5F493\}' <<<"$properties" \
    || fail "$msi: another UpgradeCode"
  grep -q WIX_UPGRADE_DETECTED <<<"$upgrades" || fail "$msi: no major upgrade"
  pass "$msi: $template, per machine into $folder\\hwident, fixed UpgradeCode"
}

# The uninstall entries whose name is hwident, one a line.
hwident_entries() {
  "$wine" uninstaller --list 2>/dev/null | tr -d '\r' | grep '|||hwident$' || true
}

check_msi() {
  [ -f "$msi64" ] || fail "no $msi64"
  wine=/usr/lib/wine/wine64
  export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
  unset DISPLAY WAYLAND_DISPLAY
  local program_dir=$WINEPREFIX/drive_c/Program\ Files/hwident
  local report=$WINEPREFIX/drive_c/windows/Model.txt
  "$wine" wineboot -i >/dev/null 2>&1

  "$wine" msiexec /i "$(winepath_of "$msi64")" /qn || fail "msiexec /i $msi64"
  [ -f "$program_dir/hwident.exe" ] || fail "no hwident.exe in C:\\Program Files\\hwident"
  [ -f "$program_dir/README.txt" ] && [ -f "$program_dir/LICENSE.txt" ] \
    || fail "README.txt or LICENSE.txt missing beside the program"
  [ "$(hwident_entries | wc -l)" -eq 1 ] || fail "entries after install: $(hwident_entries)"
  pass "silent install into C:\\Program Files\\hwident"

  rm -f "$report"
  "$wine" 'C:\Program Files\hwident\hwident.exe' 'Win32_BIOS;Manufacturer' || fail "the run"
  grep -q '^Model = ' "$report" || fail "the installed program wrote no report"
  pass "the installed program writes $(tr -d '\r' <"$report" | tr '\n' ' ')"

  # A newer release: the same description with the next patch version.
  local newer=${version%.*}.$((${version##*.} + 1))
  sed "s/Version=\"$version\"/Version=\"$newer\"/" build/windows-x64/hwident.wxs >"$work/newer.wxs"
  wixl --arch x64 -D SourceDir=build/windows-x64/stage -o "$work/newer.msi" "$work/newer.wxs"
  "$wine" msiexec /i "$(winepath_of "$work/newer.msi")" /qn || fail "msiexec /i newer"
  local entries
  entries=$(hwident_entries)
  [ "$(wc -l <<<"$entries")" -eq 1 ] || fail "after the upgrade: $entries"
  local uninstall_keys
  uninstall_keys=$("$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
    /s 2>/dev/null | tr -d '\r')
  grep -q "DisplayVersion.*$newer" <<<"$uninstall_keys" || fail "the entry is not version $newer"
  [ -f "$program_dir/hwident.exe" ] || fail "the upgrade lost the program"
  pass "$newer upgrades $version, one entry: $entries"

  "$wine" msiexec /x "$(winepath_of "$work/newer.msi")" /qn || fail "msiexec /x"
  [ ! -e "$program_dir/hwident.exe" ] || fail "uninstall left the program"
  [ -z "$(hwident_entries)" ] || fail "uninstall left an entry"
  pass "silent uninstall removes the program and its entry"
  /usr/lib/wine/wineserver -k 2>/dev/null || true
}

# A Linux path as Windows programs in the prefix see it (drive Z: is /).
winepath_of() {
  local path
  path=$(realpath "$1")
  echo "Z:${path//\//\\}"
}

(($#)) || set -- deb rpm tarball programs windows msi
for part in "$@"; do
  "check_$part"
done
