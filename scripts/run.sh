#!/usr/bin/env bash
# Builds the program alone (the release build: no tests, so no test
# libraries are needed) and runs it with the arguments given, installing the
# compiler and CMake first when they are missing. The report goes where the
# program puts it: $Windir/Model.txt, or ./Model.txt when Windir is unset.
# Usage: [Windir=DIR] scripts/run.sh [class;prop1,prop2 ...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

# shellcheck source=scripts/install-missing.sh
source "$here/scripts/install-missing.sh"
install_missing cmake g++ make

(
  cd "$here"
  cmake --preset linux-release >/dev/null
  cmake --build --preset linux-release -j "$(nproc)" --target hwident >/dev/null
)
exec "$here/build/linux-release/hwident" "$@"
