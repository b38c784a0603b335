#!/usr/bin/env bash
# End-to-end runs of hwident.exe under Wine, one scenario per call:
#   wine_e2e.sh prefix | cdrom_device_id | property_order |
#               read_only_hidden_report | entry_without_list |
#               report_held_open | no_locator | unattended_station |
#               agrees_with_linux_provider
# "prefix" makes the throwaway Wine prefix the others share: drive D: set up
# as a CD-ROM drive, and MessageBoxA calls traced so a scenario can tell
# exactly which messages a run showed (under Wine without a display the box
# returns at once, so nothing waits).
# Environment: HWIDENT_EXE, HOLD_OPEN_EXE, UNATTENDED_EXE, WINE (the wine64
# program), E2E_DIR,
# and for the last scenario LINUX_HWIDENT (the Linux build's program; the
# scenario is skipped, exit code 77, when it is not there).
set -euo pipefail
: "${HWIDENT_EXE:?}" "${HOLD_OPEN_EXE:?}" "${UNATTENDED_EXE:?}" "${WINE:?}" "${E2E_DIR:?}"

export WINEPREFIX=$E2E_DIR/prefix
export WINEDEBUG=-all
# Without a display a message box returns at once; with one it would wait
# for a click that never comes.
unset DISPLAY WAYLAND_DISPLAY
wineserver=$(dirname "$WINE")/wineserver
report=$WINEPREFIX/drive_c/windows/Model.txt
# The program's path as Windows sees it, and escaped as the traces print it.
exe_windows=Z:${HWIDENT_EXE//\//\\}
exe_traced=${exe_windows//\\/\\\\}
# What starts the program: itself, unless a scenario puts a launcher first.
launch=("$HWIDENT_EXE")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

make_prefix() {
  if [ -d "$WINEPREFIX" ]; then "$wineserver" -k 2>/dev/null || true; fi
  rm -rf "$E2E_DIR"
  mkdir -p "$E2E_DIR/cdrom"
  "$WINE" wineboot -i
  ln -sfn "$E2E_DIR/cdrom" "$WINEPREFIX/dosdevices/d:"
  "$WINE" reg add 'HKLM\Software\Wine\Drives' /v d: /t REG_SZ /d cdrom /f
  "$WINE" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /d user32.MessageBoxA /f
  # The mount manager reads the drive types when the prefix's services start.
  "$wineserver" -k || true
  "$wineserver" -w
}

# Runs hwident.exe (through $launch) with the given arguments. Sets
# run_status to its exit code and leaves the MessageBoxA calls it made, one a
# line, in $E2E_DIR/messages as: owner,"text",caption,style (a caption is
# "text" or 00000000 for none), and its debug output in $E2E_DIR/debug_output.
run_hwident() {
  local trace=$E2E_DIR/trace
  run_status=0
  WINEDEBUG=+relay,+debugstr "$WINE" "${launch[@]}" "$@" 2>"$trace" || run_status=$?
  grep -a 'Call user32\.MessageBoxA(' "$trace" |
    sed -E 's/^[0-9a-f]+:Call user32\.MessageBoxA\(//; s/\) ret=[0-9a-f]+$//;
            s/[0-9a-f]{8,16} "/"/g' >"$E2E_DIR/messages" || true
  grep -a ':OutputDebugStringA ' "$trace" | sed -E 's/^.*:OutputDebugStringA //' \
    >"$E2E_DIR/debug_output" || true
  echo "exit code $run_status; messages:"
  sed 's/^/  /' "$E2E_DIR/messages"
}

expect_exit_zero() {
  [ "$run_status" -eq 0 ] || fail "exit code $run_status, expected 0"
}

# The expected messages, one per argument, in order.
expect_messages() {
  local expected=$E2E_DIR/expected_messages
  if (($#)); then printf '%s\n' "$@" >"$expected"; else : >"$expected"; fi
  diff -u "$expected" "$E2E_DIR/messages" || fail "messages differ"
}

# The report's exact bytes; the argument is printf %b text (\r\n line ends).
expect_report() {
  local expected=$E2E_DIR/expected_report
  printf '%b' "$1" >"$expected"
  [ -f "$report" ] || fail "no report at $report"
  echo "report bytes:"
  od -An -c "$report"
  cmp "$expected" "$report" || {
    echo "expected bytes:"
    od -An -c "$expected"
    fail "report differs"
  }
}

# The attribute letters attrib shows for the report (A, R, H, S ...).
report_attributes() {
  "$WINE" attrib 'C:\windows\Model.txt' | tr -d '\r' | sed 's/C:.*$//' | tr -d ' '
}

# The report lines of one run of each program, the built-in model line left
# out (Wine names a model, the Linux provider may have none).
wine_lines() {
  run_hwident "$@" >/dev/null
  expect_exit_zero
  grep -av '^Model = ' "$report" | tr -d '\r' || true
}
linux_lines() {
  mkdir -p "$E2E_DIR/linux"
  Windir=$E2E_DIR/linux "$LINUX_HWIDENT" "$@"
  grep -av '^Model = ' "$E2E_DIR/linux/Model.txt" | tr -d '\r' || true
}

# Both services on the same machine: host name, processor and core counts
# agree exactly. Total memory may differ by a few pages (Wine counts the pages
# the kernel hands out, the provider the kernel's total). The processor's name
# is shown, not compared: Wine reads the processor's own brand string, the
# provider the kernel's copy, and a hypervisor may make the two differ.
compare_with_linux() {
  local system='Win32_ComputerSystem;Name,NumberOfProcessors,NumberOfLogicalProcessors,TotalPhysicalMemory'
  local processor='Win32_Processor;Name,NumberOfCores,NumberOfLogicalProcessors'
  local wine linux
  wine=$(wine_lines "$system")
  linux=$(linux_lines "$system")
  printf 'Wine:\n%s\nLinux:\n%s\n' "$wine" "$linux"
  [ "$(grep -v '^TotalPhysicalMemory' <<<"$wine")" = "$(grep -v '^TotalPhysicalMemory' <<<"$linux")" ] ||
    fail "computer system lines differ"
  local wine_memory linux_memory
  wine_memory=$(sed -n 's/^TotalPhysicalMemory = "\([0-9]*\)"$/\1/p' <<<"$wine")
  linux_memory=$(sed -n 's/^TotalPhysicalMemory = "\([0-9]*\)"$/\1/p' <<<"$linux")
  if [ -z "$wine_memory" ] || [ -z "$linux_memory" ]; then fail "total memory missing"; fi
  local difference=$((wine_memory - linux_memory))
  ((difference >= -1048576 && difference <= 1048576)) ||
    fail "total memory differs by $difference bytes"
  echo "total memory differs by $difference bytes"

  wine=$(wine_lines "$processor")
  linux=$(linux_lines "$processor")
  printf 'Wine:\n%s\nLinux:\n%s\n' "$wine" "$linux"
  [ "$(grep -v '^Name = ' <<<"$wine")" = "$(grep -v '^Name = ' <<<"$linux")" ] ||
    fail "processor counts differ"
  grep -q '^NumberOfCores = ' <<<"$wine" || fail "no processor counts"
}

# The processor's model and stepping, as numbers: Wine writes its Version
# "Model M Stepping S", the provider "Model M, Stepping S", the form
# Microsoft documents.
compare_processor_version() {
  local query='Win32_Processor;Version' wine linux
  wine=$(wine_lines "$query")
  linux=$(linux_lines "$query")
  printf 'Wine:\n%s\nLinux:\n%s\n' "$wine" "$linux"
  [ "$(tr -dc '0-9\n ' <<<"$wine")" = "$(tr -dc '0-9\n ' <<<"$linux")" ] ||
    fail "processor model and stepping differ"
}

# Fails unless each PCI id Wine gave (one a line) is among the provider's.
expect_ids_among() {
  local what=$1 wine_ids=$2 linux_ids=$3 id
  while read -r id; do
    grep -qxF "$id" <<<"$linux_ids" || fail "Wine's $what $id is not among the provider's"
  done <<<"$wine_ids"
}

# Display adapters. Wine names the adapters the host's graphics driver
# shows it; without one (no display, no GPU) it invents a single adapter
# with zero ids, "VideoController1" for a name and 1024 x 768. Only real
# ids are compared: each vendor and device pair Wine gives must be one the
# provider found on the PCI bus. Names differ by design (Wine takes the
# driver's, the provider the PCI database's) and are shown only.
compare_video() {
  local query='Win32_VideoController;Name,PNPDeviceID,CurrentHorizontalResolution,CurrentVerticalResolution'
  local wine linux wine_ids linux_ids
  wine=$(wine_lines "$query")
  linux=$(linux_lines "$query")
  printf 'Wine:\n%s\nLinux:\n%s\n' "$wine" "$linux"
  wine_ids=$(sed -n 's/^PNPDeviceID = "\(PCI\\VEN_[0-9A-F]*&DEV_[0-9A-F]*\).*$/\1/p' <<<"$wine")
  linux_ids=$(sed -n 's/^PNPDeviceID = "\(PCI\\VEN_[0-9A-F]*&DEV_[0-9A-F]*\).*$/\1/p' <<<"$linux")
  if [ -z "$wine_ids" ] || [ "$wine_ids" = 'PCI\VEN_0000&DEV_0000' ]; then
    echo "Wine shows no real display adapter; nothing to compare"
    return 0
  fi
  expect_ids_among adapter "$wine_ids" "$linux_ids"
}

# Network adapters. Wine lists the host's interfaces but loopback, numbered
# by ifindex, with their real addresses and up/down state; it names each by
# the interface (the provider keeps that in NetConnectionID and the product
# in Name) and invents the rest (manufacturer, PNP id, speed, physical). Each
# adapter Wine shows must be the provider's adapter of that index, with the
# same address (Wine writes it in lower case), interface name and status.
compare_adapters() {
  local query='Win32_NetworkAdapter;Index,MACAddress,Name,NetConnectionID,NetConnectionStatus'
  local wine linux wine_rows linux_rows row
  wine=$(wine_lines "$query")
  linux=$(linux_lines "$query")
  printf 'Wine:\n%s\nLinux:\n%s\n' "$wine" "$linux"
  # One "index mac name status" row per adapter.
  wine_rows=$(awk -F' = ' '$1 == "Index" { i = $2 } $1 == "MACAddress" { m = toupper($2) }
    $1 == "Name" { n = $2 } $1 == "NetConnectionStatus" { print i, m, n, $2 }' <<<"$wine")
  linux_rows=$(awk -F' = ' '$1 == "Index" { i = $2 } $1 == "MACAddress" { m = $2 }
    $1 == "NetConnectionID" { n = $2 } $1 == "NetConnectionStatus" { print i, m, n, $2 }' <<<"$linux")
  [ -n "$wine_rows" ] || { echo "Wine shows no adapter; nothing to compare"; return 0; }
  while read -r row; do
    grep -qxF "$row" <<<"$linux_rows" || fail "Wine's adapter '$row' is not the provider's"
  done <<<"$wine_rows"
}

# Volumes. Wine's drive Z: is the host's root directory and its free space
# is the root file system's, as statvfs gives it to an ordinary user; its
# sizes, file system name and serial are made up. The two readings are
# moments apart on a machine that may be writing, so they may differ by up
# to 1 GiB.
compare_volumes() {
  local query='Win32_LogicalDisk;DeviceID,FreeSpace' wine linux wine_free linux_free
  wine=$(wine_lines "$query")
  linux=$(linux_lines "$query")
  printf 'Wine:\n%s\nLinux:\n%s\n' "$wine" "$linux"
  wine_free=$(awk -F' = ' '$1 == "DeviceId" || $1 == "DeviceID" { d = $2 }
    $1 == "FreeSpace" && d == "\"Z:\"" { gsub(/"/, "", $2); print $2 }' <<<"$wine")
  linux_free=$(awk -F' = ' '$1 == "DeviceID" { d = $2 }
    $1 == "FreeSpace" && d == "\"/\"" { gsub(/"/, "", $2); print $2 }' <<<"$linux")
  if [ -z "$wine_free" ] || [ -z "$linux_free" ]; then
    echo "no root volume on one side (a container's overlay root is none); nothing to compare"
    return 0
  fi
  local difference=$((wine_free - linux_free))
  ((difference >= -1073741824 && difference <= 1073741824)) ||
    fail "free space of / differs by $difference bytes"
  echo "free space of / differs by $difference bytes"
}

# Waits up to a minute for a file a Wine program writes when it is ready.
wait_for_file() {
  for _ in $(seq 600); do
    [ -f "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# Processes. Wine lists the processes of its own prefix, with its own
# process ids; each is a host process too, which Wine names after its
# Windows program, so the provider lists it by that name, cut at 15 bytes as
# the kernel keeps it. Every process Wine shows must be among the provider's,
# name for name, as often as Wine shows it, but the querying hwident.exe,
# which has ended when the provider reads. A program held open keeps the
# prefix's services running between the two readings and is itself one of
# the processes compared. Ids, parents, thread counts and sizes are Wine's
# own or move between the readings and are not compared.
compare_processes() {
  local query='Win32_Process;Name' drive_c=$WINEPREFIX/drive_c wine linux keeper missing
  local keeper_name
  keeper_name=$(basename "$HOLD_OPEN_EXE")
  rm -f "$drive_c/keeper_ready" "$drive_c/keeper_stop"
  "$WINE" "$HOLD_OPEN_EXE" 'C:\keeper' 'C:\keeper_ready' 'C:\keeper_stop' &
  keeper=$!
  wait_for_file "$drive_c/keeper_ready" || fail "set-up: the held-open program never started"
  wine=$(wine_lines "$query")
  linux=$(linux_lines "$query")
  touch "$drive_c/keeper_stop"
  wait "$keeper"
  printf 'Wine:\n%s\nLinux: %s processes\n' "$wine" "$(grep -c '^Name = ' <<<"$linux")"
  grep -qxF "Name = \"$keeper_name\"" <<<"$wine" || fail "Wine does not list $keeper_name"
  missing=$(LC_ALL=C awk -F' = ' 'FNR == 1 { side++ }
    $1 != "Name" { next }
    { gsub(/^"|"$/, "", $2) }
    side == 1 && $2 != "hwident.exe" { wanted[substr($2, 1, 15)]++ }
    side == 2 { have[$2]++ }
    END { for (name in wanted) if (have[name] < wanted[name]) print name, wanted[name], have[name] + 0 }' \
    <(printf '%s\n' "$wine") <(printf '%s\n' "$linux"))
  [ -z "$missing" ] || fail "Wine's processes the provider does not list (name, Wine's count, provider's): $missing"
}

# Services. Wine's are its own, registered in its prefix (its event log,
# Plug and Play, RPC services...): they are not the host's and cannot agree.
# The computer each names is real, the host's name as Win32_ComputerSystem
# gives it, and is compared.
compare_services() {
  local wine host systems
  wine=$(wine_lines 'Win32_Service;Name,SystemName')
  host=$(linux_lines 'Win32_ComputerSystem;Name' | sed -n 's/^Name = //p')
  printf 'Wine:\n%s\nLinux host name: %s\n' "$wine" "$host"
  systems=$(sed -n 's/^SystemName = //p' <<<"$wine" | sort -u)
  [ -n "$systems" ] || fail "Wine lists no service"
  [ -n "$host" ] || fail "the provider names no computer"
  [ "$systems" = "$host" ] || fail "Wine's services name the computer $systems, the provider $host"
}

# Plug and Play devices. Wine lists its own device tree, every one made by
# "The Wine Project": the monitor, keyboard and mouse it emulates (HID
# vendor 845E), its buses (ROOT\WINE\..., WINEBUS\...) and the display
# adapter Win32_VideoController shows. The adapter's PCI vendor and device are
# the host's when Wine has a real one, and then must be among the provider's
# PCI devices; the zero ids of an invented adapter and everything else are
# not compared. The provider must answer the class from the host.
compare_pnp_entities() {
  local wine linux wine_ids linux_ids
  wine=$(wine_lines 'Win32_PnPEntity;DeviceID,Manufacturer')
  linux=$(linux_lines 'Win32_PnPEntity;DeviceID')
  printf 'Wine:\n%s\nLinux: %s devices\n' "$wine" "$(grep -c '^DeviceID = ' <<<"$linux")"
  grep -q '^DeviceI[Dd] = ' <<<"$wine" || fail "Wine lists no Plug and Play device"
  grep -q '^DeviceID = ' <<<"$linux" || fail "the provider lists no Plug and Play device"
  # Wine spells the property DeviceId.
  wine_ids=$(sed -n 's/^DeviceI[Dd] = "\(PCI\\VEN_[0-9A-F]*&DEV_[0-9A-F]*\).*$/\1/p' <<<"$wine" |
    grep -vxF 'PCI\VEN_0000&DEV_0000' || true)
  linux_ids=$(sed -n 's/^DeviceID = "\(PCI\\VEN_[0-9A-F]*&DEV_[0-9A-F]*\).*$/\1/p' <<<"$linux")
  if [ -z "$wine_ids" ]; then
    echo "Wine shows no real PCI device; nothing to compare"
    return 0
  fi
  expect_ids_among device "$wine_ids" "$linux_ids"
}

# Page files. Wine shows one page file, C:\pagefile.sys, whatever swap the
# host has (none included): made up, so nothing is compared. Should Wine
# start reading the host's swap, this fails, and the reading is to be
# compared with the provider's.
check_page_files() {
  local wine
  wine=$(wine_lines 'Win32_PageFileUsage;Name,AllocatedBaseSize,CurrentUsage')
  printf 'Wine:\n%s\nLinux:\n%s\n' "$wine" "$(linux_lines 'Win32_PageFileUsage;Name')"
  [ "$wine" = 'Name = "c:\pagefile.sys"' ] || fail "Wine shows more than its made-up c:\\pagefile.sys"
}

# Classes Wine's service does not have (it answers them with no object):
# nothing to agree with. Should Wine answer one of them, this fails, and
# what it reads from the host is to be compared with the provider's.
check_classes_wine_lacks() {
  local properties='Caption,Description,DeviceID,Handle,LogonId,Name,SettingID,SID,Tag,VariableValue'
  local classes=(Win32_CacheMemory Win32_PortConnector Win32_SystemSlot Win32_OnBoardDevice
    Win32_USBController Win32_IDEController Win32_SCSIController Win32_PnPSignedDriver
    Win32_Keyboard Win32_PointingDevice Win32_Volume Win32_SystemDriver Win32_UserAccount
    Win32_Group Win32_LogonSession Win32_Printer Win32_Share Win32_PageFileSetting
    Win32_BootConfiguration Win32_Environment)
  local wine
  wine=$(wine_lines "${classes[@]/%/;$properties}")
  [ -z "$wine" ] || fail "Wine now answers a class it had no objects of: $wine"
  echo "Wine has no objects of ${classes[*]}"
}

case ${1:-} in
  prefix)
    make_prefix
    ;;
  cdrom_device_id)
    rm -f "$report"
    run_hwident 'Win32_CDROMDrive;DeviceID'
    expect_exit_zero
    expect_messages
    # Wine's drive identifier is IDE\CDROMWINE_CD-ROM____...1.0_____\5&...;
    # the service spells the property DeviceId.
    expect_report 'Model = "Wine"\r\nDeviceId = WINE CD-ROM 1.0\r\n'
    ;;
  property_order)
    # Lines follow the service's property order, not the list's.
    rm -f "$report"
    run_hwident 'Win32_ComputerSystem;Model,Manufacturer'
    expect_exit_zero
    expect_messages
    expect_report 'Model = "Wine"\r\nManufacturer = "The Wine Project"\r\nModel = "Wine"\r\n'
    ;;
  read_only_hidden_report)
    printf 'an earlier report\r\n' >"$report"
    # Wine's attrib takes one change per call.
    "$WINE" attrib +r 'C:\windows\Model.txt'
    "$WINE" attrib +h 'C:\windows\Model.txt'
    before=$(report_attributes)
    [[ $before == *R* && $before == *H* ]] || fail "set-up: report attributes are '$before'"
    run_hwident
    expect_exit_zero
    expect_messages
    expect_report 'Model = "Wine"\r\n'
    after=$(report_attributes)
    [[ $after != *R* && $after != *H* ]] || fail "report still marked '$after'"
    ;;
  entry_without_list)
    rm -f "$report"
    run_hwident 'Win32_BIOS' ';Model'
    expect_exit_zero
    expect_messages "00000000,\"Win32_BIOS - \",\"$exe_traced\",00000030" \
      "00000000,\"Model - \",\"$exe_traced\",00000030"
    expect_report 'Model = "Wine"\r\n'
    ;;
  report_held_open)
    # Another program reads the report, sharing reading and writing; the
    # report is opened without sharing, so the open fails and says so.
    printf 'kept\r\n' >"$report"
    drive_c=$WINEPREFIX/drive_c
    rm -f "$drive_c/hold_ready" "$drive_c/hold_stop"
    "$WINE" "$HOLD_OPEN_EXE" 'C:\windows\Model.txt' 'C:\hold_ready' 'C:\hold_stop' &
    holder=$!
    for _ in $(seq 600); do
      [ -f "$drive_c/hold_ready" ] && break
      sleep 0.1
    done
    [ -f "$drive_c/hold_ready" ] || fail "set-up: the report was never held open"
    run_hwident 'Win32_CDROMDrive;DeviceID'
    touch "$drive_c/hold_stop"
    wait "$holder"
    expect_exit_zero
    expect_messages '00000000,"Can not open C:\\windows\\Model.txt",00000000,00000000'
    expect_report 'kept\r\n'
    ;;
  no_locator)
    # Without the WMI provider no locator can be made: the message, no
    # requests, and still a (now empty) report.
    printf 'an earlier report\r\n' >"$report"
    WINEDLLOVERRIDES=wbemprox=d run_hwident 'Win32_CDROMDrive;DeviceID'
    expect_exit_zero
    expect_messages "00000000,\"Failed to create IWbemLocator object\",\"$exe_traced\",00000030"
    expect_report ''
    ;;
  unattended_station)
    # As a deployment tool's service would start it: on a desktop nobody can
    # see. No box waits there; the text goes to the debug output (and the
    # event log) and the run goes on.
    rm -f "$report"
    launch=("$UNATTENDED_EXE" "$exe_windows")
    run_hwident 'Win32_BIOS'
    expect_exit_zero
    expect_messages
    echo "debug output:"
    cat "$E2E_DIR/debug_output"
    grep -qxF "\"$exe_traced: Win32_BIOS - \\n\"" "$E2E_DIR/debug_output" ||
      fail "the message is not in the debug output"
    expect_report 'Model = "Wine"\r\n'
    ;;
  agrees_with_linux_provider)
    if [ ! -x "${LINUX_HWIDENT:-}" ]; then
      echo "skipped: no Linux program at '${LINUX_HWIDENT:-}'"
      exit 77
    fi
    compare_with_linux
    compare_processor_version
    compare_video
    compare_adapters
    compare_volumes
    compare_processes
    compare_services
    compare_pnp_entities
    check_page_files
    check_classes_wine_lacks
    ;;
  *)
    echo "usage: $0 prefix|cdrom_device_id|property_order|read_only_hidden_report|" \
      "entry_without_list|report_held_open|no_locator|unattended_station|" \
      "agrees_with_linux_provider" >&2
    exit 2
    ;;
esac
echo "ok: ${1}"
