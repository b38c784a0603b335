#!/usr/bin/python3
"""Which package each Linux host gets, and what collect.yml --check says.

Every host is this machine over a local connection, dressed up as a system
of another family and architecture:

- Its facts come from a fact cache the test writes (the jsonfile cache,
  one file per host). The role gathers facts only when none are known, so
  it runs exactly as it does for real hosts whose facts a play or a cache
  already holds, with nothing in the role put there for testing.
- On a Debian host the role asks dpkg for the package architecture. The
  host's Python is a small script that puts a stand-in dpkg, which prints
  the host's dpkg architecture, first on the PATH before starting the real
  Python.

The packages are stand-ins in a temporary dist directory; the tarballs are
real ones, since check mode unpacks them on the control machine. Three runs:
the choice alone over every host; as root, one tarball host for real, into a
temporary prefix, with a shell script standing in for the program; then the
whole play in check mode over one host of each kind, that tarball host
among them, where check mode must find nothing left to change.
"""

import csv
import gzip
import io
import json
import os
import stat
import subprocess
import tarfile
import tempfile
import time
import unittest

import yaml

HERE = os.path.dirname(os.path.abspath(__file__))
PLAYBOOK_DIR = os.path.dirname(HERE)
PLAYBOOK = os.path.join(PLAYBOOK_DIR, "collect.yml")
ROLE_DIR = os.path.join(PLAYBOOK_DIR, "roles", "hwident")
VERSION = "1.0.0"


class Host:
    """A host the test pretends to be, and the package it must get: file
    and tool, or else the failure naming its architecture and family."""

    def __init__(self, name, family, machine, dpkg=None, pkg_mgr=None, file=None, tool=None,
                 no_build=None, install=True):
        self.name = name
        self.family = family
        self.machine = machine
        self.dpkg = dpkg
        self.pkg_mgr = pkg_mgr
        self.file = file
        self.tool = tool
        # The architecture the failure must name.
        self.no_build = no_build
        self.install = install


HOSTS = [
    Host("debian-amd64", "Debian", "x86_64", dpkg="amd64",
         file=f"hwident_{VERSION}_amd64.deb", tool="apt"),
    Host("ubuntu-arm64", "Debian", "aarch64", dpkg="arm64",
         file=f"hwident_{VERSION}_arm64.deb", tool="apt"),
    Host("debian-armhf", "Debian", "armv7l", dpkg="armhf",
         file=f"hwident_{VERSION}_armhf.deb", tool="apt"),
    # Raspberry Pi OS 32-bit on a 64-bit kernel: dpkg decides, not the kernel.
    Host("raspios-armhf-on-aarch64", "Debian", "aarch64", dpkg="armhf",
         file=f"hwident_{VERSION}_armhf.deb", tool="apt"),
    Host("rhel-x86-64", "RedHat", "x86_64", pkg_mgr="dnf",
         file=f"hwident-{VERSION}-1.x86_64.rpm", tool="dnf"),
    Host("rhel-aarch64", "RedHat", "aarch64", pkg_mgr="dnf",
         file=f"hwident-{VERSION}-1.aarch64.rpm", tool="dnf"),
    Host("amazon2-x86-64", "RedHat", "x86_64", pkg_mgr="yum",
         file=f"hwident-{VERSION}-1.x86_64.rpm", tool="yum"),
    Host("sles-x86-64", "Suse", "x86_64", pkg_mgr="zypper",
         file=f"hwident-{VERSION}-1.x86_64.rpm", tool="zypper"),
    Host("sles-aarch64", "Suse", "aarch64", pkg_mgr="zypper",
         file=f"hwident-{VERSION}-1.aarch64.rpm", tool="zypper"),
    Host("arch-x86-64", "Archlinux", "x86_64", pkg_mgr="pacman",
         file=f"hwident-{VERSION}-linux-x86_64.tar.gz", tool="copy"),
    Host("arch-aarch64", "Archlinux", "aarch64", pkg_mgr="pacman",
         file=f"hwident-{VERSION}-linux-aarch64.tar.gz", tool="copy"),
    Host("alpine-x86-64", "Alpine", "x86_64", pkg_mgr="apk",
         file=f"hwident-{VERSION}-linux-x86_64.tar.gz", tool="copy"),
    Host("alpine-armv7l", "Alpine", "armv7l", pkg_mgr="apk",
         file=f"hwident-{VERSION}-linux-armv7.tar.gz", tool="copy"),
    # The armhf packages of an ARMv6 Pi are for ARMv6; the armhf build is not.
    Host("raspios-armv6l", "Debian", "armv6l", dpkg="armhf", no_build="armv6l"),
    Host("debian-i386-on-x86-64", "Debian", "x86_64", dpkg="i386", no_build="i386"),
    Host("rhel-ppc64le", "RedHat", "ppc64le", pkg_mgr="dnf", no_build="ppc64le"),
    Host("rhel-armv7l", "RedHat", "armv7l", pkg_mgr="dnf", no_build="armv7l"),
    Host("sles-s390x", "Suse", "s390x", pkg_mgr="zypper", no_build="s390x"),
    Host("alpine-riscv64", "Alpine", "riscv64", pkg_mgr="apk", no_build="riscv64"),
    # The program is there already: nothing to choose, however odd the host.
    Host("preinstalled", "RedHat", "ppc64le", pkg_mgr="dnf", install=False),
]
BY_NAME = {host.name: host for host in HOSTS}
CHOOSING = [host for host in HOSTS if host.install]
# The whole play in check mode runs over one host of each way the role can
# go (every tool, no build, nothing to install): each further host would
# cost seconds and show nothing new. The choice alone runs over them all.
CHECK_RUN = [host for host in HOSTS if host.name in {
    "raspios-armhf-on-aarch64", "sles-x86-64", "arch-x86-64", "alpine-armv7l",
    "rhel-armv7l", "preinstalled"}]
