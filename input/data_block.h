// What the dialogue and the command-line options share in reading the data
// file: finding a block's end, copying one block, and the words for a refusal.
#pragma once

#include <array>
#include <cstddef>

#include "input/matrix_block.h"
#include "input/text_file.h"

using BlockBuffer = std::array<char, RECORD_CAPACITY>;

enum class BlockRead { ok, not_marked, no_closing, too_long };

inline constexpr char UTF16_REASON[] = "it is UTF-16 text; save it as UTF-8 or ANSI text";

// A byte order mark of either order, in a file nothing was read from yet.
bool starts_as_utf16(TextFile &file);
// Moves past the ']' that closes the block whose '[' was just read.
void skip_block(TextFile &file);
// Copies the block whose '[' was just read, up to its ']', into the buffer,
// leaving room for the terminator, and sets `length` to the characters
// copied. The marker is stored as 'M'. Whatever the result, the file is left
// after the block's ']' (or at its end), where the next block is looked for.
BlockRead read_block(TextFile &file, BlockBuffer &buffer, std::size_t &length);
// The line the dialogue shows for a refusal, without its line break.
const char *block_read_message(BlockRead result);
const char *block_parse_message(BlockParse result);
