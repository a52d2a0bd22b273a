#pragma once
// An owning file descriptor, the system's reason text for an error number, and the
// write loop every output shares.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Closes its descriptor when destroyed. Move-only; -1 holds nothing.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // Gives up ownership without closing.
    int Release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes the descriptor held (ignoring the result) and takes `fd`.
    void Reset(int fd = -1);
    // Closes now and reports the result: 0, or the negated error number. A written
    // file must be closed this way: some file systems report a failed write only here.
    int Close();

private:
    int m_fd = -1;
};

// The system's text for an error number ("No space left on device").
std::string error_text(int error);

// Writes every byte of `bytes` to `fd`, retrying after interruptions and short
// writes. 0, or the negated error number with its text in *reason.
int write_all(int fd, std::string_view bytes, std::string* reason);
// The same at file offset `at` (pwrite), leaving the descriptor's offset alone.
int pwrite_all(int fd, const uint8_t* data, size_t size, int64_t at, std::string* reason);
