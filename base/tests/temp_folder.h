#pragma once
// A fresh folder for one test's files, removed with everything in it afterwards.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/cp932.h"

class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vemo-base-XXXXXX").string();
        if (::mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

    // Writes `bytes` as the whole content of `name` (making its folders) and
    // returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::error_code ignored;
        std::filesystem::create_directories((m_path / name).parent_path(), ignored);
        std::ofstream(m_path / name, std::ios::binary) << bytes;
        return (m_path / name).string();
    }

    // Writes `utf8` as code page 932 (a scenario), with CR LF line ends when asked.
    std::string WriteCp932(const std::string& name, const std::string& utf8,
                           bool crlf = false) const {
        std::string cp932, bytes;
        EXPECT_EQ(utf8_to_cp932(utf8, &cp932), 0) << utf8;
        for (char c : cp932) {
            if (crlf && c == '\n') bytes += '\r';
            bytes += c;
        }
        return Write(name, bytes);
    }

    // The number of the folder's entries, hidden ones included.
    size_t EntryCount() const {
        return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(m_path),
                                                 std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path m_path;
};

inline std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
