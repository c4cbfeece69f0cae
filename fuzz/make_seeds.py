#!/usr/bin/env python3
"""Writes the fuzz seed corpora from the end-to-end manifest, so that every
dialogue those tests cover, case file or check, is a starting point for the
fuzzers:

  DIR/whole_run/<group>_<case>  what is typed, then "\\0FILE\\0" and the data
                                file when the case has one
  DIR/data_file/<group>_<case>  the first selection typed, as one byte, then
                                the data file

Usage: make_seeds.py DIR
"""

import base64
import re
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tests" / "e2e"))
from manifest import manifest  # noqa: E402

FILE_SEPARATOR = b"\0FILE\0"


def first_selection(typed):
    """The first number typed after the menu letter, as the one selection byte."""
    match = re.search(rb"-?\d+", typed[1:])
    return max(0, min(255, int(match.group()))) if match else 0


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__.strip().splitlines()[-1])
    whole_run = Path(sys.argv[1], "whole_run")
    data_file = Path(sys.argv[1], "data_file")
    whole_run.mkdir(parents=True, exist_ok=True)
    data_file.mkdir(parents=True, exist_ok=True)
    # A check whose input its code makes, and a case that cannot be read, seed nothing.
    cases = [entry for entry in manifest() if entry.get("input") is not None]
    for case in cases:
        name = case["name"].replace("/", "_")
        typed = base64.b64decode(case["input"])
        data = None if case["data_file"] is None else base64.b64decode(case["data_file"])
        (whole_run / name).write_bytes(typed if data is None else typed + FILE_SEPARATOR + data)
        if data is not None:
            (data_file / name).write_bytes(bytes([first_selection(typed)]) + data)
    print(f"{len(cases)} seeds from the end-to-end cases")


if __name__ == "__main__":
    main()
