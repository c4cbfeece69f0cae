#!/usr/bin/env python3
"""Rebuilds the fuzz seed corpora from the end-to-end cases, so every dialogue
those tests cover is a starting point for the fuzzers.

  corpus/whole_run/<group>_<case>  standard input, then "\\0FILE\\0" and the
                                   data file when the case has one
  corpus/data_file/<group>_<case>  the selection typed as one byte, then the
                                   data file

Seeds whose names start with "found_" are regression inputs from earlier
findings and are kept as they are.
"""

import re
from pathlib import Path

HERE = Path(__file__).resolve().parent
REPO = HERE.parent
CASES = REPO / "tests" / "e2e" / "cases"
FILE_SEPARATOR = b"\0FILE\0"
DIRECTORY_SEPARATOR = b"\0DIR\0"


def data_for(case_in):
    own = case_in.with_suffix(".data")
    if own.exists():
        return own.read_bytes()
    shared = case_in.parent / "data-from"
    if shared.exists():
        return (REPO / shared.read_text().strip()).read_bytes()
    return None


def first_selection(typed):
    """The first number typed after the menu letter, as the one selection byte."""
    match = re.search(rb"-?\d+", typed[1:])
    return max(0, min(255, int(match.group()))) if match else 0


def refill(directory, seeds):
    directory.mkdir(parents=True, exist_ok=True)
    for old in directory.iterdir():
        if not old.name.startswith("found_"):
            old.unlink()
    for name, content in seeds.items():
        (directory / name).write_bytes(content)


def main():
    whole_run = {}
    data_file = {}
    for case_in in sorted(CASES.glob("*/*.in")):
        name = f"{case_in.parent.name}_{case_in.stem}"
        typed = case_in.read_bytes()
        data = data_for(case_in)
        whole_run[name] = typed if data is None else typed + FILE_SEPARATOR + data
        if data is not None:
            data_file[name] = bytes([first_selection(typed)]) + data
    # A directory where the data file should be is a case no transcript covers.
    whole_run["menu_data_file_is_a_directory"] = b"f\n1\n\n" + DIRECTORY_SEPARATOR
    refill(HERE / "corpus" / "whole_run", whole_run)
    refill(HERE / "corpus" / "data_file", data_file)
    print(f"{len(whole_run)} whole-run seeds, {len(data_file)} data file seeds")


if __name__ == "__main__":
    main()
