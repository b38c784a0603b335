#!/usr/bin/env python3
"""Writes the large machines the provider benchmarks run on, into DIR:

  cpus-1024   four sockets of 128 cores, two threads each: /proc/cpuinfo of
              1,024 blocks and the matching topology, caches and
              frequencies in sysfs
  pci-300     300 PCI functions (bridges, USB, NVMe, two display
              controllers, an audio controller) behind four root ports
  storage-64  64 SATA disks of four partitions each, 64 mounted volumes and
              32 network ports
  accounts-10000  10,000 accounts in /etc/passwd and /etc/shadow (a
              directory server's local mirror) and 2,000 groups
  processes-30000  30,000 processes, each with its stat, status, command
              line, executable and four descriptors (processes-3000: a
              tenth of them, to show the cost grows linearly)
  services-500  500 service units under systemd, half enabled and running,
              a fifth with a drop-in

Each has DMI names and an operating system, so every class has something to
read. They are made at build time rather than kept in the repository: the
first alone is some 20,000 files.

Usage: make_scale_machines.py DIR
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "fixtures"))

# storage_network first: it imports make_fixtures, which imports it back.
import storage_network as sn  # noqa: E402
import make_fixtures as fx  # noqa: E402
import processes_services as ps  # noqa: E402


def base(root, product, cpus_per_socket=4, sockets=1):
    fx.dmi(root, {"sys_vendor": "Northwind Systems", "product_name": product,
                  "product_family": "Scale", "bios_vendor": "Northwind Systems",
                  "bios_version": "1.0.0", "bios_date": "01/02/2026", "board_vendor": "Northwind",
                  "board_name": product + " MB", "chassis_type": "23",
                  "chassis_vendor": "Northwind"})
    fx.meminfo(root, 2113929216, 2000000000, 0, 0)
    fx.os_release(root, "Debian GNU/Linux 12 (bookworm)", "Debian GNU/Linux", "12")
    fx.kernel(root, product.lower().replace(" ", "-"), "(none)", "6.1.0-18-amd64", 1718430000,
              [("/dev/sda1", "/", "ext4")], "0f0e0d0c0b0a09080706050403020100")
    write_cpus(root, sockets, cpus_per_socket)


def write_cpus(root, sockets, cores, threads=2):
    count = sockets * cores * threads
    fx.write(root, "/proc/cpuinfo",
             fx.cpuinfo_x86(sockets, cores, threads, "GenuineIntel",
                            "Intel(R) Xeon(R) Platinum 8592+ @ 1.90GHz", 6, 207, 2, "1900.000",
                            fx.X86_FLAGS), newline=False)
    fx.cpu_sysfs(root, count, cores * threads,
                 [(1, "Data", "48K", threads), (1, "Instruction", "32K", threads),
                  (2, "Unified", "2048K", threads), (3, "Unified", "327680K", cores * threads)],
                 max_khz=3900000, cur_khz=1900000, base_khz=1900000, threads=threads)


def cpus_1024(root):
    base(root, "Scale 1024", cpus_per_socket=128, sockets=4)


def pci_300(root):
    base(root, "Scale PCI")
    kinds = [(0x8086, 0x1bb0, 0x060400, "pcieport"), (0x8086, 0x0b00, 0x0c0330, "xhci_hcd"),
             (0x144d, 0xa80a, 0x010802, "nvme"), (0x8086, 0x0998, 0x088000, None)]
    for number in range(300):
        root_port, slot = divmod(number, 75)
        path = "/sys/devices/pci0000:%02x/0000:%02x:%02x.%d" % (
            root_port * 0x40, root_port * 0x40, slot // 8, slot % 8)
        if number in (10, 160):
            sn.pci(root, path, 0x10de, 0x2684, 0x10de, 0x167c, 0xa1, 0x030000, "nvidia")
        elif number == 11:
            sn.pci(root, path, 0x10de, 0x22ba, 0x10de, 0x167c, 0xa1, 0x040300,
                   "snd_hda_intel")
        else:
            vendor, device, pci_class, driver = kinds[number % len(kinds)]
            sn.pci(root, path, vendor, device, vendor, 0x0000, 0x01, pci_class, driver)
        fx.link(root, "/sys/bus/pci/devices/" + os.path.basename(path),
                sn.rel("/sys/bus/pci/devices/x", path))


def storage_64(root):
    base(root, "Scale Storage")
    return sn.storage_bench(root, disks=64, ports=32)


def accounts_10000(root):
    base(root, "Scale Accounts")
    users, shadow, groups = [], [], []
    for number in range(10000):
        name = "user%05d" % number
        users.append("%s:x:%d:%d:User %d,Room %d,,:/home/%s:/bin/bash"
                     % (name, 10000 + number, 10000 + number % 2000, number, number % 97, name))
        # Some locked, some expired, some with aging, as a real mirror has.
        password = ("!" if number % 7 == 0 else "") + "$y$j9T$%022d$%043d" % (number, number)
        expire = "19000" if number % 11 == 0 else ""
        shadow.append("%s:%s:19800:0:%s:7::%s:" % (name, password, "90" if number % 3 else "99999",
                                                   expire))
    for number in range(2000):
        members = ",".join("user%05d" % m for m in range(number, 10000, 2000))
        groups.append("group%04d:x:%d:%s" % (number, 10000 + number, members))
    fx.write(root, "/etc/passwd", "\n".join(users))
    fx.write(root, "/etc/shadow", "\n".join(shadow))
    fx.write(root, "/etc/group", "\n".join(groups))


def processes_30000(root):
    base(root, "Scale Processes")
    ps.processes(root, 30000)


def processes_3000(root):
    base(root, "Scale Processes")
    ps.processes(root, 3000)


def services_500(root):
    base(root, "Scale Services")
    ps.services(root, 500)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    target = sys.argv[1]
    shutil.rmtree(target, ignore_errors=True)
    for name, make in (("cpus-1024", cpus_1024), ("pci-300", pci_300),
                       ("storage-64", storage_64), ("accounts-10000", accounts_10000),
                       ("processes-3000", processes_3000),
                       ("processes-30000", processes_30000),
                       ("services-500", services_500)):
        machine = os.path.join(target, name)
        live = make(os.path.join(machine, "root")) or []
        with open(os.path.join(machine, "live.txt"), "w") as out:
            out.write("".join(line + "\n" for line in live))


if __name__ == "__main__":
    main()
