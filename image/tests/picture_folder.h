#pragma once
// A fixture for the tests of picture files: a folder for the files it writes, and
// every way of loading one.

#include <gtest/gtest.h>

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

}  // namespace picture_fixtures
