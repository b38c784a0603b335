#!/usr/bin/python3
"""The fleet role's table step at scale: synthetic reports for many hosts,
two collections, and the page they give in headless Chromium.

Writes every host's report as the role would have fetched it, then runs the
role's own table tasks (tasks_from: table.yml) on the control machine twice,
the second time after changing a few hosts (a module gone, a BIOS flashed,
a host failing, one new, one gone). It prints:
- how long the second table step took (fleet.csv, fleet.json, changes.csv
  and the page) as the play ran it, and its filters alone in this process;
- the page's size;
- in headless Chromium: the time from navigation to the end of the load
  event (the page drawn), and of one click sorting the table by a column,
  layout included; then the pager's Next.

Beside each clock time it gives the CPU time spent (the play's processes;
the page's main thread), which a busy machine does not lengthen.

Usage: fleet_page_bench.py [--hosts N] [--keep DIR] [--screenshot PNG]
"""

import argparse
import json
import os
import random
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PLAYBOOK_DIR = os.path.join(HERE, "..", "deploy", "ansible")
PLUGIN = os.path.join(PLAYBOOK_DIR, "roles", "hwident", "filter_plugins", "hwident_fleet.py")

MODELS = [("Dell Inc.", "OptiPlex 7090"), ("Dell Inc.", "Latitude 5520"),
          ("Dell Inc.", "PowerEdge R650"), ("HP", "HP EliteDesk 800 G6 Desktop Mini PC"),
          ("HP", "HP ProBook 450 G8 Notebook PC"), ("LENOVO", "20XW004GGE"),
          ("LENOVO", "11JNS0F800"), ("Supermicro", "SYS-1029P-WTR"),
          ("Fujitsu", "ESPRIMO D7010"), ("Microsoft Corporation", "Surface Laptop 4")]
PROCESSORS = ["Intel(R) Core(TM) i5-10500T CPU @ 2.30GHz", "Intel(R) Core(TM) i7-1165G7 @ 2.80GHz",
              "11th Gen Intel(R) Core(TM) i5-1145G7 @ 2.60GHz",
              "AMD Ryzen 5 PRO 5650U with Radeon Graphics",
              "Intel(R) Xeon(R) Silver 4314 CPU @ 2.40GHz", "AMD EPYC 7313 16-Core Processor"]
SYSTEMS = ["Microsoft Windows 10 Pro", "Microsoft Windows 11 Pro",
           "Microsoft Windows 11 Enterprise", "Debian GNU/Linux 12 (bookworm)",
           "Ubuntu 22.04.4 LTS"]
GIB = 1024 ** 3


def report(rng, index, flashed=False, modules_less=0):
    maker, model = MODELS[index % len(MODELS)]
    modules = [8, 8, 16, 16][: 1 + index % 4]
    modules = modules[: max(1, len(modules) - modules_less)]
    total = sum(modules) * GIB - rng.randrange(200, 900) * 1024 * 1024
    bios = f"{1 + index % 3}.{(index // 7) % 12 + (1 if flashed else 0)}.0"
    lines = [f'Model = "{model}"', f'Manufacturer = "{maker}"', f'TotalPhysicalMemory = "{total}"']
    for slot, size in enumerate(modules):
        lines.append(f'Capacity = "{size * GIB}"')
        lines.append(f'DeviceLocator = "DIMM {slot}"')
    lines += [f'SerialNumber = "SN{index:08d}"', f'SMBIOSBIOSVersion = "{bios}"',
              f'UUID = "{rng.getrandbits(128):032X}"',
              f'Name = "{PROCESSORS[index % len(PROCESSORS)]}"',
              f"NumberOfCores = {4 << index % 3} (0x{4 << index % 3:x})",
              f'Caption = "{SYSTEMS[(index // 3) % len(SYSTEMS)]}"']
    if index % 5 == 0:
        lines.append('DeviceID = "IDE\\CDROMNEC_DVD_RW__ND-3550A\\5&2D4D3A4D&0&1.0.0"')
    return ("\r\n".join(lines) + "\r\n").encode()


