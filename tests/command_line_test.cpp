// The arguments: which request they make, block numbers at and beyond their
// limits, files, and every way the options can be misused.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace {

struct ArgumentCase {
  std::vector<const char *> arguments;  // after the program's name
  Request request;
  std::int32_t block = 0;
  const char *file = nullptr;
};

class Arguments : public testing::TestWithParam<ArgumentCase> {};

TEST_P(Arguments, MakeTheRequest) {
  const ArgumentCase &c = GetParam();
  std::vector<const char *> argv{"determinant"};
  argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
  argv.push_back(nullptr);
  const CommandLine command = read_command_line(static_cast<int>(argv.size() - 1), argv.data());
  EXPECT_EQ(command.request, c.request);
  EXPECT_EQ(command.block, c.block);
  EXPECT_EQ(std::string_view(command.file ? command.file : "(none)"), std::string_view(c.file ? c.file : "(none)"));
}

INSTANTIATE_TEST_SUITE_P(
    Options, Arguments,
    testing::Values(ArgumentCase{{}, Request::run}, ArgumentCase{{"--help", "--block"}, Request::help},
                    ArgumentCase{{"--version"}, Request::version},
                    ArgumentCase{{"--blocks", "2"}, Request::run_ignoring_arguments},
                    ArgumentCase{{"x", "--block", "2"}, Request::run_ignoring_arguments},
                    ArgumentCase{{"--block", "1"}, Request::block, 1},
                    ArgumentCase{{"--block", "0012", "a.txt"}, Request::block, 12, "a.txt"},
                    ArgumentCase{{"--block", "2147483647", "-"}, Request::block, INT32_MAX, "-"},
                    ArgumentCase{{"--block", "00000000000000000000000000000002"}, Request::block, 2},
                    ArgumentCase{{"--all"}, Request::all}, ArgumentCase{{"--all", "-"}, Request::all, 0, "-"},
                    ArgumentCase{{"--all", "./-x"}, Request::all, 0, "./-x"}));

INSTANTIATE_TEST_SUITE_P(
    UsageErrors, Arguments,
    testing::Values(ArgumentCase{{"--block"}, Request::usage_error},
                    ArgumentCase{{"--block", "0"}, Request::usage_error},
                    ArgumentCase{{"--block", "000"}, Request::usage_error},
                    ArgumentCase{{"--block", "2147483648"}, Request::usage_error},
                    ArgumentCase{{"--block", "99999999999999999999"}, Request::usage_error},
                    ArgumentCase{{"--block", "-1"}, Request::usage_error},
                    ArgumentCase{{"--block", "+1"}, Request::usage_error},
                    ArgumentCase{{"--block", " 1"}, Request::usage_error},
                    ArgumentCase{{"--block", "1 "}, Request::usage_error},
                    ArgumentCase{{"--block", "0x1"}, Request::usage_error},
                    ArgumentCase{{"--block", ""}, Request::usage_error},
                    ArgumentCase{{"--block", "1", "a", "b"}, Request::usage_error},
                    ArgumentCase{{"--block", "1", "--all"}, Request::usage_error},
                    ArgumentCase{{"--block", "--all"}, Request::usage_error},
                    ArgumentCase{{"--all", "-x"}, Request::usage_error},
                    ArgumentCase{{"--all", "--"}, Request::usage_error},
                    ArgumentCase{{"--all", "a", "b"}, Request::usage_error}));

}  // namespace
