#pragma once
// One video file read through FFmpeg: the first video stream of any container
// FFmpeg demuxes, decoded by its own decoder and converted to 24-bit
// blue-green-red images.
//
// Frame n is the n-th frame in presentation order of a stream running at its
// frame rate: the frame whose time stamp lies nearest to start + n frame
// durations. Reading seeks to the key frame before a frame and decodes forward;
// frames asked in increasing order continue from where the last one ended.
//
// Only the named file is ever read: the demuxer gets the file through our own
// input context and may open nothing else (no playlists, references or URLs).

#include <cstdint>
#include <memory>
#include <string>

#include "image/image_buffer.h"

// Why a video stream could not be taken.
enum class ClipStream {
    Ok,
    Missing,        // no video stream, or none FFmpeg can decode
    Unusable,       // its size, rate or length is missing or out of range
    Unconvertible,  // its pixels cannot be converted to blue-green-red
};

class VideoClip {
public:
    ~VideoClip();
    VideoClip(const VideoClip&) = delete;
    VideoClip& operator=(const VideoClip&) = delete;

    // Opens a regular file (UTF-8 path) and reads its container header; none when
    // the file cannot be opened or is no container FFmpeg reads.
    static std::unique_ptr<VideoClip> OpenFile(const std::string& path);

    // Takes the first video stream and opens its decoder.
    ClipStream TakeVideoStream();

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t FrameBytes() const { return m_frameBytes; }
    // One frame lasts Scale() / FrameRate() seconds.
    int32_t FrameRate() const { return m_frameRate; }
    int32_t Scale() const { return m_scale; }
    int32_t FrameCount() const { return m_frameCount; }

    // A new Width() x Height() 24-bit image of frame `index` (0-based), or none when
    // the frame is not in the file or cannot be decoded.
    ImagePtr ReadFrame(int32_t index);

    // Whether the file at `path` is still the one this clip read: same file, size
    // and modification time.
    bool SameFileAs(const std::string& path) const;

private:
    struct State;
    explicit VideoClip(std::unique_ptr<State> state);

    std::unique_ptr<State> m_state;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_frameBytes = 0;
    int32_t m_frameRate = 0;
    int32_t m_scale = 0;
    int32_t m_frameCount = 0;
};
