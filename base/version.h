#pragma once
// The program's version, as shown by --version and written into scenario dumps.

inline constexpr const char* kVersionText = "1.1.0.0";
inline constexpr const char* kVersionTitle = "Vemo Version 1.1.0";
inline constexpr const char* kVersionRevision = "63";
