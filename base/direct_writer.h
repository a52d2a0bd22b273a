#pragma once
// Writing a large file mostly in order, past the page cache. Bytes written at the
// file's end gather in a block-aligned buffer; each full buffer goes straight to the
// device (O_DIRECT), which spares the system's copy into its cache and the cache's
// later write-back. A full buffer is written on a thread of its own while the next one
// fills, with up to two on their way at once; their errors are reported by the next
// call that waits for them. A seek keeps the buffers: rewrites of earlier bytes (a
// header's sizes) that end before every byte not yet on the file are written at once
// through the ordinary descriptor, and writing goes on gathering where it left off when
// the position comes back. Other writes away from the gathering point (over bytes still
// on their way, past the end) go through the ordinary descriptor after the buffers on
// their way, and so do the file's tail and a part block where gathering cannot start.
// Where the file system refuses direct writes, full buffers go through the ordinary
// descriptor too. A descriptor that is not a regular file (a pipe, a device) is written
// through as it stands, seeking with lseek.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <string>

#include "base/unique_fd.h"

class DirectWriter {
public:
    static constexpr int64_t kBlockBytes = 4096;
    // Each buffer: a virtual disk takes few large writes faster than many smaller ones.
    // Against three 8 MiB writes on their way, two of 16 MiB cut the time a two-thread
    // 1080p zoom spent waiting for the disk from 0.6-0.9 s to 0.1-0.4 s a render, so
    // that a finished batch less often waits for its hand-out, for 16 MiB more memory.
    static constexpr size_t kBufferBytes = 16u << 20;
    // One gathering, the others on their way to the file.
    static constexpr int kBuffers = 3;
    // Buffers of a multiple of this size are made of huge pages where the system has them.
    static constexpr size_t kHugePageBytes = size_t{2} << 20;

    // `bufferBytes` is rounded up to whole blocks.
    explicit DirectWriter(size_t bufferBytes = kBufferBytes)
        : m_bufferBytes((std::max<size_t>(bufferBytes, 1) + kBlockBytes - 1) / kBlockBytes *
                        kBlockBytes) {}
    DirectWriter(const DirectWriter&) = delete;
    DirectWriter& operator=(const DirectWriter&) = delete;

    // Writes through `fd` (kept open by the caller until after Finish) from its
    // current offset. `direct` false keeps to the ordinary descriptor. 0, or the negated error
    // number with its text in *reason.
    int Start(int fd, bool direct, std::string* reason);
    // Appends or overwrites at the current position. 0 or the negated error number.
    int Write(const uint8_t* data, size_t size, std::string* reason);
    // The new position (whence as lseek's), or the negated error number.
    int64_t Seek(int64_t offset, int whence, std::string* reason);
    // The file's size as written so far, or the negated error number.
    int64_t Size(std::string* reason);
    // Every buffered byte to the file; the writer stays usable.
    int Flush(std::string* reason);
    // Flush, then closes the direct descriptor, reporting what either found.
    int Finish(std::string* reason);
    // True when the writer gathers bytes itself (a regular file).
    bool Gathers() const { return m_regular; }
    // True while full buffers go to the device directly.
    bool Direct() const { return DirectFd() >= 0; }

private:
    struct FreeBuffer {
        void operator()(uint8_t* p) const;
    };
    // What writing one full buffer found.
    struct BlockWrite {
        int result = 0;
        bool refused = false;  // the file system took no direct write
        std::string reason;
    };
    static BlockWrite WriteBlocks(int direct, int fd, const uint8_t* data, size_t size, int64_t at);
    // What a buffer's write found, taken in: a refusal ends direct writes; the result.
    int Settle(const BlockWrite& outcome, std::string* reason);
    // Waits for the oldest buffer on its way to the file and settles its write.
    int CollectOldest(std::string* reason);
    // The same for every buffer on its way; the first failure found.
    int Collect(std::string* reason);
    // The first byte gathered or on its way but not yet on the file; -1: none.
    int64_t FirstUnwritten() const;
    // The direct descriptor for a new write: none once a write was refused.
    int DirectFd() const { return m_refused ? -1 : m_direct.Get(); }

    const size_t m_bufferBytes;
    int m_fd = -1;
    bool m_regular = false;
    UniqueFd m_direct;  // the same file opened with O_DIRECT
    std::unique_ptr<uint8_t, FreeBuffer> m_buffers[kBuffers];
    int m_filling = 0;        // the buffer gathering bytes
    int64_t m_bufferAt = -1;  // the file offset of its first byte; -1: none gathered
    size_t m_buffered = 0;
    int64_t m_position = 0;
    int64_t m_end = 0;
    // A full buffer on its way to the file from offset `at`.
    struct Pending {
        int64_t at = 0;
        std::future<BlockWrite> written;
    };
    // The buffers on their way to the file, oldest first: always the ones after the
    // gathering buffer in turn.
    std::deque<Pending> m_pending;
    bool m_refused = false;  // a direct write was refused: closed once none is on its way
};