def write_collection(work, count, second):
    """Every host's report and outcome; the second collection changes about
    one host in a hundred, fails one, adds one and loses one."""
    outcomes = {}
    hosts = [f"pc-{i:05d}" for i in range(count)]
    if second:
        hosts = hosts[1:] + [f"pc-{count:05d}"]
    for host in hosts:
        index = int(host[3:])
        if second and index == 7:
            outcomes[host] = {"result": "unreachable: timed out waiting for the connection",
                              "failed": True}
            continue
        changed = second and index % 100 == 3
        path = os.path.join(work, "reports", host, "Model.txt")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(report(random.Random(index), index, flashed=changed, modules_less=1 if changed else 0))
        outcomes[host] = {"result": "ok", "report": path, "failed": False}
    return outcomes


def write_inventory(work, outcomes):
    inventory = {"fleet": {"hosts": {host: {"hwident_outcome": outcome}
                                     for host, outcome in outcomes.items()}}}
    path = os.path.join(work, "inventory.json")
    with open(path, "w", encoding="utf-8") as out:
        json.dump(inventory, out)
    return path


def write_playbook(work):
    path = os.path.join(work, "table.yml")
    with open(path, "w", encoding="utf-8") as out:
        out.write("""- name: Write the fleet table
  hosts: localhost
  gather_facts: false
  tasks:
    - name: Write the fleet table
      ansible.builtin.include_role:
        name: hwident
        tasks_from: table.yml
      vars:
        hwident_table_hosts: "{{ groups['fleet'] }}"
""")
    return path


def run_table(work, inventory, playbook):
    env = dict(os.environ, ANSIBLE_CONFIG=os.path.join(PLAYBOOK_DIR, "ansible.cfg"),
               ANSIBLE_ROLES_PATH=os.path.join(PLAYBOOK_DIR, "roles"),
               ANSIBLE_CALLBACKS_ENABLED="ansible.posix.profile_tasks", ANSIBLE_NOCOLOR="1",
               ANSIBLE_LOCALHOST_WARNING="False", ANSIBLE_INVENTORY_UNPARSED_WARNING="False")
    extra = json.dumps({"hwident_reports_dir": os.path.join(work, "reports")})
    started = time.monotonic()
    cpu = resource.getrusage(resource.RUSAGE_CHILDREN)
    run = subprocess.run(["ansible-playbook", "-i", inventory, playbook, "-e", extra,
                          "-c", "local"], capture_output=True, text=True, env=env)
    seconds = time.monotonic() - started
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu_seconds = after.ru_utime + after.ru_stime - cpu.ru_utime - cpu.ru_stime
    if run.returncode != 0:
        sys.exit(run.stdout + run.stderr)
    return seconds, cpu_seconds, run.stdout


def task_times(output):
    """The profile_tasks lines of the table's own writing tasks."""
    lines = []
    for line in output.splitlines():
        if re.search(r" -{3,} [\d.]+s$", line) and any(word in line for word in
                                   ("fleet table", "Keep this", "what changed", "fleet page")):
            lines.append("  " + " ".join(line.split()))
    return lines


def filters_alone(outcomes, reports):
    """The role's filters on the same collections, in this process: the
    outcomes read once (what hostvars gives the play), then fleet.csv and
    changes.csv from the kept collections, then the page's data."""
    # The plugin is imported from its own folder, as Ansible loads it.
    sys.path.insert(0, os.path.dirname(PLUGIN))
    import hwident_fleet as fleet  # pylint: disable=import-outside-toplevel
    hostvars = {host: {"hwident_outcome": outcome} for host, outcome in outcomes.items()}
    current = os.path.join(reports, "fleet.json")
    previous = os.path.join(reports, "previous", "fleet.json")
    started = time.monotonic()
    cpu = time.process_time()
    with open(current + ".again", "w", encoding="ascii") as out:
        out.write(fleet.fleet_json(list(outcomes), hostvars))
    fleet.collection_csv(current + ".again")
    changes = fleet.collection_changes(current + ".again", previous)
    middle = time.monotonic()
    cpu = time.process_time() - cpu
    fleet.collection_page_data(current, previous, [])
    return middle - started, cpu, time.monotonic() - middle, changes.count("\r\n") - 1


