"""The end-to-end checks that cannot be case files: binary and huge inputs,
what stands where the data file should be, a file that changes during the run,
whether the data file is ever written, the program as a command (arguments,
exit status, standard error), and how much memory big files take."""

import errno
import os
import re
import shutil
import signal
import subprocess
from pathlib import Path

import dialogue
from dialogue import (CLOSED, DATA_FILE_NAME, HEADING, MENU, MENU_ERROR, NO_FILE, NUMBER_ERROR,
                      SELECT_PROMPT, SIZE_ERROR, SIZE_PROMPT, Failure, Skipped, check_run,
                      make_directory, make_fifo, run, Session, symlink_to, working_directory)

# Enough to open a file and refuse it, in a sanitizer build on a busy machine.
QUICK_TIMEOUT = 10.0
# A big file may take this much more memory than a tiny one: far below its size.
BIG_FILE_MB = 32
RSS_GROWTH_LIMIT_KB = 8 * 1024
NOBODY = 65534


def result(table, determinant):
    return HEADING + table + f"Determinant value of the matrix is  {determinant}\n"


ONE_BY_ONE_5 = (HEADING + "  5\nInput 1  not between limits  2 and 1001\n"
                + "Determinant value of the matrix is  0\n")
ONE_NUMBER_ROW = "Prepare to enter 1 numbers in row 1\nfirst number\nlast number\n"
# A size refused, then a 1x1 whose first answer is refused and the next is 5.
TWO_REFUSALS_THEN_5 = (MENU + SIZE_PROMPT + SIZE_ERROR + SIZE_PROMPT + ONE_NUMBER_ROW + NUMBER_ERROR
                       + "first number\nlast number\n" + ONE_BY_ONE_5)
TWO_BLOCKS = b"[M202 1 2 3 4]\n[M101 7]\n"
TWO_BLOCKS_LISTED = "1  [M202 1 2 3 4]\n\n2  [M101 7]\n\n"
OUT_OF_RANGE = "Number must be between 1 and 2\n"
TOO_LONG = "Input-array in file longer than 1000 characters\n"


# (name, bytes typed, data file or None, the whole expected output)
TYPED = [
    # Each character of a long line is a choice, and the one after it is
    # discarded: 10000 pairs, then the line break as a choice of its own.
    ("menu_long_line", b"x" * 20000 + b"\n", None, MENU + MENU_ERROR * 10001),
    ("menu_nul_bytes", b"\0\nk\0" b"1x1\n5\n\n", None,
     MENU + MENU_ERROR + SIZE_PROMPT + ONE_NUMBER_ROW + ONE_BY_ONE_5),
    # A byte 0xFF is a character like any other, not the end of the input.
    ("menu_byte_ff", b"\xff\n0\n\n", None, MENU + MENU_ERROR),
    # One complaint per long line, however long.
    ("keyboard_long_lines", b"k\n" + b"z" * 1000000 + b"\n1x1\n" + b"5" * 1000000 + b"\n5\n\n", None,
     TWO_REFUSALS_THEN_5),
    ("keyboard_nul_bytes", b"k\n2\0x2\n1x1\n\0\n5\0\n", None, TWO_REFUSALS_THEN_5),
    ("keyboard_white_space_flood", b"k\n" + b" \n\t\r\v\f" * 200000 + b"1x1\n5\n\n", None,
     MENU + SIZE_PROMPT + ONE_NUMBER_ROW + ONE_BY_ONE_5),
    # No number at the first prompt aborts, however long the line.
    ("selection_long_line", b"f\n" + b"y" * 1000000 + b"\n", TWO_BLOCKS,
     MENU + TWO_BLOCKS_LISTED + SELECT_PROMPT),
    # An answer without a number keeps the earlier, out-of-range pick.
    ("selection_nul_after_out_of_range", b"f\n5\n\0\n", TWO_BLOCKS,
     MENU + TWO_BLOCKS_LISTED + (SELECT_PROMPT + OUT_OF_RANGE) * 2 + SELECT_PROMPT),
]

