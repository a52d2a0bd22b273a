#include "base/file_identity.h"

#include <sys/stat.h>

namespace {

FileIdentity identity_of(const struct stat& info) {
    return FileIdentity{info.st_dev, info.st_ino};
}

}  // namespace

int file_identity(const std::string& path, FileIdentity* out) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return -1;
    *out = identity_of(info);
    return 0;
}

int fd_identity(int fd, FileIdentity* out) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return -1;
    *out = identity_of(info);
    return 0;
}

bool ReadFileSet::Add(const std::string& path) {
    FileIdentity identity;
    if (file_identity(path, &identity) != 0) return false;
    m_files.insert(identity);
    return true;
}

bool ReadFileSet::Contains(const std::string& path) const {
    FileIdentity identity;
    return file_identity(path, &identity) == 0 && Contains(identity);
}
