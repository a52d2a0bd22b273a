#pragma once
// The movie-clip reader: single frames of a video file, read for the MOVIE scene.
//
// Use: set the file name (UTF-8 path), then Initialize (opens the file and takes
// its first video stream; fills the frame size, rate and count), DoVideoReader for
// any frames, Finish (closes the file). The size and count stay readable through
// GetVideo after Finish. Every frame comes out as 24-bit blue-green-red, whatever
// the stream's own pixel format.
//
// Finish hands the open clip to a small process-wide keep instead of closing it,
// and Initialize takes it back when the file is unchanged: a scene that opens and
// closes the clip around every frame still decodes on from the frame before.

#include <cstdint>
#include <memory>

#include "output/movie_in.h"

class VideoClip;

class CAVIIn : public CMovieIn {
public:
    CAVIIn();
    ~CAVIIn() override;

    int Initialize() override;
    int PrepareReader() override;
    // Frames first ... last (0 ... frame count - 1); none outside them or when the
    // frame cannot be decoded.
    ImagePtr DoVideoReader(int32_t frame) override;
    int Finish() override;

    int32_t FirstFrame() const { return m_firstFrame; }
    int32_t LastFrame() const { return m_lastFrame; }

private:
    void Close();

    std::unique_ptr<VideoClip> m_clip;  // the open file and its video stream
    int32_t m_firstFrame = 0;
    int32_t m_lastFrame = -1;
    bool m_usesLibrary = false;  // this reader counts as a user of the library guard
};
