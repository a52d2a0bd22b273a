#include "base/direct_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

void DirectWriter::FreeBuffer::operator()(uint8_t* p) const {
    std::free(p);
}

int DirectWriter::Start(int fd, bool direct, std::string* reason) {
    m_fd = fd;
    m_direct.Reset();
    m_buffer.reset();
    m_bufferAt = -1;
    m_buffered = 0;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        if (reason) *reason = error_text(error);
        return -error;
    }
    m_regular = S_ISREG(info.st_mode);
    if (!m_regular) return 0;
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    m_position = at < 0 ? 0 : at;
    m_end = std::max<int64_t>(m_position, info.st_size);
    void* buffer = nullptr;
    if (::posix_memalign(&buffer, kBlockBytes, kBufferBytes) != 0) {
        if (reason) *reason = error_text(ENOMEM);
        return -ENOMEM;
    }
    m_buffer.reset(static_cast<uint8_t*>(buffer));
    if (direct) {
        // The descriptor's own file, opened again: no name can lead elsewhere meanwhile.
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        m_direct.Reset(::open(self.c_str(), O_WRONLY | O_DIRECT | O_CLOEXEC));
        if (m_direct.Valid()) {
            struct stat again {};
            if (::fstat(m_direct.Get(), &again) != 0 || again.st_dev != info.st_dev ||
                again.st_ino != info.st_ino)
                m_direct.Reset();
        }
    }
    return 0;
}

int DirectWriter::WriteBuffered(const uint8_t* data, size_t size, int64_t at, std::string* reason) {
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, data, size, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            if (reason) *reason = error_text(error);
            return -error;
        }
        data += n;
        size -= static_cast<size_t>(n);
        at += n;
    }
    return 0;
}

// The first `size` bytes of the buffer (a whole number of blocks) to the file.
int DirectWriter::WriteBlocks(size_t size, std::string* reason) {
    size_t done = 0;
    while (m_direct.Valid() && done < size) {
        const ssize_t n = ::pwrite(m_direct.Get(), m_buffer.get() + done, size - done,
                                   static_cast<off_t>(m_bufferAt + static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EINVAL && done == 0) {
            // The file system takes no direct writes: the ordinary way from now on.
            m_direct.Reset();
            break;
        }
        if (n < 0) {
            const int error = errno;
            if (reason) *reason = error_text(error);
            return -error;
        }
        // A short direct write (the device filling up) leaves the rest to the
        // ordinary descriptor, which reports the reason.
        if (n == 0 || n % kBlockBytes != 0) {
            done += static_cast<size_t>(n);
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (done < size) {
        return WriteBuffered(m_buffer.get() + done, size - done,
                             m_bufferAt + static_cast<int64_t>(done), reason);
    }
    return 0;
}

int DirectWriter::Flush(std::string* reason) {
    if (m_bufferAt < 0) return 0;
    // Whole blocks the direct way, the part block after them the ordinary way.
    const size_t blocks = m_direct.Valid() ? m_buffered / kBlockBytes * kBlockBytes : m_buffered;
    int result = WriteBlocks(blocks, reason);
    if (result == 0 && blocks < m_buffered) {
        result = WriteBuffered(m_buffer.get() + blocks, m_buffered - blocks,
                               m_bufferAt + static_cast<int64_t>(blocks), reason);
    }
    m_bufferAt = -1;
    m_buffered = 0;
    return result;
}

int DirectWriter::Finish(std::string* reason) {
    int result = Flush(reason);
    const int closed = m_direct.Close();
    if (result == 0 && closed != 0) {
        if (reason) *reason = error_text(-closed);
        result = closed;
    }
    m_buffer.reset();
    return result;
}

int DirectWriter::Write(const uint8_t* data, size_t size, std::string* reason) {
    if (!m_regular) return write_all(m_fd, {reinterpret_cast<const char*>(data), size}, reason);
    while (size > 0) {
        // Buffering starts at the file's end, on a block boundary for direct writes.
        if (m_bufferAt < 0 && m_position == m_end &&
            (!m_direct.Valid() || m_position % kBlockBytes == 0)) {
            m_bufferAt = m_position;
            m_buffered = 0;
        }
        size_t n = size;
        if (m_bufferAt >= 0) {
            n = std::min(size, kBufferBytes - m_buffered);
            std::memcpy(m_buffer.get() + m_buffered, data, n);
            m_buffered += n;
            if (m_buffered == kBufferBytes) {
                const int result = WriteBlocks(kBufferBytes, reason);
                m_bufferAt = -1;
                m_buffered = 0;
                if (result != 0) return result;
            }
        } else {
            // At the end, up to the next block boundary, where buffering can start.
            if (m_position == m_end)
                n = std::min<size_t>(size,
                                     static_cast<size_t>(kBlockBytes - m_position % kBlockBytes));
            const int result = WriteBuffered(data, n, m_position, reason);
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
        if (at < 0) {
            const int error = errno;
            if (reason) *reason = error_text(error);
            return -error;
        }
        return at;
    }
    const int64_t base = whence == SEEK_SET   ? 0
                         : whence == SEEK_CUR ? m_position
                         : whence == SEEK_END ? m_end
                                              : -1;
    if (base < 0 || (offset < 0 && base + offset < 0) ||
        (offset > 0 && base > INT64_MAX - offset)) {
        if (reason) *reason = error_text(EINVAL);
        return -EINVAL;
    }
    const int result = Flush(reason);
    if (result != 0) return result;
    m_position = base + offset;
    return m_position;
}

int64_t DirectWriter::Size(std::string* reason) {
    if (m_regular) return m_end;
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        const int error = errno;
        if (reason) *reason = error_text(error);
        return -error;
    }
    return info.st_size;
}
