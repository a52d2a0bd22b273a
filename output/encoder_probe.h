#pragma once
// Which output formats this machine's FFmpeg can write: the encoder-availability
// word the main dialog enables its format choices by, and the QuickTime probe.

#include <cstdint>
#include <string>
#include <vector>

// Bits of the encoder-availability word.
inline constexpr uint32_t kEncoderWindowsMediaVideo = 1;  // wmv2 encoder and asf muxer
inline constexpr uint32_t kEncoderMpeg4Video = 2;         // mpeg4 encoder
inline constexpr uint32_t kEncoderWindowsMediaAudio = 4;  // wmav2 encoder

// The encoder-availability word of the FFmpeg libraries linked in.
uint32_t probe_encoders();

// Whether QuickTime movies can be written: the mov muxer and the mpeg4 encoder.
bool quicktime_available();

// A video encoder an AVI file can be written with: FFmpeg's name (what
// CompressorSettings::codec takes) and its description.
struct VideoEncoderInfo {
    std::string name;
    std::string description;
};

// The software video encoders of the FFmpeg libraries linked in whose streams the
// avi muxer can store, by name; uncompressed frames (rawvideo) are left out, being
// the chooser's own first entry.
std::vector<VideoEncoderInfo> avi_video_encoders();
