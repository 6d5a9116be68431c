#!/usr/bin/python3
"""Checks of the built Setup32.exe that Windows 95 and NT 4 rely on, written
as a JUnit report so that they count with the other tests."""
import os
import struct
import sys
import xml.etree.ElementTree as ET

import pefile

ALLOWED_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "ADVAPI32.DLL", "COMCTL32.DLL",
                "OLE32.DLL", "OLEAUT32.DLL", "MSVCRT.DLL"}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def resources(pe, kind):
    """The data of every resource of a kind, as bytes."""
    found = []
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for entry in directory.entries if directory else []:
        if entry.id != kind:
            continue
        for name in entry.directory.entries:
            for lang in name.directory.entries:
                data = lang.data.struct
                found.append((name.id, pe.get_data(data.OffsetToData, data.Size)))
    return found


def check_header(pe, _):
    assert pe.FILE_HEADER.Machine == 0x14C, "not i386"
    assert pe.OPTIONAL_HEADER.Magic == 0x10B, "not PE32"
    assert pe.OPTIONAL_HEADER.Subsystem == 2, "not a GUI program"
    version = (pe.OPTIONAL_HEADER.MajorSubsystemVersion, pe.OPTIONAL_HEADER.MinorSubsystemVersion)
    assert version == (4, 0), f"subsystem version {version}, Windows 95 loads 4.0"


def check_imports(pe, allowed_file):
    allowed = set()
    with open(allowed_file) as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                allowed.add(tuple(line.split()))
    unexpected = []
    for entry in pe.DIRECTORY_ENTRY_IMPORT:
        dll = entry.dll.decode().upper()
        assert dll in ALLOWED_DLLS, f"imports from {dll}"
        for imp in entry.imports:
            name = imp.name.decode() if imp.name else f"#{imp.ordinal}"
            if (dll, name) not in allowed:
                unexpected.append(f"{dll} {name}")
    assert not unexpected, "imports not known on Windows 95 and NT 4: " + ", ".join(unexpected)


def check_no_manifest(pe, _):
    assert not resources(pe, RT_MANIFEST), "the program carries an application manifest"


def check_icon(pe, _):
    groups = resources(pe, RT_GROUP_ICON)
    assert len(groups) == 1, f"{len(groups)} icon groups"
    _, group = groups[0]
    _, kind, count = struct.unpack_from("<HHH", group)
    assert kind == 1 and count == 1, f"{count} images in the icon"
    width, height, colors, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6)
    assert (width, height, bits) == (64, 64, 8), f"icon entry {width}x{height} {bits} bpp"
    images = dict(resources(pe, RT_ICON))
    header = images[icon_id]
    _, w, h, _, bitcount = struct.unpack_from("<IiiHH", header)
    assert (w, h, bitcount) == (64, 128, 8), f"icon image {w}x{h} {bitcount} bpp"


def check_version(pe, _):
    fixed = pe.VS_FIXEDFILEINFO[0]
    file_version = (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF, fixed.FileVersionLS >> 16,
                    fixed.FileVersionLS & 0xFFFF)
    product_version = (fixed.ProductVersionMS >> 16, fixed.ProductVersionMS & 0xFFFF,
                       fixed.ProductVersionLS >> 16, fixed.ProductVersionLS & 0xFFFF)
    assert file_version == (3, 0, 0, 4), f"file version {file_version}"
    assert product_version == (3, 0, 0, 4), f"product version {product_version}"
    strings = {}
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                strings.update({k.decode(): v.decode("cp1252") for k, v in table.entries.items()})
    assert strings.get("InternalName") == "Setup32", strings
    assert strings.get("OriginalFilename") == "Setup32.exe", strings


def check_nothing_beside(_, exe):
    """Only the program: no DLL of the runtime beside it."""
    folder = os.path.dirname(os.path.abspath(exe))
    dlls = [n for n in os.listdir(folder) if n.lower().endswith(".dll")]
    assert not dlls, f"DLLs beside the program: {dlls}"


def main():
    exe, report = sys.argv[1], sys.argv[2]
    allowed_file = os.path.join(os.path.dirname(os.path.abspath(__file__)), "allowed_imports.txt")
    pe = pefile.PE(exe)
    checks = [("Header", check_header, None), ("Imports", check_imports, allowed_file),
              ("NoManifest", check_no_manifest, None), ("Icon", check_icon, None),
              ("VersionRecord", check_version, None), ("NothingBeside", check_nothing_beside, exe)]
    suite = ET.Element("testsuite", name="PeCheck")
    failures = 0
    for name, check, argument in checks:
        case = ET.SubElement(suite, "testcase", name=name, classname="PeCheck")
        try:
            check(pe, argument)
            print(f"[       OK ] PeCheck.{name}")
        except (AssertionError, KeyError, IndexError, AttributeError) as error:
            failures += 1
            ET.SubElement(case, "failure", message=str(error))
            print(f"[  FAILED  ] PeCheck.{name}: {error}")
    suite.set("tests", str(len(checks)))
    suite.set("failures", str(failures))
    root = ET.Element("testsuites", tests=str(len(checks)), failures=str(failures))
    root.append(suite)
    ET.ElementTree(root).write(report)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
