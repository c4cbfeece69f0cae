// What the dialogue and the command-line options share in reading the data
// file: finding a block's end, reading one block, and the words for a refusal.
#pragma once

#include "input/matrix_block.h"
#include "input/text_file.h"

inline constexpr char UTF16_REASON[] = "it is UTF-16 text; save it as UTF-8 or ANSI text";
// The line the dialogue shows when the file ends before a block's ']'.
inline constexpr char NO_CLOSING_REASON[] = "Input-array in file has no closing ']'";

// A byte order mark of either order, in a file nothing was read from yet.
bool starts_as_utf16(TextFile &file);
// Moves past the ']' that closes the block whose '[' was just read.
void skip_block(TextFile &file);
// Reads the block whose '[' was just read and parses it into `record`:
// nullptr, or the line the dialogue shows for its refusal, without its line
// break. Whatever the result, the file is left after the block's ']' (or at
// its end), where the next block is looked for.
const char *load_matrix_block(TextFile &file, MatrixRecord &record);
