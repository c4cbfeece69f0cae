#!/usr/bin/env python3
"""Hostile input for `determinant`: what a keyboard, a pipe or a data file can
hand it that no person would type. Every run must end, within a time limit,
with exit status 0 and the output the program's rules give; big inputs must
not make it use memory in proportion to their size.

Each case runs the real binary in a fresh temporary directory. Standard input
comes from a file and standard output goes to one, so inputs and outputs of
any size never block on a pipe.

Usage: hostile_test.py PATH_TO_DETERMINANT [--big-mb N]
  --big-mb  size of the big data files (default 32; the test asserts only that
            memory does not grow with it, so larger sizes are for measuring)
"""

import argparse
import os
import select
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import run_e2e
from run_e2e import as_written, command

DATA_FILE_NAME = "MatrixDataFile1.txt"
RUN_TIMEOUT = 60.0
# A run that only has to open a file and refuse it; long enough for a
# sanitizer build's start-up on a busy machine.
QUICK_TIMEOUT = 10.0
# How much more memory a run over a big data file may take than one over a
# tiny file: far below the big files' size, so reading a whole file into
# memory shows.
RSS_GROWTH_LIMIT_KB = 8 * 1024
NOBODY = 65534

MENU = ("Where is the data for the matrix?\n"
        "If it will be typed in on the Keyboard, type K\n"
        "If it is already in the MatrixDataFile, type F\n"
        "To exit program type 0 (zero)\n")
MENU_ERROR = "Error: enter either K or F or 0\n"
SIZE_PROMPT = "Enter size of matrix ROWSxCOLUMNS (0x0 termimates input)  \n"
SIZE_ERROR = "Size must be two numbers such as 3x4\n"
NUMBER_ERROR = "Enter a whole number from -2147483648 to 2147483647\n"
SELECT_PROMPT = "Input number before the selected data-input (zero to abort):\n"
NO_FILE = "Cannot find file MatrixDataFile1.txt\n"
HEADING = "\nMatrix has the form:\n"
ONE_BY_ONE_5 = (SIZE_PROMPT + "Prepare to enter 1 numbers in row 1\nfirst number\nlast number\n"
                + HEADING + "  5\nInput 1  not between limits  2 and 1001\n"
                + "Determinant value of the matrix is  0\n")


def two_by_two_prompts():
    return ("Prepare to enter 2 numbers in row 1\nfirst number\nlast number\n"
            "Prepare to enter 2 numbers in row 2\nfirst number\nlast number\n")


def shown(table, determinant):
    return HEADING + table + f"Determinant value of the matrix is  {determinant}\n"


class Failure(Exception):
    pass


class Skipped(Exception):
    pass


class Run:
    def __init__(self, status, output, stderr, seconds, max_rss_kb):
        self.status = status
        self.output = output
        self.stderr = stderr
        self.seconds = seconds
        self.max_rss_kb = max_rss_kb


def peak_memory_kb(pid, so_far):
    """The process's peak resident memory as the kernel has it now. The
    figure only grows, so reading it while the run goes on and keeping the
    last one misses at most the final few milliseconds. (The peak that wait4
    reports would include this Python process, from before the exec.)"""
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return max(so_far, int(line.split()[1]))
    except OSError:
        pass
    return so_far


def run(binary, workdir, stdin_bytes=b"", timeout=RUN_TIMEOUT, stdin=None, stdout=None,
        as_user=None):
    """Runs one dialogue to its end and measures it; a run still going at
    `timeout` is killed and fails the case."""
    with tempfile.TemporaryFile() as typed, tempfile.TemporaryFile() as out, \
            tempfile.TemporaryFile() as err:
        typed.write(stdin_bytes)
        typed.seek(0)
        extra = {}
        if as_user is not None:
            extra = dict(user=as_user, group=as_user, extra_groups=[])
        started = time.monotonic()
        proc = subprocess.Popen(command(binary), cwd=workdir, stdin=stdin or typed,
                                stdout=stdout or out, stderr=err, **extra)
        peak_kb = 0
        while True:
            peak_kb = peak_memory_kb(proc.pid, peak_kb)
            pid, status = os.waitpid(proc.pid, os.WNOHANG)
            if pid == proc.pid:
                break
            if time.monotonic() - started > timeout:
                proc.kill()
                os.waitpid(proc.pid, 0)
                proc.returncode = -9
                raise Failure(f"still running after {timeout:.0f} s; killed")
            time.sleep(0.005)
        seconds = time.monotonic() - started
        proc.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        return Run(proc.returncode, as_written(out.read()), err.read(), seconds, peak_kb)