CHECK_CHOOSING = [host for host in CHECK_RUN if host.install]
# Installed for real (as root) before the check run; arch-x86-64 is not.
INSTALLED = "alpine-armv7l"
AS_ROOT = os.geteuid() == 0

# Older versions beside the new ones, and the Windows files, must be passed by.
DIST_FILES = [
    f"hwident_{VERSION}_amd64.deb", f"hwident_{VERSION}_arm64.deb", f"hwident_{VERSION}_armhf.deb",
    "hwident_0.9.0_armhf.deb",
    f"hwident-{VERSION}-1.x86_64.rpm", f"hwident-{VERSION}-1.aarch64.rpm",
    "hwident-0.9.0-1.aarch64.rpm",
    f"hwident-{VERSION}-x64.msi", f"hwident-{VERSION}-x86.msi", f"hwident-{VERSION}-windows.zip",
]
TARBALL_ARCHS = ["x86_64", "aarch64", "armv7"]

# The stand-in program writes a report as the real one does: into
# $Windir/Model.txt, one "name = value" line per property, CR LF ends.
FAKE_PROGRAM = b"""#!/bin/sh
printf 'Model = "stand-in"\\r\\nEntries = %s\\r\\n' "$#" > "$Windir/Model.txt"
"""
MANUAL = gzip.compress(b".TH HWIDENT 1\n")


def write_tarball(dist, version, arch):
    top = f"hwident-{version}-linux-{arch}"
    with tarfile.open(os.path.join(dist, top + ".tar.gz"), "w:gz") as tar:
        for name, data, mode in [("hwident", FAKE_PROGRAM, 0o755), ("hwident.1.gz", MANUAL, 0o644),
                                 ("README", b"readme\n", 0o644), ("LICENSE", b"licence\n", 0o644)]:
            info = tarfile.TarInfo(f"{top}/{name}")
            info.size, info.mode = len(data), mode
            tar.addfile(info, io.BytesIO(data))


def write_dist(dist):
    os.makedirs(dist)
    for name in DIST_FILES:
        with open(os.path.join(dist, name), "wb") as package:
            package.write(b"stand-in package\n")
    for arch in TARBALL_ARCHS:
        write_tarball(dist, VERSION, arch)
    write_tarball(dist, "0.9.0", "armv7")


def write_host(work, host):
    """The host's cached facts, its Python, and its inventory variables."""
    facts = {"ansible_os_family": host.family, "ansible_architecture": host.machine,
             "ansible_distribution": host.name.split("-")[0], "ansible_system": "Linux"}
    if host.pkg_mgr:
        facts["ansible_pkg_mgr"] = host.pkg_mgr
    with open(os.path.join(work, "facts", host.name), "w", encoding="utf-8") as cache:
        json.dump(facts, cache)
    variables = {"hwident_linux_dir": os.path.join(work, "hosts", host.name),
                 "hwident_tarball_prefix": os.path.join(work, "prefix", host.name),
                 "hwident_install": host.install}
    if host.dpkg:
        bin_dir = os.path.join(work, "bin", host.name)
        os.makedirs(bin_dir)
        write_script(os.path.join(bin_dir, "dpkg"), f"#!/bin/sh\necho {host.dpkg}\n")
        python = os.path.join(work, "bin", host.name + "-python")
        write_script(python, f'#!/bin/sh\nPATH={bin_dir}:$PATH exec /usr/bin/python3 "$@"\n')
        variables["ansible_python_interpreter"] = python
    return variables


