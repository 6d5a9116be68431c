#!/usr/bin/python3
"""fit from the source tree: `setup32-kit fit` (tools/setup32-kit, see its
--help) on the build folder's kitcheck (SETUP32_BUILD, else build/).

    tools/fit/fit.py [--quiet] KIT OUTDIR
"""
import os
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools" / "setup32-kit"))
os.environ.setdefault("SETUP32_BUILD", str(ROOT / "build"))
from setup32_kit.cli import main  # noqa: E402

sys.exit(main(["fit", *sys.argv[1:]]))
