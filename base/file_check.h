#pragma once
// Whether a path names something that can be read as a file.

#include <string>

// Opens `path` (UTF-8) for reading without ever blocking (a FIFO with no writer
// would otherwise hang the caller) and closes it again. False for a folder or a
// path that does not open.
bool file_opens_for_reading(const std::string& path);
