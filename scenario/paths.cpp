#include "scenario/paths.h"

#include <filesystem>
#include <system_error>

#include "base/cp932.h"

std::string ResolveScenarioName(const std::string& folder, std::string_view name) {
    std::string bytes(name);
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80) {
            ++i;  // the second byte belongs to the character, whatever it is
        } else if (c == '\\') {
            bytes[i] = '/';
        }
    }
    std::string converted = cp932_to_utf8(bytes);
    bool absolute =
        (name.size() >= 2 && name[1] == ':') || (!converted.empty() && converted.front() == '/');
    if (absolute || folder.empty()) return converted;
    std::string path;
    path.reserve(folder.size() + 1 + converted.size());
    path.append(folder);
    if (folder.back() != '/') path.append("/");
    path.append(converted);
    return path;
}

std::string FolderOfFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    if (error) absolute = fs::path(path);
    fs::path folder = absolute.lexically_normal().parent_path();
    if (folder.empty()) return std::string(1, '/');
    return folder.string();
}

std::string ReportedFileName(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos || cut == 0) return path;
    return path.substr(cut + 1);
}
