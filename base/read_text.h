#pragma once
// Reading a whole text (a scenario, an included file) from a file or a stream:
// a pipe, a FIFO, /dev/stdin or a process substitution is read to its end, never
// waited on at open, and never allowed to grow without bound.

#include <cstdint>
#include <functional>
#include <string>

// Codes of read_whole_text; the numbers are those of the scenario reader's LoadFile.
inline constexpr int kReadOutOfMemory = -2;
inline constexpr int kReadOpenFailed = -3;  // with the system's reason
inline constexpr int kReadFailed = -4;      // a read failed, with the system's reason
inline constexpr int kReadDeclined = -6;    // the size question was answered No
inline constexpr int kReadTooLarge = -7;    // more than the hard limit

// Bytes past which the reader asks whether to go on, and the most it ever reads.
inline constexpr int64_t kTextSizeQuestionBytes = 10485760;
inline constexpr int64_t kMaxTextBytes = int64_t{256} << 20;

// Asked once when the text turns out larger than the question threshold; true
// reads on. No question (an empty function) counts as No.
using TextSizeQuestion = std::function<bool()>;

// Reads all of `path` into *text. A regular file larger than `question_bytes`
// (0: never ask) is asked about before it is read; a stream as soon as it has
// delivered more than that. More than `max_bytes` is refused without a question.
// 0 or one of the codes above; *text is emptied on failure and *reason (when
// given) says why in the system's words ("No such file or directory").
int read_whole_text(const std::string& path, int64_t question_bytes,
                    const TextSizeQuestion& question, std::string* text, std::string* reason,
                    int64_t max_bytes = kMaxTextBytes);
