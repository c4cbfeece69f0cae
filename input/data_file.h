// The data file choice: lists the bracketed blocks of the data file, lets the
// user pick one and reads it into the record.
#pragma once

#include <cstdint>

#include "console/console.h"
#include "matrix/matrix_record.h"

inline constexpr char DATA_FILE_NAME[] = "MatrixDataFile1.txt";

// The size code of the matrix read, or 0 when there is nothing to show: no
// file, an abort, or a block that is refused with a message.
std::int32_t read_matrix_from_data_file(MatrixRecord &record, Console &console);
