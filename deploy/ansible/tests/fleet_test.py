#!/usr/bin/python3
"""Runs collect.yml for real and checks what it leaves on the control machine.

Six hosts, all on this machine: four answer (local connections, each with
its own role directory and entries, one of them through a stand-in program
whose report holds markup), one is unreachable (SSH to a closed port) and
one fails inside the role. The playbook runs twice, the second time with
another entry list on one host and a flashed BIOS on another, so the second
run's changes.csv and fleet.html have those changes to show; Chromium opens
that page (fleet_page_check.py) and a screenshot of it is saved.

The .deb is installed on this machine, so the run needs root; without root,
or without a package, it says it skipped. The Windows tasks cannot run here:
they are checked with a syntax check, ansible-lint, and their arguments
against the modules' own options.

Usage: fleet_test.py DIST_DIR [SCREENSHOT_PNG]
"""

import csv
import glob
import io
import json
import os
import shlex
import stat
import subprocess
import sys
import tempfile
import time

import yaml

import fleet_page_check

HERE = os.path.dirname(os.path.abspath(__file__))
PLAYBOOK_DIR = os.path.dirname(HERE)
ROLE_DIR = os.path.join(PLAYBOOK_DIR, "roles", "hwident")
PLAYBOOK = os.path.join(PLAYBOOK_DIR, "collect.yml")
PROGRAM = "/usr/bin/hwident"

# Each answering host asks for different entries, so the table's columns come
# from several reports in turn: beta repeats Model (the built-in line and its
# own), gamma brings names neither other host has. None: the role's default.
# Per run: the second asks gamma for another list.
GOOD_HOSTS = {
    "alpha": [None, None],
    "beta": [["Win32_Processor;Name", "Win32_ComputerSystem;Model,TotalPhysicalMemory"]] * 2,
    "gamma": [["Win32_OperatingSystem;Caption,OSArchitecture",
               "Win32_Processor;Name,NumberOfLogicalProcessors"],
              ["Win32_OperatingSystem;Caption,OSArchitecture", "Win32_Processor;Name",
               "Win32_BIOS;SMBIOSBIOSVersion"]],
    "odd": [None, None],
}
# odd's report comes from a stand-in program: a model name that is markup
# (and a template, which Ansible must not expand), its modules in another
# order the second time (no change) and its BIOS flashed (a change).
HOSTILE_MODEL = ('"<script>window.hostile=1</script><img src=x onerror=window.hostile=2>'
                 '{{ 7 * 7 }} & </td>"')
ODD_REPORTS = [
    f'Model = {HOSTILE_MODEL}\r\nManufacturer = "Odd & Sons"\r\n'
    'TotalPhysicalMemory = "17096567296"\r\nCapacity = "8589934592"\r\n'
    'Capacity = "4294967296"\r\nCapacity = "4294967296"\r\nSMBIOSBIOSVersion = "1.0"\r\n',
    f'Model = {HOSTILE_MODEL}\r\nManufacturer = "Odd & Sons"\r\n'
    'TotalPhysicalMemory = "17096567296"\r\nCapacity = "4294967296"\r\n'
    'Capacity = "8589934592"\r\nCapacity = "4294967296"\r\nSMBIOSBIOSVersion = "1.1"\r\n',
]
# What the second run's changes.csv must hold, in the table's host order.
EXPECTED_CHANGES = [
    ["gamma", "property added", "SMBIOSBIOSVersion", "", None],
    ["gamma", "property removed", "NumberOfLogicalProcessors", None, ""],
    ["odd", "changed", "SMBIOSBIOSVersion", '"1.0"', '"1.1"'],
]
# Inventory order, which is the table's row order; the failing hosts sit
# between the others so a table sorted or grouped by outcome shows.
HOST_ORDER = ["alpha", "lost", "beta", "broken", "gamma", "odd"]
EXPECTED_RESULT_START = {
    "lost": "unreachable: ",
    "broken": "failed: Make the role's directory: ",
}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def default_entries():
    with open(os.path.join(ROLE_DIR, "defaults", "main.yml"), encoding="utf-8") as defaults:
        return yaml.safe_load(defaults)["hwident_entries"]


def default_counts():
    with open(os.path.join(ROLE_DIR, "defaults", "main.yml"), encoding="utf-8") as defaults:
        return yaml.safe_load(defaults)["hwident_page_counts"]


def entries_of(host, run):
    entries = GOOD_HOSTS[host][run]
    return entries if entries is not None else default_entries()


