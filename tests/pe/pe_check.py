#!/usr/bin/python3
"""Checks of the built Setup32.exe that the oldest machines it was made for
rely on (Windows 95 without any runtime, a 486 processor), written as a
JUnit report so that they count with the other tests."""
import os
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

import pefile

# Loaded with the program: the system's own DLLs that every Windows has. The
# common controls are loaded from the system folder when needed; OLE never:
# the launcher decodes its pictures itself, and holds no OLE DLL's name.
ALLOWED_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "ADVAPI32.DLL"}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
SIZE_LIMIT = 64 * 1024

# What a 486DX lacks: the Pentium Pro's conditional moves and floating-point
# compares, the time-stamp counter, the 8-byte compare-exchange, the fast
# system call, the long NOP, MMX and SSE. CPUID exists on late 486s only and
# the launcher has no ID-flag test in front of one, so it may not appear.
NOT_ON_486 = {"fcomi", "fcomip", "fucomi", "fucomip", "rdtsc", "rdtscp", "cmpxchg8b", "sysenter", "sysexit",
              "syscall", "sysret", "nopl", "nopw", "cpuid", "emms", "femms", "fxsave", "fxrstor", "ldmxcsr",
              "stmxcsr", "sfence", "lfence", "mfence", "clflush", "movnti", "fisttp", "fisttpl", "fisttpll",
              "popcnt", "lzcnt", "tzcnt", "movbe", "prefetch", "prefetchnta", "prefetcht0", "prefetcht1",
              "prefetcht2", "prefetchw"}
OBJDUMP = "i686-w64-mingw32-objdump"


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
    # Relocations kept, so that Windows Vista and later may load it anywhere.
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[5]
    assert relocations.Size > 0 and not pe.FILE_HEADER.Characteristics & 0x0001, "no relocations"
    assert pe.OPTIONAL_HEADER.DllCharacteristics & 0x0040, "no DYNAMIC_BASE"


def check_size(_, exe):
    size = os.path.getsize(exe)
    assert size <= SIZE_LIMIT, f"{size} bytes, more than {SIZE_LIMIT}"


def read_allowlist(path):
    allowed = {}
    with open(path) as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                dll, name, checked, page = line.split()
                allowed[(dll, name)] = (checked, page)
    return allowed


def check_imports(pe, allowed_file):
    allowed = read_allowlist(allowed_file)
    unexpected = []
    for entry in pe.DIRECTORY_ENTRY_IMPORT:
        dll = entry.dll.decode().upper()
        assert dll in ALLOWED_DLLS, f"imports from {dll}"
        for imp in entry.imports:
            name = imp.name.decode() if imp.name else f"#{imp.ordinal}"
            assert not re.search(r"[a-z0-9]W$", name), f"{dll} {name}: a wide-character function, a stub on Windows 95"
            if (dll, name) not in allowed:
                unexpected.append(f"{dll} {name}")
    assert not unexpected, "imports not checked for Windows 95 and NT 4: " + ", ".join(unexpected)
    assert not hasattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT"), "delay-loaded imports"


def check_instructions(_, exe):
    listing = subprocess.run([OBJDUMP, "-d", "--no-show-raw-insn", exe], check=True, capture_output=True,
                             text=True).stdout
    count = 0
    found = []
    for line in listing.splitlines():
        fields = line.split("\t")
        if len(fields) < 2 or not fields[0].strip().endswith(":"):
            continue
        words = fields[1].split(None, 1)
        if not words:
            continue
        count += 1
        mnemonic, operands = words[0], words[1] if len(words) > 1 else ""
        if (mnemonic in NOT_ON_486 or mnemonic.startswith(("cmov", "fcmov")) or
                re.search(r"%[xy]?mm[0-9]", operands)):
            found.append(f"{fields[0].strip()} {fields[1].strip()}")
    assert count > 1000, f"only {count} instructions disassembled"
    assert not found, f"{len(found)} instructions a 486 lacks, first: " + "; ".join(found[:5])
    print(f"             {count} instructions, all on the 486")


# Texts as the user reads them, in the Windows ANSI code page of Portuguese
# Windows; a build that kept them in UTF-8 shows "PrÃ³ximo".
TEXTS = ["Próximo >>", "Você realmente deseja cancelar a instalação?", "QOB - Programa de Instalação",
         "Informações da Instalação:", "Será instalado o Internet Explorer 5 em Português", "está faltando."]


def check_texts_cp1252(_, exe):
    with open(exe, "rb") as f:
        data = f.read()
    for text in TEXTS:
        assert text.encode("cp1252") in data, f"{text!r} is not stored in cp1252"
        assert text.encode("utf-8") not in data, f"{text!r} is stored in UTF-8"


# The application manifest: the Windows versions the program knows, so that
# GetVersionExA tells Windows 8.1, 10 and 11 as they are; no execution level
# (installer detection still asks to raise a program named setup, whose
# installers then have the rights they need) and no DPI awareness (Windows
# scales the 96-dpi design whole).
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}


def check_manifest(pe, _):
    manifests = resources(pe, RT_MANIFEST)
    assert [name for name, _ in manifests] == [1], f"manifests {[name for name, _ in manifests]}, one of id 1 wanted"
    root = ET.fromstring(manifests[0][1])
    tags = {element.tag.split("}")[-1] for element in root.iter()}
    ids = {element.get("Id") for element in root.iter() if element.tag.endswith("}supportedOS")}
    assert ids == SUPPORTED_OS, f"supportedOS {sorted(ids)}"
    for tag in ("trustInfo", "requestedExecutionLevel", "dpiAware", "dpiAwareness", "dependency"):
        assert tag not in tags, f"the manifest has {tag}"


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


def check_no_ole(pe, exe):
    with open(exe, "rb") as f:
        data = f.read().lower()
    for name in (b"ole32", b"oleaut32", b"olepro32"):
        assert name not in data, f"the exe names {name.decode()}"


def main():
    exe, report = sys.argv[1], sys.argv[2]
    allowed_file = os.path.join(os.path.dirname(os.path.abspath(__file__)), "allowed_imports.txt")
    pe = pefile.PE(exe)
    checks = [("Header", check_header, None), ("Size", check_size, exe), ("Imports", check_imports, allowed_file),
              ("Instructions486", check_instructions, exe), ("TextsInCp1252", check_texts_cp1252, exe),
              ("Manifest", check_manifest, None), ("Icon", check_icon, None),
              ("VersionRecord", check_version, None), ("NoOle", check_no_ole, exe)]
    suite = ET.Element("testsuite", name="PeCheck")
    failures = 0
    for name, check, argument in checks:
        case = ET.SubElement(suite, "testcase", name=name, classname="PeCheck")
        try:
            check(pe, argument)
            print(f"[       OK ] PeCheck.{name}")
        except (AssertionError, KeyError, IndexError, AttributeError, ValueError,
                subprocess.CalledProcessError) as error:
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
