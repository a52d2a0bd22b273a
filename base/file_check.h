#pragma once
// Opening a file for reading without ever blocking, and the "can this be read"
// test built on it.

#include <string>

#include "base/unique_fd.h"

// Opens `path` (UTF-8) for reading. The open itself never waits: a FIFO with no
// writer would otherwise hang the caller; the descriptor returned is switched back
// to blocking reads. A folder is refused ("Is a directory"). On failure the result
// holds nothing and *reason (when given) has the system's text.
UniqueFd open_for_reading(const std::string& path, std::string* reason);

// Whether `path` opens for reading as above. False for a folder or a path that
// does not open.
bool file_opens_for_reading(const std::string& path);
