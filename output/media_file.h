#pragma once
// One media file opened for FFmpeg's demuxers through our own input context: only
// the named regular file is ever read (no playlists, references or URLs), it is
// opened without waiting (a FIFO or device under the name is refused), and the
// demuxer is chosen by the file's content alone. Shared by the clip reader and the
// music reader.

extern "C" {
#include <libavformat/avformat.h>
}

#include <memory>
#include <string>

class MediaFile {
public:
    ~MediaFile();
    MediaFile(const MediaFile&) = delete;
    MediaFile& operator=(const MediaFile&) = delete;

    // Opens `path` (UTF-8), reads the container header and the streams' parameters.
    // None when the file cannot be opened or is no container FFmpeg reads; *reason
    // (when given) then says why.
    static std::unique_ptr<MediaFile> Open(const std::string& path, std::string* reason = nullptr);

    AVFormatContext* Format() const;
    // Whether `path` names the file opened, unchanged since: same file, size and
    // modification time.
    bool Names(const std::string& path) const;

private:
    struct State;
    explicit MediaFile(std::unique_ptr<State> state);

    std::unique_ptr<State> m_state;
};