def check_run(result, expected=None, ends_with=None):
    problems = []
    if result.status != 0:
        problems.append(f"exit status {result.status}, expected 0")
    if expected is not None and result.output != expected.encode("latin-1"):
        problems.append(describe_difference(expected.encode("latin-1"), result.output))
    if ends_with is not None and not result.output.endswith(ends_with.encode("latin-1")):
        problems.append(f"output does not end with {ends_with!r}; its end:\n{result.output[-300:]!r}")
    if problems:
        if result.stderr:
            problems.append("standard error:\n" + result.stderr.decode(errors="backslashreplace"))
        raise Failure("\n".join(problems))


def describe_difference(expected, actual):
    at = next((i for i, (a, b) in enumerate(zip(expected, actual)) if a != b),
              min(len(expected), len(actual)))
    return (f"output differs at byte {at} (expected {len(expected)} bytes, got {len(actual)}):\n"
            f"  expected ...{expected[max(0, at - 80):at + 80]!r}\n"
            f"  actual   ...{actual[max(0, at - 80):at + 80]!r}")


def in_fresh_directory(prepare=None):
    """Runs the case in a new temporary directory; `prepare(directory)` puts
    the data file (or whatever stands in for it) there first."""
    def wrap(body):
        def case(binary, options):
            with tempfile.TemporaryDirectory(prefix="determinant-hostile-") as workdir:
                if prepare is not None:
                    prepare(Path(workdir))
                return body(binary, options, workdir)
        return case
    return wrap


def data_file(content):
    return lambda directory: (directory / DATA_FILE_NAME).write_bytes(content)


# --- standard input --------------------------------------------------------------

# (name, bytes typed, data file or None, the whole expected output)
TWO_BLOCKS = b"[M202 1 2 3 4]\n[M101 7]\n"
TWO_BLOCKS_LISTED = "1  [M202 1 2 3 4]\n\n2  [M101 7]\n\n"

