#!/usr/bin/env python3
"""Runs the end-to-end tests of the `determinant` program: the case folders
under cases/ and the checks written in code (checks.py, file_checks.py).

A case is NAME.in (typed all at once) with NAME.out (the exact output), or
NAME.dialogue, with an optional NAME.data as the data file (or a folder's
`data-from`, a path from the repository root), NAME.args (the arguments, one
a line), NAME.err (the exact standard error; absent, it must stay empty) and
NAME.status (the exit status; absent, 0). A dialogue is written as the README
shows one: the program's lines, `> answer` for a line typed once all above it
is shown, and a lone `>` last, the closing pause's Enter. Escapes: \\s a
space, \\r a CR, \\t a tab, \\xHH a byte, \\\\ a backslash, \\> a program line
that starts with `>`, and \\c last for a line without its line break.
Dialogues in `terminal` run at a pseudo-terminal, which echoes the answers;
the others over pipes, one answer at a time and all at once.

--update rewrites what differs, to be reviewed with `git diff tests/e2e/cases`.
--list --json prints the manifest of every case (manifest.py). Under Wine
(--wine) CRLF line ends read as LF, NAME.windows.out (or .err) stands for
NAME.out where a Windows build's text differs, and POSIX-only cases are skipped.
"""

import argparse
import json
import sys
import time
from pathlib import Path
from types import SimpleNamespace

import checks
import dialogue
import manifest
from case_files import Malformed, case_groups, case_names, read_case, record, write_dialogue
from dialogue import Failure, Skipped, check_run, run, working_directory
from session import Session


def recorded_outcome(case, status, stderr):
    """--update's NAME.err and NAME.status; a death by a signal is a fault to
    look at, never an expectation to record."""
    if status < 0 and status != case.status:
        raise Failure(f"killed by signal {-status}; not recorded")
    updated = record(case, ".err", stderr, b"")
    if status != case.status:
        updated += record(case, ".status", b"%d\n" % status, b"0\n")
    return updated


def updated(files):
    return f"updated {', '.join(files)}" if files else None


def transcript_case(binary, case, update):
    with working_directory(case.data) as workdir:
        result = run(binary, workdir, case.typed, arguments=case.arguments)
        dialogue.check_data_file(workdir, case.data)
    if update:
        files = record(case, ".out", result.output, None) + recorded_outcome(case, result.status, result.stderr)
        if files:
            return updated(files)
    if case.expected_output is None:
        raise Failure(f"no file {case.group}/{case.name}.out; --update writes it")
    check_run(result, case.expected_output, status=case.status, stderr=case.expected_error)


def play(binary, case, update):
    """Plays the steps one prompt at a time; returns the steps as they went,
    the exit status and the standard error."""
    played, echo = [], b""
    with working_directory(case.data) as workdir, \
            Session(binary, workdir, case.terminal, case.arguments) as talk:
        for number, (written, typed) in enumerate(case.steps):
            if update:
                written = talk.settle()
                if not written.startswith(echo):
                    raise Failure(f"the echo {echo!r} did not come first: {written!r}")
                written = written[len(echo):]
            else:
                talk.expect(echo + written)
            played.append((written, typed))
            # Typed line ends reach a terminal's screen as its own.
            echo = typed.replace(b"\r", b"\n") if case.terminal else b""
            if number < len(case.steps) - 1:
                talk.answer(typed)
        status = talk.finish(echo, None if update else case.status)
        dialogue.check_data_file(workdir, case.data)
        return played, status, talk.standard_error()


def dialogue_case(binary, case, update):
    played, status, stderr = play(binary, case, update)
    files = []
    if update:
        if played != case.steps and not dialogue.WINDOWS:
            write_dialogue(case.stem.with_name(f"{case.name}.dialogue"), played)
            files.append(f"{case.name}.dialogue")
        files += recorded_outcome(case, status, stderr)
        case.status, case.expected_error = status, stderr
    check_run(SimpleNamespace(status=status, stderr=stderr, output=b""), status=case.status,
              stderr=case.expected_error)
    if not case.terminal:
        with working_directory(case.data) as workdir:
            check_run(run(binary, workdir, case.typed, arguments=case.arguments),
                      b"".join(written for written, _ in played), status=case.status, stderr=case.expected_error)
    return updated(files)


def case_test(group, name):
    def test(binary, update):
        try:
            case = read_case(group, name)
        except (Malformed, OSError, ValueError) as problem:
            raise Failure(str(problem))
        skip = manifest.case_skips(case).get(dialogue.PLACE)
        if skip:
            raise Skipped(skip)
        return (dialogue_case if case.steps is not None else transcript_case)(binary, case, update)
    return test


def check_test(check):
    def test(binary, update):
        if dialogue.PLACE in check.skip:
            raise Skipped(check.skip[dialogue.PLACE])
        return check.run(binary)
    return test


# --- groups and their cases -----------------------------------------------------------

def groups():
    return case_groups() + list(checks.GROUPS)


def cases_of(group):
    """(name, test) pairs; a test takes the binary and whether to update."""
    if group in checks.GROUPS:
        return [(check.name, check_test(check)) for check in checks.GROUPS[group]]
    if group not in case_groups():
        raise SystemExit(f"no such group: {group}")
    return [(name, case_test(group, name)) for name in case_names(group)]


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
                failure = str(failure)
                verdict, note = "FAIL", f"\n{failure}\n" if "\n" in failure else f": {failure}"
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
    parser.add_argument("--emulator", metavar="'CMD ARGS'",
                        help="start every run under this command, such as 'qemu-x86_64 -cpu Westmere'")
    parser.add_argument("--list", action="store_true", help="print every case's name and stop")
    parser.add_argument("--json", action="store_true", help="with --list, print the manifest of every case")
    parser.add_argument("--groups", action="store_true", help="print every group, 'serial' after those run alone")
    parser.add_argument("--update", action="store_true",
                        help="rewrite the expected transcripts and dialogues that differ")
    args = parser.parse_args()
    chosen = args.group or groups()
    if args.groups:
        print("\n".join(group + (" serial" if group in checks.SERIAL else "") for group in chosen))
        return 0
    if args.list and args.json:
        json.dump(manifest.manifest(chosen), sys.stdout, indent=1)
        print()
        return 0
    if args.list:
        print("\n".join(f"{group}/{name}" for group in chosen for name, _ in cases_of(group)))
        return 0
    if not args.binary:
        parser.error("--binary is needed to run cases")
    if args.wine and args.emulator:
        parser.error("--wine and --emulator do not go together")
    if args.wine:
        dialogue.use_wine(args.wine)
    if args.emulator:
        dialogue.use_emulator(args.emulator)
    return run_cases(str(Path(args.binary).resolve()), chosen, args.update)


if __name__ == "__main__":
    sys.exit(main())
