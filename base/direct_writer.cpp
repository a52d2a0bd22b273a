#include "base/direct_writer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {

// Copies into a gathering buffer. The bytes are next read by the disk, not by the
// processor: large runs are stored past the cache, which spares reading the buffer in
// first and leaves the cache to the frame workers. The fence puts the stores in order
// before the buffer is handed to the thread that writes it.
void gather(uint8_t* to, const uint8_t* from, size_t n) {
#if defined(__x86_64__)
    constexpr size_t kStreamFrom = 16u << 10;
    if (n >= kStreamFrom) {
        const size_t lead = (16 - reinterpret_cast<uintptr_t>(to) % 16) % 16;
        std::memcpy(to, from, lead);
        size_t i = lead;
        for (; i + 64 <= n; i += 64) {
            const auto* s = reinterpret_cast<const __m128i*>(from + i);
            auto* d = reinterpret_cast<__m128i*>(to + i);
            const __m128i a = _mm_loadu_si128(s);
            const __m128i b = _mm_loadu_si128(s + 1);
            const __m128i c = _mm_loadu_si128(s + 2);
            const __m128i e = _mm_loadu_si128(s + 3);
            _mm_stream_si128(d, a);
            _mm_stream_si128(d + 1, b);
            _mm_stream_si128(d + 2, c);
            _mm_stream_si128(d + 3, e);
        }
        std::memcpy(to + i, from + i, n - i);
        _mm_sfence();
        return;
    }
#endif
    std::memcpy(to, from, n);
}

int fail(int error, std::string* reason) {
    if (reason) *reason = error_text(error);
    return -error;
}

}  // namespace

void DirectWriter::FreeBuffer::operator()(uint8_t* p) const {
    std::free(p);
}

int DirectWriter::Start(int fd, bool direct, std::string* reason) {
    for (auto& pending : m_pending) pending.written.wait();
    m_pending.clear();
    m_fd = fd;
    m_direct.Reset();
    m_refused = false;
    m_bufferAt = -1;
    m_buffered = 0;
    struct stat info {};
    if (::fstat(fd, &info) != 0) return fail(errno, reason);
    m_regular = S_ISREG(info.st_mode);
    if (!m_regular) return 0;
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    m_position = at < 0 ? 0 : at;
    m_end = std::max<int64_t>(m_position, info.st_size);
    for (auto& buffer : m_buffers) {
        if (buffer) continue;
        // Buffers of whole huge pages on huge-page boundaries, offered to the system as
        // such: pinning a buffer for the device then takes a few pages, not thousands.
        const bool huge = m_bufferBytes % kHugePageBytes == 0;
        void* block = nullptr;
        if (::posix_memalign(&block, huge ? kHugePageBytes : kBlockBytes, m_bufferBytes) != 0)
            return fail(ENOMEM, reason);
        if (huge) ::madvise(block, m_bufferBytes, MADV_HUGEPAGE);
        buffer.reset(static_cast<uint8_t*>(block));
    }
    if (direct) {
        // The descriptor's own file, opened again: no name can lead elsewhere meanwhile.
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        m_direct.Reset(::open(self.c_str(), O_WRONLY | O_DIRECT | O_CLOEXEC));
        struct stat again {};
        if (m_direct.Valid() && (::fstat(m_direct.Get(), &again) != 0 ||
                                 again.st_dev != info.st_dev || again.st_ino != info.st_ino))
            m_direct.Reset();
    }
    return 0;
}