TYPED_CASES = [
    # Each character of a long line is a choice, and the one after it is
    # discarded: 10000 pairs, then the line break as a choice of its own.
    ("menu_long_line", b"x" * 20000 + b"\n", None, MENU + MENU_ERROR * 10001),
    ("menu_nul_bytes", b"\0\nk\0" b"1x1\n5\n\n", None, MENU + MENU_ERROR + ONE_BY_ONE_5),
    # A byte 0xFF is a character like any other, not the end of the input.
    ("menu_byte_ff", b"\xff\n0\n\n", None, MENU + MENU_ERROR),
    ("menu_no_line_break", b"0", None, MENU),
    ("keyboard_no_line_break", b"k\n2x2\n1 2 3 4", None,
     MENU + SIZE_PROMPT + two_by_two_prompts() + shown("  1  2\n  3  4\n", -2)),
    ("keyboard_ends_inside_matrix", b"k\n2x2\n1 2 3", None,
     MENU + SIZE_PROMPT + two_by_two_prompts()),
    # A thousand digits: out of range as a size and as an element, but a
    # thousand leading zeros still make a small number.
    ("keyboard_thousand_digits",
     b"k\n" + b"9" * 1000 + b"x2\n2x2\n" + b"0" * 1000 + b"1 -" + b"7" * 1000 + b"\n2\n3 4\n\n", None,
     MENU + SIZE_PROMPT + "No size larger than 12\n" + SIZE_PROMPT
     + "Prepare to enter 2 numbers in row 1\nfirst number\nlast number\n" + NUMBER_ERROR
     + "last number\nPrepare to enter 2 numbers in row 2\nfirst number\nlast number\n"
     + shown("  1  2\n  3  4\n", -2)),
    # One complaint per long line, however long.
    ("keyboard_long_lines", b"k\n" + b"z" * 1000000 + b"\n1x1\n" + b"5" * 1000000 + b"\n5\n\n", None,
     MENU + SIZE_PROMPT + SIZE_ERROR + SIZE_PROMPT
     + "Prepare to enter 1 numbers in row 1\nfirst number\nlast number\n" + NUMBER_ERROR
     + "first number\nlast number\n" + HEADING + "  5\nInput 1  not between limits  2 and 1001\n"
     + "Determinant value of the matrix is  0\n"),
    ("keyboard_nul_bytes", b"k\n2\0x2\n1x1\n\0\n5\0\n", None,
     MENU + SIZE_PROMPT + SIZE_ERROR + SIZE_PROMPT
     + "Prepare to enter 1 numbers in row 1\nfirst number\nlast number\n" + NUMBER_ERROR
     + "first number\nlast number\n" + HEADING + "  5\nInput 1  not between limits  2 and 1001\n"
     + "Determinant value of the matrix is  0\n"),
    ("keyboard_white_space_flood", b"k\n" + b" \n\t\r\v\f" * 200000 + b"1x1\n5\n\n", None,
     MENU + ONE_BY_ONE_5),
    ("selection_thousand_digits",
     b"f\n" + b"9" * 1000 + b"\n-" + b"9" * 1000 + b"\n" + b"0" * 1000 + b"2\n\n", TWO_BLOCKS,
     MENU + TWO_BLOCKS_LISTED + SELECT_PROMPT + "Number must be between 1 and 2\n" + SELECT_PROMPT
     + "Number must be between 1 and 2\n" + SELECT_PROMPT + HEADING + "  7\n"
     + "Input 1  not between limits  2 and 1001\nDeterminant value of the matrix is  0\n"),
    # No number at the first prompt aborts, however long the line.
    ("selection_long_line", b"f\n" + b"y" * 1000000 + b"\n", TWO_BLOCKS,
     MENU + TWO_BLOCKS_LISTED + SELECT_PROMPT),
    # An answer without a number keeps the earlier, out-of-range pick.
    ("selection_nul_after_out_of_range", b"f\n5\n\0\n", TWO_BLOCKS,
     MENU + TWO_BLOCKS_LISTED + (SELECT_PROMPT + "Number must be between 1 and 2\n") * 2
     + SELECT_PROMPT),
    ("selection_no_line_break", b"f\n1", TWO_BLOCKS,
     MENU + TWO_BLOCKS_LISTED + SELECT_PROMPT + shown("  1  2\n  3  4\n", -2)),
]


def typed_case(typed, data, expected):
    prepare = data_file(data) if data is not None else None

    @in_fresh_directory(prepare)
    def case(binary, options, workdir):
        check_run(run(binary, workdir, typed), expected)
    return case


def standard_input_is_a_directory(binary, options):
    # Reading fails at once; that is the end of the input.
    with tempfile.TemporaryDirectory(prefix="determinant-hostile-") as workdir:
        descriptor = os.open(workdir, os.O_RDONLY | os.O_DIRECTORY)
        try:
            check_run(run(binary, workdir, stdin=descriptor), MENU)
        finally:
            os.close(descriptor)


def standard_output_is_full(binary, options):
    # Every write fails; the run must still read its answers and end.
    with tempfile.TemporaryDirectory(prefix="determinant-hostile-") as workdir, \
            open("/dev/full", "wb") as full:
        check_run(run(binary, workdir, b"k\n2x2\n1 2 3 4\n\n", stdout=full))


# --- the data file's text ----------------------------------------------------------

def block_of_length(length):
    """A 1x1 block of exactly `length` characters from '[' to ']'."""
    head = b"[M101 9"
    return head + b" " * (length - len(head) - 1) + b"]"


