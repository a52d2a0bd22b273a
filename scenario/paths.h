#pragma once
// File names written in a scenario, the Windows way, turned into file-system paths
// without ever changing the process's current directory.

#include <string>
#include <string_view>

// A scenario name (code page 932) as a file-system path (UTF-8): every backslash
// that is a character of its own becomes "/". A name whose second byte is ":" or
// that starts with "/" is used as written; any other is joined to `folder`.
std::string ResolveScenarioName(const std::string& folder, std::string_view name);

// The absolute folder (file-system form, no trailing "/" except for the root) of
// the file at `path`, which is itself absolute or relative to the current directory.
std::string FolderOfFile(const std::string& path);

// The file name shown in error reports: the part of `path` after its last folder
// separator, or the whole path when the only separator is its first byte.
std::string ReportedFileName(const std::string& path);
