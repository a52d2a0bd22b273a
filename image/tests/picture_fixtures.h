#pragma once
// Pictures made for tests: FFmpeg's own encoders write JPEG, PNG, GIF, TIFF, BMP and
// WebP files, TurboJPEG's compressor JPEGs of every chroma subsampling; libexif writes
// EXIF blocks that go into a JPEG's APP1 segment.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}
#include <libexif/exif-data.h>
#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace picture_fixtures {

using Bytes = std::vector<uint8_t>;

inline bool has_encoder(AVCodecID id) {
    return avcodec_find_encoder(id) != nullptr;
}

// Encodes one frame of the given format; `fill` writes its pixels (and palette).
// Empty when the encoder is missing or refuses the frame.
inline Bytes encode_picture(AVCodecID id, AVPixelFormat format, int width, int height,
                            const std::function<void(AVFrame*)>& fill, int quality = 0) {
    const AVCodec* encoder = avcodec_find_encoder(id);
    if (!encoder) return {};
    AVCodecContext* codec = avcodec_alloc_context3(encoder);
    codec->width = width, codec->height = height, codec->pix_fmt = format;
    codec->time_base = AVRational{1, 25};
    if (quality > 0) {
        codec->flags |= AV_CODEC_FLAG_QSCALE;
        codec->global_quality = quality * FF_QP2LAMBDA;
    }
    Bytes out;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    if (avcodec_open2(codec, encoder, nullptr) == 0) {
        frame->format = format, frame->width = width, frame->height = height;
        frame->quality = codec->global_quality;
        if (av_frame_get_buffer(frame, 0) == 0) {
            fill(frame);
            avcodec_send_frame(codec, frame);
            avcodec_send_frame(codec, nullptr);
            while (avcodec_receive_packet(codec, packet) == 0) {
                out.insert(out.end(), packet->data, packet->data + packet->size);
                av_packet_unref(packet);
            }
        }
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    return out;
}

// Fills plane 0 of a frame: put(p, x, y) writes the `size` bytes of pixel (x, y) at p.
inline std::function<void(AVFrame*)> pixels(int size, std::function<void(uint8_t*, int, int)> put) {
    return [size, put](AVFrame* f) {
        for (int y = 0; y < f->height; ++y)
            for (int x = 0; x < f->width; ++x)
                put(f->data[0] + y * f->linesize[0] + size * x, x, y);
    };
}

// Fills a packed RGB24 frame from a colour function of (x, y).
inline std::function<void(AVFrame*)> rgb24(std::function<uint32_t(int, int)> colour) {
    return pixels(3, [colour](uint8_t* p, int x, int y) {
        const uint32_t c = colour(x, y);
        p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c);
    });
}

// Fills a YUV 4:2:0 frame with one luma level and neutral chroma.
inline std::function<void(AVFrame*)> flat_yuv420(uint8_t luma) {
    return [luma](AVFrame* f) {
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < (p ? (f->height + 1) / 2 : f->height); ++y)
                std::memset(f->data[p] + y * f->linesize[p], p ? 128 : luma,
                            p ? (f->width + 1) / 2 : f->width);
    };
}

// A palette picture: index (x + y) % 4 into four distinct colours (0xRRGGBB).
inline constexpr uint32_t kPalette[4] = {0x102030u, 0xF0E0D0u, 0x00FF00u, 0x0000FFu};
inline void palette_fill(AVFrame* frame) {
    auto* palette = reinterpret_cast<uint32_t*>(frame->data[1]);
    for (int i = 0; i < 256; ++i) palette[i] = 0xFF000000u | kPalette[i % 4];
    pixels(1, [](uint8_t* p, int x, int y) { *p = uint8_t((x + y) % 4); })(frame);
}

// A JPEG from FFmpeg's encoder of colour(x, y) in one of the full-range YUV formats
// (YUVJ420P, YUVJ422P, YUVJ444P); quality 1 (best) to 31. Each chroma sample is that
// of the top-left pixel it covers.
inline Bytes encode_mjpeg(AVPixelFormat format, int width, int height,
                          std::function<uint32_t(int, int)> colour, int quality = 2) {
    return encode_picture(
        AV_CODEC_ID_MJPEG, format, width, height,
        [colour, format](AVFrame* frame) {
            const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
            const int sx = desc->log2_chroma_w, sy = desc->log2_chroma_h;
            auto at = [&](int x, int y) {
                uint32_t c = colour(std::min(x, frame->width - 1), std::min(y, frame->height - 1));
                return std::array<double, 3>{double(c >> 16 & 255), double(c >> 8 & 255),
                                             double(c & 255)};
            };
            auto put = [frame](int plane, int x, int y, double v) {
                frame->data[plane][y * frame->linesize[plane] + x] =
                    static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0));
            };
            for (int y = 0; y < frame->height; ++y)
                for (int x = 0; x < frame->width; ++x) {
                    auto [r, g, b] = at(x, y);
                    put(0, x, y, 0.299 * r + 0.587 * g + 0.114 * b);
                }
            for (int y = 0; y < -(-frame->height >> sy); ++y)
                for (int x = 0; x < -(-frame->width >> sx); ++x) {
                    auto [r, g, b] = at(x << sx, y << sy);
                    put(1, x, y, 128 - 0.168736 * r - 0.331264 * g + 0.5 * b);
                    put(2, x, y, 128 + 0.5 * r - 0.418688 * g - 0.081312 * b);
                }
        },
        quality);
}

// A JPEG (YUV 4:2:0, full range) of colour(x, y); quality 1 (best) to 31.
inline Bytes encode_jpeg(int width, int height, std::function<uint32_t(int, int)> colour,
                         int quality = 2) {
    return encode_mjpeg(AV_PIX_FMT_YUVJ420P, width, height, std::move(colour), quality);
}

