#pragma once
// Folders and report names of scenario files; names written in a scenario are
// resolved by resolve_scenario_name (base/scenario_name.h).

#include <string>
#include <string_view>

#include "base/scenario_name.h"

// The absolute folder (file-system form, no trailing "/" except for the root) of
// the file at `path`, which is itself absolute or relative to the current directory.
std::string folder_of_file(const std::string& path);

// The file name shown in error reports: the part of `path` after its last folder
// separator, or the whole path when the only separator is its first byte.
std::string reported_file_name(const std::string& path);

// `path` made absolute against the current directory and normalised.
std::string absolute_path(const std::string& path);

// Whether `path` names a regular file (a stream or a folder is not one).
bool is_regular_file(const std::string& path);
