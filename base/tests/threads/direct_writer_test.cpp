// Large files written in order past the page cache, full buffers on their way to the
// file (several at once) while the next one fills, with the seeks back a muxer makes
// to fill in sizes, must come out byte for byte as an ordinary writer leaves them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/direct_writer.h"
#include "base/tests/temp_folder.h"

namespace {

TEST(DirectWriter, LeavesTheBytesAnOrdinaryWriterLeaves) {
    TempFolder dir;
    for (bool direct : {true, false}) {
        SCOPED_TRACE(direct ? "direct" : "ordinary");
        const std::string path = dir / (direct ? "direct.bin" : "ordinary.bin");
        UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        ASSERT_TRUE(fd.Valid());
        // Small buffers: many of them fill, go to the file and come back.
        constexpr size_t kBuffer = 64 << 10;
        DirectWriter writer(kBuffer);
        std::string reason;
        ASSERT_EQ(writer.Start(fd.Get(), direct, &reason), 0) << reason;
        if (!direct) {
            EXPECT_FALSE(writer.Direct());
        }

        std::mt19937 random(11);
        std::string model;
        int64_t position = 0;
        auto write = [&](size_t size) {
            std::string bytes(size, '\0');
            const char tag = static_cast<char>(random());
            for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(tag + i * 7 + (i >> 12));
            ASSERT_EQ(writer.Write(reinterpret_cast<const uint8_t*>(bytes.data()), size, &reason),
                      0)
                << reason;
            const size_t end = static_cast<size_t>(position) + size;
            if (model.size() < end) model.resize(end, '\0');
            model.replace(static_cast<size_t>(position), size, bytes);
            position += static_cast<int64_t>(size);
        };
        // Frames of a few MiB between small headers, sizes patched at earlier offsets,
        // a seek past the end that leaves a hole, pieces ending on and off the blocks.
        for (int step = 0; step < 200; ++step) {
            write(8);
            write(step % 5 == 0 ? kBuffer - 8 : 1 + random() % (3 * kBuffer));
            if (step % 7 == 3) {
                const int64_t back = static_cast<int64_t>(random() % model.size());
                ASSERT_EQ(writer.Seek(back, SEEK_SET, &reason), back) << reason;
                position = back;
                write(4);
                write(3);
                ASSERT_EQ(writer.Seek(0, SEEK_END, &reason), static_cast<int64_t>(model.size()));
                position = static_cast<int64_t>(model.size());
            }
            if (step == 100) {
                position = writer.Seek(DirectWriter::kBlockBytes + 3, SEEK_CUR, &reason);
                ASSERT_EQ(position, static_cast<int64_t>(model.size()) + 4099) << reason;
            }
            if (step % 5 == 4) {
                EXPECT_EQ(writer.Size(&reason), static_cast<int64_t>(model.size()));
            }
        }
        EXPECT_EQ(writer.Seek(-1, SEEK_SET, &reason), -EINVAL);
        ASSERT_EQ(writer.Finish(&reason), 0) << reason;
        ASSERT_EQ(fd.Close(), 0);
        ASSERT_EQ(read_bytes(path).size(), model.size());
        EXPECT_TRUE(read_bytes(path) == model);
    }
}

// A pipe is written through as it stands and cannot seek.
TEST(DirectWriter, APipeIsWrittenThrough) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    UniqueFd in(ends[0]), out(ends[1]);
    DirectWriter writer;
    std::string reason;
    ASSERT_EQ(writer.Start(out.Get(), true, &reason), 0) << reason;
    EXPECT_FALSE(writer.Gathers());
    ASSERT_EQ(writer.Write(reinterpret_cast<const uint8_t*>("abc"), 3, &reason), 0) << reason;
    char got[4] = {};
    ASSERT_EQ(::read(in.Get(), got, 3), 3);
    EXPECT_STREQ(got, "abc");
    EXPECT_EQ(writer.Seek(0, SEEK_SET, &reason), -ESPIPE);
    EXPECT_EQ(reason, "Illegal seek");
}

}  // namespace
