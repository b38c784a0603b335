#!/usr/bin/env bash
# The manual page renders without a single warning from man and carries the
# project's version. Usage: check-manual-page.sh PAGE VERSION
set -euo pipefail
page=$1 version=$2

warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  printf 'man --warnings on %s:\n%s\n' "$page" "$warnings" >&2
  exit 1
fi
header=$(sed -n '/^\.TH /{p;q}' "$page")
case $header in
  *"\"hwident $version\""*) ;;
  *) echo "the page's header does not name version $version: $header" >&2; exit 1 ;;
esac
# Every section a reader of a command's manual looks for.
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" ENVIRONMENT FILES EXAMPLES; do
  grep -qx "\.SH \"\?$section\"\?" "$page" || { echo "no section $section" >&2; exit 1; }
done
echo "manual page: clean"
