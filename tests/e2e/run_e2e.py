#!/usr/bin/env python3
"""Runs the end-to-end tests of the `determinant` program: the case folders
under cases/ and the checks written in code (checks.py).

A case folder cases/<group>/ holds NAME.in (the bytes typed, all at once) with
NAME.out (the bytes the program must write), or NAME.dialogue, and an optional
NAME.data (the data file, MatrixDataFile1.txt); or a file `data-from` naming,
relative to the repository root, the data file of every case in the folder.

A dialogue is written as the README shows one: the lines the program writes,
and `> answer` for a line the user types once everything above it is shown.
It ends with a lone `>`: the closing pause, which must hold, with the data
file closed, until that Enter ends the run. Escapes: \\s a space (at a line's
end), \\r a CR, \\t a tab, \\xHH any byte, \\\\ a backslash, \\> a program line
that starts with `>`, and \\c at the end of a line without its line break.
Dialogues in the folder `terminal` run at a pseudo-terminal, which echoes the
answers; the others over pipes, and also with all answers sent at once.

--update rewrites each expected transcript and dialogue that differs from what
the program does: an intended change is reviewed with `git diff tests/e2e/cases`.
A Windows build runs under Wine (--wine): its CRLF line ends are read as LF,
and POSIX-only cases are skipped with their reason.

Usage: run_e2e.py --binary PATH [--group NAME ...] [--wine WINE64] [--update]
       run_e2e.py --list | --groups
"""

import argparse
import sys
import time
from pathlib import Path

import checks
import dialogue
from dialogue import Failure, Skipped, check_run, run, Session, working_directory

CASES = Path(__file__).resolve().parent / "cases"
TERMINAL_GROUP = "terminal"
UNESCAPED = {b"\\": b"\\", b"s": b" ", b"r": b"\r", b"t": b"\t", b">": b">"}
ESCAPED = {b"\\": b"\\\\", b"\r": b"\\r", b"\t": b"\\t"}


# --- the dialogue notation ----------------------------------------------------------

def unescape(line):
    """A written line's bytes, and whether its line break counts."""
    text, at = bytearray(), 0
    while at < len(line):
        if line[at:at + 1] != b"\\":
            text += line[at:at + 1]
            at += 1
        elif line[at + 1:at + 2] == b"x":
            text.append(int(line[at + 2:at + 4], 16))
            at += 4
        elif line[at + 1:] == b"c":
            return bytes(text)
        else:
            text += UNESCAPED[line[at + 1:at + 2]]
            at += 2
    return bytes(text) + b"\n"


def escape(text):
    line = b"".join(ESCAPED.get(bytes([byte]), b"\\x%02x" % byte if byte < 0x20 or byte == 0x7F
                                else bytes([byte])) for byte in text)
    if line.endswith(b" "):
        line = line[:-1] + b"\\s"
    return b"\\" + line if line.startswith(b">") else line


def escape_lines(text):
    lines = text.split(b"\n")
    written = b"".join(escape(line) + b"\n" for line in lines[:-1])
    return written + (escape(lines[-1]) + b"\\c\n" if lines[-1] else b"")


def parse_dialogue(path):
    """The steps: what the program writes, then what is typed in answer."""
    steps, written = [], b""
    for line in path.read_bytes().split(b"\n")[:-1]:
        if line == b">" or line.startswith(b"> "):
            steps.append((written, unescape(line[2:])))
            written = b""
        else:
            written += unescape(line)
    if written or not steps or steps[-1][1] != b"\n":
        raise SystemExit(f"{path}: a dialogue ends with a lone '>', the closing Enter")
    return steps


def write_dialogue(path, steps):
    path.write_bytes(b"".join(escape_lines(written) + (b">\n" if typed == b"\n" else
                                                        b"> " + escape_lines(typed)[:-1] + b"\n")
                              for written, typed in steps))


# --- the two kinds of case file ------------------------------------------------------

def data_for(case):
    own = case.with_suffix(".data")
    if own.exists():
        return own.read_bytes()
    shared = case.parent / "data-from"
    if shared.exists():
        return (dialogue.REPO / shared.read_text().strip()).read_bytes()
    return None


def check_data_file(workdir, data):
    if data is not None and (workdir / dialogue.DATA_FILE_NAME).read_bytes() != data:
        raise Failure("the data file was changed")