# (name, data file, bytes typed, the whole expected output)
DATA = [
    ("nul_bytes", b"\0title\0\n[M202\0 1 2\0 3 4]\n", b"f\n1\n\n",
     MENU + "1  [M202^@ 1 2^@ 3 4]\n\n" + SELECT_PROMPT + result("  1  2\n  3  4\n", -2)),
    # A byte 0xFF is text like any other, not the end of the file.
    ("byte_ff", b"\xff\xff\n[M101 5]\xff[M202 1 0 0 1]", b"f\n2\n\n",
     MENU + "1  [M101 5]\n\n2  [M202 1 0 0 1]\n\n" + SELECT_PROMPT + result("  1  0\n  0  1\n", 1)),
    ("long_commentary_line", b"c" * 2000000 + b"[M202 2 0 0 3]", b"f\n1\n\n",
     MENU + "1  [M202 2 0 0 3]\n\n" + SELECT_PROMPT + result("  2  0\n  0  3\n", 6)),
    ("unclosed_block_of_a_megabyte", b"[M202 1 2 3 4" + b" 5" * 500000, b"f\n1\n\n",
     MENU + "1  [M202 1 2 3 4" + " 5" * 500000 + "]\n\n" + SELECT_PROMPT + TOO_LONG),
    # A size code with a zero column count asks for no elements at all, so the
    # table is one empty line per row, however many rows it claims.
    ("size_code_with_a_million_empty_rows", b"[M100000000]", b"f\n1\n\n",
     MENU + "1  [M100000000]\n\n" + SELECT_PROMPT + HEADING + "\n" * 1000000
     + "No determinant value for a matrix not square\n"),
]

# What stands where the data file should be; each must be refused at once,
# never read for ever or waited on.
NOT_A_FILE = [
    ("directory", make_directory),
    ("fifo_without_writer", make_fifo),
    ("symlink_to_dev_zero", symlink_to("/dev/zero")),
    ("symlink_to_a_directory", symlink_to("/")),
    # Without a controlling terminal the open fails; with one, the terminal
    # opens but is no file.
    ("symlink_to_dev_tty", symlink_to("/dev/tty")),
    ("symlink_to_itself", symlink_to(DATA_FILE_NAME)),
    ("dangling_symlink", symlink_to("no such file")),
]


def typed_check(typed, data, expected, timeout=None):
    def check(binary):
        with working_directory(data) as workdir:
            check_run(run(binary, workdir, typed, timeout), expected.encode("latin-1"))
    return check


def standard_input_is_a_directory(binary):
    # Reading fails at once; that is the end of the input.
    with working_directory() as workdir:
        descriptor = os.open(workdir, os.O_RDONLY | os.O_DIRECTORY)
        outcome = run(binary, workdir, stdin=descriptor)
        os.close(descriptor)
    check_run(outcome, MENU.encode())


def lost_output(arguments=(), closed=False):
    """Every write fails: the run must still read its answers and end, then
    say why its output was lost and exit 1."""
    def check(binary):
        with working_directory() as workdir, open("/dev/full", "wb") as full:
            outcome = run(binary, workdir, PLAIN_RUN, stdout=CLOSED if closed else full, arguments=arguments)
        reason = os.strerror(errno.EBADF if closed else errno.ENOSPC)
        check_run(outcome, status=1, stderr=f"determinant: write error: {reason}\n".encode())
    return check


# --- the program as a command ----------------------------------------------------------

PLAIN_RUN = b"k\n2x2\n1 2 3 4\n\n"
IGNORED = b"determinant: arguments are ignored; the data file is always MatrixDataFile1.txt in the working directory\n"


def usage(option):
    # Standard input stays open and empty: a run that read it would not end.
    def check(binary):
        with working_directory() as workdir:
            outcome = run(binary, workdir, stdin=subprocess.PIPE, timeout=QUICK_TIMEOUT, arguments=[option])
        check_run(outcome)
        if not outcome.output.startswith(b"Usage: determinant") or DATA_FILE_NAME.encode() not in outcome.output:
            raise Failure(f"the usage is {outcome.output!r}")
    return check


def version(binary):
    number = re.search(r"project\(determinant VERSION (\S+)", (dialogue.REPO / "CMakeLists.txt").read_text())[1]
    with working_directory() as workdir:
        check_run(run(binary, workdir, arguments=["--version"]), f"determinant {number}\n".encode())


