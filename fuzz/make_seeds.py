#!/usr/bin/env python3
"""Writes the fuzz seed corpora from the end-to-end cases, so that every
dialogue those tests cover is a starting point for the fuzzers:

  DIR/whole_run/<group>_<case>  what is typed, then "\\0FILE\\0" and the data
                                file when the case has one
  DIR/data_file/<group>_<case>  the first selection typed, as one byte, then
                                the data file

Usage: make_seeds.py DIR
"""

import re
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tests" / "e2e"))
from run_e2e import CASES, data_for, parse_dialogue  # noqa: E402

FILE_SEPARATOR = b"\0FILE\0"


def typed_in(case):
    if case.suffix == ".dialogue":
        return b"".join(typed for _, typed in parse_dialogue(case))
    return case.read_bytes()


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
    cases = sorted(CASES.glob("*/*.in")) + sorted(CASES.glob("*/*.dialogue"))
    for case in cases:
        name = f"{case.parent.name}_{case.stem}"
        typed, data = typed_in(case), data_for(case)
        (whole_run / name).write_bytes(typed if data is None else typed + FILE_SEPARATOR + data)
        if data is not None:
            (data_file / name).write_bytes(bytes([first_selection(typed)]) + data)
    print(f"{len(cases)} seeds from the end-to-end cases")


if __name__ == "__main__":
    main()
