"""The end-to-end checks that cannot be case files: binary and huge inputs,
and the groups of every check, file_checks.py's and command_checks.py's
too."""

from dataclasses import dataclass, field

import dialogue
from dialogue import (HEADING, MENU, MENU_ERROR, NO_FILE, NUMBER_ERROR, SELECT_PROMPT, SIZE_ERROR, SIZE_PROMPT,
                      Failure, check_run, run, working_directory)
from command_checks import (PLAIN_RUN, WAITING_IN_A_READ, all_from_a_directory, all_into_dev_full, closed_pipe,
                            lost_output, lost_while_waiting, other_arguments_ignored,
                            standard_input_is_a_directory, usage, version)
from file_checks import (BIG, NOT_A_FILE, QUICK_TIMEOUT, TOO_LONG, TWO_BLOCKS, TWO_BLOCKS_LISTED, big_file,
                         closing_pause_after_a_directory, reason_line, result, sample_file_after_runs,
                         truncated_between_listing_and_pick, unreadable_file)

ONE_BY_ONE_5 = (HEADING + "  5\nInput 1  not between limits  2 and 1001\n"
                + "Determinant value of the matrix is  0\n")
ONE_NUMBER_ROW = "Prepare to enter 1 numbers in row 1\nfirst number\nlast number\n"
# A size refused, then a 1x1 whose first answer is refused and the next is 5.
TWO_REFUSALS_THEN_5 = (MENU + SIZE_PROMPT + SIZE_ERROR + SIZE_PROMPT + ONE_NUMBER_ROW + NUMBER_ERROR
                       + "first number\nlast number\n" + ONE_BY_ONE_5)
OUT_OF_RANGE = "Number must be between 1 and 2\n"


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

def typed_check(typed, data, expected, timeout=None, arguments=(), status=0, stderr=b""):
    def check(binary):
        with working_directory(data) as workdir:
            check_run(run(binary, workdir, typed, timeout, arguments=arguments), expected.encode("latin-1"),
                      status=status, stderr=stderr)
    return check


@dataclass
class Check:
    """A check and what the manifest can tell of it: what its table gives
    (None where the code computes it) and each place it cannot run, with why."""
    name: str
    run: object  # takes the binary, raises Failure or Skipped, may return a note
    typed: bytes = None
    data: bytes = None
    expected: bytes = None
    arguments: list = None
    skip: dict = field(default_factory=dict)
    why_code: str = None  # for the page's skip, where the group's reason is not this check's


def table_check(name, typed, data, expected, timeout=None, arguments=(), status=0, stderr=b"", **more):
    """A check whose whole run its table gives; a data file made by code is
    none the manifest can carry."""
    return Check(name, typed_check(typed, data, expected, timeout, arguments, status, stderr), typed,
                 None if callable(data) else data, expected.encode("latin-1"), list(arguments), **more)


def not_a_file_checks():
    """Each thing where the data file should be, in the dialogue and under
    --block; its reason on standard error either way, as the build's system
    gives it."""
    checks = []
    for name, prepare, reason, windows_reason in NOT_A_FILE:
        for suffix, typed, expected, arguments, status in (("", b"f\n0\n\n", MENU + NO_FILE, [], 0),
                                                           ("_block_option", b"", "", ["--block", "1"], 1)):
            def check(binary, prepare=prepare, reasons=(reason, windows_reason), typed=typed, expected=expected,
                      arguments=arguments, status=status):
                stderr = reason_line(reasons[1] if dialogue.WINDOWS else reasons[0])
                typed_check(typed, prepare, expected, QUICK_TIMEOUT, arguments, status, stderr)(binary)
            skip = {} if windows_reason else posix_only("Windows has no link loops")
            checks.append(Check(name + suffix, check, typed, None, expected.encode(), arguments, skip))
    return checks


def posix_only(reason):
    return {"wine": reason}


# Each group's checks, and how the page's skip says why a group is code.
GROUPS = {
    "hostile_typed": [table_check(name, typed, data, expected) for name, typed, data, expected in TYPED]
    + [Check("standard_input_is_a_directory", standard_input_is_a_directory),
       Check("standard_output_is_full", lost_output(), PLAIN_RUN, arguments=[])],
    "hostile_data": [table_check(name, typed, data, expected) for name, data, typed, expected in DATA]
    + [Check("truncated_between_listing_and_pick", truncated_between_listing_and_pick)],
    "not_a_file": not_a_file_checks()
    + [Check("unreadable_file", unreadable_file,
             skip=posix_only("POSIX permissions, tried as another user, whom Wine does not run for")),
       Check("never_opened_when_a_directory", closing_pause_after_a_directory)],
    "file_untouched": [Check("sample_file_after_runs", sample_file_after_runs)],
    "command_line": [Check("standard_output_closed", lost_output(closed=True), PLAIN_RUN, arguments=[]),
                     Check("help_into_dev_full", lost_output(["--help"]), PLAIN_RUN, arguments=["--help"]),
                     Check("version_with_standard_output_closed", lost_output(["--version"], closed=True),
                           PLAIN_RUN, arguments=["--version"]),
                     Check("output_lost_while_waiting_for_input", lost_while_waiting, arguments=[],
                           skip=posix_only(WAITING_IN_A_READ)),
                     Check("help", usage("--help"), arguments=["--help"]),
                     Check("h", usage("-h"), arguments=["-h"]),
                     Check("version", version, arguments=["--version"]),
                     Check("other_arguments_ignored", other_arguments_ignored),
                     Check("all_from_a_directory", all_from_a_directory, arguments=["--all", "-"],
                           skip=posix_only("a directory as standard input is POSIX's")),
                     Check("all_into_dev_full", all_into_dev_full, arguments=["--all"]),
                     Check("closed_pipe_is_sigpipe", closed_pipe, skip=posix_only("SIGPIPE is POSIX's")),
                     # A CR LF that the reader's 4096-byte buffer splits is listed as it stands.
                     table_check("crlf_across_read_buffer", b"f\n1\n\n", b"c" * 4089 + b"\n[M202\r\n 1 2 3 4]\n",
                                 MENU + "1  [M202\r\n 1 2 3 4]\n\n" + SELECT_PROMPT + result("  1  2\n  3  4\n", -2),
                                 skip=posix_only("text mode reads CR LF as one line end"),
                                 why_code="a CR LF split by a read, a check only so that Wine may skip it")],
    "big_files": [Check(name, big_file(head, unit, tail), data=None) for name, head, unit, tail in BIG],
}
WHY_CODE = {
    "hostile_typed": "binary and huge typed input, or output that cannot be written",
    "hostile_data": "binary and huge data files, or one that changes during the run",
    "not_a_file": "what stands where the data file should be",
    "file_untouched": "the data file's bytes and time stamp after many runs",
    "command_line": "arguments, exit status, standard error and the output's fate",
    "big_files": "memory and time over 32 MB data files",
}
# Groups that time the program closely or bound its memory: they run alone.
SERIAL = {"not_a_file", "big_files"}
