#include "base/unique_fd.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

void UniqueFd::Reset(int fd) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
}

int UniqueFd::Close() {
    if (m_fd < 0) return 0;
    int fd = Release();
    // Linux releases the descriptor even when close fails, so it is never retried.
    return ::close(fd) == 0 ? 0 : -errno;
}

std::string error_text(int error) {
    char buffer[256];
    // The GNU form: returns either `buffer` or a static text.
    return ::strerror_r(error, buffer, sizeof buffer);
}

int write_all(int fd, std::string_view bytes, std::string* reason) {
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that takes nothing without an error would loop forever.
            int error = n < 0 ? errno : EIO;
            if (reason) *reason = error_text(error);
            return -error;
        }
        written += static_cast<size_t>(n);
    }
    return 0;
}
