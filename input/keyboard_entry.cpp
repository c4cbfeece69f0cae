// Keyboard entry: a size answer such as 3x4, then one prompted number at a
// time. A wrong answer is explained and asked for again; the end of the input
// gives up the entry.
#include "input/keyboard_entry.h"

enum class Answer { accepted, rejected, ended };

// Explains a rejected answer and drops the rest of its line, so one bad line
// gets one complaint.
static Answer reject_line(Console &console, const char *message) {
  console_write_line(console, message);
  return console_drop_line(console) ? Answer::rejected : Answer::ended;
}

// A digit run too long for 32 bits is still a number: it lies beyond the
// size range on the side of its sign, as the largest 32-bit values do.
static ScanStatus scan_dimension(Console &console, std::int32_t &value) {
  const ScanStatus status = console_scan_int(console, value);
  if (!scan_out_of_range(status)) return status;
  value = status == ScanStatus::too_large ? INT32_MAX : INT32_MIN;
  return ScanStatus::ok;
}

static Answer scan_size(Console &console, std::int32_t &rows, std::int32_t &columns) {
  std::int32_t first = 0;
  std::int32_t second = 0;
  ScanStatus status = scan_dimension(console, first);
  if (status == ScanStatus::ok) {
    if (console_accept_char(console, 'x')) status = scan_dimension(console, second);
    else status = console_input_ended(console) ? ScanStatus::end_of_input : ScanStatus::no_number;
  }
  if (status == ScanStatus::end_of_input) return Answer::ended;
  if (status != ScanStatus::ok) return reject_line(console, "Size must be two numbers such as 3x4");
  console_discard_char(console);
  rows = first;
  columns = second;
  return Answer::accepted;
}

static Answer check_size(Console &console, std::int32_t rows, std::int32_t columns) {
  if (rows > MAX_KEYBOARD_DIMENSION || columns > MAX_KEYBOARD_DIMENSION) {
    console_write_line(console, "No size larger than 12");
    return Answer::rejected;
  }
  // A negative dimension would pack into a size code that unpacks to other
  // dimensions than the ones typed.
  if (rows < 0 || columns < 0) {
    console_write_line(console, "No size smaller than 0");
    return Answer::rejected;
  }
  return Answer::accepted;
}

static Answer ask_size(Console &console, std::int32_t &rows, std::int32_t &columns) {
  for (;;) {
    console_write_line(console, "Enter size of matrix ROWSxCOLUMNS (0x0 termimates input)  ");
    Answer answer = scan_size(console, rows, columns);
    if (answer == Answer::accepted) answer = check_size(console, rows, columns);
    if (answer != Answer::rejected) return answer;
  }
}

// A one-column row is both first and last, so it gets both prompts.
static void prompt_number(Console &console, int column, int columns) {
  if (column == 1) console_write_line(console, "first number");
  if (column > 1 && column < columns) console_write_line(console, "next number");
  if (column == columns) console_write_line(console, "last number");
}

static Answer ask_number(Console &console, int column, int columns, std::int32_t &number) {
  for (;;) {
    prompt_number(console, column, columns);
    const ScanStatus status = console_scan_int(console, number);
    if (status == ScanStatus::end_of_input) return Answer::ended;
    if (status == ScanStatus::ok) {
      console_discard_char(console);
      return Answer::accepted;
    }
    const Answer answer = reject_line(console, "Enter a whole number from -2147483648 to 2147483647");
    if (answer == Answer::ended) return answer;
  }
}

bool enter_matrix_from_keyboard(MatrixRecord &record, Console &console) {
  std::int32_t rows = 0;
  std::int32_t columns = 0;
  if (ask_size(console, rows, columns) == Answer::ended) return false;
  record[0] = rows * 100 + columns;
  int slot = 1;
  for (int row = 1; row <= rows; ++row) {
    console_printf(console, "Prepare to enter %d numbers in row %d\n", columns, row);
    for (int column = 1; column <= columns; ++column) {
      if (ask_number(console, column, columns, record[slot]) == Answer::ended) return false;
      ++slot;
    }
  }
  record[slot] = END_MARKER;
  return true;
}