def other_arguments_ignored(binary):
    """Byte for byte the run without arguments, and one note on standard error."""
    with working_directory(TWO_BLOCKS) as workdir:
        for typed in (PLAIN_RUN, b"f\n2\n\n", b"x\n0\n\n", b""):
            plain = run(binary, workdir, typed)
            check_run(plain)
            for arguments in (["other.txt"], ["--verbose"], ["-x", "--help"], [""], ["other.txt", "--help"]):
                check_run(run(binary, workdir, typed, arguments=arguments), plain.output, stderr=IGNORED)


def closed_pipe(binary):
    """A reader that went away ends the program by SIGPIPE, as any filter."""
    reader, writer = os.pipe()
    os.close(reader)
    with working_directory(TWO_BLOCKS) as workdir:
        outcome = run(binary, workdir, b"f\n2\n\n", stdout=writer)
    os.close(writer)
    check_run(outcome, status=-signal.SIGPIPE)


def posix_only(reason, check):
    def checked_on_posix(binary):
        if dialogue.WINDOWS:
            raise Skipped(reason)
        return check(binary)
    return checked_on_posix


# A CR LF that the reader's 4096-byte buffer splits is listed as it stands.
CRLF_ACROSS_READ_BUFFER = typed_check(b"f\n1\n\n", b"c" * 4089 + b"\n[M202\r\n 1 2 3 4]\n",
                                      MENU + "1  [M202\r\n 1 2 3 4]\n\n" + SELECT_PROMPT
                                      + result("  1  2\n  3  4\n", -2))


def unreadable_file(binary):
    """A file without read permission. Root reads it anyway, so under root the
    run is made as the user nobody, when that user can start the binary."""
    with working_directory(TWO_BLOCKS) as workdir:
        Path(workdir, DATA_FILE_NAME).chmod(0)
        os.chmod(workdir, 0o755)
        as_user = NOBODY if os.geteuid() == 0 else None
        try:
            outcome = run(binary, workdir, b"f\n0\n\n", QUICK_TIMEOUT, as_user=as_user)
        except PermissionError as error:
            raise Skipped(f"running as root, and the user nobody cannot start the binary ({error})")
        check_run(outcome, (MENU + NO_FILE).encode())
        return "as the user nobody, since root reads any file" if as_user else None


def closing_pause_after_a_directory(binary):
    # Even a data file that never opens is followed by the closing pause.
    with working_directory(make_directory) as workdir, Session(binary, workdir) as talk:
        talk.answer(b"f\n")
        talk.expect((MENU + NO_FILE).encode())
        talk.finish()


def truncated_between_listing_and_pick(binary):
    """The file shrinks after it was listed: the picked block is gone when the
    program looks for it again, as if it had never been closed."""
    with working_directory(TWO_BLOCKS) as workdir, Session(binary, workdir) as talk:
        talk.answer(b"f\n")
        talk.expect((MENU + TWO_BLOCKS_LISTED + SELECT_PROMPT).encode())
        Path(workdir, DATA_FILE_NAME).write_bytes(b"")
        talk.answer(b"2\n")
        talk.expect(b"Input-array in file has no closing ']'\n")
        talk.finish()


# Runs through every path that opens the file: listing and aborting, each kind
# of pick, refusals, out-of-range selections, end of input, and the keyboard.
UNTOUCHED_RUNS = [b"f\n0\n\n", b"F\n1\n\n", b"f\n3\n\n", b"f\n5\n\n", b"f\n6\n\n",
                  b"f\n7\n\n", b"f\n8\n\n", b"f\n99\n-1\n0\n\n", b"f\n", b"f\nx\n",
                  b"k\n2x2\n1 2 3 4\n\n", b"0\n\n"]


def sample_file_after_runs(binary):
    with working_directory() as workdir:
        target = Path(workdir, DATA_FILE_NAME)
        shutil.copyfile(dialogue.REPO / "examples" / DATA_FILE_NAME, target)
        # An old time stamp shows any rewrite, even one within the same second.
        os.utime(target, ns=(1_000_000_000_000_000_000, 1_000_000_000_000_000_000))
        before = (target.read_bytes(), target.stat().st_mtime_ns, sorted(os.listdir(workdir)))
        for typed in UNTOUCHED_RUNS:
            check_run(run(binary, workdir, typed))
            after = (target.read_bytes(), target.stat().st_mtime_ns, sorted(os.listdir(workdir)))
            if after != before:
                raise Failure(f"input {typed!r} changed the data file or left files behind")


