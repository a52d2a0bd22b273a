#include "base/read_text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "base/file_check.h"
#include "base/format.h"

namespace {

constexpr size_t kChunk = 65536;

int fail(int code, std::string reason_text, std::string* text, std::string* reason) {
    text->clear();
    text->shrink_to_fit();
    if (reason) *reason = std::move(reason_text);
    return code;
}

std::string too_large_text(int64_t max_bytes) {
    return format_string("larger than %lld bytes", static_cast<long long>(max_bytes));
}

}  // namespace

int read_whole_text(const std::string& path, int64_t question_bytes,
                    const TextSizeQuestion& question, std::string* text, std::string* reason,
                    int64_t max_bytes) {
    text->clear();
    max_bytes = std::max<int64_t>(max_bytes, 0);
    std::string open_reason;
    UniqueFd fd = open_for_reading(path, &open_reason);
    if (!fd.Valid()) return fail(kReadOpenFailed, open_reason, text, reason);

    bool asked = false;
    auto ask = [&] {
        asked = true;
        return question && question();
    };
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) return fail(kReadFailed, error_text(errno), text, reason);
    // A regular file tells its size: too large a one is refused, or asked about,
    // before anything is read. Streams are judged as their bytes arrive.
    if (S_ISREG(info.st_mode)) {
        int64_t size = info.st_size;
        if (size > max_bytes) return fail(kReadTooLarge, too_large_text(max_bytes), text, reason);
        if (question_bytes > 0 && size > question_bytes && !ask())
            return fail(kReadDeclined, "the size was not accepted", text, reason);
        try {
            text->reserve(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            return fail(kReadOutOfMemory, error_text(ENOMEM), text, reason);
        }
    }

    for (;;) {
        size_t used = text->size();
        // Never grow the text past one byte over the limit: that byte proves it too large.
        int64_t left = max_bytes - static_cast<int64_t>(used);
        size_t room = left >= static_cast<int64_t>(kChunk) ? kChunk : static_cast<size_t>(left + 1);
        try {
            text->resize(used + room);
        } catch (const std::bad_alloc&) {
            return fail(kReadOutOfMemory, error_text(ENOMEM), text, reason);
        }
        ssize_t n = ::read(fd.Get(), text->data() + used, room);
        if (n < 0 && errno == EINTR) {
            text->resize(used);
            continue;
        }
        if (n < 0) return fail(kReadFailed, error_text(errno), text, reason);
        text->resize(used + static_cast<size_t>(n));
        if (n == 0) break;
        auto total = static_cast<int64_t>(text->size());
        if (total > max_bytes) return fail(kReadTooLarge, too_large_text(max_bytes), text, reason);
        if (!asked && question_bytes > 0 && total > question_bytes && !ask())
            return fail(kReadDeclined, "the size was not accepted", text, reason);
    }
    return 0;
}
