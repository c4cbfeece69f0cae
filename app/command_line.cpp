// The command line: the options a user of any console tool expects, and the
// exit status that tells a script whether its output was written.
#include "app/command_line.h"

#include <string_view>

#include "input/data_file.h"

// The build defines DETERMINANT_VERSION, the version from project(), and
// DETERMINANT_DOCUMENTATION, the line that says where the platform's package
// puts the documentation.

CommandLine read_command_line(int argc, const char *const *argv) {
  if (argc < 2 || argv[1] == nullptr) return CommandLine::run;
  const std::string_view first = argv[1];
  if (first == "--help" || first == "-h") return CommandLine::help;
  if (first == "--version") return CommandLine::version;
  return CommandLine::run_ignoring_arguments;
}

void write_usage(Console &console) {
  console_write_line(console, "Usage: determinant [--help | -h | --version]");
  console_write_line(console, "Evaluates one integer matrix per run, typed in at the keyboard or picked");
  console_printf(console, "from the data file %s in the working directory.\n", DATA_FILE_NAME);
  console_write_line(console, "Other arguments are ignored.");
  console_write_line(console, "  -h, --help  show this help and exit");
  console_write_line(console, "  --version   show the version and exit");
  console_write_line(console, DETERMINANT_DOCUMENTATION);
}

void write_version(Console &console) { console_write_line(console, "determinant " DETERMINANT_VERSION); }

void note_ignored_arguments(std::ostream &errors) {
  errors << "determinant: arguments are ignored; the data file is always " << DATA_FILE_NAME
         << " in the working directory\n";
  errors.flush();
}

int finish_run(Console &console, std::ostream &errors) {
  const char *reason = console_finish_output(console);
  if (reason == nullptr) return 0;
  errors << "determinant: write error: " << reason << '\n';
  errors.flush();
  return 1;
}
