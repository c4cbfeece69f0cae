// The matrix table and the result line. Every element gets one field width:
// two more than the digits of the largest magnitude.
#include "app/matrix_view.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "matrix/determinant.h"

static constexpr int FORMAT_ENTRY_LENGTH = 3;
static constexpr int WIDTH_FORMAT_ENTRIES = (sizeof WIDTH_FORMATS - 1) / FORMAT_ENTRY_LENGTH;

// In unsigned arithmetic, so -2147483648 has its true magnitude, 2147483648:
// its field is as wide as any other ten-digit number's, and a sign never
// touches the number before it.
static std::uint32_t magnitude_of(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  return value < 0 ? 0u - bits : bits;
}

static std::uint32_t largest_magnitude(const MatrixRecord &record) {
  std::uint32_t largest = 0;
  const int count = record_element_count(record);
  for (int slot = 1; slot <= count; ++slot) {
    const std::uint32_t magnitude = magnitude_of(record[slot]);
    if (magnitude > largest) largest = magnitude;
  }
  return largest;
}

// An all-zero matrix has no digits to count and keeps the width 2.
static int field_width(std::uint32_t largest) {
  int digits = 0;
  for (std::uint64_t power = 1; power <= largest; power *= 10) ++digits;
  return digits + 2;
}

// Widths beyond the table's nine entries are spelled out the same way.
static std::array<char, 16> element_format(int width) {
  std::array<char, 16> format{};
  if (width <= WIDTH_FORMAT_ENTRIES)
    std::memcpy(format.data(), WIDTH_FORMATS + (width - 1) * FORMAT_ENTRY_LENGTH, FORMAT_ENTRY_LENGTH);
  else
    std::snprintf(format.data(), format.size(), "%%%dd", width);
  return format;
}

void print_matrix_table(const MatrixRecord &record, Console &console) {
  const auto format = element_format(field_width(largest_magnitude(record)));
  const int rows = record_rows(record);
  const int columns = record_columns(record);
  const int count = record_element_count(record);
  int slot = 1;
  for (int row = 1; row <= rows; ++row) {
    for (int column = 1; column <= columns && slot <= count; ++column, ++slot) {
      std::array<char, 16> field{};
      const int length = std::snprintf(field.data(), field.size(), format.data(), record[slot]);
      console_write(console, std::string_view(field.data(), static_cast<std::size_t>(length)));
    }
    console_write_line(console, "");
  }
}

void show_and_evaluate(const MatrixRecord &record, Console &console) {
  console_write_line(console, "\nMatrix has the form:");
  print_matrix_table(record, console);
  if (record_rows(record) == record_columns(record)) {
    // A 12x12 takes a noticeable moment where the processor has no vector
    // lanes for it: the table is on screen meanwhile.
    console_flush(console);
    console_printf(console, "Determinant value of the matrix is  %d\n", matrix_determinant(record, console.out));
  } else {
    console_write_line(console, "No determinant value for a matrix not square");
  }
}
