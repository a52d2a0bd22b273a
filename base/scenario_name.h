#pragma once
// File names written in a scenario, the Windows way, turned into file-system paths
// without ever changing the process's current directory.

#include <string>
#include <string_view>

// A scenario name (code page 932) as a file-system path (UTF-8): every backslash
// that is a character of its own becomes "/". A name whose second byte is ":" or
// that starts with "/" is used as written; any other is joined to `folder`.
std::string resolve_scenario_name(const std::string& folder, std::string_view name);