// `size` bytes (whole blocks when `direct` is a descriptor) at `at`: the direct way
// while the file system takes it, the ordinary way for the rest.
DirectWriter::BlockWrite DirectWriter::WriteBlocks(int direct, int fd, const uint8_t* data,
                                                   size_t size, int64_t at) {
    BlockWrite outcome;
    size_t done = 0;
    while (direct >= 0 && done < size) {
        const ssize_t n = ::pwrite(direct, data + done, size - done,
                                   static_cast<off_t>(at + static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EINVAL && done == 0) {
            outcome.refused = true;
            break;
        }
        if (n < 0) {
            outcome.result = fail(errno, &outcome.reason);
            return outcome;
        }
        done += static_cast<size_t>(n);
        // A short direct write (the device filling up) leaves the rest to the
        // ordinary descriptor, which reports the reason.
        if (n == 0 || n % kBlockBytes != 0) break;
    }
    if (done < size)
        outcome.result = pwrite_all(fd, data + done, size - done, at + static_cast<int64_t>(done),
                                    &outcome.reason);
    return outcome;
}

int DirectWriter::Settle(const BlockWrite& outcome, std::string* reason) {
    // The file system takes no direct writes: the ordinary way from now on. The
    // descriptor is closed only when no write on its way may still use it.
    if (outcome.refused) m_refused = true;
    if (m_refused && m_pending.empty()) m_direct.Reset();
    if (outcome.result != 0 && reason) *reason = outcome.reason;
    return outcome.result;
}

int DirectWriter::CollectOldest(std::string* reason) {
    if (m_pending.empty()) return 0;
    BlockWrite outcome = m_pending.front().written.get();
    m_pending.pop_front();
    return Settle(outcome, reason);
}

int DirectWriter::Collect(std::string* reason) {
    int result = 0;
    while (!m_pending.empty()) {
        std::string why;
        const int found = CollectOldest(&why);
        if (result == 0 && found != 0) {
            result = found;
            if (reason) *reason = why;
        }
    }
    return result;
}

int DirectWriter::Flush(std::string* reason) {
    int result = Collect(reason);
    if (m_bufferAt < 0) return result;
    const uint8_t* buffer = m_buffers[m_filling].get();
    // Whole blocks the direct way, the part block after them the ordinary way.
    const size_t blocks = DirectFd() >= 0 ? m_buffered / kBlockBytes * kBlockBytes : m_buffered;
    if (result == 0)
        result = Settle(WriteBlocks(DirectFd(), m_fd, buffer, blocks, m_bufferAt), reason);
    if (result == 0 && blocks < m_buffered) {
        result = pwrite_all(m_fd, buffer + blocks, m_buffered - blocks,
                            m_bufferAt + static_cast<int64_t>(blocks), reason);
    }
    m_bufferAt = -1;
    m_buffered = 0;
    return result;
}

int DirectWriter::Finish(std::string* reason) {
    int result = Flush(reason);
    const int closed = m_direct.Close();
    if (result == 0 && closed != 0) result = fail(-closed, reason);
    for (auto& buffer : m_buffers) buffer.reset();
    return result;
}

int DirectWriter::Write(const uint8_t* data, size_t size, std::string* reason) {
    if (!m_regular) return write_all(m_fd, {reinterpret_cast<const char*>(data), size}, reason);
    if (!m_buffers[0]) return fail(EBADF, reason);
    const int64_t gathering = m_bufferAt >= 0 ? m_bufferAt + static_cast<int64_t>(m_buffered) : -1;
    if (gathering >= 0 && m_position != gathering) {
        // Away from the gathering point: written now only when it ends before every
        // byte still to reach the file (whose first block is a block of its own), else
        // after them.
        const int64_t first = FirstUnwritten();
        if (m_position > first || static_cast<int64_t>(size) > first - m_position) {
            const int result = Flush(reason);
            if (result != 0) return result;
        }
    }
    while (size > 0) {
        // Gathering starts at the file's end, on a block boundary for direct writes.
        if (m_bufferAt < 0 && m_position == m_end &&
            (DirectFd() < 0 || m_position % kBlockBytes == 0)) {
            m_bufferAt = m_position;
            m_buffered = 0;
        }
        size_t n = size;
        if (m_bufferAt >= 0 && m_position == m_bufferAt + static_cast<int64_t>(m_buffered)) {
            n = std::min(size, m_bufferBytes - m_buffered);
            gather(m_buffers[m_filling].get() + m_buffered, data, n);
            m_buffered += n;
            if (m_buffered == m_bufferBytes) {
                // The next buffer in turn gathers next: the oldest on its way must be
                // on the file first.
                int result = m_pending.size() + 1 < static_cast<size_t>(kBuffers)
                                 ? 0
                                 : CollectOldest(reason);
                const uint8_t* full = m_buffers[m_filling].get();
                const int64_t at = m_bufferAt;
                m_bufferAt = -1;
                m_buffered = 0;
                if (result != 0) return result;
                try {
                    m_pending.push_back(
                        {at, std::async(std::launch::async, &DirectWriter::WriteBlocks, DirectFd(),
                                        m_fd, full, m_bufferBytes, at)});
                    m_filling = (m_filling + 1) % kBuffers;
                } catch (const std::system_error&) {
                    // No thread to be had: written here and now.
                    result = Settle(WriteBlocks(DirectFd(), m_fd, full, m_bufferBytes, at), reason);
                    if (result != 0) return result;
                }
            }
        } else {
            // At the end, up to the next block boundary, where gathering can start.
            if (m_position == m_end)
                n = std::min<size_t>(size,
                                     static_cast<size_t>(kBlockBytes - m_position % kBlockBytes));
            const int result = pwrite_all(m_fd, data, n, m_position, reason);
            if (result != 0) return result;
        }
        data += n;
        size -= n;
        m_position += static_cast<int64_t>(n);
        m_end = std::max(m_end, m_position);
    }
    return 0;
}

int64_t DirectWriter::Seek(int64_t offset, int whence, std::string* reason) {
    if (!m_regular) {
        const off_t at = ::lseek(m_fd, static_cast<off_t>(offset), whence);
        return at < 0 ? fail(errno, reason) : at;
    }
    const int64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? m_position
                         : whence == SEEK_END ? m_end
                                              : -1;
    if (base < 0 || (offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset))
        return fail(EINVAL, reason);
    // The buffers stay: what is written next decides whether they must go first.
    m_position = base + offset;
    return m_position;
}

int64_t DirectWriter::FirstUnwritten() const {
    if (!m_pending.empty()) return m_pending.front().at;
    return m_bufferAt;
}

int64_t DirectWriter::Size(std::string* reason) {
    if (m_regular) return m_end;
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) return fail(errno, reason);
    return info.st_size;
}
