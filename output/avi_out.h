#pragma once
// The AVI writer: FFmpeg's avi muxer with the video codec the user chose, the
// music appended as PCM and interleaved with the frames by time.
//
// The same class carries the music operations (avi_music.cpp): reading the
// scenario's music for the control thread (format, range, chunks) and appending
// the whole music to an AVI file being written.
//
// Frames arrive at their positions; positions the control thread skipped (its
// skip mode) are filled with the previous frame repeated, so the file plays at
// the right speed everywhere.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "output/movie_out.h"
#include "output/music_file.h"

class MovieMux;

// The codec name of uncompressed frames: the chooser's initial choice.
inline constexpr const char* kUncompressedCodec = "DIB ";

// The codec choice of an AVI output, filled by the control thread (in place of a
// compressor chooser dialog).
struct CompressorSettings {
    // kUncompressedCodec (or "rawvideo"): 24-bit blue-green-red frames stored as
    // they are. Otherwise the name of an FFmpeg video encoder: "mjpeg", "mpeg4",
    // "libx264", "ffv1", "huffyuv", "utvideo"...
    std::string codec = kUncompressedCodec;
    int32_t quality = -1;   // 0 (smallest) ... 10000 (best); -1: the encoder's default
    int32_t keyFrames = 0;  // a key frame at least every this many frames; 0: the encoder's
    int32_t dataRate = 0;   // bytes per second the encoder aims at; 0: none (quality rules)
};

class CAVIOut : public CMovieOut {
public:
    CAVIOut();
    ~CAVIOut() override;

    int Initialize() override;
    int PrepareWriter() override;
    int DoVideoWriter(const CImageBuffer* image, int32_t position, int32_t frameBytes,
                      int32_t keyFlag, int64_t time) override;
    int CloseWriter() override;
    int Finish() override;

    // The codec PrepareWriter uses (default: uncompressed).
    void SetCompressor(const CompressorSettings& settings) { m_compressor = settings; }
    // Whether positions may be skipped after the first frame (the control thread's
    // skip mode; the default). Without, uncompressed frames of a movie without music
    // go to the file straight from the image, and no copy is kept for repeating one.
    // Set before PrepareWriter.
    void SetSkipsPositions(bool skips) { m_skipsPositions = skips; }
    // Takes a codec choice: 0, or 1 when FFmpeg has no such video encoder or a
    // setting is out of range (the reason in LastError).
    int ChooseCompressor(const CompressorSettings& settings);
    // Whether `settings` name a usable codec; the reason in *reason when not.
    static bool CheckCompressor(const CompressorSettings& settings, std::string* reason);

    // ---- music (avi_music.cpp); the music is the file name ----
    // The music's format. 0 or 1.
    int GetWaveInfo(WaveFormat* format);
    // Opens the music for ReadWave: its first and last sample frame (last = first - 1
    // for music without samples). 0 or 1.
    int OpenWaveInfo(int64_t* first, int64_t* last);
    // Closes what OpenWaveInfo opened.
    void CloseWave();
    // Reads whole sample frames from `firstSample` on into `buffer` (at most
    // bytes / block align of them): the frames read, 0 at or past the end of the
    // music, -1 on failure.
    int64_t ReadWave(void* buffer, int64_t bytes, int64_t firstSample);
    // Appends the music at `path` from sample frame `sampleOffset` on as a PCM
    // stream of the AVI file being written, interleaved with the frames that follow.
    // Called after PrepareWriter and before the first frame. 0 or 1.
    int AppendWave(const std::string& path, int64_t sampleOffset);

private:
    int CreateAVI();
    // Writes the appended music up to sample frame `end` (exclusive), or up to the
    // end of frame `position`.
    int WriteMusicUntil(int64_t end);
    int WriteMusicThrough(int32_t position);
    int FailFrame(int32_t position, const std::string& reason);

    CompressorSettings m_compressor;
    std::unique_ptr<MovieMux> m_mux;  // the file being written
    int32_t m_nextPosition = 0;       // the position the next frame goes to
    bool m_usesLibrary = false;       // this writer counts as a user of the library guard
    bool m_errorShown = false;        // a failure was already shown through the error call
    bool m_skipsPositions = true;     // later frames may repeat an earlier one

    // The music being appended.
    std::unique_ptr<MusicFile> m_append;
    int64_t m_appendRead = 0;     // next sample frame to read
    int64_t m_appendLast = -1;    // last sample frame to read
    int64_t m_appendWritten = 0;  // sample frames written
    std::vector<uint8_t> m_appendBuffer;

    // The music being read (OpenWaveInfo ... CloseWave).
    std::unique_ptr<MusicFile> m_music;
};
