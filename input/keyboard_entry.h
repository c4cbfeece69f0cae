// Fills the record with a matrix typed at the keyboard, prompting for the size
// and then for every number row by row.
#pragma once

#include "console/console.h"
#include "matrix/matrix_record.h"

inline constexpr int MAX_KEYBOARD_DIMENSION = 12;

// False when the input ended before the whole matrix was entered; the record
// then holds nothing worth showing.
bool enter_matrix_from_keyboard(MatrixRecord &record, Console &console);
