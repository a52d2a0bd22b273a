#pragma once
// Where vemo's results go: the standard output and the files it writes. A write
// that fails is an error with the system's reason on standard error and exit
// status 3, never a quiet success.

#include <string>
#include <string_view>

#include "base/file_identity.h"

// Keeps descriptors 0, 1 and 2 taken for the whole run. A standard stream the
// program was started without gets /dev/null opened for reading only: a file the
// program opens later cannot land on that number and receive the output meant for
// the terminal, and every write to the stream fails ("Bad file descriptor").
void hold_standard_streams();

// Writes `text` to the standard output. kExitOk, or kExitOutputFailed after the
// reason on standard error.
int write_standard_output(std::string_view text);

// Flushes what the C and C++ streams still hold for the standard output (help and
// version texts). kExitOk, or kExitOutputFailed after the reason on standard error.
int flush_standard_output();

// Writes `bytes` as the whole file `path`, under a temporary name renamed into
// place; refused when `path` is one of `read`. kExitOk, or kExitOutputFailed after
// "vemo: cannot write PATH: REASON" on standard error.
int write_output_file(const std::string& path, std::string_view bytes, const ReadFileSet& read);
