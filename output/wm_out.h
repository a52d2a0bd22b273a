#pragma once
// The Windows Media writer: FFmpeg's asf muxer with the wmv2 video encoder and,
// when the scenario has music, the wmav2 audio encoder, at the bit rates chosen
// in the Windows Media settings. Frames and music chunks are written at the times
// the control thread gives them.
//
// The video bit rate comes with SetVideo, the audio bit rate as the audio flag of
// SetAudio (0: no music).

#include <cstdint>
#include <memory>
#include <vector>

#include "output/movie_out.h"

class MovieMux;

// One row of a bit-rate list of the Windows Media settings: its text, its bits
// per second (Kbps in the texts is 1024 bits per second) and whether it is the
// row chosen at start.
struct BitrateRow {
    const char* text;
    uint32_t bitsPerSecond;
    bool initial;
};

inline constexpr BitrateRow kWindowsMediaVideoRows[] = {
    {" 256 Kbps (CBR)", 262144, false},  {" 384 Kbps (CBR)", 393216, false},
    {" 512 Kbps (CBR)", 524288, false},  {"   1 Mbps (CBR)", 1048576, false},
    {"   2 Mbps (CBR)", 2097152, true},  {"   4 Mbps (CBR)", 4194304, false},
    {"   8 Mbps (CBR)", 8388608, false}, {"  16 Mbps (CBR)", 16777216, false},
};

inline constexpr BitrateRow kWindowsMediaAudioRows[] = {
    {"  56 Kbps (CBR)", 57344, false},  {"  64 Kbps (CBR)", 65536, false},
    {" 128 Kbps (CBR)", 131072, false}, {" 192 Kbps (CBR)", 196608, true},
    {" 256 kbps (CBR)", 262144, false}, {" 512 Kbps (CBR)", 524288, false},
};

// The Windows Media settings the control thread fills (in place of the settings
// dialog): bits per second of the video and of the music. The defaults are the
// rows chosen at start.
struct WindowsMediaSettings {
    uint32_t videoBitrate = 2097152;
    uint32_t audioBitrate = 196608;
};

class CWMOut : public CMovieOut {
public:
    CWMOut();
    ~CWMOut() override;

    int Initialize() override;
    int PrepareWriter() override;
    int DoVideoWriter(const CImageBuffer* image, int32_t position, int32_t frameBytes,
                      int32_t keyFlag, int64_t time) override;
    int DoAudioWriter(const uint8_t* buffer, int32_t bytes, int64_t time) override;
    int CloseWriter() override;

    int32_t VideoInputNumber() const { return m_videoInput; }
    int32_t AudioInputNumber() const { return m_audioInput; }

private:
    int PrepareProfile();
    int PrepareVideoStream();
    int PrepareAudioStream();

    std::unique_ptr<MovieMux> m_mux;
    int32_t m_videoInput = 0;  // stream index of the video
    int32_t m_audioInput = 0;  // stream index of the music
    int64_t m_lastVideoTick = -1;
    std::vector<int16_t> m_samples;  // a music chunk as 16-bit samples
};
