// Picture decoding: JPEG through TurboJPEG (jpeg_file), every other format (and the
// JPEGs TurboJPEG declines) through FFmpeg: the picture demuxers find the first
// picture, its decoder decodes it, swscale turns it into blue-green-red rows.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "image/ffmpeg_util.h"
#include "image/jpeg_file.h"
#include "image/picture_file.h"

namespace {

// A file's bytes, read in whole.
struct FileBytes {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
    // Room for `capacity` bytes, the first `used` kept; false when memory runs out.
    bool Grow(size_t used, size_t capacity) {
        if (capacity <= size) return true;
        std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[capacity]);
        if (!grown) return false;
        if (used > 0) std::memcpy(grown.get(), bytes.get(), used);
        bytes = std::move(grown);
        size = capacity;
        return true;
    }
};

// The picture demuxer for the file's signature, or none. Only picture demuxers are
// ever used: other formats (playlists, concat lists, videos) are not pictures, and
// some of them would open further files or URLs. Choosing by signature also spares
// the probe of every demuxer FFmpeg knows over the first megabyte.
const char* picture_demuxer(const uint8_t* head, size_t size) {
    auto starts = [&](const char* magic, size_t length, size_t at = 0) {
        return size >= at + length && std::memcmp(head + at, magic, length) == 0;
    };
    if (starts("\xFF\xD8\xFF", 3)) return "jpeg_pipe";
    if (starts("\x89PNG\r\n\x1A\n", 8)) return "png_pipe";
    if (starts("BM", 2)) return "bmp_pipe";
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return "gif";
    if (starts("II*\0", 4) || starts("MM\0*", 4)) return "tiff_pipe";
    if (starts("RIFF", 4) && starts("WEBP", 4, 8)) return "webp_pipe";
    return nullptr;
}

constexpr int kIoBufferBytes = 64 * 1024;

// Where the demuxer's bytes come from: a block in memory or an open file.
class ByteSource {
public:
    ByteSource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    explicit ByteSource(std::FILE* file) : m_file(file) {}

    int Read(uint8_t* buffer, int wanted) {
        if (wanted <= 0) return 0;
        size_t got;
        if (m_file) {
            got = std::fread(buffer, 1, static_cast<size_t>(wanted), m_file);
            if (got == 0 && std::ferror(m_file)) return AVERROR(EIO);
        } else {
            got = std::min(static_cast<size_t>(wanted), m_size - m_position);
            std::memcpy(buffer, m_data + m_position, got);
            m_position += got;
        }
        return got == 0 ? AVERROR_EOF : static_cast<int>(got);
    }

    int64_t Seek(int64_t offset, int whence) {
        whence &= ~AVSEEK_FORCE;
        if (m_file) {
            if (whence == AVSEEK_SIZE) {
                long here = std::ftell(m_file);
                if (here < 0 || std::fseek(m_file, 0, SEEK_END) != 0) return -1;
                long end = std::ftell(m_file);
                std::fseek(m_file, here, SEEK_SET);
                return end;
            }
            if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
            if (std::fseek(m_file, static_cast<long>(offset), whence) != 0) return -1;
            return std::ftell(m_file);
        }
        int64_t base;
        switch (whence) {
            case AVSEEK_SIZE:
                return static_cast<int64_t>(m_size);
            case SEEK_SET:
                base = 0;
                break;
            case SEEK_CUR:
                base = static_cast<int64_t>(m_position);
                break;
            case SEEK_END:
                base = static_cast<int64_t>(m_size);
                break;
            default:
                return -1;
        }
        if (offset > static_cast<int64_t>(m_size) - base || offset < -base) return -1;
        m_position = static_cast<size_t>(base + offset);
        return static_cast<int64_t>(m_position);
    }

