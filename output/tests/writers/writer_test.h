#pragma once
// The fixture of the writer tests: a private folder, FFmpeg kept quiet, and the
// lines a writer sends through its three reporting calls.

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <string>
#include <vector>

#include "base/tests/temp_folder.h"
#include "image/image_buffer.h"
#include "output/movie_out.h"
#include "output/tests/writer_fixtures.h"

class WriterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { av_log_set_level(AV_LOG_QUIET); }

    // Records the writer's error, report and trace lines.
    void Record(CMovieBase& writer) {
        using writer_fixtures::record_into;
        writer.SetCalls(record_into(m_errors), record_into(m_reports), record_into(m_traces));
    }

    bool Traced(const std::string& line) const {
        return std::find(m_traces.begin(), m_traces.end(), line) != m_traces.end();
    }

    // The video format the control thread sets: frames of width x height, 24-bit
    // rows padded to 4 bytes, `count` positions.
    static void SetVideo(CMovieOut& writer, int width, int height, int rate, int scale, int count,
                         uint32_t bitrate = 0) {
        writer.SetVideo(width, height, image_stride(width, 24) * height, rate, scale, bitrate,
                        count);
    }

    // Hands gradient (or `pattern`) frame n to the writer at position n.
    static int Frame(CMovieOut& writer, int n, int width, int height, int key, int64_t time,
                     writer_fixtures::Pattern pattern = writer_fixtures::Pattern::Gradient) {
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
