#pragma once
// What the subcommands share about the scenario they work on.

#include <string>

#include "base/file_identity.h"
#include "scenario/scenario.h"

// Load and Link report their own errors (to standard error through the terminal's
// report sink); only the outcome is left to the command.
bool load_and_link(CScenario& doc, const std::string& path);

// The files the scenario read (the scenario through the name it was given, its
// INCLUDEs, music, pictures and clips): an output that is one of them is refused.
ReadFileSet files_read(const CScenario& doc, const std::string& scenarioPath);