    // The whole input from its first byte: the memory block itself, or the file read
    // into *storage. Empty when the file cannot be read or memory runs out. A regular
    // file is read into one block of its size, not zeroed first: a block grown by
    // doubling would be cleared, moved and faulted in several times over.
    std::span<const uint8_t> Contents(FileBytes* storage) {
        if (!m_file) return {m_data, m_size};
        if (std::fseek(m_file, 0, SEEK_SET) != 0) return {};
        struct stat info {};
        size_t expected = 0;
        if (::fstat(::fileno(m_file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
            static_cast<uint64_t>(info.st_size) < SIZE_MAX / 2)
            expected = static_cast<size_t>(info.st_size);
        // One byte more than expected tells a file that grew since from one that did not.
        size_t capacity = expected + 1;
        size_t used = 0;
        for (;;) {
            if (!storage->Grow(used, capacity)) return {};
            used += std::fread(storage->bytes.get() + used, 1, capacity - used, m_file);
            if (used < capacity || std::ferror(m_file)) break;
            capacity = std::max(capacity * 2, size_t{1} << 20);
        }
        if (std::ferror(m_file)) return {};
        return {storage->bytes.get(), used};
    }

    static int ReadPacket(void* opaque, uint8_t* buffer, int size) {
        return static_cast<ByteSource*>(opaque)->Read(buffer, size);
    }
    static int64_t SeekTo(void* opaque, int64_t offset, int whence) {
        return static_cast<ByteSource*>(opaque)->Seek(offset, whence);
    }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_position = 0;
    std::FILE* m_file = nullptr;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using namespace ffmpeg;

bool size_allowed(int width, int height, int64_t max_pixels) {
    return width >= 1 && height >= 1 && static_cast<int64_t>(width) * height <= max_pixels;
}

// Decodes the first picture of the stream; none when the decoder reports damage.
FramePtr decode_first_picture(AVFormatContext* format, int64_t max_pixels) {
    int stream_index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream_index < 0) return nullptr;
    const AVCodecParameters* parameters = format->streams[stream_index]->codecpar;
    // A header's size is checked before the decoder allocates anything for it.
    if ((parameters->width != 0 || parameters->height != 0) &&
        !size_allowed(parameters->width, parameters->height, max_pixels)) {
        return nullptr;
    }
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    if (!decoder) return nullptr;
    CodecPtr codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), parameters) < 0) return nullptr;
    codec->max_pixels = max_pixels;
    codec->thread_count = 1;
    // Damage (a cut-off JPEG above all) is a failure, not a concealed picture. The
    // TIFF decoder would also fail on every tag it does not know, so it keeps its
    // tolerance.
    if (parameters->codec_id != AV_CODEC_ID_TIFF) codec->err_recognition |= AV_EF_EXPLODE;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return nullptr;

    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!packet || !frame) return nullptr;
    bool draining = false;
    for (;;) {
        int got = avcodec_receive_frame(codec.get(), frame.get());
        if (got == 0) break;
        if (got != AVERROR(EAGAIN) || draining) return nullptr;
        int read = av_read_frame(format, packet.get());
        if (read == AVERROR_EOF) {
            draining = true;
            if (avcodec_send_packet(codec.get(), nullptr) < 0) return nullptr;
            continue;
        }
        if (read < 0) return nullptr;
        int sent = 0;
        if (packet->stream_index == stream_index)
            sent = avcodec_send_packet(codec.get(), packet.get());
        av_packet_unref(packet.get());
        if (sent < 0) return nullptr;
    }
    if (frame->decode_error_flags != 0 || (frame->flags & AV_FRAME_FLAG_CORRUPT)) return nullptr;
    if (!size_allowed(frame->width, frame->height, max_pixels)) return nullptr;
    return frame;
}

