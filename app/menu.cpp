// The menu and the control flow of one run.
#include "app/menu.h"

#include "app/matrix_view.h"
#include "input/data_file.h"
#include "input/keyboard_entry.h"

static void show_menu(Console &console) {
  console_write_line(console, "Where is the data for the matrix?");
  console_write_line(console, "If it will be typed in on the Keyboard, type K");
  console_write_line(console, "If it is already in the MatrixDataFile, type F");
  console_write_line(console, "To exit program type 0 (zero)");
}

// Runs the input the choice names and shows what it produced. False for a
// character that is not a choice.
static bool carry_out_choice(int choice, MatrixRecord &record, Console &console) {
  switch (choice) {
    case 'K':
    case 'k':
      if (enter_matrix_from_keyboard(record, console)) show_and_evaluate(record, console);
      return true;
    case 'F':
    case 'f':
      if (read_matrix_from_data_file(record, console) != 0) show_and_evaluate(record, console);
      return true;
    case '0':
      return true;
    default:
      return false;
  }
}

void run_menu(Console &console) {
  MatrixRecord record{};
  show_menu(console);
  for (;;) {
    const int choice = console_read_char(console);
    if (choice == END_OF_INPUT) return;
    console_discard_char(console);
    if (carry_out_choice(choice, record, console)) break;
    console_write_line(console, "Error: enter either K or F or 0");
  }
  // The closing pause: one more character before the run ends.
  console_read_char(console);
}
