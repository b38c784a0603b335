#!/usr/bin/env bash
# Checks the packages scripts/package.sh left in dist/:
#   deb      the package's contents and control fields, lintian (no errors),
#            then on this machine (root only: it is a throwaway): install, the
#            version, the manual, the unit, and that installing again,
#            removing and purging treat the report in /var/lib/hwident right
#   windows  both programs' version resources and manifests, the zip's files
#   msi      the 64-bit MSI under 64-bit Wine in a throwaway prefix: silent
#            install into Program Files\hwident, a report from the installed
#            program, an upgrade by a newer MSI leaving one entry, uninstall
# Usage: check-packages.sh [deb|windows|msi]... (all three when none given)
set -euo pipefail
cd "$(dirname "$0")/../.."

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux-release/CMakeCache.txt)
deb=dist/hwident_${version}_amd64.deb
msi64=dist/hwident-$version-x64.msi
msi32=dist/hwident-$version-x86.msi
zip=dist/hwident-$version-windows.zip
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
pass() { echo "ok: $*"; }

check_deb() {
  [ -f "$deb" ] || fail "no $deb"
  local listing
  listing=$(dpkg-deb --contents "$deb" | awk '{print $1, $2, $NF}')
  for path in ./usr/bin/hwident ./usr/share/man/man1/hwident.1.gz \
    ./usr/share/doc/hwident/README ./usr/share/doc/hwident/changelog.gz \
    ./usr/share/doc/hwident/copyright ./usr/lib/systemd/system/hwident.service; do
    grep -q " $path\$" <<<"$listing" || fail "$deb lacks $path"
  done
  # Owned by root, and nothing in /var: the report is never the package's.
  grep -qv '^[^ ]* root/root ' <<<"$listing" && fail "a file not owned by root"
  grep -q ' \./var' <<<"$listing" && fail "the package ships something in /var"
  [ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "package version"
  local depends
  depends=$(dpkg-deb --field "$deb" Depends)
  grep -q 'libc6' <<<"$depends" || fail "Depends lacks libc6: $depends"
  grep -qE 'libstdc|libgcc' <<<"$depends" && fail "Depends names a runtime linked in: $depends"
  pass "$deb: contents, Version $version, Depends: $depends"

  # Errors fail; the warnings and notes kept are shown (and listed in the
  # packaging notes of the README).
  local lintian_output
  lintian_output=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges') || true
  [ -z "$lintian_output" ] || printf '%s\n' "$lintian_output"
  grep -q '^E: ' <<<"$lintian_output" && fail "lintian reports errors"
  pass "lintian: no errors"

  if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installing $deb needs root (CI runs as root)"
    return
  fi
  check_deb_installed
}

# The unit's command line, run as the unit would run it, as a stand-in for
# systemd where none runs (containers, this CI).
run_unit_command() {
  local unit=/usr/lib/systemd/system/hwident.service command
  command=$(sed -n '/^ExecStart=/,/[^\\]$/p' "$unit" | sed 's/^ExecStart=//; s/\\$//' | tr -d '\n')
  mkdir -p /var/lib/hwident
  (cd / && env -i Windir=/var/lib/hwident bash -c "$command" </dev/null)
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

(($#)) || set -- deb windows msi
for part in "$@"; do
  "check_$part"
done