# (name, data file, bytes typed, the whole expected output)
DATA_CASES = [
    ("nul_bytes", b"\0title\0\n[M202\0 1 2\0 3 4]\n", b"f\n1\n\n",
     MENU + "1  [M202^@ 1 2^@ 3 4]\n\n" + SELECT_PROMPT + shown("  1  2\n  3  4\n", -2)),
    # A byte 0xFF is text like any other, not the end of the file.
    ("byte_ff", b"\xff\xff\n[M101 5]\xff[M202 1 0 0 1]", b"f\n2\n\n",
     MENU + "1  [M101 5]\n\n2  [M202 1 0 0 1]\n\n" + SELECT_PROMPT + shown("  1  0\n  0  1\n", 1)),
    ("no_line_break_at_end", b"[M202 1 2 3 4]", b"f\n1\n\n",
     MENU + "1  [M202 1 2 3 4]\n\n" + SELECT_PROMPT + shown("  1  2\n  3  4\n", -2)),
    ("long_commentary_line", b"c" * 2000000 + b"[M202 2 0 0 3]", b"f\n1\n\n",
     MENU + "1  [M202 2 0 0 3]\n\n" + SELECT_PROMPT + shown("  2  0\n  0  3\n", 6)),
    ("thousand_digit_size_code", b"[M" + b"9" * 995 + b"]", b"f\n1\n\n",
     MENU + "1  [M" + "9" * 995 + "]\n\n" + SELECT_PROMPT
     + "Number in input-array in file out of range\n"),
    ("thousand_digit_element", b"[M101 " + b"9" * 990 + b"]", b"f\n1\n\n",
     MENU + "1  [M101 " + "9" * 990 + "]\n\n" + SELECT_PROMPT
     + "Number in input-array in file out of range\n"),
    ("thousand_leading_zeros", b"[M202 " + b"0" * 900 + b"5 1 1 1]", b"f\n1\n\n",
     MENU + "1  [M202 " + "0" * 900 + "5 1 1 1]\n\n" + SELECT_PROMPT + shown("  5  1\n  1  1\n", 4)),
    ("digit_run_longer_than_block_buffer", b"[M101 " + b"9" * 5000 + b"]", b"f\n1\n\n",
     MENU + "1  [M101 " + "9" * 5000 + "]\n\n" + SELECT_PROMPT
     + "Input-array in file longer than 1000 characters\n"),
    # 1000 characters and the terminator fill the block buffer exactly.
    ("block_of_1000_characters", block_of_length(1000), b"f\n1\n\n",
     MENU + "1  " + block_of_length(1000).decode() + "\n\n" + SELECT_PROMPT + HEADING + "  9\n"
     + "Input 1  not between limits  2 and 1001\nDeterminant value of the matrix is  0\n"),
    ("block_of_1001_characters", block_of_length(1001), b"f\n1\n\n",
     MENU + "1  " + block_of_length(1001).decode() + "\n\n" + SELECT_PROMPT
     + "Input-array in file longer than 1000 characters\n"),
    ("unclosed_block_of_a_megabyte", b"[M202 1 2 3 4" + b" 5" * 500000, b"f\n1\n\n",
     MENU + "1  [M202 1 2 3 4" + " 5" * 500000 + "]\n\n" + SELECT_PROMPT
     + "Input-array in file longer than 1000 characters\n"),
    # A size code with a zero column count asks for no elements at all, so the
    # table is one empty line per row, however many rows it claims.
    ("size_code_with_a_million_empty_rows", b"[M100000000]", b"f\n1\n\n",
     MENU + "1  [M100000000]\n\n" + SELECT_PROMPT + HEADING + "\n" * 1000000
     + "No determinant value for a matrix not square\n"),
]


def data_case(data, typed, expected):
    @in_fresh_directory(data_file(data))
    def case(binary, options, workdir):
        check_run(run(binary, workdir, typed), expected)
    return case


# --- what stands where the data file should be ------------------------------------

def make_fifo(directory):
    os.mkfifo(directory / DATA_FILE_NAME)


def symlink_to(target):
    return lambda directory: os.symlink(target, directory / DATA_FILE_NAME)


# (name, how the stand-in is made). Each must be refused at once, never read
# for ever or waited on.
NOT_A_FILE_CASES = [
    ("directory", lambda directory: (directory / DATA_FILE_NAME).mkdir()),
    ("fifo_without_writer", make_fifo),
    ("symlink_to_dev_zero", symlink_to("/dev/zero")),
    ("symlink_to_a_directory", symlink_to("/")),
    # Without a controlling terminal the open fails; with one, the terminal
    # opens but is no file.
    ("symlink_to_dev_tty", symlink_to("/dev/tty")),
    ("symlink_to_itself", symlink_to(DATA_FILE_NAME)),
    ("dangling_symlink", symlink_to("no such file")),
]


def not_a_file_case(prepare):
    @in_fresh_directory(prepare)
    def case(binary, options, workdir):
        check_run(run(binary, workdir, b"f\n0\n\n", timeout=QUICK_TIMEOUT), MENU + NO_FILE)
    return case


