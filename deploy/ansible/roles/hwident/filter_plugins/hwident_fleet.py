"""Filters of the hwident role: the fleet table and the choice of package.

They run on the control machine, so reading the fetched reports here keeps
their bytes exactly: a report is in the host's ANSI code page (or UTF-8 on
Linux), and decoding with surrogateescape lets every byte come back out
unchanged when Ansible writes the table.
"""

import csv
import io
import os
import re

from ansible.errors import AnsibleFilterError

SEPARATOR = " = "
JOINER = " | "
HOST_COLUMN = "host"
RESULT_COLUMN = "result"


def parse_report(text):
    """Returns the report's (name, value) pairs in file order.

    A value holding a line break was written with CR LF inside it, so a line
    without the separator continues the value before it.
    """
    pairs = []
    lines = text.split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    for line in lines:
        name, separator, value = line.partition(SEPARATOR)
        if separator or not pairs:
            pairs.append([name, value])
        else:
            pairs[-1][1] += "\r\n" + line
    return [tuple(pair) for pair in pairs]


def fleet_rows(hosts):
    """Builds the table from (host, result, report text or None) triples.

    Columns follow the first appearance of each property name across the
    hosts in order; a name met several times in one report gets its values
    joined, so several drives or modules stay in one cell.
    """
    columns = []
    seen = set()
    rows = []
    for host, result, text in hosts:
        cells = {}
        for name, value in parse_report(text) if text is not None else []:
            if name not in seen:
                seen.add(name)
                columns.append(name)
            cells.setdefault(name, []).append(value)
        rows.append((host, result, cells))
    table = [[HOST_COLUMN, RESULT_COLUMN] + columns]
    for host, result, cells in rows:
        table.append([host, result] + [JOINER.join(cells.get(name, [])) for name in columns])
    return table


def to_csv(table):
    out = io.StringIO(newline="")
    csv.writer(out, lineterminator="\r\n").writerows(table)
    return out.getvalue()


def one_line(text):
    return " ".join(str(text).split())


def outcome_of(host, hostvars):
    """Returns (result text, report path or None) for one host.

    A host without an outcome never got as far as the role's first task's
    answer: Ansible dropped it as unreachable during the run.
    """
    try:
        outcome = hostvars[host].get("hwident_outcome")
    except KeyError:
        outcome = None
    if not outcome:
        return "unreachable: the host stopped answering during the run", None
    result = one_line(outcome.get("result", ""))
    return result, outcome.get("report") if result == "ok" else None


def read_report(path):
    try:
        with open(path, "rb") as report:
            return report.read().decode("utf-8", "surrogateescape")
    except OSError as error:
        raise AnsibleFilterError(f"cannot read the fetched report {path}: {error}") from error


def fleet_csv(hosts, hostvars):
    """The fleet table as CSV text, one row per host named in hosts."""
    triples = []
    for host in hosts:
        result, report = outcome_of(host, hostvars)
        triples.append((host, result, read_report(report) if report else None))
    return to_csv(fleet_rows(triples))


# The version in a package's file name, and for an RPM its release. The
# architecture is whatever the name was looked up by.
PACKAGE_NAME = re.compile(
    r"^hwident[_-](?P<version>[^_]+?)"
    r"(?:_[a-z0-9]+\.deb"
    r"|-(?P<release>\d+)\.[a-z0-9_]+\.rpm"
    r"|-linux-[a-z0-9_]+\.tar\.gz"
    r"|-x64\.msi|-x86\.msi)$")


def version_key(version):
    """Orders versions part by part, numbers as numbers: 1.10 after 1.9."""
    return [(0, int(part), "") if part.isdigit() else (1, 0, part)
            for part in re.findall(r"\d+|[^\d.~+-]+", version)]


def newest_package(paths, wanted=None):
    """The path among paths whose file name carries the highest version (and
    RPM release). wanted, the pattern paths were found by, goes into the
    message when there is none."""
    candidates = []
    for path in paths:
        match = PACKAGE_NAME.search(os.path.basename(path))
        if match:
            key = (version_key(match.group("version")), int(match.group("release") or 0))
            candidates.append((key, path))
    if not candidates:
        raise AnsibleFilterError(
            f"no hwident package{' ' + wanted if wanted else ''} found: run scripts/package.sh,"
            " or set hwident_package_dir")
    return max(candidates)[1]


class FilterModule:
    def filters(self):
        return {
            "hwident_fleet_csv": fleet_csv,
            "hwident_newest_package": newest_package,
        }
