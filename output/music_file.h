#pragma once
// Music read through FFmpeg: the first audio stream of any file FFmpeg demuxes
// (WAV, MP3, AAC, FLAC, Ogg...), handed out as interleaved PCM sample frames that
// can be read from any sample on.
//
// A PCM WAV (integer samples of 8, 16, 24 or 32 bits, little-endian, whatever the
// container) is read as its bytes stand: its own channels, bit depth and rate,
// unsigned bytes for 8 bits. Everything else (compressed audio, float or big-endian
// PCM) is decoded and converted to interleaved signed 16-bit samples at its own
// rate and channel count, which the format record then describes.
//
// Sample numbers and counts are 64-bit: an hour of 192 kHz music has more sample
// frames than a 32-bit byte count can address.

#include <cstdint>
#include <memory>
#include <string>

// A wave format record: the music's format as the writers and the render engine
// read it.
struct WaveFormat {
    int32_t formatTag = 0;  // kWaveFormatPcm
    int32_t channels = 0;
    int32_t samplesPerSec = 0;
    int32_t avgBytesPerSec = 0;  // samplesPerSec * blockAlign
    int32_t blockAlign = 0;      // bytes of one sample frame: channels * bitsPerSample / 8
    int32_t bitsPerSample = 0;   // 8 (unsigned), 16, 24 or 32 (signed)
    int32_t cbSize = 0;          // bytes of format data after the record: none

    friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

// Integer PCM, little-endian, interleaved.
inline constexpr int32_t kWaveFormatPcm = 1;

class MusicFile {
public:
    ~MusicFile();
    MusicFile(const MusicFile&) = delete;
    MusicFile& operator=(const MusicFile&) = delete;

    // Opens the music at `path` (UTF-8) and its decoder. None when the file does not
    // open, holds no audio FFmpeg decodes, or has a format out of range (no channels,
    // no rate); *reason (when given) says why.
    static std::unique_ptr<MusicFile> Open(const std::string& path, std::string* reason = nullptr);

    const WaveFormat& Format() const { return m_format; }

    // Sample frames in the music. A PCM file answers from its header at once (a
    // file cut short holds fewer: reads past its real end give 0 frames); decoded
    // music is counted by decoding it through once, on the first call. -1 when the
    // music cannot be read through.
    int64_t SampleCount();

    // Copies whole sample frames from sample `first` on into `buffer`: at most
    // bytes / blockAlign of them, never a byte past `bytes`. Returns the frames
    // copied: fewer at the end of the music, 0 at or past it; -1 for a read or
    // decode failure or a negative argument.
    int64_t Read(uint8_t* buffer, int64_t bytes, int64_t first);

private:
    struct State;
    static std::unique_ptr<State> OpenState(const std::string& path, WaveFormat* format,
                                            std::string* reason);
    MusicFile(std::string path, std::unique_ptr<State> state, const WaveFormat& format);
    // Opens the file afresh and reads from its first sample again.
    int Rewind();

    std::string m_path;
    std::unique_ptr<State> m_state;
    WaveFormat m_format;
    int64_t m_count = -2;  // SampleCount once known; -2 not yet asked
};
