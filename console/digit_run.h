// Decimal digit runs gathered into signed 32-bit values, for the console's
// formatted input and for the data file's numbers alike.
#pragma once

#include <cstdint>

// The magnitude is kept as a negative number, whose range reaches INT32_MIN,
// so "-2147483648" converts without ever overflowing.
struct DigitRun {
  std::int32_t negated = 0;
  bool fits = true;
};

inline bool is_decimal_digit(int c) { return c >= '0' && c <= '9'; }

inline void digit_run_add(DigitRun &run, int digit) {
  if (run.negated < (INT32_MIN + digit) / 10) run.fits = false;
  if (run.fits) run.negated = run.negated * 10 - digit;
}

// The run's value with its sign; false when it does not fit 32 bits.
inline bool digit_run_value(const DigitRun &run, bool negative, std::int32_t &value) {
  if (!run.fits || (!negative && run.negated == INT32_MIN)) return false;
  value = negative ? run.negated : -run.negated;
  return true;
}