def program_of(host, work):
    """The stand-in program for odd: it writes whatever report the test left
    beside it."""
    if host != "odd":
        return PROGRAM
    path = os.path.join(work, "odd-hwident")
    if not os.path.exists(path):
        with open(path, "w", encoding="utf-8") as script:
            script.write(f'#!/bin/sh\nexec cp {shlex.quote(os.path.join(work, "odd-report.txt"))} '
                         '"$Windir/Model.txt"\n')
        os.chmod(path, 0o755)
    return path


def write_odd_report(work, run):
    with open(os.path.join(work, "odd-report.txt"), "w", encoding="utf-8", newline="") as out:
        out.write(ODD_REPORTS[run])


def write_inventory(work, run):
    hosts = {}
    for host in HOST_ORDER:
        if host in GOOD_HOSTS:
            hosts[host] = {"hwident_linux_dir": os.path.join(work, "hosts", host)}
            if GOOD_HOSTS[host][run] is not None:
                hosts[host]["hwident_entries"] = GOOD_HOSTS[host][run]
            if program_of(host, work) != PROGRAM:
                hosts[host]["hwident_linux_program"] = program_of(host, work)
        elif host == "lost":
            hosts[host] = {"ansible_connection": "ssh", "ansible_host": "127.0.0.1",
                           "ansible_port": 1, "hwident_connect_timeout": 2}
        else:
            # A role directory below a regular file cannot be made.
            hosts[host] = {"hwident_linux_dir": "/etc/hostname/hwident"}
    inventory = {"all": {"children": {"linux": {
        "hosts": hosts,
        "vars": {"ansible_connection": "local", "ansible_python_interpreter": "/usr/bin/python3",
                 "hwident_become": False},
    }}}}
    path = os.path.join(work, "inventory.yml")
    with open(path, "w", encoding="utf-8") as out:
        json.dump(inventory, out, indent=1)
    return path


def run_playbook(inventory, dist, reports):
    # The playbook directory's configuration, as a user running it there gets.
    env = dict(os.environ, ANSIBLE_CONFIG=os.path.join(PLAYBOOK_DIR, "ansible.cfg"),
               ANSIBLE_STDOUT_CALLBACK="ansible.posix.json",
               ANSIBLE_HOST_KEY_CHECKING="False", ANSIBLE_NOCOLOR="1")
    extra = json.dumps({"hwident_package_dir": dist, "hwident_reports_dir": reports})
    started = time.monotonic()
    run = subprocess.run(["ansible-playbook", "-i", inventory, PLAYBOOK, "-e", extra],
                         capture_output=True, text=True, env=env, cwd=os.path.dirname(inventory))
    seconds = time.monotonic() - started
    try:
        doc = json.loads(run.stdout)
    except json.JSONDecodeError:
        sys.stderr.write(run.stdout + run.stderr)
        raise
    # 2: some hosts failed, which two of them must.
    check(run.returncode == 2, f"ansible-playbook exit status {run.returncode}, expected 2")
    return doc, seconds


def task_results(doc):
    for play in doc["plays"]:
        for task in play["tasks"]:
            for host, result in task["hosts"].items():
                yield task["task"], host, result


def direct_report(work, host, run):
    windir = os.path.join(work, "direct", str(run), host)
    os.makedirs(windir)
    subprocess.run([program_of(host, work)] + entries_of(host, run), check=True,
                   env=dict(os.environ, Windir=windir), stderr=subprocess.DEVNULL)
    with open(os.path.join(windir, "Model.txt"), "rb") as report:
        return report.read()


def check_mode(path, mode):
    actual = stat.S_IMODE(os.stat(path).st_mode)
    check(actual == mode, f"{path}: mode {actual:o}, expected {mode:o}")


def check_reports(reports, direct):
    check_mode(reports, 0o700)
    for host, expected in direct.items():
        path = os.path.join(reports, host, "Model.txt")
        if not check(os.path.isfile(path), f"{host}: no fetched report"):
            continue
        with open(path, "rb") as fetched:
            check(fetched.read() == expected, f"{host}: fetched report differs from a direct run")
        check_mode(os.path.dirname(path), 0o700)
        check_mode(path, 0o600)
    for host in EXPECTED_RESULT_START:
        check(not os.path.exists(os.path.join(reports, host, "Model.txt")),
              f"{host}: a report was fetched from a failing host")


