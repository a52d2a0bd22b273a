// The input context over one file: reads and seeks go straight to its descriptor.

extern "C" {
#include <libavutil/mem.h>
}

#include "output/media_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/file_check.h"
#include "image/ffmpeg_util.h"

namespace {

constexpr int kIoBufferBytes = 64 * 1024;

// The one file read, opened without waiting.
class FileSource {
public:
    bool Open(const std::string& path, std::string* reason) {
        m_file = open_for_reading(path, reason);
        m_fd = m_file.Get();
        if (m_fd < 0) return false;
        if (::fstat(m_fd, &m_opened) != 0 || !S_ISREG(m_opened.st_mode)) {
            if (reason) *reason = "not a regular file";
            return false;
        }
        return true;
    }

    bool Names(const std::string& path) const {
        struct stat now;
        if (m_fd < 0 || ::stat(path.c_str(), &now) != 0) return false;
        struct stat held;
        if (::fstat(m_fd, &held) != 0) return false;
        return now.st_dev == m_opened.st_dev && now.st_ino == m_opened.st_ino &&
               held.st_size == m_opened.st_size && held.st_mtim.tv_sec == m_opened.st_mtim.tv_sec &&
               held.st_mtim.tv_nsec == m_opened.st_mtim.tv_nsec;
    }

    static int Read(void* opaque, uint8_t* buffer, int size) {
        auto* self = static_cast<FileSource*>(opaque);
        if (size <= 0) return 0;
        ssize_t got;
        do {
            got = ::read(self->m_fd, buffer, static_cast<size_t>(size));
        } while (got < 0 && errno == EINTR);
        if (got < 0) return AVERROR(EIO);
        return got == 0 ? AVERROR_EOF : static_cast<int>(got);
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence) {
        auto* self = static_cast<FileSource*>(opaque);
        whence &= ~AVSEEK_FORCE;
        if (whence == AVSEEK_SIZE) {
            struct stat info;
            if (::fstat(self->m_fd, &info) != 0) return -1;
            return static_cast<int64_t>(info.st_size);
        }
        if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
        off_t at = ::lseek(self->m_fd, static_cast<off_t>(offset), whence);
        return at < 0 ? -1 : static_cast<int64_t>(at);
    }

private:
    UniqueFd m_file;
    int m_fd = -1;  // the descriptor of m_file
    struct stat m_opened {};
};

// Demuxers that would open further files (playlists, references, segment lists)
// get this instead: a media file reads itself and nothing else.
int refuse_nested_open(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

}  // namespace

// Members are destroyed in reverse order: the demuxer, then its input context,
// then the file under it.
struct MediaFile::State {
    FileSource source;
    ffmpeg::IoPtr io;
    ffmpeg::FormatPtr format;
};

MediaFile::MediaFile(std::unique_ptr<State> state) : m_state(std::move(state)) {}

MediaFile::~MediaFile() = default;

std::unique_ptr<MediaFile> MediaFile::Open(const std::string& path, std::string* reason) {
    auto refuse = [reason](int code) -> std::unique_ptr<MediaFile> {
        if (reason) *reason = ffmpeg::av_error_text(code);
        return nullptr;
    };
    auto state = std::make_unique<State>();
    if (!state->source.Open(path, reason)) return nullptr;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (!buffer) return refuse(AVERROR(ENOMEM));
    state->io.reset(avio_alloc_context(buffer, kIoBufferBytes, 0, &state->source, &FileSource::Read,
                                       nullptr, &FileSource::Seek));
    if (!state->io) {
        av_free(buffer);
        return refuse(AVERROR(ENOMEM));
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) return refuse(AVERROR(ENOMEM));
    raw->pb = state->io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->io_open = refuse_nested_open;
    // The demuxer is chosen by the file's content alone: the name's extension would
    // let text files (".txt" as terminal art) pass for media.
    // On failure avformat_open_input frees the context itself.
    int opened = avformat_open_input(&raw, "", nullptr, nullptr);
    if (opened < 0) return refuse(opened);
    state->format.reset(raw);
    int found = avformat_find_stream_info(raw, nullptr);
    if (found < 0) return refuse(found);
    return std::unique_ptr<MediaFile>(new MediaFile(std::move(state)));
}

AVFormatContext* MediaFile::Format() const {
    return m_state->format.get();
}

bool MediaFile::Names(const std::string& path) const {
    return m_state->source.Names(path);
}
