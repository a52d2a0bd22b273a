#pragma once
// Which file a path names, as the file system sees it: device and inode. Two paths
// name the same file when their identities are equal, whether they reach it through
// "./", symbolic links or hard links.

#include <sys/types.h>

#include <compare>
#include <set>
#include <string>

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;

    auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the file `path` names, following symbolic links. 0, or -1 when
// there is none (the path does not exist, or a link dangles).
int file_identity(const std::string& path, FileIdentity* out);
// The identity of an open file.
int fd_identity(int fd, FileIdentity* out);

// The files a scenario read. An output that is one of them is refused, so that
// writing a result can never destroy an input.
class ReadFileSet {
public:
    // Records the file `path` names. False (nothing recorded) when it does not exist.
    bool Add(const std::string& path);
    void Add(const FileIdentity& identity) { m_files.insert(identity); }
    void Merge(const ReadFileSet& other) {
        m_files.insert(other.m_files.begin(), other.m_files.end());
    }

    // Whether `path` names a file recorded. A path that does not exist is never
    // contained.
    bool Contains(const std::string& path) const;
    bool Contains(const FileIdentity& identity) const { return m_files.count(identity) != 0; }
    size_t Size() const { return m_files.size(); }

private:
    std::set<FileIdentity> m_files;
};