def write_script(path, text):
    with open(path, "w", encoding="utf-8") as script:
        script.write(text)
    os.chmod(path, 0o755)


def write_inventory(work):
    os.makedirs(os.path.join(work, "facts"))
    hosts = {host.name: write_host(work, host) for host in HOSTS}
    inventory = {"all": {"children": {"linux": {
        "hosts": hosts,
        "vars": {"ansible_connection": "local", "ansible_python_interpreter": "/usr/bin/python3",
                 "hwident_become": False},
    }}}}
    path = os.path.join(work, "inventory.yml")
    with open(path, "w", encoding="utf-8") as out:
        json.dump(inventory, out, indent=1)
    return path


def run_playbook(work, playbook, *options):
    """Runs a playbook over the test's hosts; returns (exit status, its JSON
    document)."""
    tmp = os.path.join(work, "tmp")
    os.makedirs(tmp, exist_ok=True)
    env = dict(os.environ, ANSIBLE_CONFIG=os.path.join(PLAYBOOK_DIR, "ansible.cfg"),
               ANSIBLE_STDOUT_CALLBACK="ansible.posix.json", ANSIBLE_NOCOLOR="1",
               ANSIBLE_CACHE_PLUGIN="jsonfile",
               ANSIBLE_CACHE_PLUGIN_CONNECTION=os.path.join(work, "facts"),
               ANSIBLE_ROLES_PATH=os.path.join(PLAYBOOK_DIR, "roles"),
               # Where the role's unpacking directories are made, to see them go.
               TMPDIR=tmp)
    extra = json.dumps({"hwident_package_dir": os.path.join(work, "dist"),
                        "hwident_reports_dir": os.path.join(work, "reports")})
    run = subprocess.run(["ansible-playbook", "-i", os.path.join(work, "inventory.yml"), playbook,
                          "-e", extra, *options],
                         capture_output=True, text=True, env=env, cwd=work)
    try:
        return run.returncode, json.loads(run.stdout)
    except json.JSONDecodeError as error:
        raise AssertionError(f"no JSON from ansible-playbook:\n{run.stdout}{run.stderr}") from error


def task_results(doc):
    for play in doc["plays"]:
        for task in play["tasks"]:
            for host, result in task["hosts"].items():
                yield task["task"], host, result


def results(doc, task_name):
    """{host: result} of every task of that name (without its role prefix)."""
    found = {}
    for play in doc["plays"]:
        for task in play["tasks"]:
            if task["task"]["name"].split(" : ", 1)[-1] == task_name:
                found.update(task["hosts"])
    return found


def chosen(doc):
    """{host: hwident_package} from the runs of the choosing task."""
    return {host: result["ansible_facts"]["hwident_package"]
            for host, result in results(doc, "Choose the package").items()
            if not result.get("skipped") and not result.get("failed")}


def ran(found):
    """The results of hosts that ran the task rather than skip it."""
    return {host: result for host, result in found.items() if not result.get("skipped")}


def files_under(path):
    return sorted(os.path.relpath(os.path.join(root, name), path)
                  for root, dirs, names in os.walk(path) for name in dirs + names)


def snapshot(path):
    """Every file and directory under path, with its mode, owner and bytes."""
    found = {}
    for root, dirs, names in os.walk(path):
        for name in dirs + names:
            full = os.path.join(root, name)
            info = os.lstat(full)
            data = None
            if stat.S_ISREG(info.st_mode):
                with open(full, "rb") as content:
                    data = content.read()
            found[os.path.relpath(full, path)] = (info.st_mode, info.st_uid, info.st_gid, data)
    return found


def choose_playbook(work):
    """A play running the choice alone, outside check mode."""
    path = os.path.join(work, "choose.yml")
    with open(path, "w", encoding="utf-8") as out:
        out.write("- name: Choose each host's package\n  hosts: all\n  gather_facts: false\n"
                  "  tasks:\n    - name: Choose\n      ansible.builtin.include_role:\n"
                  "        name: hwident\n        tasks_from: choose_package\n")
    return path


