#pragma once
// The fixture of the writer tests: a private folder, FFmpeg kept quiet, and the
// lines a writer sends through its three reporting calls.

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/tests/temp_folder.h"
#include "image/image_buffer.h"
#include "output/movie_out.h"
#include "output/tests/writer_fixtures.h"

class WriterTest : public ::testing::Test {
protected:
    using Pattern = writer_fixtures::Pattern;

    static void SetUpTestSuite() { av_log_set_level(AV_LOG_QUIET); }

    // Records the writer's error, report and trace lines.
    void Record(CMovieBase& writer) {
        using writer_fixtures::record_into;
        writer.SetCalls(record_into(m_errors), record_into(m_reports), record_into(m_traces));
    }

    bool Traced(const std::string& line) const {
        return std::find(m_traces.begin(), m_traces.end(), line) != m_traces.end();
    }

    // The music format SetAudio takes: channels, bits, buffer bytes, rate, bit rate.
    using Audio = std::array<int32_t, 5>;

    // Records the writer and sets it up on `path` as the control thread does: `count`
    // positions of width x height frames (24-bit rows padded to 4 bytes), `rate` a
    // second of `scale` units.
    void Open(CMovieOut& writer, const std::string& path, int width, int height, int count,
              int rate = 30, int scale = 1, uint32_t bitrate = 0, const Audio& audio = {}) {
        Record(writer);
        writer.SetFileName(path);
        EXPECT_EQ(writer.Initialize(), 0);
        writer.SetVideo(width, height, image_stride(width, 24) * height, rate, scale, bitrate,
                        count);
        writer.SetAudio(audio[0], audio[1], audio[2], audio[3], audio[4]);
    }

    // Hands gradient (or `pattern`) frame n to the writer at position n.
    static int Frame(CMovieOut& writer, int n, int width, int height, int key, int64_t time,
                     Pattern pattern = Pattern::Gradient) {
        ImagePtr frame = writer_fixtures::make_frame(n, width, height, pattern);
        return writer.DoVideoWriter(frame.get(), n, image_stride(width, 24) * height, key, time);
    }

    // Closes and finishes the writer: `result` when an earlier call failed, else
    // CloseWriter's.
    static int Close(CMovieOut& writer, int result) {
        const int closed = writer.CloseWriter();
        writer.Finish();
        return result != 0 ? result : closed;
    }

    // Decodes the file: frame i must be the pattern frame shown[i], every byte within
    // `tolerance` of it.
    void ExpectFrames(const std::string& name, int width, int height, const std::vector<int>& shown,
                      Pattern pattern = Pattern::Gradient, int tolerance = 0) {
        const auto frames = writer_fixtures::decode_frames(m_folder / name);
        ASSERT_EQ(frames.size(), shown.size()) << name;
        for (size_t i = 0; i < shown.size(); ++i) {
            const auto expected = writer_fixtures::expected_rows(shown[i], width, height, pattern);
            ASSERT_EQ(frames[i].size(), expected.size()) << name << " " << i;
            int worst = 0;
            for (size_t k = 0; k < expected.size(); ++k)
                worst = std::max(worst, std::abs(frames[i][k] - expected[k]));
            EXPECT_LE(worst, tolerance) << name << " frame " << i;
        }
    }

    // Paths under the folder, or under one inside it, hidden temporary files included.
    std::vector<std::string> Entries(const std::string& inside = "") const {
        const std::filesystem::path folder = m_folder.Path() / inside;
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            names.push_back(entry.path().lexically_relative(folder).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder m_folder;
    std::vector<std::string> m_errors;
    std::vector<std::string> m_reports;
    std::vector<std::string> m_traces;
};
