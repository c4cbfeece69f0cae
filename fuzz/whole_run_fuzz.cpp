// Fuzzes one whole run in-process: menu, keyboard or data file, table,
// determinant and closing pause. Input: the bytes typed on standard input,
// optionally followed by a separator and the data file's bytes. Without a
// separator there is no data file; "\0DIR\0" puts a directory in its place.
// libFuzzer's -timeout catches a run that never ends.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/menu.h"
#include "fuzz/fuzz_support.h"
#include "input/console.h"

namespace {

using namespace std::string_view_literals;

constexpr std::string_view FILE_SEPARATOR = "\0FILE\0"sv;
constexpr std::string_view DIRECTORY_SEPARATOR = "\0DIR\0"sv;
constexpr std::string_view MENU =
    "Where is the data for the matrix?\n"
    "If it will be typed in on the Keyboard, type K\n"
    "If it is already in the MatrixDataFile, type F\n"
    "To exit program type 0 (zero)\n";

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view strip_zeros(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits;
}

// Orders 10 to 12 go through the n! permutation expansion. Under the
// sanitizers one such run took 0.5 s (order 10), 8.5 s (11) and 106 s (12),
// against 0.04 s for order 9, so inputs that could reach them are refused
// (see below) rather than let them drown the search or pass for hangs.
// Smaller orders and the fast method above 12 stay in.
bool is_expanded_slow_order(std::string_view digits) {
  digits = strip_zeros(digits);
  return digits == "10" || digits == "11" || digits == "12";
}

// A size answer n x n for a slow n. The first number may start anywhere in a
// digit run, since the discard after the menu letter can take a digit, so
// only its last two digits count; the second number is read whole after
// optional white space and a sign.
bool keyboard_may_ask_slow_order(std::string_view typed) {
  for (std::size_t x = 2; x < typed.size(); ++x) {
    if (typed[x] != 'x' || typed[x - 2] != '1' || !is_digit(typed[x - 1])) continue;
    const std::string_view rows = typed.substr(x - 2, 2);
    if (!is_expanded_slow_order(rows)) continue;
    std::size_t at = x + 1;
    while (at < typed.size() && is_space(typed[at])) ++at;
    if (at < typed.size() && (typed[at] == '+' || typed[at] == '-')) ++at;
    const std::size_t first_digit = at;
    while (at < typed.size() && is_digit(typed[at])) ++at;
    if (strip_zeros(typed.substr(first_digit, at - first_digit)) == rows) return true;
  }
  return false;
}

// The numbers of the matrix blocks whose size code makes a square of a slow
// order. Blocks are found the way the program finds them: from each '[' to
// the next ']'.
std::vector<std::int64_t> slow_blocks(std::string_view file) {
  std::vector<std::int64_t> slow;
  std::int64_t count = 0;
  for (std::size_t at = 0; at < file.size(); ++at) {
    if (file[at] != '[') continue;
    ++count;
    const std::size_t open = at;
    const std::size_t close = std::min(file.find(']', open + 1), file.size());
    at = close;
    if (open + 1 >= close || (file[open + 1] != 'M' && file[open + 1] != 'm')) continue;
    std::size_t digit = open + 2;
    while (digit < close && !is_digit(file[digit])) ++digit;
    std::size_t end = digit;
    while (end < close && is_digit(file[end])) ++end;
    const std::string_view code = strip_zeros(file.substr(digit, end - digit));
    if (code == "1010" || code == "1111" || code == "1212") slow.push_back(count);
  }
  return slow;
}

// Any number typed could be the selection, again possibly from the middle of
// a digit run. A suffix of more than ten digits with a leading non-zero is
// beyond any block number, and one with leading zeros equals a shorter one.
bool data_file_may_give_slow_order(std::string_view typed, std::string_view file) {
  const std::vector<std::int64_t> slow = slow_blocks(file);
  if (slow.empty()) return false;
  for (std::size_t at = 0; at < typed.size();) {
    if (!is_digit(typed[at])) {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < typed.size() && is_digit(typed[end])) ++end;
    for (std::size_t start = end - std::min<std::size_t>(end - at, 10); start < end; ++start) {
      std::int64_t number = 0;
      for (std::size_t i = start; i < end; ++i) number = number * 10 + (typed[i] - '0');
      if (std::find(slow.begin(), slow.end(), number) != slow.end()) return true;
    }
    at = end;
  }
  return false;
}

enum class DataFile { absent, present, directory };

DataFile split_input(std::string_view input, std::string_view &typed, std::string_view &file) {
  const std::size_t as_file = input.find(FILE_SEPARATOR);
  const std::size_t as_directory = input.find(DIRECTORY_SEPARATOR);
  typed = input;
  file = {};
  if (as_file == std::string_view::npos && as_directory == std::string_view::npos) return DataFile::absent;
  if (as_directory < as_file) {
    typed = input.substr(0, as_directory);
    return DataFile::directory;
  }
  typed = input.substr(0, as_file);
  file = input.substr(as_file + FILE_SEPARATOR.size());
  return DataFile::present;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  fuzz_absolute_artifact_paths(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::string_view typed;
  std::string_view file;
  const DataFile kind = split_input(std::string_view(reinterpret_cast<const char *>(data), size), typed, file);
  // libFuzzer 14 has no way to reject an input, but a refused one costs
  // nothing when it is run again.
  if (keyboard_may_ask_slow_order(typed)) return 0;
  if (kind == DataFile::present && data_file_may_give_slow_order(typed, file)) return 0;

  fuzz_enter_private_directory();
  if (kind == DataFile::absent) fuzz_remove_data_file();
  if (kind == DataFile::present) fuzz_put_data_file(file);
  if (kind == DataFile::directory) fuzz_put_data_directory();

  std::istringstream in{std::string(typed)};
  std::ostringstream out;
  Console console{in, out};
  run_menu(console);

  if (out.str().substr(0, MENU.size()) != MENU) fuzz_fail("the run did not start with the menu");
  if (kind == DataFile::present) fuzz_check_data_file_unchanged(file);
  fuzz_leave_private_directory();
  return 0;
}
