#include "base/file_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

UniqueFd fail(int error, std::string* reason) {
    if (reason) *reason = error_text(error);
    return UniqueFd();
}

}  // namespace

UniqueFd open_for_reading(const std::string& path, std::string* reason) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.Valid()) return fail(errno, reason);
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) return fail(errno, reason);
    if (S_ISDIR(info.st_mode)) return fail(EISDIR, reason);
    int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return fail(errno, reason);
    return fd;
}

bool file_opens_for_reading(const std::string& path) {
    return open_for_reading(path, nullptr).Valid();
}
