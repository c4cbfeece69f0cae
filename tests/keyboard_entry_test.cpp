// Keyboard entry: what reaches the record, and that the end of the input at
// any point gives up the entry instead of looping.
#include "input/keyboard_entry.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct EntryCase {
  const char *typed;
  bool entered;
  std::vector<std::int32_t> slots;  // slot 0 onwards, when entered
};

class KeyboardEntry : public testing::TestWithParam<EntryCase> {};

TEST_P(KeyboardEntry, FillsTheRecordOrGivesUp) {
  const EntryCase &c = GetParam();
  std::istringstream in(c.typed);
  std::ostringstream out;
  Console console{in, out};
  MatrixRecord record;
  record.fill(-1);
  ASSERT_EQ(enter_matrix_from_keyboard(record, console), c.entered) << c.typed;
  if (!c.entered) return;
  for (std::size_t slot = 0; slot < c.slots.size(); ++slot) EXPECT_EQ(record[slot], c.slots[slot]) << slot;
  EXPECT_EQ(record[c.slots.size()], END_MARKER);
}

INSTANTIATE_TEST_SUITE_P(
    Entered, KeyboardEntry,
    testing::Values(EntryCase{"2x2\n3\n1\n4\n2\n", true, {202, 3, 1, 4, 2}},
                    EntryCase{"2x3\n1 2 3\n4 5 6\n", true, {203, 1, 2, 3, 4, 5, 6}},
                    EntryCase{"0x0\n", true, {0}},
                    EntryCase{"3x0\n", true, {300}},
                    EntryCase{"0x5\n", true, {5}},
                    EntryCase{"12x1\n1 2 3 4 5 6 7 8 9 10 11 12", true, {1201, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
                    EntryCase{"13x2\n-1x1\n3X4\n1x1\n-2147483648\n", true, {101, INT32_MIN}},
                    EntryCase{"2x\n1\n7 x 2147483648\n-8\n", true, {201, 7, -8}}));

INSTANTIATE_TEST_SUITE_P(
    EndOfInput, KeyboardEntry,
    testing::Values(EntryCase{"", false, {}}, EntryCase{"2", false, {}}, EntryCase{"2x", false, {}},
                    EntryCase{"2x\n\n", false, {}}, EntryCase{"abc", false, {}}, EntryCase{"13x13\n", false, {}},
                    EntryCase{"2x2\n1 2 3", false, {}}, EntryCase{"1x1\nx", false, {}},
                    EntryCase{"1x1\n-", false, {}}));

}  // namespace