// Deep RGB and grey pictures (more than 8 bits per component) and shallow RGB ones
// (4 bits or fewer, as in a 16-bit X4R4G4B4 bitmap) are converted here, each
// component scaled to 8 bits and rounded: swscale is off by one on some deep ones and
// only shifts the shallow ones, so that their white would come out as 240.
bool is_deep_rgb_or_grey(const AVPixFmtDescriptor* desc) {
    if (!desc) return false;
    if (desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_FLOAT |
                       AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BAYER)) {
        return false;
    }
    if (desc->flags & AV_PIX_FMT_FLAG_RGB) {
        return desc->nb_components >= 3 &&
               (desc->comp[0].depth > 8 ||
                std::max({desc->comp[0].depth, desc->comp[1].depth, desc->comp[2].depth}) <= 4);
    }
    return desc->comp[0].depth > 8 && desc->nb_components <= 2;  // grey, with or without alpha
}

CImageBuffer* deep_frame_to_image(const AVFrame* frame, const AVPixFmtDescriptor* desc) {
    ImagePtr image(create_image(frame->width, frame->height, 24));
    if (!image) return nullptr;
    const bool grey = !(desc->flags & AV_PIX_FMT_FLAG_RGB);
    std::vector<uint16_t> values(static_cast<size_t>(frame->width));
    for (int c = 0; c < (grey ? 1 : 3); ++c) {
        const uint32_t top = (1u << desc->comp[c].depth) - 1;
        for (int y = 0; y < frame->height; ++y) {
            av_read_image_line2(values.data(), const_cast<const uint8_t**>(frame->data),
                                frame->linesize, desc, 0, y, c, frame->width, 0, 2);
            uint8_t* row = image_row(image.get(), y);
            for (int x = 0; x < frame->width; ++x) {
                auto v = static_cast<uint8_t>((values[x] * 255u + top / 2) / top);
                if (grey) {
                    row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = v;
                } else {
                    row[3 * x + 2 - c] = v;  // red, green, blue go to bytes 2, 1, 0
                }
            }
        }
    }
    return image.release();
}

// The frame as a 24-bit image whose row 0 is the picture's top row. swscale's
// vector loops store whole blocks past the end of a row, so it writes into a padded
// FFmpeg frame, never straight into the image's exactly sized block.
CImageBuffer* frame_to_image(const AVFrame* frame) {
    auto source_format = static_cast<AVPixelFormat>(frame->format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(source_format);
    if (is_deep_rgb_or_grey(desc)) return deep_frame_to_image(frame, desc);
    bool full_range = frame->color_range == AVCOL_RANGE_JPEG;
    source_format = unjpeg(source_format, &full_range);
    if (!sws_isSupportedInput(source_format)) return nullptr;
    ImagePtr image(create_image(frame->width, frame->height, 24));
    if (!image) return nullptr;
    ScalePtr scale(sws_alloc_context());
    if (!scale) return nullptr;
    SwsContext* context = scale.get();
    if (av_opt_set_int(context, "srcw", frame->width, 0) < 0 ||
        av_opt_set_int(context, "srch", frame->height, 0) < 0 ||
        av_opt_set_int(context, "src_format", source_format, 0) < 0 ||
        av_opt_set_int(context, "dstw", frame->width, 0) < 0 ||
        av_opt_set_int(context, "dsth", frame->height, 0) < 0 ||
        av_opt_set_int(context, "dst_format", AV_PIX_FMT_BGR24, 0) < 0 ||
        av_opt_set_int(context, "src_range", full_range ? 1 : 0, 0) < 0 ||
        av_opt_set_int(context, "dst_range", 1, 0) < 0 ||
        av_opt_set_int(context, "sws_flags", kExactConvertFlags, 0) < 0 ||
        av_opt_set(context, "sws_dither", "none", 0) < 0 ||
        sws_init_context(context, nullptr, nullptr) < 0) {
        return nullptr;
    }
    FramePtr converted(av_frame_alloc());
    if (!converted) return nullptr;
    converted->format = AV_PIX_FMT_BGR24;
    converted->width = frame->width;
    converted->height = frame->height;
    if (av_frame_get_buffer(converted.get(), 0) < 0) return nullptr;
    int done = sws_scale(scale.get(), frame->data, frame->linesize, 0, frame->height,
                         converted->data, converted->linesize);
    if (done != frame->height) return nullptr;
    const size_t row_bytes = 3 * static_cast<size_t>(frame->width);
    for (int y = 0; y < frame->height; ++y) {
        std::memcpy(image_row(image.get(), y),
                    converted->data[0] + static_cast<ptrdiff_t>(y) * converted->linesize[0],
                    row_bytes);
    }
    return image.release();
}

CImageBuffer* decode_with_ffmpeg(ByteSource* source, const char* demuxer_name, int64_t max_pixels) {
    if (source->Seek(0, SEEK_SET) != 0) return nullptr;
    const AVInputFormat* demuxer = av_find_input_format(demuxer_name);
    if (!demuxer) return nullptr;

    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    if (!buffer) return nullptr;
    IoPtr io(avio_alloc_context(buffer, kIoBufferBytes, 0, source, &ByteSource::ReadPacket, nullptr,
                                &ByteSource::SeekTo));
    if (!io) {
        av_free(buffer);
        return nullptr;
    }
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) return nullptr;
    raw->pb = io.get();
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->format_whitelist = av_strdup(demuxer_name);
    raw->protocol_whitelist = av_strdup("file");
    if (!raw->format_whitelist || !raw->protocol_whitelist) {
        avformat_free_context(raw);
        return nullptr;
    }
    // On failure avformat_open_input frees the context itself.
    if (avformat_open_input(&raw, "", demuxer, nullptr) < 0) return nullptr;
    FormatPtr format(raw);
    FramePtr frame = decode_first_picture(format.get(), max_pixels);
    if (!frame) return nullptr;
    return frame_to_image(frame.get());
}

