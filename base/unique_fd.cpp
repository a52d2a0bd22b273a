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

namespace {

// Writes every byte through `write_some` (one system call: the count written, or -1
// with errno), retrying after interruptions and short writes.
template <class WriteSome>
int write_every_byte(const uint8_t* data, size_t size, std::string* reason, WriteSome write_some) {
    size_t written = 0;
    while (written < size) {
        ssize_t n = write_some(data + written, size - written, written);
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

}  // namespace

int write_all(int fd, std::string_view bytes, std::string* reason) {
    return write_every_byte(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), reason,
                            [fd](const uint8_t* p, size_t n, size_t) { return ::write(fd, p, n); });
}

int pwrite_all(int fd, const uint8_t* data, size_t size, int64_t at, std::string* reason) {
    return write_every_byte(data, size, reason, [fd, at](const uint8_t* p, size_t n, size_t done) {
        return ::pwrite(fd, p, n, static_cast<off_t>(at + static_cast<int64_t>(done)));
    });
}
