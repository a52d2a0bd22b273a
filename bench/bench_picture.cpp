// Loading a 4000 x 3000 JPEG with load_picture (and in the 32-bit layout, straight
// and through the 24-bit image) beside the fastest exact decoder on
// the machine, TurboJPEG decoding the same file (read from disk each time) to
// blue-green-red rows with its accurate DCT and smooth chroma upsampling, and beside
// FFmpeg's own decode (decode only, no conversion to blue-green-red rows).

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <benchmark/benchmark.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "image/picture_file.h"
#include "image/tests/picture_fixtures.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// A photo-like picture: smooth gradients with fine texture, so the entropy coder
// has real work.
uint32_t photo(int x, int y) {
    uint32_t noise = (uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) >> 28;
    uint32_t r = (x * 255 / kWidth + noise) & 255;
    uint32_t g = (y * 255 / kHeight + 2 * noise) & 255;
    uint32_t b = ((x + y) / 32 * 16 + noise) & 255;
    return r << 16 | g << 8 | b;
}

// The JPEG file, written once per process.
const std::string& jpeg_path() {
    static const std::string path = [] {
        av_log_set_level(AV_LOG_ERROR);
        std::string file = (std::filesystem::temp_directory_path() /
                            ("vemo_bench_picture_" + std::to_string(::getpid()) + ".jpg"))
                               .string();
        picture_fixtures::write_file(file,
                                     picture_fixtures::encode_jpeg(kWidth, kHeight, photo, 3));
        std::atexit([] { std::filesystem::remove(jpeg_path()); });
        return file;
    }();
    return path;
}

// Times `load` on the picture file; none is a failure.
template <class Load>
void time_load(benchmark::State& state, Load load) {
    const std::string& path = jpeg_path();
    for (auto _ : state) {
        ImagePtr image(load(path));
        if (!image) {
            state.SkipWithError("the picture did not load");
            break;
        }
        benchmark::DoNotOptimize(image->pixels);
    }
}

void bm_load_picture(benchmark::State& state) {
    time_load(state, load_picture);
    state.counters["MPixel/s"] = benchmark::Counter(
        double(kWidth) * kHeight / 1e6 * state.iterations(), benchmark::Counter::kIsRate);
}

// The picture in the 32-bit layout of image mode 32: decoded into it, and the
// 24-bit image widened afterwards as it was done before.
void bm_load_picture32(benchmark::State& state) {
    time_load(state, load_picture32);
}

void bm_load_picture_widened(benchmark::State& state) {
    time_load(state, [](const std::string& path) -> CImageBuffer* {
        ImagePtr decoded(load_picture(path));
        return decoded ? image24_to_32(decoded.get()) : nullptr;
    });
}

// FFmpeg alone: open, read the one packet, decode it.
void bm_ffmpeg_decode(benchmark::State& state) {
    const std::string& path = jpeg_path();
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    for (auto _ : state) {
        AVFormatContext* format = nullptr;
        if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
            state.SkipWithError("open failed");
            break;
        }
        const AVCodecParameters* parameters = format->streams[0]->codecpar;
        const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
        AVCodecContext* codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec, parameters);
        codec->thread_count = 1;
        avcodec_open2(codec, decoder, nullptr);
        bool decoded = false;
        while (!decoded && av_read_frame(format, packet) >= 0) {
            avcodec_send_packet(codec, packet);
            av_packet_unref(packet);
            decoded = avcodec_receive_frame(codec, frame) == 0;
        }
        if (!decoded) {
            avcodec_send_packet(codec, nullptr);
            decoded = avcodec_receive_frame(codec, frame) == 0;
        }
        benchmark::DoNotOptimize(frame->data[0]);
        av_frame_unref(frame);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
        if (!decoded) {
            state.SkipWithError("decode failed");
            break;
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    state.counters["MPixel/s"] = benchmark::Counter(
        double(kWidth) * kHeight / 1e6 * state.iterations(), benchmark::Counter::kIsRate);
}

// The whole file in one read.
std::vector<uint8_t> read_whole(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        long size = std::ftell(file);
        std::rewind(file);
        if (size > 0) {
            bytes.resize(size_t(size));
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
        }
    }
    std::fclose(file);
    return bytes;
}

// TurboJPEG alone: read the file, decode it into a new buffer of BGR rows.
void bm_turbojpeg_decode(benchmark::State& state) {
    const std::string& path = jpeg_path();
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        std::vector<uint8_t> file = read_whole(path);
        int width = 0, height = 0, subsampling = 0, colourspace = 0;
        bool decoded = tjDecompressHeader3(handle, file.data(), file.size(), &width, &height,
                                           &subsampling, &colourspace) == 0;
        if (decoded) {
            std::unique_ptr<uint8_t[]> rows(new uint8_t[size_t(width) * height * 3]);
            decoded = tjDecompress2(handle, file.data(), file.size(), rows.get(), width, 0, height,
                                    TJPF_BGR, TJFLAG_ACCURATEDCT) == 0;
            benchmark::DoNotOptimize(rows.get());
        }
        if (!decoded) {
            state.SkipWithError("TurboJPEG decode failed");
            break;
        }
    }
    tjDestroy(handle);
    state.counters["MPixel/s"] = benchmark::Counter(
        double(kWidth) * kHeight / 1e6 * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(bm_load_picture)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bm_load_picture32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bm_load_picture_widened)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bm_turbojpeg_decode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(bm_ffmpeg_decode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