def browser(page, screenshot):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                     "--window-size=1400,1000", "--host-resolver-rules=MAP * ~NOTFOUND"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)

    def main_thread_seconds():
        """CPU time of the page's main thread in its tasks so far: unlike
        the clock, not lengthened by whatever else the machine runs."""
        metrics = driver.execute_cdp_cmd("Performance.getMetrics", {})["metrics"]
        return next(metric["value"] for metric in metrics if metric["name"] == "TaskDuration")

    try:
        driver.execute_cdp_cmd("Performance.enable", {"timeDomain": "threadTicks"})
        driver.get("file://" + page)
        loaded_cpu = main_thread_seconds() * 1000
        if screenshot:
            driver.save_screenshot(screenshot)
        loaded = driver.execute_script(
            "var n = performance.getEntriesByType('navigation')[0]; return n.loadEventEnd;")
        before = main_thread_seconds()
        sort = driver.execute_script("""
            var th = document.querySelectorAll('#fleet thead th')[2];
            var started = performance.now();
            th.click();
            document.body.offsetHeight;
            return performance.now() - started;""")
        sort_cpu = (main_thread_seconds() - before) * 1000
        rows = driver.execute_script("""
            var shown = [document.querySelectorAll('#fleet tbody tr').length];
            var next = document.querySelector('#hosts .tools button:last-child');
            next.click();
            shown.push(document.querySelectorAll('#fleet tbody tr').length);
            shown.push(document.querySelector('#hosts .shown').textContent);
            next.previousElementSibling.click();
            return shown;""")
        return loaded, loaded_cpu, sort, sort_cpu, rows
    finally:
        driver.quit()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--hosts", type=int, default=2000)
    parser.add_argument("--keep", help="make the reports in this directory and keep them")
    parser.add_argument("--screenshot", help="save the page's screenshot here, as it opens")
    args = parser.parse_args()

    work = args.keep or tempfile.mkdtemp(prefix="hwident-fleet-bench-")
    try:
        os.makedirs(work, exist_ok=True)
        shutil.rmtree(os.path.join(work, "reports"), ignore_errors=True)
        playbook = write_playbook(work)
        run_table(work, write_inventory(work, write_collection(work, args.hosts, False)), playbook)
        outcomes = write_collection(work, args.hosts, True)
        seconds, cpu_seconds, output = run_table(work, write_inventory(work, outcomes), playbook)
        reports = os.path.join(work, "reports")
        tables, tables_cpu, page_data, changes = filters_alone(outcomes, reports)
        page = os.path.join(reports, "fleet.html")
        print(f"{args.hosts} hosts, {changes} changes")
        print(f"table step as played (ansible-playbook, start to end): {seconds:.2f} s, "
              f"{cpu_seconds:.2f} s of CPU")
        print("\n".join(task_times(output)))
        print(f"filters alone: fleet.json + fleet.csv + changes.csv {tables:.2f} s "
              f"({tables_cpu:.2f} s CPU), page data {page_data:.2f} s")
        print(f"fleet.html: {os.path.getsize(page) / 1e6:.2f} MB")
        loaded, loaded_cpu, sort, sort_cpu, rows = browser(page, args.screenshot)
        print(f"chromium: page drawn (load event end) {loaded:.0f} ms "
              f"({loaded_cpu:.0f} ms of main-thread CPU), sort by a column {sort:.0f} ms "
              f"({sort_cpu:.0f} ms CPU); rows in the document {rows[0]}, "
              f"after Next {rows[1]} ({rows[2]})")
    finally:
        if not args.keep:
            shutil.rmtree(work)


if __name__ == "__main__":
    main()
