#pragma once
// Exit statuses of the vemo program.

inline constexpr int kExitOk = 0;
inline constexpr int kExitScenarioFailed = 1;  // load or link failed, or a frame could not be drawn
inline constexpr int kExitUsage = 2;
inline constexpr int kExitOutputFailed = 3;   // a file or the standard output was not written
inline constexpr int kExitCreationBase = 10;  // + the outcome code of an unfinished creation
