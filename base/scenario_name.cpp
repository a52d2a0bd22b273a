#include "base/scenario_name.h"

#include "base/cp932.h"

std::string resolve_scenario_name(const std::string& folder, std::string_view name) {
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
