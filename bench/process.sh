#!/usr/bin/env bash
# The cost of a whole run of the Linux program, process start included, beside
# /bin/true, in one hyperfine run so both sides meet the same machine load:
#   default   the run without arguments (the model only)
#   eight     the eight-class request below
# and, in a second run, a peer hardware lister (lshw -short) on the same
# machine. As root, a third run lays a fixture's SMBIOS table and DMI names
# over /sys in a mount namespace of its own and measures, beside the leanest
# peer reading the same table (dmidecode), the model alone against
# `dmidecode -s system-product-name` and memory modules, firmware and UUID
# against `dmidecode -t 17 -t 0 -t 1`. Prints the ratios to /bin/true. Each side runs through `env
# Windir=...`, so the report goes to a throwaway directory.
# Usage: bench/process.sh [PROGRAM...]   (default: the release build's,
# built when missing; several programs are measured side by side)
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/install-missing.sh
source scripts/install-missing.sh
install_missing hyperfine lshw python3 dmidecode util-linux

programs=("$@")
if ((${#programs[@]} == 0)); then
  programs=(build/linux-release/hwident)
  if [ ! -x "${programs[0]}" ]; then
    cmake --preset linux-release >/dev/null
    cmake --build --preset linux-release -j "$(nproc)" --target hwident
  fi
fi

windir=$(mktemp -d)
trap 'rm -rf "$windir"' EXIT
eight="'Win32_ComputerSystem;Model,Manufacturer,TotalPhysicalMemory'"
eight+=" 'Win32_BIOS;Manufacturer,SMBIOSBIOSVersion' 'Win32_BaseBoard;Product'"
eight+=" 'Win32_Processor;Name,NumberOfCores' 'Win32_OperatingSystem;Caption'"
eight+=" 'Win32_CDROMDrive;DeviceID' 'Win32_SystemEnclosure;ChassisTypes'"
eight+=" 'Win32_ComputerSystemProduct;UUID'"

commands=(-n true "env Windir=$windir /bin/true")
for program in "${programs[@]}"; do
  label=$(basename "$(dirname "$(realpath "$program")")")/$(basename "$program")
  commands+=(-n "default $label" "env Windir=$windir $(realpath "$program")")
  commands+=(-n "eight $label" "env Windir=$windir $(realpath "$program") $eight")
done
hyperfine -N --warmup 50 --min-runs 500 --export-json "$windir/programs.json" "${commands[@]}"
# The peer takes far longer per run; fewer runs say as much.
hyperfine -N --warmup 2 --runs 10 --export-json "$windir/peer.json" \
  -n true "env Windir=$windir /bin/true" -n "lshw -short" "env Windir=$windir lshw -short"

# The firmware comparison needs a table both sides read: the desktop
# fixture's SMBIOS 2.8 table and DMI names, on tmpfs over /sys/firmware and
# /sys/class in a mount namespace that only this run sees.
reports=("$windir/programs.json" "$windir/peer.json")
if [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null; then
  fixture=$PWD/tests/fixtures/desktop/root
  program=$(realpath "${programs[0]}")
  firmware="'Win32_PhysicalMemory;Capacity,DeviceLocator,Manufacturer,PartNumber,SerialNumber,Speed'"
  firmware+=" 'Win32_BIOS;Manufacturer,ReleaseDate,SMBIOSBIOSVersion'"
  firmware+=" 'Win32_ComputerSystemProduct;UUID'"
  if unshare --mount --propagation private bash -euo pipefail -c '
    fixture=$1 windir=$2 program=$3 firmware=$4
    mount -t tmpfs none /sys/firmware
    mkdir -p /sys/firmware/dmi
    cp -r "$fixture/sys/firmware/dmi/tables" /sys/firmware/dmi/
    mount -t tmpfs none /sys/class
    mkdir -p /sys/class/dmi
    cp -rL "$fixture/sys/class/dmi/id" /sys/class/dmi/
    hyperfine -N --warmup 20 --min-runs 300 --export-json "$windir/firmware.json" \
      -n true "env Windir=$windir /bin/true" \
      -n "hwident model" "env Windir=$windir $program" \
      -n "dmidecode -s system-product-name" "env Windir=$windir dmidecode -s system-product-name" \
      -n "hwident memory, firmware, UUID" "env Windir=$windir $program $firmware" \
      -n "dmidecode -t 17 -t 0 -t 1" "env Windir=$windir dmidecode -t 17 -t 0 -t 1"
  ' firmware "$fixture" "$windir" "$program" "$firmware"; then
    reports+=("$windir/firmware.json")
  else
    echo "skipped: the firmware comparison (no mount namespace here)"
  fi
else
  echo "skipped: the firmware comparison needs root for a mount namespace"
fi

python3 - "${reports[@]}" <<'PYTHON'
import json, sys

# Wall-clock time is what the targets name; the processor time (user +
# system) is shown beside it because it holds steadier on a loaded machine.
print(f"\n{'command':36} {'mean ms':>8} {'median ms':>9} {'cpu ms':>7}"
      f" {'x true':>7} {'x true (median)':>15} {'x true (cpu)':>12}")
for path in sys.argv[1:]:
    results = json.load(open(path))["results"]
    base = results[0]
    base_cpu = base["user"] + base["system"]
    for result in results:
        cpu = result["user"] + result["system"]
        print(f"{result['command']:36} {result['mean'] * 1e3:8.3f} {result['median'] * 1e3:9.3f}"
              f" {cpu * 1e3:7.3f} {result['mean'] / base['mean']:7.2f}"
              f" {result['median'] / base['median']:15.2f} {cpu / base_cpu:12.2f}")
PYTHON
