// Fuzzes one whole run in-process: menu, keyboard or data file, table,
// determinant and closing pause. Input: the bytes typed on standard input,
// optionally followed by a separator and the data file's bytes. Without a
// separator there is no data file; "\0DIR\0" puts a directory in its place.
// libFuzzer's -timeout catches a run that never ends; the fuzz build expands
// only small orders, so a slow order cannot pass for one.
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "app/menu.h"
#include "console/console.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace std::string_view_literals;

constexpr std::string_view FILE_SEPARATOR = "\0FILE\0"sv;
constexpr std::string_view DIRECTORY_SEPARATOR = "\0DIR\0"sv;
constexpr std::string_view MENU =
    "Where is the data for the matrix?\n"
    "If it will be typed in on the Keyboard, type K\n"
    "If it is already in the MatrixDataFile, type F\n"
    "To exit program type 0 (zero)\n";

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
