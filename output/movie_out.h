#pragma once
// The writer base: every output format is written by one writer object driven by
// the control thread with the same calls in the same order:
//
//   set calls, file name, title (and the format's own setters) -> Initialize ->
//   SetVideo -> SetAudio -> PrepareWriter -> for every written frame DoVideoWriter,
//   then DoAudioWriter (formats that take their music frame by frame) ->
//   CloseWriter -> Finish.
//
// When set-up fails after construction only Finish is called. Results are 0 for
// success and non-zero for failure; the base DoVideoWriter and DoAudioWriter fail.
//
// Output files appear whole or not at all: a writer writes under a temporary name
// beside the target and puts the file in place at CloseWriter when everything was
// written; a failed or abandoned writer leaves no file and no temporary behind. A
// target that is a file the scenario read is refused before anything is touched.

#include <cstdint>
#include <string>

#include "base/file_identity.h"
#include "image/image_buffer.h"
#include "output/movie_base.h"

class CMovieOut : public CMovieBase {
public:
    // Slot order of the writer interface: PrepareWriter, DoVideoWriter,
    // DoAudioWriter, CloseWriter follow the base's EnableTest, Initialize, Finish.
    virtual int PrepareWriter() { return 0; }
    // One frame: a 24-bit image of the frame size with bottom-up rows; position is
    // the frame's index in the output, frameBytes the bytes of its pixel block,
    // keyFlag 0 or 1, time in units of 100 ns.
    virtual int DoVideoWriter(const CImageBuffer* image, int32_t position, int32_t frameBytes,
                              int32_t keyFlag, int64_t time);
    // One chunk of interleaved PCM of the music format set with SetAudio; time in
    // units of 100 ns.
    virtual int DoAudioWriter(const uint8_t* buffer, int32_t bytes, int64_t time);
    // Completes the output and puts it in place. Non-zero when it could not be
    // completed; nothing is left behind then.
    virtual int CloseWriter() { return 0; }

    // A copy of the scenario path, shown in the output where the format has room.
    void SetTitle(const std::string& title) { m_title = title; }
    const std::string& GetTitle() const { return m_title; }
    // Set by the control thread when the user stopped the creation.
    void MarkAborted() { m_aborted = 1; }
    int32_t IsAborted() const { return m_aborted; }
    // The files the scenario read: none of them is ever written.
    void SetReadFiles(const ReadFileSet& files) { m_readFiles = files; }

    // Why the last operation failed (UTF-8, for the person: "No space left on
    // device"); empty after success.
    const std::string& LastError() const { return m_lastError; }

protected:
    std::string m_title;
    uint32_t m_reserved = 0;
    int32_t m_aborted = 0;
    ReadFileSet m_readFiles;
    std::string m_lastError;
};
