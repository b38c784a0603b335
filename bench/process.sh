#!/usr/bin/env bash
# The cost of a whole run of the Linux program, process start included, beside
# /bin/true, in one hyperfine run so both sides meet the same machine load:
#   default   the run without arguments (the model only)
#   eight     the eight-class request below
# and, in a second run, a peer hardware lister (lshw -short) on the same
# machine. Prints the ratios to /bin/true. Each side runs through `env
# Windir=...`, so the report goes to a throwaway directory.
# Usage: bench/process.sh [PROGRAM...]   (default: the release build's,
# built when missing; several programs are measured side by side)
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/install-missing.sh
source scripts/install-missing.sh
install_missing hyperfine lshw python3

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

python3 - "$windir/programs.json" "$windir/peer.json" <<'PYTHON'
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
