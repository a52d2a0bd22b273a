#pragma once
// The QuickTime writer: FFmpeg's mov muxer with one MPEG-4 video track and, when
// the scenario has music, one track of 16-bit little-endian PCM ("sowt").
//
// The video track's time scale is the frame rate; every frame is one sample of
// `scale` units (the scenario's SCALE times the preview step), and samples follow
// each other in call order. Music chunks become samples of their own length in a
// track whose time scale is the sample rate.

#include <cstdint>
#include <memory>
#include <vector>

#include "output/movie_out.h"

class MovieMux;

class CQTOut : public CMovieOut {
public:
    CQTOut();
    ~CQTOut() override;

    // Whether QuickTime movies can be written here (the mov muxer and the mpeg4
    // encoder): 0, or 1 when not.
    int EnableTest() override;
    int Initialize() override;
    int Finish() override;
    int PrepareWriter() override;
    int DoVideoWriter(const CImageBuffer* image, int32_t position, int32_t frameBytes,
                      int32_t keyFlag, int64_t time) override;
    int DoAudioWriter(const uint8_t* buffer, int32_t bytes, int64_t time) override;
    int CloseWriter() override;

private:
    int CreateSoundDescription();

    std::unique_ptr<MovieMux> m_mux;
    int64_t m_videoSamples = 0;      // frames written
    int64_t m_audioSamples = 0;      // sample frames of music written
    std::vector<int16_t> m_samples;  // a music chunk as 16-bit samples
};