// The picture as a 24-bit image, or with bpp 32 in the 32-bit layout (opaque).
CImageBuffer* decode_picture(ByteSource* source, int64_t max_pixels, int32_t bpp) {
    auto widened = [bpp](CImageBuffer* decoded) -> CImageBuffer* {
        if (bpp == 24 || !decoded) return decoded;
        ImagePtr picture(decoded);
        return image24_to_32(picture.get());
    };
    max_pixels = std::clamp<int64_t>(max_pixels, 1, kMaxPicturePixels);
    uint8_t head[12];
    int head_size = 0;
    while (head_size < int(sizeof head)) {
        int got = source->Read(head + head_size, int(sizeof head) - head_size);
        if (got <= 0) break;
        head_size += got;
    }
    const char* demuxer_name = picture_demuxer(head, static_cast<size_t>(head_size));
    if (!demuxer_name) return nullptr;
    if (std::strcmp(demuxer_name, "jpeg_pipe") != 0) {
        return widened(decode_with_ffmpeg(source, demuxer_name, max_pixels));
    }
    // A JPEG goes through TurboJPEG, from memory; what it declines goes on to FFmpeg
    // over the same bytes.
    FileBytes storage;
    std::span<const uint8_t> contents = source->Contents(&storage);
    if (contents.empty()) return nullptr;
    ImagePtr image;
    switch (decode_jpeg(contents.data(), contents.size(), max_pixels, &image, bpp)) {
        case JpegOutcome::kDecoded:
            return image.release();
        case JpegOutcome::kOversized:
            return nullptr;
        case JpegOutcome::kDeclined:
            break;
    }
    ByteSource bytes(contents.data(), contents.size());
    return widened(decode_with_ffmpeg(&bytes, demuxer_name, max_pixels));
}

CImageBuffer* load_picture_file(const std::string& path, int32_t bpp) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return nullptr;
    ByteSource source(file.get());
    return decode_picture(&source, kMaxPicturePixels, bpp);
}

}  // namespace

CImageBuffer* load_picture(const std::string& path) {
    return load_picture_file(path, 24);
}

CImageBuffer* load_picture32(const std::string& path) {
    return load_picture_file(path, 32);
}

CImageBuffer* load_picture_from_memory(const uint8_t* data, size_t size, int64_t max_pixels) {
    if (!data || size == 0) return nullptr;
    ByteSource source(data, size);
    return decode_picture(&source, max_pixels, 24);
}
