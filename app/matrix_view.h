// Shows a filled record: the heading, the right-aligned table and the
// determinant or the reason there is none.
#pragma once

#include "console/console.h"
#include "matrix/matrix_record.h"

// Entry w (counted from 1) is the format for a field of width w.
inline constexpr char WIDTH_FORMATS[] = "%1d%2d%3d%4d%5d%6d%7d%8d%9d";

void print_matrix_table(const MatrixRecord &record, Console &console);
void show_and_evaluate(const MatrixRecord &record, Console &console);