def expected_cells(direct):
    """Columns in order of first appearance and each good host's cells,
    worked out from the direct runs' bytes."""
    columns, cells = [], {}
    for host in HOST_ORDER:
        if host not in direct:
            continue
        values = {}
        for line in direct[host].decode("utf-8", "surrogateescape").split("\r\n")[:-1]:
            name, value = line.split(" = ", 1)
            if name not in columns:
                columns.append(name)
            values.setdefault(name, []).append(value)
        cells[host] = {name: " | ".join(found) for name, found in values.items()}
    return columns, cells


def check_table(reports, direct):
    path = os.path.join(reports, "fleet.csv")
    if not check(os.path.isfile(path), "no fleet.csv"):
        return None
    check_mode(path, 0o600)
    with open(path, "rb") as table_file:
        raw = table_file.read().decode("utf-8", "surrogateescape")
    table = list(csv.reader(io.StringIO(raw, newline="")))
    # Written back by Python's own CSV writer, the table must come out the
    # same: quoting exactly where needed, quotes doubled, CR LF row ends.
    again = io.StringIO(newline="")
    csv.writer(again, lineterminator="\r\n").writerows(table)
    check(again.getvalue() == raw, "fleet.csv is not canonically quoted CSV")

    columns, cells = expected_cells(direct)
    check(table[0] == ["host", "result"] + columns, f"header {table[0]}, expected {columns}")
    check([row[0] for row in table[1:]] == HOST_ORDER, f"rows {[r[0] for r in table[1:]]}")
    for row in table[1:]:
        host = row[0]
        if not check(len(row) == 2 + len(columns), f"{host}: {len(row)} cells"):
            continue
        if host in GOOD_HOSTS:
            check(row[1] == "ok", f"{host}: result {row[1]!r}")
            for name, cell in zip(columns, row[2:]):
                expected = cells[host].get(name, "")
                check(cell == expected, f"{host}/{name}: {cell!r}, expected {expected!r}")
        else:
            check(row[1].startswith(EXPECTED_RESULT_START[host]), f"{host}: result {row[1]!r}")
            check(row[2:] == [""] * len(columns), f"{host}: cells beyond the result")
    return raw


def read_changes(reports):
    path = os.path.join(reports, "changes.csv")
    if not check(os.path.isfile(path), "no changes.csv"):
        return []
    check_mode(path, 0o600)
    with open(path, "rb") as changes:
        rows = list(csv.reader(io.StringIO(changes.read().decode("utf-8", "surrogateescape"),
                                           newline="")))
    check(rows[:1] == [["host", "change", "property", "previous", "current"]],
          f"changes.csv header {rows[:1]}")
    return rows[1:]


def expected_changes(first_table, second_table):
    """EXPECTED_CHANGES with the values this machine's reports gave filled in."""
    def cell(table, host, column):
        rows = list(csv.reader(io.StringIO(table, newline="")))
        return next(row for row in rows if row[0] == host)[rows[0].index(column)]
    rows = []
    for host, change, name, previous, current in EXPECTED_CHANGES:
        rows.append([host, change, name,
                     cell(first_table, host, name) if previous is None else previous,
                     cell(second_table, host, name) if current is None else current])
    return rows


def check_collections(reports, first_table, second_table):
    """After the second run: the first run kept in previous/, the changes
    between the two, and the page."""
    previous = os.path.join(reports, "previous")
    check_mode(previous, 0o700)
    for name in ("fleet.csv", "fleet.json"):
        check_mode(os.path.join(previous, name), 0o600)
        check_mode(os.path.join(reports, name), 0o600)
    with open(os.path.join(previous, "fleet.csv"), "rb") as kept:
        check(kept.read().decode("utf-8", "surrogateescape") == first_table,
              "previous/fleet.csv is not the first run's table")
    changes = read_changes(reports)
    wanted = expected_changes(first_table, second_table)
    check(changes == wanted, f"changes.csv rows {changes}, expected {wanted}")
    page = os.path.join(reports, "fleet.html")
    if check(os.path.isfile(page), "no fleet.html"):
        check_mode(page, 0o600)
    return changes


def check_idempotent(doc):
    """Every install task of the second run left every answering host as it
    was; the install tasks must have run, not been skipped."""
    seen = {host: set() for host in GOOD_HOSTS}
    for task, host, result in task_results(doc):
        if host not in GOOD_HOSTS or "/tasks/install_linux.yml:" not in task["path"]:
            continue
        if result.get("skipped"):
            continue
        name = task["name"].split(" : ", 1)[-1]
        seen[host].add(name)
        check(not result.get("changed"), f"second run: {name} changed {host}")
        check(not result.get("failed"), f"second run: {name} failed on {host}")
    for host, names in seen.items():
        check({"Copy the package to the host", "Install the package with apt"} <= names,
              f"second run: the install tasks did not run on {host}: {sorted(names)}")


