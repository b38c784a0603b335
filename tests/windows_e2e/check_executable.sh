#!/usr/bin/env bash
# Checks a built hwident.exe: GUI subsystem (no console window opens) and no
# MinGW runtime DLL among its imports (the runtime is linked in).
# Usage: check_executable.sh OBJDUMP EXE
set -euo pipefail
objdump=$1 exe=$2
headers=$("$objdump" -p "$exe")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" \
  || { echo "not a GUI-subsystem program: $exe"; exit 1; }
imports=$(grep 'DLL Name:' <<<"$headers" | awk '{print $3}')
echo "imports: $(tr "\n" " " <<<"$imports")"
if grep -iqE 'libstdc|libgcc|libwinpthread|mingw' <<<"$imports"; then
  echo "a MinGW runtime DLL would have to travel beside $exe"
  exit 1
fi
echo "ok: $exe"
