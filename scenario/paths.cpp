#include "scenario/paths.h"

#include <filesystem>
#include <system_error>

std::string folder_of_file(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    if (error) absolute = fs::path(path);
    fs::path folder = absolute.lexically_normal().parent_path();
    if (folder.empty()) return std::string(1, '/');
    return folder.string();
}

std::string reported_file_name(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos || cut == 0) return path;
    return path.substr(cut + 1);
}

std::string absolute_path(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    if (error) return path;
    std::string normal = absolute.lexically_normal().string();
    if (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

bool is_regular_file(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(path), error);
}