def check_page(reports, changes, screenshot):
    unavailable = fleet_page_check.available()
    if unavailable:
        print(f"fleet: the page's browser check was skipped: {unavailable}")
        return
    started = time.monotonic()
    fleet_page_check.check_page(os.path.join(reports, "fleet.html"), default_counts(), changes,
                                HOSTILE_MODEL, screenshot, check)
    print(f"fleet: page checked in Chromium in {time.monotonic() - started:.1f} s"
          + (f", screenshot {screenshot}" if screenshot else ""))


def run_hosts(dist, screenshot):
    debs = glob.glob(os.path.join(dist, "hwident_*_amd64.deb"))
    if os.geteuid() != 0 or not debs:
        print("fleet: the playbook run was skipped: "
              + ("it installs the .deb, which needs root" if debs else f"no .deb in {dist}"))
        return
    with tempfile.TemporaryDirectory(prefix="hwident-fleet-") as work:
        reports = os.path.join(work, "reports")
        write_odd_report(work, 0)
        _, first = run_playbook(write_inventory(work, 0), dist, reports)
        direct = {host: direct_report(work, host, 0) for host in GOOD_HOSTS}
        check_reports(reports, direct)
        first_table = check_table(reports, direct)
        # The first collection has nothing to compare with.
        check(read_changes(reports) == [], "first run: changes.csv has rows")

        write_odd_report(work, 1)
        second_doc, second = run_playbook(write_inventory(work, 1), dist, reports)
        check_idempotent(second_doc)
        direct = {host: direct_report(work, host, 1) for host in GOOD_HOSTS}
        check_reports(reports, direct)
        second_table = check_table(reports, direct)
        if first_table is not None and second_table is not None:
            changes = check_collections(reports, first_table, second_table)
            check_page(reports, changes, screenshot)
        print(f"fleet: playbook over {len(HOST_ORDER)} hosts ({len(GOOD_HOSTS)} answering): "
              f"first run {first:.1f} s, second run {second:.1f} s")
        if os.environ.get("HWIDENT_FLEET_SAMPLE"):
            with open(os.path.join(reports, "fleet.csv"), encoding="utf-8") as table:
                sys.stdout.write(table.read())


def windows_module_args():
    """(module, argument names) of every Windows module task in the role."""
    for path in glob.glob(os.path.join(ROLE_DIR, "tasks", "*.yml")):
        with open(path, encoding="utf-8") as tasks:
            for task in yaml.safe_load(tasks) or []:
                for key, args in task.items():
                    if key.startswith("ansible.windows."):
                        yield os.path.basename(path), key, sorted(args)


def check_windows_tasks():
    """No Windows host answers here: parse the Windows tasks, lint them, and
    hold each module argument against the options the module documents."""
    syntax = subprocess.run(["ansible-playbook", "--syntax-check", "-i",
                             os.path.join(PLAYBOOK_DIR, "inventory.example.ini"), PLAYBOOK],
                            capture_output=True, text=True, cwd=PLAYBOOK_DIR)
    check(syntax.returncode == 0, "syntax check: " + syntax.stdout + syntax.stderr)
    lint = subprocess.run(["ansible-lint", "--nocolor", "collect.yml", "roles/hwident"],
                          capture_output=True, text=True, cwd=PLAYBOOK_DIR)
    check(lint.returncode == 0, "ansible-lint: " + lint.stdout + lint.stderr)

    uses = list(windows_module_args())
    check(len({module for _, module, _ in uses}) >= 4, f"Windows modules found: {uses}")
    modules = sorted({module for _, module, _ in uses})
    docs = json.loads(subprocess.run(["ansible-doc", "-j", "-t", "module"] + modules,
                                     capture_output=True, text=True, check=True).stdout)
    for path, module, args in uses:
        options = docs[module]["doc"]["options"]
        known = set(options)
        for option in options.values():
            known.update(option.get("aliases", []))
        unknown = [arg for arg in args if arg not in known]
        check(not unknown, f"{path}: {module} has no option {unknown}")


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    check_windows_tasks()
    run_hosts(os.path.abspath(sys.argv[1]),
              os.path.abspath(sys.argv[2]) if len(sys.argv) == 3 else None)
    for failure in failures:
        print("FAILED:", failure)
    print(f"fleet: {'failed' if failures else 'passed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
