#!/usr/bin/env python3
"""Runs the end-to-end tests of the `determinant` program: the case folders
under cases/ and the checks written in code (checks.py).

A case is NAME.in (typed all at once) with NAME.out (the exact output), or
NAME.dialogue, with an optional NAME.data as the data file (or a folder's
`data-from`, a path from the repository root). A dialogue is written as the
README shows one: the program's lines, `> answer` for a line typed once all
above it is shown, and a lone `>` last, the closing pause's Enter. Escapes:
\\s a space, \\r a CR, \\t a tab, \\xHH a byte, \\\\ a backslash, \\> a program
line that starts with `>`, and \\c last for a line without its line break.
Dialogues in `terminal` run at a pseudo-terminal, which echoes the answers;
the others over pipes, one answer at a time and all at once.

--update rewrites what differs, to be reviewed with `git diff tests/e2e/cases`.
Under Wine (--wine) CRLF line ends read as LF and POSIX-only cases are skipped.
"""

import argparse
import re
import sys
import time
from pathlib import Path

import checks
import dialogue
from dialogue import Failure, Skipped, check_run, run, Session, working_directory

CASES = Path(__file__).resolve().parent / "cases"
TERMINAL_GROUP = "terminal"
ESCAPE = re.compile(rb"\\(x[0-9a-fA-F]{2}|.)")
UNESCAPED = {b"\\": b"\\", b"s": b" ", b"r": b"\r", b"t": b"\t", b">": b">", b"c": b""}
ESCAPED = {b"\\": b"\\\\", b"\r": b"\\r", b"\t": b"\\t"}


# --- the dialogue notation ----------------------------------------------------------

def unescape(line):
    """A written line's bytes, with its line break unless it ends in \\c."""
    parts = ESCAPE.split(line)  # text, escape code, text, ..., text
    line_break = b"" if parts[-2:] == [b"c", b""] else b"\n"
    for at in range(1, len(parts), 2):
        parts[at] = UNESCAPED[parts[at]] if len(parts[at]) == 1 else bytes([int(parts[at][1:], 16)])
    return b"".join(parts) + line_break


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
    own, shared = case.with_suffix(".data"), case.parent / "data-from"
    if own.exists():
        return own.read_bytes()
    return (dialogue.REPO / shared.read_text().strip()).read_bytes() if shared.exists() else None


def transcript_case(binary, case, update):
    expected_file, data = case.with_suffix(".out"), data_for(case)
    with working_directory(data) as workdir:
        result = run(binary, workdir, case.read_bytes())
        if update and result.status == 0 and result.output != expected_file.read_bytes():
            expected_file.write_bytes(result.output)
            return "updated"
        check_run(result, expected_file.read_bytes())
        dialogue.check_data_file(workdir, data)


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
            if number < len(steps) - 1:
                talk.answer(typed)
        talk.finish(echo)
        dialogue.check_data_file(workdir, data)
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
    counts = {"ok  ": 0, "FAIL": 0, "skip": 0}
    started = time.monotonic()
    for group in chosen:
        for name, test in cases_of(group) or sys.exit(f"group {group} has no cases"):
            case_started = time.monotonic()
            try:
                note = test(binary, update)
                verdict, note = "ok  ", f" ({time.monotonic() - case_started:.2f} s)" + (f": {note}" if note else "")
            except Skipped as reason:
                verdict, note = "skip", f": {reason}"
            except Failure as failure:
                verdict, note = "FAIL", f"\n{failure}\n"
            counts[verdict] += 1
            print(f"{verdict} {group}/{name}{note}", flush=True)
    print(f"took {time.monotonic() - started:.1f} s")
    print(f"{counts['ok  ']} passed, {counts['FAIL']} failed, {counts['skip']} skipped")
    return 1 if counts["FAIL"] else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", help="the determinant program")
    parser.add_argument("--group", action="append", help="run only this group (may be repeated)")
    parser.add_argument("--wine", metavar="WINE64", help="the Wine loader, for a Windows build")
    parser.add_argument("--list", action="store_true", help="print every case's name and stop")
    parser.add_argument("--groups", action="store_true", help="print every group, 'serial' after those run alone")
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
