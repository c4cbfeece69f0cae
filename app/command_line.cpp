// The command line: the options a user of any console tool expects, the two
// that evaluate blocks for scripts, and the exit status.
#include "app/command_line.h"

#include <string_view>

#include "console/digit_run.h"
#include "input/data_file.h"
#include "input/platform.h"

// The build defines DETERMINANT_VERSION, the version from project(), and
// DETERMINANT_DOCUMENTATION, the line that says where the platform's package
// puts the documentation.

static constexpr char USAGE[] = "Usage: determinant [--help | -h | --version | --block N [FILE] | --all [FILE]]";
static constexpr int USAGE_ERROR_STATUS = 2;

// Decimal digits only, from 1 to 2147483647: a sign or a space is more
// likely a slip than a block number.
static bool read_block_number(std::string_view text, std::int32_t &number) {
  if (text.empty()) return false;
  DigitRun run;
  for (const char c : text) {
    if (!is_decimal_digit(c)) return false;
    digit_run_add(run, c - '0');
  }
  return digit_run_value(run, false, number) && number >= 1;
}

// "-" is standard input; any other word that starts with '-' is an option
// out of place (a file of that name can be given as ./-name).
static bool read_file(const char *argument, const char *&file) {
  const std::string_view text = argument;
  if (text.size() > 1 && text[0] == '-') return false;
  file = argument;
  return true;
}

static CommandLine read_block_options(Request request, int argc, const char *const *argv) {
  CommandLine command{request};
  int next = 2;
  if (request == Request::block && (next >= argc || !read_block_number(argv[next++], command.block)))
    return CommandLine{Request::usage_error};
  if (next < argc && !read_file(argv[next++], command.file)) return CommandLine{Request::usage_error};
  if (next < argc) return CommandLine{Request::usage_error};
  return command;
}

CommandLine read_command_line(int argc, const char *const *argv) {
  if (argc < 2 || argv[1] == nullptr) return CommandLine{};
  const std::string_view first = argv[1];
  if (first == "--help" || first == "-h") return CommandLine{Request::help};
  if (first == "/?" && platform_answers_slash_question()) return CommandLine{Request::help};
  if (first == "--version") return CommandLine{Request::version};
  if (first == "--block") return read_block_options(Request::block, argc, argv);
  if (first == "--all") return read_block_options(Request::all, argc, argv);
  return CommandLine{Request::run_ignoring_arguments};
}

void write_usage(Console &console) {
  console_write_line(console, USAGE);
  console_write_line(console, "Evaluates one integer matrix per run, typed in at the keyboard or picked");
  console_printf(console, "from the data file %s in the working directory.\n", DATA_FILE_NAME);
  console_write_line(console, "  -h, --help        show this help and exit");
  console_write_line(console, "  --version         show the version and exit");
  console_write_line(console, "  --block N [FILE]  print the determinant of block N of FILE, with no dialogue");
  console_write_line(console, "  --all [FILE]      print N, a tab and the determinant for each block of FILE");
  console_printf(console, "FILE is %s unless given; - reads standard input. A block\n", DATA_FILE_NAME);
  console_write_line(console, "that cannot be evaluated is named on standard error with the reason, and the");
  console_write_line(console, "exit status is 1; a usage error exits 2. Examples:");
  console_write_line(console, "  determinant --block 2 matrices.txt");
  console_write_line(console, "  determinant --all - < matrices.txt");
  console_write_line(console, "Any other first argument is ignored, and the dialogue runs.");
  console_write_line(console, DETERMINANT_DOCUMENTATION);
}

void write_version(Console &console) { console_write_line(console, "determinant " DETERMINANT_VERSION); }

void note_ignored_arguments(std::ostream &errors) {
  errors << "determinant: arguments are ignored unless the first is --help, -h, --version, --block or --all\n";
  errors.flush();
}

int report_usage_error(std::ostream &errors) {
  errors << USAGE << "\nTry 'determinant --help' for more.\n";
  errors.flush();
  return USAGE_ERROR_STATUS;
}

int finish_run(Console &console, std::ostream &errors) {
  const char *reason = console_finish_output(console);
  if (reason == nullptr) return 0;
  errors << "determinant: write error: " << reason << '\n';
  errors.flush();
  return 1;
}
