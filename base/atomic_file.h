#pragma once
// Output files that appear whole or not at all. A file is written under a temporary
// name in the folder of its target and renamed over the target only when complete,
// so a failed or interrupted write leaves whatever stood there before untouched. A
// target that is one of the files the scenario read is refused before anything is
// created.

#include <string>
#include <string_view>

#include "base/file_identity.h"
#include "base/unique_fd.h"

// Codes of the output calls; each failure comes with a reason text.
inline constexpr int kOutputRefused = -1;       // the target is a file the scenario read
inline constexpr int kOutputCreateFailed = -2;  // the file to write into could not be made
inline constexpr int kOutputWriteFailed = -3;   // writing, flushing or closing failed
inline constexpr int kOutputRenameFailed = -4;  // the finished file could not be put in place

// The reason given with kOutputRefused.
inline constexpr const char* kReadFileReason = "it is a file the scenario reads";

// One output file being written. For writers that open a path themselves (a muxer,
// the BMP writer): Open, let the writer write WritePath() and close it (checking its
// own close), then Commit. Destroyed without Commit, it removes what it created.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile() { Discard(); }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Checks `target` (UTF-8) against `read` and creates the file to write into.
    // A symbolic link as target stays a link: the file it leads to is replaced,
    // with that file's permissions. 0 or a code with *reason.
    int Open(const std::string& target, const ReadFileSet& read, std::string* reason);

    // Where to write: a new, empty file beside the target, or the target itself
    // when it is no regular file (/dev/null, /dev/full, a FIFO, the standard output
    // through /dev/stdout): such a target cannot be replaced by a rename and holds
    // nothing that could be lost, so it is written directly.
    const std::string& WritePath() const { return m_writePath; }
    // Open for writing on WritePath (owned here; -1 after Commit or Discard).
    int Fd() const { return m_fd.Get(); }
    bool WritesDirectly() const { return m_direct; }

    // Flushes the bytes to the disk (so that a crash after the rename cannot leave
    // an empty file under the target's name), closes, and renames over the target.
    // 0 or a code with *reason; on failure the temporary file is removed and the
    // target is untouched.
    int Commit(std::string* reason);
    // Removes the temporary file now. A target written directly keeps what it got.
    void Discard();

private:
    std::string m_target;  // the file renamed onto, its links followed
    std::string m_writePath;
    UniqueFd m_fd;
    bool m_direct = false;
    bool m_pending = false;  // m_writePath is a temporary file of ours
};

// Writes `bytes` as the whole content of `path` through an AtomicFile.
// 0 or a code with *reason.
int write_file_atomically(const std::string& path, std::string_view bytes, const ReadFileSet& read,
                          std::string* reason);