// A JPEG from TurboJPEG's compressor of colour(x, y) with the given chroma
// subsampling (TJSAMP_444, TJSAMP_422, TJSAMP_420, TJSAMP_GRAY, TJSAMP_440,
// TJSAMP_411); quality 1 to 100 (best); flags such as TJFLAG_PROGRESSIVE. Empty when
// the compressor refuses.
inline Bytes encode_turbo_jpeg(int width, int height, int subsampling,
                               const std::function<uint32_t(int, int)>& colour, int quality = 90,
                               int flags = 0) {
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(colour(int(i / 3 % width), int(i / 3 / width)) >> (16 - 8 * (i % 3)));
    Bytes out;
    tjhandle handle = tjInitCompress();
    if (!handle) return out;
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, subsampling,
                    quality, flags | TJFLAG_ACCURATEDCT) == 0) {
        out.assign(jpeg, jpeg + size);
    }
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

// One EXIF entry to write: its directory, tag, type and raw value bytes in the
// block's byte order.
struct ExifField {
    ExifIfd ifd;
    uint16_t tag;
    ExifFormat format;
    uint32_t components;
    Bytes value;
};

inline Bytes exif_block(const std::vector<ExifField>& fields, ExifByteOrder order) {
    ExifData* data = exif_data_new();
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_byte_order(data, order);
    ExifMem* mem = exif_mem_new_default();
    for (const ExifField& field : fields) {
        ExifEntry* entry = exif_entry_new_mem(mem);
        entry->tag = static_cast<ExifTag>(field.tag), entry->format = field.format;
        entry->components = field.components;
        entry->size = static_cast<unsigned int>(field.value.size());
        entry->data = static_cast<unsigned char*>(exif_mem_alloc(mem, entry->size));
        std::memcpy(entry->data, field.value.data(), field.value.size());
        exif_content_add_entry(data->ifd[field.ifd], entry);
        exif_entry_unref(entry);
    }
    unsigned char* saved = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &saved, &size);
    Bytes block(saved, saved + size);
    free(saved);
    exif_mem_unref(mem);
    exif_data_unref(data);
    return block;
}

// Values of `size` bytes each in the block's byte order.
inline Bytes exif_values(ExifByteOrder order, int size, std::initializer_list<uint32_t> values) {
    Bytes out;
    for (uint32_t v : values)
        for (int i = 0; i < size; ++i)
            out.push_back(uint8_t(v >> 8 * (order == EXIF_BYTE_ORDER_INTEL ? i : size - 1 - i)));
    return out;
}

inline Bytes ascii(const std::string& text) {
    return Bytes(text.c_str(), text.c_str() + text.size() + 1);
}

// A camera's fields: every value type, in the main, EXIF and GPS directories.
inline std::vector<ExifField> camera_fields(ExifByteOrder order) {
    auto u16 = [order](std::initializer_list<uint32_t> v) { return exif_values(order, 2, v); };
    auto u32 = [order](std::initializer_list<uint32_t> v) { return exif_values(order, 4, v); };
    return {
        {EXIF_IFD_0, 0x010F, EXIF_FORMAT_ASCII, 9, ascii("Vemo Cam")},
        {EXIF_IFD_0, 0x0110, EXIF_FORMAT_ASCII, 8, Bytes{'M', 'K', '2', 0, 'x', 'y', 'z', 0}},
        {EXIF_IFD_0, 0x0132, EXIF_FORMAT_ASCII, 20, ascii("2024:05:06 07:08:09")},
        {EXIF_IFD_EXIF, 0x829A, EXIF_FORMAT_RATIONAL, 1, u32({1, 250})},
        {EXIF_IFD_EXIF, 0x829D, EXIF_FORMAT_RATIONAL, 2, u32({28, 10, 1, 1})},
        {EXIF_IFD_EXIF, 0x8827, EXIF_FORMAT_SHORT, 2, u16({400, 800})},
        {EXIF_IFD_EXIF, 0x9209, EXIF_FORMAT_SHORT, 1, u16({0x19})},
        {EXIF_IFD_EXIF, 0xA002, EXIF_FORMAT_LONG, 1, u32({3000000000u})},
        {EXIF_IFD_EXIF, 0xA003, EXIF_FORMAT_SLONG, 1, u32({uint32_t(-42)})},
        {EXIF_IFD_EXIF, 0x9201, EXIF_FORMAT_SRATIONAL, 1, u32({8, 1})},
        {EXIF_IFD_EXIF, 0x9000, EXIF_FORMAT_UNDEFINED, 4, Bytes{'0', '2', '3', '0'}},
        {EXIF_IFD_0, 0x0112, EXIF_FORMAT_BYTE, 1, Bytes{1}},
        {EXIF_IFD_GPS, 0x0006, EXIF_FORMAT_RATIONAL, 1, u32({1234, 10})},
    };
}

// The JPEG with an APP1 segment holding the EXIF block right after its SOI marker.
inline Bytes with_exif(const Bytes& jpeg, const Bytes& block) {
    const size_t length = block.size() + 2;
    Bytes out(jpeg.size() + block.size() + 4);
    const uint8_t marker[6] = {jpeg.at(0), jpeg.at(1),           0xFF,
                               0xE1,       uint8_t(length >> 8), uint8_t(length)};
    std::copy(jpeg.begin() + 2, jpeg.end(),
              std::copy(block.begin(), block.end(), std::copy_n(marker, 6, out.begin())));
    return out;
}

inline void write_file(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace picture_fixtures
