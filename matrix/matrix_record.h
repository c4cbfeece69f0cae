// The record one run fills with a matrix: the packed size code, the elements
// in row-major order and an end marker, in one fixed array of 32-bit slots.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int RECORD_CAPACITY = 1001;
inline constexpr std::int32_t END_MARKER = 0xEFFFFF;
// The size code and the end marker take two of the slots.
inline constexpr int MAX_ELEMENTS = RECORD_CAPACITY - 2;

using MatrixRecord = std::array<std::int32_t, RECORD_CAPACITY>;

// The size code packs rows * 100 + columns into slot 0.
inline std::int32_t record_rows(const MatrixRecord &record) { return record[0] / 100; }
inline std::int32_t record_columns(const MatrixRecord &record) { return record[0] % 100; }

// How many element slots the size code claims, never more than the record
// holds, so readers stay inside the array whatever the code says.
inline int record_element_count(const MatrixRecord &record) {
  const std::int64_t rows = record_rows(record);
  const std::int64_t columns = record_columns(record);
  if (rows <= 0 || columns <= 0) return 0;
  const std::int64_t count = rows * columns;
  return count > MAX_ELEMENTS ? MAX_ELEMENTS : static_cast<int>(count);
}