def unreadable_file(binary, options):
    """A file without read permission. Root reads it anyway, so under root the
    run is made as the user nobody, when that user can start the binary."""
    if run_e2e.WINDOWS:
        raise Skipped("POSIX permissions, tried as another user, whom Wine does not run for")
    with tempfile.TemporaryDirectory(prefix="determinant-hostile-") as workdir:
        target = Path(workdir, DATA_FILE_NAME)
        target.write_bytes(TWO_BLOCKS)
        target.chmod(0)
        os.chmod(workdir, 0o755)
        as_user = None
        if os.geteuid() == 0:
            as_user = NOBODY
        try:
            result = run(binary, workdir, b"f\n0\n\n", timeout=QUICK_TIMEOUT, as_user=as_user)
        except PermissionError as error:
            raise Skipped(f"running as root, and the user nobody cannot start the binary ({error})")
        check_run(result, MENU + NO_FILE)
        if as_user is not None:
            return "as the user nobody, since root reads any file"
        return None


def truncated_between_listing_and_pick(binary, options):
    """The file shrinks after it was listed: the picked block is gone when the
    program looks for it again. The run must end without showing a matrix."""
    with tempfile.TemporaryDirectory(prefix="determinant-hostile-") as workdir:
        target = Path(workdir, DATA_FILE_NAME)
        target.write_bytes(TWO_BLOCKS)
        proc = subprocess.Popen(command(binary), cwd=workdir, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            proc.stdin.write(b"f\n")
            proc.stdin.flush()
            output = b""
            deadline = time.monotonic() + QUICK_TIMEOUT
            while SELECT_PROMPT.encode() not in as_written(output):
                if time.monotonic() > deadline:
                    raise Failure(f"no selection prompt; output so far:\n{output!r}")
                chunk = os.read(proc.stdout.fileno(), 4096)
                if not chunk:
                    raise Failure(f"output ended before the selection prompt:\n{output!r}")
                output += chunk
            with open(target, "r+b") as shrink:
                shrink.truncate(0)
            rest, _ = proc.communicate(b"2\n\n", timeout=QUICK_TIMEOUT)
            rest = as_written(rest)
        except subprocess.TimeoutExpired:
            raise Failure("still running after the pick")
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        if proc.returncode != 0:
            raise Failure(f"exit status {proc.returncode}")
        if b"Matrix has the form" in rest or not rest.startswith(b"Input-array in file"):
            raise Failure(f"expected a refusal and no matrix; got {rest!r}")


# --- big data files ------------------------------------------------------------------

def write_repeated(path, head, unit, size):
    """Writes `head` and then `unit` over and over up to about `size` bytes;
    returns how many units were written."""
    chunk = unit * max(1, (1 << 20) // len(unit))
    units = 0
    with open(path, "wb") as out:
        out.write(head)
        written = len(head)
        while written < size:
            out.write(chunk)
            written += len(chunk)
            units += len(chunk) // len(unit)
    return units


# (name, head, repeated unit, what to type given the number of units, what the
# output must end with given the number of units)
BIG_CASES = [
    ("commentary_without_blocks", b"",
     b"a commentary line, no brackets in it, and the numbers 12 34 -56\n",
     lambda units: b"f\n0\n\n", lambda units: SELECT_PROMPT),
    ("one_line_without_line_breaks", b"", b"word ",
     lambda units: b"f\n0\n\n", lambda units: SELECT_PROMPT),
    ("many_blocks_pick_the_last", b"", b"[M202 1 2 3 4] words\n",
     lambda units: b"f\n%d\n\n" % units,
     lambda units: f"{units}  [M202 1 2 3 4]\n\n" + SELECT_PROMPT + shown("  1  2\n  3  4\n", -2)),
    ("one_unclosed_block", b"[M202 1 2 3 4", b" 5",
     lambda units: b"f\n1\n\n",
     lambda units: " 5]\n\n" + SELECT_PROMPT + "Input-array in file longer than 1000 characters\n"),
]

TINY_FILE = b"[M202 1 2 3 4]\n"


def memory_over_tiny_file(binary, workdir):
    """The peak memory of a run that has listed a tiny data file, read while
    it waits at the selection prompt: a run too short to be polled."""
    Path(workdir, DATA_FILE_NAME).write_bytes(TINY_FILE)
    proc = subprocess.Popen(command(binary), cwd=workdir, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        proc.stdin.write(b"f\n")
        proc.stdin.flush()
        output = b""
        while SELECT_PROMPT.encode() not in as_written(output):
            ready, _, _ = select.select([proc.stdout], [], [], QUICK_TIMEOUT)
            chunk = os.read(proc.stdout.fileno(), 4096) if ready else b""
            if not chunk:
                raise Failure(f"no selection prompt for the tiny file; output:\n{output!r}")
            output += chunk
        peak_kb = peak_memory_kb(proc.pid, 0)
        proc.communicate(b"1\n\n", timeout=QUICK_TIMEOUT)
    except subprocess.TimeoutExpired:
        raise Failure("the run over the tiny file did not end")
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    if peak_kb == 0:
        raise Failure("cannot read the peak memory from /proc")
    return peak_kb


def big_files(binary, options):
    """Memory must stay that of a run over a tiny file; prints time and peak
    memory of each run."""
    size = options.big_mb * 1024 * 1024
    with tempfile.TemporaryDirectory(prefix="determinant-hostile-") as workdir:
        target = Path(workdir, DATA_FILE_NAME)
        tiny_kb = memory_over_tiny_file(binary, workdir)
        notes = [f"tiny file: max RSS {tiny_kb} KB"]
        for name, head, unit, typed, tail in BIG_CASES:
            units = write_repeated(target, head, unit, size)
            with open(Path(workdir, "output"), "w+b") as output:
                result = run(binary, workdir, typed(units), stdout=output)
                output.seek(-min(4096, output.tell()), os.SEEK_END)
                result.output = as_written(output.read())
            try:
                check_run(result, ends_with=tail(units))
            except Failure as failure:
                raise Failure(f"{name}: {failure}")
            growth = result.max_rss_kb - tiny_kb
            if growth > RSS_GROWTH_LIMIT_KB:
                raise Failure(f"{name}: max RSS {result.max_rss_kb} KB, {growth} KB more than "
                              f"over a tiny file")
            notes.append(f"{name} ({target.stat().st_size >> 20} MB): {result.seconds:.2f} s, "
                         f"max RSS {result.max_rss_kb} KB")
            os.remove(Path(workdir, "output"))
        target.unlink()
        return "; ".join(notes)


# --------------------------------------------------------------------------------------

def all_cases():
    cases = [(f"typed/{name}", typed_case(typed, data, expected))
             for name, typed, data, expected in TYPED_CASES]
    cases += [("typed/standard_input_is_a_directory", standard_input_is_a_directory),
              ("typed/standard_output_is_full", standard_output_is_full)]
    cases += [(f"data/{name}", data_case(data, typed, expected))
              for name, data, typed, expected in DATA_CASES]
    cases += [(f"not_a_file/{name}", not_a_file_case(prepare)) for name, prepare in NOT_A_FILE_CASES]
    cases += [("not_a_file/unreadable_file", unreadable_file),
              ("data/truncated_between_listing_and_pick", truncated_between_listing_and_pick),
              ("big/files", big_files)]
    return cases


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("binary")
    parser.add_argument("--big-mb", type=int, default=32)
    parser.add_argument("--wine", metavar="WINE64",
                        help="the Wine loader that runs a Windows build of the program")
    options = parser.parse_args()
    if options.wine:
        run_e2e.use_wine(options.wine)
    binary = str(Path(options.binary).resolve())
    failed = skipped = 0
    started = time.monotonic()
    for name, case in all_cases():
        case_started = time.monotonic()
        try:
            note = case(binary, options)
        except Failure as failure:
            failed += 1
            print(f"FAIL {name}\n{failure}\n", flush=True)
            continue
        except Skipped as reason:
            skipped += 1
            print(f"skip {name}: {reason}", flush=True)
            continue
        took = time.monotonic() - case_started
        print(f"ok   {name} ({took:.2f} s)" + (f": {note}" if note else ""), flush=True)
    print(f"took {time.monotonic() - started:.1f} s")
    print(f"{len(all_cases()) - failed - skipped} passed, {skipped} skipped, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
