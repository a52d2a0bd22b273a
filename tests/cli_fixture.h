#pragma once
// The fixture of the tests that run vemo: a private folder for each test, files
// written into it (scenarios in code page 932), and vemo run inside it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "tests/run_program.h"

class VemoCommand : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                (std::string("vemo-cli-") + info->test_suite_name() + "-" + info->name() + "-" +
                 std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // Writes `utf8` as code page 932, with CR LF line ends unless told otherwise.
    void Write(const std::string& name, const std::string& utf8, bool crlf = true) {
        std::string cp932;
        ASSERT_EQ(utf8_to_cp932(utf8, &cp932), 0);
        std::string bytes;
        for (char c : cp932) {
            if (crlf && c == '\n') bytes += '\r';
            bytes += c;
        }
        std::ofstream(m_dir / name, std::ios::binary) << bytes;
    }

    std::string Read(const std::string& name) const {
        std::ifstream file(m_dir / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    }

    size_t EntryCount() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(m_dir),
                                                 std::filesystem::directory_iterator()));
    }

    // vemo run in the folder; `standard_output` as run_program's (a file such as
    // /dev/full, or kClosedOutput).
    ProgramResult Vemo(const std::vector<std::string>& args,
                       const std::string& standard_output = {}) const {
        return run_program(VEMO_BINARY, args, m_dir.string(), standard_output);
    }

    std::filesystem::path m_dir;
};
