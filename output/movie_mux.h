#pragma once
// One movie file written through FFmpeg, shared by the AVI, Windows Media and
// QuickTime writers: a muxer named by the writer, writing through our own output
// context into an AtomicFile (a temporary file beside the target, put in place by
// Finish, removed by Discard or the destructor); video frames encoded, or stored
// as uncompressed bottom-up DIB rows; PCM stored as it stands or encoded; packets
// of all streams interleaved by time (av_interleaved_write_frame).
//
// The FFmpeg calls of setting up and closing are reported through the trace
// function as detail lines "+ <prefix><call> ... successed." or "... failed.",
// the latter followed by a line with the reason; the calls made for each frame
// and chunk only when they fail (the writer reports its frames itself). After the
// first failure every further call fails at once with the same reason, and Finish
// discards the file.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/direct_writer.h"
#include "base/file_identity.h"
#include "image/ffmpeg_util.h"
#include "image/image_buffer.h"

// Converts `samples` interleaved PCM samples of `bits` (8 unsigned, 16, 24 or 32
// signed, little-endian) to signed 16-bit (the top 16 bits of deeper samples).
void pcm_to_s16(const uint8_t* in, int bits, size_t samples, int16_t* out);

class MovieMux {
public:
    using TraceLine = std::function<void(const std::string& line)>;

    explicit MovieMux(TraceLine trace);
    ~MovieMux();
    MovieMux(const MovieMux&) = delete;
    MovieMux& operator=(const MovieMux&) = delete;

    // The text after "+ " on the following detail lines ("VIDEO : "), and whether
    // they end with a period.
    void SetLineStyle(std::string prefix, bool period);

    // Checks `target` (UTF-8) against `read`, creates the file to write into and
    // the muxer `muxer`'s context. 0 or -1.
    int Open(const std::string& target, const ReadFileSet& read, const char* muxer);
    // An option of the muxer, used when the header is written.
    void SetMuxerOption(const char* key, const char* value);

    // A video stream of uncompressed 24-bit DIB frames (blue-green-red, bottom-up
    // rows padded to 4 bytes), stored as the images hold them; one tick of
    // `timeBase` per frame. 0 or -1.
    int AddDibVideo(int32_t width, int32_t height, AVRational timeBase);
    // A video stream through the FFmpeg encoder `name`: `configure` sets the
    // encoder's options (rate control, key frames) before it opens. Frames last
    // `frameTicks` ticks of `timeBase`. 0 or -1 (no such encoder, not a video
    // encoder, one the container cannot store, or options it refuses).
    int AddEncodedVideo(const std::string& name, int32_t width, int32_t height, AVRational timeBase,
                        int64_t frameTicks, const std::function<void(AVCodecContext*)>& configure);
    // An audio stream of PCM stored as it stands: `bits` 8 (unsigned), 16, 24 or 32
    // (signed, little-endian). 0 or -1.
    int AddPcmAudio(int channels, int sampleRate, int bits);
    // An audio stream through the FFmpeg encoder `name` at `bitRate` bits per
    // second, fed with interleaved signed 16-bit samples. 0 or -1.
    int AddEncodedAudio(const std::string& name, int channels, int sampleRate, int64_t bitRate);

    // Writes the container header once every stream is there. 0 or -1.
    int WriteHeader();
    bool HeaderWritten() const { return m_headerWritten; }

    // One frame of the video stream at `pts` (ticks of its time base): a 24-bit
    // image of the stream's size. `key` asks the encoder for a key frame.
    int WriteVideo(const CImageBuffer* image, int64_t pts, bool key);
    // The last frame written once more, at `pts`.
    int RepeatVideo(int64_t pts);
    // Whether uncompressed frames are kept for RepeatVideo (the default). Without,
    // in a movie without audio, WriteVideo writes the image's rows to the file during
    // the call and keeps nothing: the frame is not copied, and cannot be repeated.
    void KeepFrames(bool keep) { m_keepFrames = keep; }
    // `frames` sample frames for the audio stream starting at `pts` (samples): the
    // stream's own PCM bytes for a stored stream, 16-bit samples for an encoded one
    // (whose stamps run on from the first chunk's).
    int WriteAudio(const uint8_t* data, int64_t frames, int64_t pts);

