#pragma once
// A fixture for the tests of picture files: a folder for the files it writes, and
// every way of loading one.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "base/tests/temp_folder.h"
#include "image/picture_file.h"
#include "image/tests/compose_test_support.h"
#include "image/tests/picture_fixtures.h"

namespace picture_fixtures {

// A folder for a test's files. Load writes bytes to a file and loads it from the
// file, from memory and into 32-bit pixels: the three must agree.
class PictureFolder : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_folder / name; }

    ImagePtr Load(const std::string& name, const Bytes& bytes) const {
        write_file(Path(name), bytes);
        ImagePtr from_file(load_picture(Path(name)));
        ImagePtr from_memory(load_picture_from_memory(bytes.data(), bytes.size()));
        ImagePtr wide(load_picture32(Path(name)));
        EXPECT_EQ(bool(from_file), bool(from_memory)) << name;
        EXPECT_EQ(bool(from_file), bool(wide)) << name;
        if (from_file && from_memory) {
            EXPECT_TRUE(same_pixels(from_file.get(), from_memory.get()));
        }
        if (from_file && wide) {
            EXPECT_TRUE(same_pixels(wide.get(), ImagePtr(image24_to_32(from_file.get())).get()));
        }
        return from_file;
    }

    TempFolder m_folder;
};

// (red, green, blue) of a loaded pixel as one 0xRRGGBB word.
inline uint32_t rgb_at(const CImageBuffer* image, int x, int y) {
    return uint32_t(get_component(image, x, y, 0)) << 16 |
           uint32_t(get_component(image, x, y, 1)) << 8 | get_component(image, x, y, 2);
}

// Fills `size`-byte pixels with word(x, y), its lowest byte first.
inline std::function<void(AVFrame*)> words(int size, std::function<uint32_t(int, int)> word) {
    return pixels(size, [size, word](uint8_t* p, int x, int y) {
        for (int i = 0; i < size; ++i) p[i] = uint8_t(word(x, y) >> 8 * i);
    });
}

// Smooth ramps in all three components.
inline uint32_t ramp(int x, int y) {
    return uint32_t(x * 30) << 16 | uint32_t(y * 30) << 8 | uint32_t((x + y) * 15);
}

}  // namespace picture_fixtures