def limit(hosts):
    return ["--limit", ",".join(host if isinstance(host, str) else host.name for host in hosts)]


class PackageChoice(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory(prefix="hwident-choice-")
        work = cls.work.name
        write_dist(os.path.join(work, "dist"))
        write_inventory(work)
        started = time.monotonic()
        cls.alone_status, cls.alone = run_playbook(work, choose_playbook(work), *limit(CHOOSING))
        cls.alone_left = files_under(work)
        cls.real_status, cls.real = (run_playbook(work, PLAYBOOK, *limit([INSTALLED]))
                                     if AS_ROOT else (None, None))
        cls.before_check = snapshot(work)
        cls.check_status, cls.check = run_playbook(work, PLAYBOOK, "--check", "--diff",
                                                   *limit(CHECK_RUN))
        cls.after_check = snapshot(work)
        print(f"package choice: {len(CHOOSING)} hosts choosing, "
              f"{1 if AS_ROOT else 0} installing, {len(CHECK_RUN)} in check mode:"
              f" {time.monotonic() - started:.1f} s")

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def expected_package(self, host):
        return {"file": os.path.join(self.work.name, "dist", host.file), "tool": host.tool,
                "program": (os.path.join(self.work.name, "prefix", host.name, "bin", "hwident")
                            if host.tool == "copy" else "/usr/bin/hwident")}

    def plan(self, host):
        into = f" into {self.work.name}/prefix/{host.name}" if host.tool == "copy" else ""
        return f"{host.file} with {host.tool}{into}"

    def runs(self):
        """The choosing runs, each with the hosts it chose for."""
        return [("alone", self.alone, CHOOSING), ("check", self.check, CHECK_CHOOSING)]

    def installed(self, host):
        return AS_ROOT and host.name == INSTALLED

    # The choice

    def test_each_host_gets_the_package_of_its_family_and_architecture(self):
        for run, doc, hosts in self.runs():
            packages = chosen(doc)
            self.assertEqual(sorted(packages), sorted(h.name for h in hosts if not h.no_build))
            for host in hosts:
                if not host.no_build:
                    with self.subTest(run=run, host=host.name):
                        self.assertEqual(packages[host.name], self.expected_package(host))

    def test_a_host_without_a_build_fails_naming_its_architecture_and_family(self):
        for run, doc, hosts in self.runs():
            checked = ran(results(doc, "Check that a build runs on the host"))
            self.assertEqual(sorted(checked), sorted(host.name for host in hosts))
            for host in hosts:
                with self.subTest(run=run, host=host.name):
                    result = checked[host.name]
                    self.assertEqual(bool(result.get("failed")), bool(host.no_build), result)
                    if host.no_build:
                        self.assertTrue(result["msg"].startswith(
                            f"no hwident build for {host.no_build} ({host.family} family"),
                            result["msg"])
        # Those hosts fail the run; the choice has no other way to fail here.
        self.assertEqual(self.alone_status, 2)

    def test_the_choice_alone_changes_nothing(self):
        self.assertEqual([name for name in self.alone_left
                          if name.split(os.sep)[0] in ("hosts", "prefix", "reports", "tmp")
                          and name != "tmp"], [])

    # Check mode

    def test_check_mode_says_which_file_each_host_would_install_with_which_tool(self):
        said = ran(results(self.check, "Say which package the host gets"))
        # The hosts without a build failed before; the host with nothing to
        # install skipped it.
        self.assertEqual(sorted(said), sorted(h.name for h in CHECK_CHOOSING if not h.no_build))
        for host in CHECK_CHOOSING:
            if not host.no_build:
                with self.subTest(host=host.name):
                    self.assertEqual(said[host.name]["msg"], "would install " + self.plan(host))

    def test_check_mode_shows_whether_the_tarball_files_would_change(self):
        for task in ["Install the program", "Install the manual"]:
            copied = results(self.check, task)
            for host in CHECK_CHOOSING:
                if host.no_build:
                    continue
                with self.subTest(task=task, host=host.name):
                    result = copied[host.name]
                    self.assertEqual(result.get("skipped", False), host.tool != "copy", result)
                    self.assertEqual(result.get("changed", False),
                                     host.tool == "copy" and not self.installed(host), result)

    def test_check_mode_table_diff_has_a_row_naming_each_hosts_package(self):
        diff = results(self.check, "Write the fleet table")
        self.assertEqual(len(diff), 1, diff)
        (result,) = diff.values()
        table = list(csv.reader(io.StringIO(result["diff"][0]["after"], newline="")))
        self.assertEqual(table[0], ["host", "result"])
        self.assertEqual([row[0] for row in table[1:]], [host.name for host in CHECK_RUN])
        for row in table[1:]:
            host = BY_NAME[row[0]]
            with self.subTest(host=host.name):
                if not host.install:
                    self.assertEqual(row[1], "check mode: would run the program")
                elif host.no_build:
                    self.assertTrue(row[1].startswith(
                        f"failed: Check that a build runs on the host: no hwident build for "
                        f"{host.no_build} ({host.family} family"), row[1])
                else:
                    self.assertEqual(row[1], "check mode: would install " + self.plan(host))

    def test_check_mode_fails_the_hosts_without_a_build_only(self):
        self.assertEqual(self.check_status, 2)
        failed = results(self.check, "Fail the hosts that gave no report")
        self.assertEqual(sorted(failed), sorted(host.name for host in CHECK_RUN))
        self.assertEqual(sorted(host for host, result in failed.items() if result.get("failed")),
                         sorted(host.name for host in CHECK_RUN if host.no_build))

    def test_check_mode_changes_nothing(self):
        # The hosts' directories, install prefixes and reports are as they
        # were (made by the real run, or not at all), and the tarballs
        # unpacked on the control machine are gone again.
        changed = sorted(name for name in set(self.before_check) | set(self.after_check)
                         if self.before_check.get(name) != self.after_check.get(name)
                         and name.split(os.sep)[0] != "facts")
        self.assertEqual(changed, [])
        self.assertIn("tmp", self.after_check)
        self.assertEqual([name for name in self.after_check if name.startswith("tmp" + os.sep)], [])

    # The tarball, for real

    def real_run(self):
        if not AS_ROOT:
            self.skipTest("installing as owner root needs root")
        return self.real

    def test_the_tarball_puts_program_and_manual_under_the_prefix(self):
        self.real_run()
        self.assertEqual(self.real_status, 0)
        prefix = os.path.join(self.work.name, "prefix", INSTALLED)
        # Only the program and the manual: not the README or LICENSE.
        self.assertEqual(files_under(prefix), ["bin", "bin/hwident", "share", "share/man",
                                               "share/man/man1", "share/man/man1/hwident.1.gz"])
        for path, data, mode in [("bin/hwident", FAKE_PROGRAM, 0o755),
                                 ("share/man/man1/hwident.1.gz", MANUAL, 0o644),
                                 ("bin", None, 0o755), ("share/man/man1", None, 0o755)]:
            with self.subTest(path=path):
                info_mode, uid, gid, content = self.before_check[os.path.join("prefix", INSTALLED,
                                                                              path)]
                self.assertEqual((stat.S_IMODE(info_mode), uid, gid, content), (mode, 0, 0, data))

    def test_the_program_from_the_tarball_gives_the_report(self):
        self.real_run()
        with open(os.path.join(ROLE_DIR, "defaults", "main.yml"), encoding="utf-8") as defaults:
            entries = len(yaml.safe_load(defaults)["hwident_entries"])
        table = self.before_check[os.path.join("reports", "fleet.csv")][3].decode("utf-8")
        self.assertEqual(list(csv.reader(io.StringIO(table, newline=""))),
                         [["host", "result", "Model", "Entries"],
                          [INSTALLED, "ok", '"stand-in"', str(entries)]])

    def test_check_mode_finds_nothing_to_install_on_the_installed_host(self):
        self.real_run()
        installing = [(task, result) for task, host, result in task_results(self.check)
                      if host == INSTALLED and os.path.basename(task["path"].rsplit(":", 1)[0])
                      in ("install_linux.yml", "install_tarball.yml")]
        names = {task["name"].split(" : ", 1)[-1] for task, result in installing
                 if not result.get("skipped")}
        self.assertLessEqual({"Make the role's directory", "Install the program",
                              "Install the manual"}, names)
        for task, result in installing:
            with self.subTest(task=task["name"]):
                self.assertFalse(result.get("changed"), result)


if __name__ == "__main__":
    unittest.main(verbosity=2)
