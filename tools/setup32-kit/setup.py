"""The setup32-kit command, a Python package with a console entry point;
Debian's pybuild builds it (debian/rules)."""
import pathlib
import re

from setuptools import setup

HEADER = pathlib.Path(__file__).resolve().parents[2] / "resources" / "version.h"
VERSION = re.search(r'#define SETUP32_VERSION_STR "([^"]+)"', HEADER.read_text(encoding="utf-8")).group(1)

setup(
    name="setup32-kit",
    version=VERSION,
    description="make, check, preview and write the Setup32 kit CD",
    packages=["setup32_kit"],
    entry_points={"console_scripts": ["setup32-kit = setup32_kit.cli:main"]},
    python_requires=">=3.9",
)
