#include "base/file_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool file_opens_for_reading(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    bool usable = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    ::close(fd);
    return usable;
}