    // Flushes the encoders, writes the trailer and puts the file in place. 0, or -1
    // with the file discarded.
    int Finish();
    // Drops everything written; the target stays as it was.
    void Discard();
    // Marks the movie failed for `reason` (found by the writer): Finish discards it.
    void Abandon(const std::string& reason);

    // Why the first failure happened.
    const std::string& Reason() const { return m_reason; }
    bool Failed() const { return m_failed; }
    const AVStream* VideoStream() const { return m_videoStream; }
    const AVStream* AudioStream() const { return m_audioStream; }
    const AVCodecContext* AudioEncoder() const { return m_audioCodec.get(); }
    // Where the muxer writes (the temporary file).
    const std::string& WritePath() const { return m_file.WritePath(); }

private:
    static int WriteBytes(void* opaque, uint8_t* buffer, int size);
    // An uncompressed frame written from the image's own rows, nothing kept.
    int WriteDibRows(const CImageBuffer* image, int64_t pts);
    static int64_t SeekBytes(void* opaque, int64_t offset, int whence);

    // Reports one call: its success line, or its failure line and reason. Returns
    // `result` (FFmpeg's code; negative is failure).
    int Step(const char* call, int result, const std::string& reason = "");
    // The same for calls that only allocate: reported when they fail.
    int Check(const char* call, int result);
    int Fail(const char* call, const std::string& reason);
    // Opens an encoder set up by the caller and gives it a stream; none on failure.
    AVStream* OpenEncoder(AVCodecContext* codec, const AVCodec* encoder);
    int SendVideo(AVFrame* frame);
    int SendAudio(AVFrame* frame);
    int EncodeAudio(bool last);
    int Drain(AVCodecContext* codec, AVStream* stream, int64_t duration);
    int WritePacket(AVPacket* packet, AVRational from, AVStream* stream);
    void FreeAll();

    TraceLine m_trace;
    std::string m_prefix;
    bool m_period = true;

    AtomicFile m_file;
    DirectWriter m_writer;  // writes m_file
    ffmpeg::OutputFormatPtr m_format;
    ffmpeg::IoPtr m_io;
    AVDictionary* m_options = nullptr;
    bool m_headerWritten = false;
    bool m_failed = false;
    std::string m_reason;
    std::string m_ioError;  // the system's reason of a failed write

    // Video.
    AVStream* m_videoStream = nullptr;
    AVRational m_videoTimeBase{0, 1};
    int64_t m_frameTicks = 1;
    ffmpeg::CodecPtr m_videoCodec;  // none: DIB frames
    ffmpeg::ScalePtr m_scale;
    ffmpeg::FramePtr m_frame;  // the last frame given to the encoder
    ffmpeg::PacketPtr m_dib;   // the last DIB frame stored
    // Blocks of DIB frames, used again once the muxer lets go of them: a fresh block
    // of a frame's size would be mapped anew, page by page, for every frame.
    struct BufferPoolFree {
        void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
    };
    std::unique_ptr<AVBufferPool, BufferPoolFree> m_dibBlocks;
    ffmpeg::PacketPtr m_packet;  // packets coming out of the encoders
    int32_t m_width = 0;
    int32_t m_height = 0;
    bool m_haveFrame = false;
    bool m_keepFrames = true;

    // Audio.
    AVStream* m_audioStream = nullptr;
    int m_audioBlock = 0;  // bytes of one stored sample frame
    int m_channels = 0;
    int m_sampleRate = 0;
    ffmpeg::CodecPtr m_audioCodec;  // none: PCM stored
    ffmpeg::ResamplePtr m_resample;
    std::vector<int16_t> m_audioPending;   // interleaved samples not yet encoded
    int64_t m_audioNext = AV_NOPTS_VALUE;  // stamp of the first pending sample
};