def transcript_case(binary, case, update):
    expected_file = case.with_suffix(".out")
    data = data_for(case)
    with working_directory(data) as workdir:
        result = run(binary, workdir, case.read_bytes())
        if update and result.status == 0 and result.output != expected_file.read_bytes():
            expected_file.write_bytes(result.output)
            return "updated"
        check_run(result, expected_file.read_bytes())
        check_data_file(workdir, data)


def play(binary, steps, data, terminal, update):
    """Plays the steps one prompt at a time; returns the steps as they went."""
    played, echo = [], b""
    with working_directory(data) as workdir, Session(binary, workdir, terminal) as talk:
        for number, (written, typed) in enumerate(steps):
            if update:
                written = talk.settle()
                if not written.startswith(echo):
                    raise Failure(f"the echo {echo!r} did not come first: {written!r}")
                written = written[len(echo):]
            else:
                talk.expect(echo + written)
            played.append((written, typed))
            # Typed line ends reach a terminal's screen as its own.
            echo = typed.replace(b"\r", b"\n") if terminal else b""
            if number == len(steps) - 1:
                talk.finish()
            else:
                talk.answer(typed)
        talk.expect(echo)
        talk.expect_end()
        check_data_file(workdir, data)
    return played


def dialogue_case(binary, case, update):
    terminal = case.parent.name == TERMINAL_GROUP
    if terminal and dialogue.WINDOWS:
        raise Skipped("a pseudo-terminal is POSIX's, and Wine's console is none")
    steps, data = parse_dialogue(case), data_for(case)
    played = play(binary, steps, data, terminal, update)
    if not terminal:
        with working_directory(data) as workdir:
            check_run(run(binary, workdir, b"".join(typed for _, typed in steps)),
                      b"".join(written for written, _ in played))
    if played != steps:
        write_dialogue(case, played)
        return "updated"


# --- groups and their cases -----------------------------------------------------------

def groups():
    return sorted(folder.name for folder in CASES.iterdir() if folder.is_dir()) + list(checks.GROUPS)


def cases_of(group):
    """(name, test) pairs; a test takes the binary and whether to update."""
    if group in checks.GROUPS:
        return [(name, lambda binary, update, check=check: check(binary))
                for name, check in checks.GROUPS[group]]
    if not (CASES / group).is_dir():
        raise SystemExit(f"no such group: {group}")
    found = sorted((CASES / group).glob("*.in")) + sorted((CASES / group).glob("*.dialogue"))
    kind = {".in": transcript_case, ".dialogue": dialogue_case}
    return [(case.stem, lambda binary, update, case=case: kind[case.suffix](binary, case, update))
            for case in found]


def run_cases(binary, chosen, update):
    passed = failed = skipped = 0
    started = time.monotonic()
    for group in chosen:
        cases = cases_of(group)
        if not cases:
            raise SystemExit(f"group {group} has no cases")
        for name, test in cases:
            case_started = time.monotonic()
            try:
                note = test(binary, update)
            except Skipped as reason:
                skipped += 1
                print(f"skip {group}/{name}: {reason}", flush=True)
                continue
            except Failure as failure:
                failed += 1
                print(f"FAIL {group}/{name}\n{failure}\n", flush=True)
                continue
            passed += 1
            took = time.monotonic() - case_started
            print(f"ok   {group}/{name} ({took:.2f} s)" + (f": {note}" if note else ""), flush=True)
    print(f"took {time.monotonic() - started:.1f} s")
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", help="the determinant program")
    parser.add_argument("--group", action="append", help="run only this group (may be repeated)")
    parser.add_argument("--wine", metavar="WINE64",
                        help="the Wine loader that runs a Windows build of the program")
    parser.add_argument("--list", action="store_true", help="print every case's name and stop")
    parser.add_argument("--groups", action="store_true",
                        help="print every group, with 'serial' after those that must run alone")
    parser.add_argument("--update", action="store_true",
                        help="rewrite the expected transcripts and dialogues that differ")
    args = parser.parse_args()
    chosen = args.group or groups()
    if args.groups:
        print("\n".join(group + (" serial" if group in checks.SERIAL else "") for group in chosen))
        return 0
    if args.list:
        print("\n".join(f"{group}/{name}" for group in chosen for name, _ in cases_of(group)))
        return 0
    if not args.binary:
        parser.error("--binary is needed to run cases")
    if args.update and args.wine:
        parser.error("--update takes its transcripts from a native build only")
    if args.wine:
        dialogue.use_wine(args.wine)
    return run_cases(str(Path(args.binary).resolve()), chosen, args.update)


if __name__ == "__main__":
    sys.exit(main())
