// What the program asks of the operating system beyond ISO C++, each with a
// portable default for systems it does not know.
#pragma once

enum class FileKind { regular, directory, other, missing };

// What stands at `name`; for `missing`, `error` is the errno that says why.
// A FIFO, a directory or a device is no data file, and opening some of them
// would wait or read for ever.
FileKind platform_file_kind(const char *name, int &error);
// Whether a Windows user's "/?" asks for the help, as it does for the
// system's own commands.
bool platform_answers_slash_question();
