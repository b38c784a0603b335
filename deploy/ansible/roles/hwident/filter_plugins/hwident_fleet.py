"""Filters of the hwident role: the fleet table and the choice of package.

They run on the control machine, so reading the fetched reports here keeps
their bytes exactly: a report is in the host's ANSI code page (or UTF-8 on
Linux), and decoding with surrogateescape lets every byte come back out
unchanged when Ansible writes the table.
"""

import csv
import io
import json
import os
import re
from collections import Counter

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
    """Builds the table from (host, result, report pairs or None) triples.

    Columns follow the first appearance of each property name across the
    hosts in order; a name met several times in one report gets its values
    joined, so several drives or modules stay in one cell.
    """
    columns = []
    seen = set()
    rows = []
    for host, result, pairs in hosts:
        cells = {}
        for name, value in pairs or []:
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


def collection(hosts, hostvars):
    """(host, result, [(name, value), ...] or None) for each host named."""
    triples = []
    for host in hosts:
        result, report = outcome_of(host, hostvars)
        triples.append((host, result, parse_report(read_report(report)) if report else None))
    return triples


def fleet_csv(hosts, hostvars):
    """The fleet table as CSV text, one row per host named in hosts."""
    return to_csv(fleet_rows(collection(hosts, hostvars)))


# --- The collection kept, and what changed since the previous one -------------
#
# fleet.csv joins repeated values with " | ", which a value may hold itself,
# so the next run compares with fleet.json instead: every host's result and
# report lines as they were, nothing joined. Bytes that are not UTF-8 travel
# as \udcXX escapes, which json reads back into the same surrogates.
#
# The table, the changes and the page are all made from fleet.json once it
# is written: each hostvars lookup costs Ansible milliseconds of variable
# merging per host, so the hosts' outcomes are read once per collection.

SNAPSHOT_VERSION = 1
CHANGES_HEADER = ["host", "change", "property", "previous", "current"]


def fleet_json(hosts, hostvars):
    """The collection as JSON text, for the next collection to compare with."""
    return snapshot_text(collection(hosts, hostvars))


def snapshot_text(triples):
    hosts = [[host, result, None if pairs is None else [list(pair) for pair in pairs]]
             for host, result, pairs in triples]
    return json.dumps({"version": SNAPSHOT_VERSION, "hosts": hosts}, ensure_ascii=True,
                      separators=(",", ":")) + "\n"


def read_snapshot(path, missing_ok=True):
    """The collection kept at path, or None when there is none to compare
    with (the first collection, or one kept by a version of the role that
    did not keep it)."""
    try:
        with open(path, "rb") as kept:
            doc = json.loads(kept.read().decode("ascii"))
    except FileNotFoundError as error:
        if missing_ok:
            return None
        raise AnsibleFilterError(f"no collection at {path}") from error
    except (OSError, ValueError) as error:
        raise AnsibleFilterError(f"cannot read the previous collection {path}: {error}") from error
    if not isinstance(doc, dict) or doc.get("version") != SNAPSHOT_VERSION:
        raise AnsibleFilterError(f"{path}: not a collection this role keeps")
    return [(host, result, None if pairs is None else [tuple(pair) for pair in pairs])
            for host, result, pairs in doc["hosts"]]


def grouped(pairs):
    """Each property's values in report order, properties in first-appearance order."""
    values = {}
    for name, value in pairs:
        values.setdefault(name, []).append(value)
    return values


def answered(result):
    return result == "ok"


def change_rows(previous, current):
    """The rows of changes.csv, header first.

    A repeated property (modules, disks) compares as the multiset of its
    values: another order is no change, while one of two equal modules going
    is. A host that fails in both collections gives no row whatever its
    message: its current row in the table says why.
    """
    rows = [CHANGES_HEADER]
    if previous is None:
        return rows
    before = {host: (result, pairs) for host, result, pairs in previous}
    now = {host for host, _, _ in current}
    for host, result, pairs in current:
        if host not in before:
            rows.append([host, "host added", "", "", result])
            continue
        old_result, old_pairs = before[host]
        if answered(old_result) and not answered(result):
            rows.append([host, "now failing", "", old_result, result])
        elif answered(result) and not answered(old_result):
            rows.append([host, "now answering", "", old_result, result])
        elif answered(result):
            rows.extend(property_changes(host, grouped(old_pairs or []), grouped(pairs or [])))
    for host, result, _ in previous:
        if host not in now:
            rows.append([host, "host removed", "", result, ""])
    return rows


def property_changes(host, old, new):
    for name, values in new.items():
        if name not in old:
            yield [host, "property added", name, "", JOINER.join(values)]
        elif Counter(values) != Counter(old[name]):
            yield [host, "changed", name, JOINER.join(old[name]), JOINER.join(values)]
    for name, values in old.items():
        if name not in new:
            yield [host, "property removed", name, JOINER.join(values), ""]


def collection_csv(path):
    """fleet.csv from the collection kept at path."""
    return to_csv(fleet_rows(read_snapshot(path, missing_ok=False)))


def collection_changes(path, previous_path):
    """changes.csv: the collection kept at path against the one at previous_path."""
    return to_csv(change_rows(read_snapshot(previous_path), read_snapshot(path, missing_ok=False)))


# --- The page -------------------------------------------------------------------

def counted_columns(counts):
    """The page's charts from hwident_page_counts: a column name, or a
    mapping with column, title and unit ("bytes": counted by whole GiB)."""
    charts = []
    for entry in counts or []:
        if isinstance(entry, str):
            entry = {"column": entry}
        if not isinstance(entry, dict) or not entry.get("column"):
            raise AnsibleFilterError(f"hwident_page_counts: {entry!r} names no column")
        unit = str(entry.get("unit", ""))
        if unit not in ("", "bytes"):
            raise AnsibleFilterError(f"hwident_page_counts: unit {unit!r} is not bytes")
        charts.append({"column": str(entry["column"]),
                       "title": str(entry.get("title") or entry["column"]), "unit": unit})
    return charts


def script_json(data):
    """JSON to sit inside <script type="application/json">: with <, > and &
    escaped no report text can close the element or open a comment, and
    ASCII alone leaves no line separators for older parsers to trip on."""
    text = json.dumps(data, ensure_ascii=True, separators=(",", ":"))
    return text.replace("<", "\\u003c").replace(">", "\\u003e").replace("&", "\\u0026")


def page_data(current, previous, counts):
    table = fleet_rows(current)
    return {
        "columns": table[0],
        "rows": table[1:],
        "compared": previous is not None,
        "changes": change_rows(previous, current)[1:],
        "counts": counted_columns(counts),
    }


def collection_page_data(path, previous_path, counts):
    """The data fleet.html shows, as escaped JSON text."""
    return script_json(page_data(read_snapshot(path, missing_ok=False),
                                 read_snapshot(previous_path), counts))


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
            "hwident_fleet_json": fleet_json,
            "hwident_collection_csv": collection_csv,
            "hwident_collection_changes": collection_changes,
            "hwident_collection_page_data": collection_page_data,
            "hwident_newest_package": newest_package,
        }