# --- big data files --------------------------------------------------------------------

# (name, the file's head, its repeated unit, what the output ends with); each
# run picks the last block, or none when there is none.
BIG = [
    ("commentary_without_blocks", b"", b"a commentary line, no brackets in it, and the numbers 12 34 -56\n",
     SELECT_PROMPT),
    ("one_line_without_line_breaks", b"", b"word ", SELECT_PROMPT),
    ("many_blocks_pick_the_last", b"", b"[M202 1 2 3 4] words\n",
     "  [M202 1 2 3 4]\n\n" + SELECT_PROMPT + result("  1  2\n  3  4\n", -2)),
    ("one_unclosed_block", b"[M202 1 2 3 4", b" 5", " 5]\n\n" + SELECT_PROMPT + TOO_LONG),
]


def memory_over_tiny_file(binary):
    """The peak memory of a run that has listed a tiny data file, read while
    it waits at the selection prompt: a run too short to be polled."""
    with working_directory(b"[M202 1 2 3 4]\n") as workdir, Session(binary, workdir) as talk:
        talk.answer(b"f\n")
        talk.expect((MENU + "1  [M202 1 2 3 4]\n\n" + SELECT_PROMPT).encode())
        peak_kb = dialogue.peak_memory_kb(talk.proc.pid, 0)
        talk.answer(b"0\n")
        talk.finish()
    if peak_kb == 0:
        raise Failure("cannot read the peak memory from /proc")
    return peak_kb


def big_file(head, unit, tail):
    """Memory must stay that of a run over a tiny file; notes the time and the
    peak memory."""
    def check(binary):
        tiny_kb = memory_over_tiny_file(binary)
        data = head + unit * ((BIG_FILE_MB << 20) // len(unit))
        with working_directory(data) as workdir:
            outcome = run(binary, workdir, b"f\n%d\n\n" % data.count(b"["))
        check_run(outcome, ends_with=tail.encode())
        if outcome.max_rss_kb - tiny_kb > RSS_GROWTH_LIMIT_KB:
            raise Failure(f"max RSS {outcome.max_rss_kb} KB, against {tiny_kb} KB over a tiny file")
        return (f"{BIG_FILE_MB} MB in {outcome.seconds:.2f} s, max RSS {outcome.max_rss_kb} KB "
                f"against {tiny_kb} KB over a tiny file")
    return check


# The groups, each a list of (name, check); a check takes the binary, raises
# Failure or Skipped, and may return a note.
GROUPS = {
    "hostile_typed": [(name, typed_check(typed, data, expected)) for name, typed, data, expected in TYPED]
    + [("standard_input_is_a_directory", standard_input_is_a_directory),
       ("standard_output_is_full", lost_output())],
    "hostile_data": [(name, typed_check(typed, data, expected)) for name, data, typed, expected in DATA]
    + [("truncated_between_listing_and_pick", truncated_between_listing_and_pick)],
    "not_a_file": [(name, typed_check(b"f\n0\n\n", prepare, MENU + NO_FILE, QUICK_TIMEOUT))
                   for name, prepare in NOT_A_FILE]
    + [("unreadable_file", posix_only("POSIX permissions, tried as another user, whom Wine does not run for",
                                      unreadable_file)),
       ("never_opened_when_a_directory", closing_pause_after_a_directory)],
    "file_untouched": [("sample_file_after_runs", sample_file_after_runs)],
    "command_line": [("standard_output_closed", lost_output(closed=True)),
                     ("help_into_dev_full", lost_output(["--help"])),
                     ("version_with_standard_output_closed", lost_output(["--version"], closed=True)),
                     ("help", usage("--help")), ("h", usage("-h")), ("version", version),
                     ("other_arguments_ignored", other_arguments_ignored),
                     ("closed_pipe_is_sigpipe", posix_only("SIGPIPE is POSIX's", closed_pipe)),
                     ("crlf_across_read_buffer",
                      posix_only("text mode reads CR LF as one line end", CRLF_ACROSS_READ_BUFFER))],
    "big_files": [(name, big_file(head, unit, tail)) for name, head, unit, tail in BIG],
}
# Groups that time the program closely or bound its memory: they run alone.
SERIAL = {"not_a_file", "big_files"}
