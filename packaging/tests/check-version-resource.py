#!/usr/bin/python3
"""Reads back what Windows shows of a built hwident.exe: the version resource
(fixed part and strings) must name the project's version, and the application
manifest must be embedded, asking for no elevation and declaring Windows 7 to
11. Usage: check-version-resource.py EXE VERSION"""
import sys

import pefile

RT_MANIFEST = 24
# supportedOS identifiers: Windows 7, 8, 8.1, and 10 (which 11 shares).
SUPPORTED_OS = (
    "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
    "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
    "1f676c76-80e1-4239-95bb-83d0f6d0da78",
    "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a",
)


def strings_of(pe):
    found = {}
    for info in getattr(pe, "FileInfo", None) or []:
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                for key, value in table.entries.items():
                    found[key.decode()] = value.decode()
    return found


def fixed_version(fixed):
    parts = (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
             fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)
    product = (fixed.ProductVersionMS >> 16, fixed.ProductVersionMS & 0xFFFF,
               fixed.ProductVersionLS >> 16, fixed.ProductVersionLS & 0xFFFF)
    return parts, product


def manifests_of(pe):
    texts = []
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != RT_MANIFEST:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                texts.append(pe.get_data(data.OffsetToData, data.Size).decode("utf-8"))
    return texts


def problems(path, version):
    pe = pefile.PE(path)
    wanted = tuple(int(part) for part in version.split(".")) + (0,)
    found = []
    if not hasattr(pe, "VS_FIXEDFILEINFO"):
        return ["no version resource"]
    file_version, product_version = fixed_version(pe.VS_FIXEDFILEINFO[0])
    if file_version != wanted[:4]:
        found.append(f"fixed FileVersion {file_version}, expected {wanted[:4]}")
    if product_version != wanted[:4]:
        found.append(f"fixed ProductVersion {product_version}, expected {wanted[:4]}")
    strings = strings_of(pe)
    expected = {
        "FileVersion": version,
        "ProductVersion": version,
        "ProductName": "hwident",
        "OriginalFilename": "hwident.exe",
    }
    for key, value in expected.items():
        if strings.get(key) != value:
            found.append(f"{key} is {strings.get(key)!r}, expected {value!r}")
    for key in ("FileDescription", "LegalCopyright"):
        if not strings.get(key):
            found.append(f"{key} is missing or empty")
    if "the hwident developers" not in strings.get("LegalCopyright", ""):
        found.append("LegalCopyright does not name the hwident developers")

    manifests = manifests_of(pe) if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []
    if len(manifests) != 1:
        found.append(f"{len(manifests)} embedded manifests, expected 1")
    else:
        manifest = manifests[0].lower()
        if 'level="asinvoker"' not in manifest:
            found.append("the manifest does not ask for asInvoker")
        for identifier in SUPPORTED_OS:
            if identifier not in manifest:
                found.append(f"the manifest lacks supportedOS {identifier}")
    return found


def main():
    path, version = sys.argv[1], sys.argv[2]
    found = problems(path, version)
    for problem in found:
        print(f"{path}: {problem}", file=sys.stderr)
    if not found:
        print(f"{path}: version resource {version} and manifest embedded")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
