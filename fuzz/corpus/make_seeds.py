#!/usr/bin/env python3
"""Writes the kept seed corpus of every fuzz target: fuzz/corpus/<name>/ for
the target fuzz_<name>. Seeds are small, and those of the machine parsers are
cut from the fixture machines (tests/fixtures/<machine>/root), so the fuzzers
start from what real kernels print. Run it again after changing a fixture or
an input format; regression seeds (files named regression-*) are kept as they
are.
"""
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "..", "tests", "fixtures")
MACHINES = ["desktop", "server", "vm", "raspberrypi", "container", "laptop"]


def fixture(machine, path):
    full = os.path.join(FIXTURES, machine, "root", path.lstrip("/"))
    if not os.path.isfile(full):
        return None
    with open(full, "rb") as handle:
        return handle.read()


def seeds(name, items):
    """Replaces the generated seeds of one target; items is name -> bytes."""
    folder = os.path.join(HERE, name)
    os.makedirs(folder, exist_ok=True)
    for old in os.listdir(folder):
        if not old.startswith("regression-"):
            os.remove(os.path.join(folder, old))
    for seed, data in items.items():
        if data is None:
            continue
        if isinstance(data, str):
            data = data.encode("utf-8")
        with open(os.path.join(folder, seed), "wb") as out:
            out.write(data)


def utf16(text):
    return text.encode("utf-16-le")


def core_targets():
    seeds("tokenizer", {
        "commas": b"\x01,Caption,,DeviceID,",
        "blanks": b"\x02 \tName  Model\tVersion ",
        "none": b"\x00text",
    })
    seeds("cdrom_device_id", {
        "ide": 'DeviceID = "IDE\\CDROMHL-DT-ST_DVD+-RW_GHB0N_____________________A1C_____\\1&0.0.0"\r\n',
        "scsi": 'DeviceID = "SCSI\\CDROM&VEN_QEMU&PROD_QEMU_DVD-ROM\\2&000000"\r\n',
        "other": "Caption = \"no drive\"\r\n",
    })
    seeds("format_bounded", {
        "number": bytes([64]) + struct.pack("<d", 3.25) + utf16("%d %.2f %c %s %g"),
        "short": bytes([6]) + struct.pack("<d", -1e300) + utf16("%s%s%s"),
        "percent": bytes([20]) + struct.pack("<d", 0.5) + utf16("100%% %5.1f%%"),
    })
    variants = {"i4": (3, struct.pack("<q", -7)), "r8": (5, struct.pack("<d", 1.5e10)),
                "bool": (11, struct.pack("<q", -1)), "ui1": (17, struct.pack("<q", 255)),
                "i2": (2, struct.pack("<q", -32768)), "date": (7, struct.pack("<d", 45000.5)),
                "null": (1, bytes(8))}
    seeds("variant_to_text", {name: struct.pack("<H", tag) + payload
                              for name, (tag, payload) in variants.items()})
    seeds("collect_properties", {
        "all": b"DeviceID,Caption,Drive",
        "repeats": b"Caption,,Caption,Missing,",
        "empty": b"",
    })


def main():
    core_targets()
    return 0


if __name__ == "__main__":
    sys.exit(main())
