// The console layer's formatted input: what each answer converts to and what
// it leaves unread for the character discard.
#include "console/console.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

namespace {

struct ScanCase {
  std::string_view input;
  ScanStatus status;
  std::int32_t value;  // 99 when the conversion must leave it unchanged
  std::string_view rest;  // what is left to read afterwards
};

class ConsoleScan : public testing::TestWithParam<ScanCase> {};

TEST_P(ConsoleScan, ConvertsAndStopsAtTheRightCharacter) {
  const ScanCase &c = GetParam();
  std::istringstream in{std::string(c.input)};
  std::ostringstream out;
  Console console{in, out};
  std::int32_t value = 99;
  EXPECT_EQ(console_scan_int(console, value), c.status);
  EXPECT_EQ(value, c.value);
  in.clear();
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ConsoleScan,
    testing::Values(ScanCase{"42\n", ScanStatus::ok, 42, "\n"},
                    ScanCase{" \t\n\r\v\f-7x", ScanStatus::ok, -7, "x"},
                    ScanCase{"+5 6", ScanStatus::ok, 5, " 6"},
                    ScanCase{"007", ScanStatus::ok, 7, ""},
                    ScanCase{"2147483647\n", ScanStatus::ok, 2147483647, "\n"},
                    ScanCase{"-2147483648\n", ScanStatus::ok, INT32_MIN, "\n"},
                    ScanCase{"2147483648\n", ScanStatus::too_large, 99, "\n"},
                    ScanCase{"-2147483649\n", ScanStatus::too_small, 99, "\n"},
                    ScanCase{"99999999999999999999999999999999x", ScanStatus::too_large, 99, "x"},
                    ScanCase{"abc\n", ScanStatus::no_number, 99, "abc\n"},
                    ScanCase{"- 5\n", ScanStatus::no_number, 99, " 5\n"},
                    ScanCase{"1.5", ScanStatus::ok, 1, ".5"},
                    ScanCase{"", ScanStatus::end_of_input, 99, ""},
                    ScanCase{"  \n\n", ScanStatus::end_of_input, 99, ""},
                    ScanCase{"-", ScanStatus::end_of_input, 99, ""},
                    ScanCase{std::string_view("\0" "5", 2), ScanStatus::no_number, 99, std::string_view("\0" "5", 2)}));

TEST(ConsoleRead, CharactersAndLinesEndCleanlyAtEndOfInput) {
  std::istringstream in("ab\ncd");
  std::ostringstream out;
  Console console{in, out};
  EXPECT_EQ(console_read_char(console), 'a');
  EXPECT_TRUE(console_drop_line(console));
  EXPECT_FALSE(console_accept_char(console, 'x'));
  EXPECT_TRUE(console_accept_char(console, 'c'));
  EXPECT_FALSE(console_input_ended(console));
  EXPECT_FALSE(console_drop_line(console));
  EXPECT_TRUE(console_input_ended(console));
  EXPECT_EQ(console_read_char(console), END_OF_INPUT);
  EXPECT_EQ(console_read_char(console), END_OF_INPUT);
}

TEST(ConsoleRead, HighBytesAreCharactersNotEndOfInput) {
  std::istringstream in("\xff");
  std::ostringstream out;
  Console console{in, out};
  EXPECT_EQ(console_read_char(console), 0xff);
  EXPECT_EQ(console_read_char(console), END_OF_INPUT);
}

TEST(ConsoleWrite, LinesAndFormattedOutput) {
  std::istringstream in;
  std::ostringstream out;
  Console console{in, out};
  console_write_line(console, "first number");
  console_printf(console, "Prepare to enter %d numbers in row %d\n", 3, 1);
  console_write(console, "x");
  EXPECT_EQ(out.str(), "first number\nPrepare to enter 3 numbers in row 1\nx");
}

// An output device that takes `room` bytes and then fails every write,
// leaving `error` in errno as a system call would.
struct FailingDevice : std::streambuf {
  int room;
  int error;
  FailingDevice(int room, int error) : room(room), error(error) {}
  int_type overflow(int_type c) override {
    if (room == 0) {
      errno = error;
      return traits_type::eof();
    }
    --room;
    return c;
  }
};

struct OutputCase {
  int room;
  int error;
  int reported;  // the errno whose text is the reason; -1 when nothing was lost
};

class ConsoleOutput : public testing::TestWithParam<OutputCase> {};

TEST_P(ConsoleOutput, ReportsTheFirstFailedWrite) {
  const OutputCase &c = GetParam();
  FailingDevice device(c.room, c.error);
  std::istringstream in("k\n");
  std::ostream out(&device);
  Console console{in, out};
  console_write_line(console, "Where is the data for the matrix?");
  console_read_char(console);
  // A later error must not replace the reason of the first.
  errno = EINTR;
  console_printf(console, "%d", 12345);
  const char *reason = console_finish_output(console);
  if (c.reported < 0) {
    EXPECT_EQ(reason, nullptr);
    return;
  }
  ASSERT_NE(reason, nullptr);
  const std::string expected = std::strerror(c.reported);
  EXPECT_EQ(reason, expected);
}

INSTANTIATE_TEST_SUITE_P(Devices, ConsoleOutput,
                         testing::Values(OutputCase{1000, ENOSPC, -1}, OutputCase{5, ENOSPC, ENOSPC},
                                         OutputCase{0, EBADF, EBADF}, OutputCase{38, EPIPE, EPIPE},
                                         OutputCase{0, 0, EIO}));

}  // namespace
