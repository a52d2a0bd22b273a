#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "base/format.h"

namespace {

constexpr int kMaxLinks = 40;     // the kernel's own limit on a chain of links
constexpr size_t kMaxName = 255;  // bytes in one file name
constexpr int kTemporaryTries = 100;

int set_reason(int code, const std::string& text, std::string* reason) {
    if (reason) *reason = text;
    return code;
}

bool under_proc(const std::string& folder) {
    return folder == "/proc" || folder.rfind("/proc/", 0) == 0;
}

// Where `path` finally leads: the real folder and the name in it, following the
// symbolic links of the last component (a dangling link leads to the file it
// names, which writing creates). *through_proc is set when the way passes through
// /proc, where /dev/stdout and /dev/fd/N lead: those name open descriptors of the
// process, never a file to replace. 0 or the negated error number.
int resolve_target(const std::string& path, std::string* folder, std::string* name,
                   bool* through_proc) {
    *through_proc = false;
    std::string current = path;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        size_t slash = current.rfind('/');
        std::string dir = slash == std::string::npos ? "."
                          : slash == 0               ? "/"
                                                     : current.substr(0, slash);
        *name = slash == std::string::npos ? current : current.substr(slash + 1);
        if (name->empty() || *name == "." || *name == "..") return -EISDIR;
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(dir.c_str(), nullptr),
                                                         &std::free);
        if (!real) return -errno;
        *folder = real.get();
        if (under_proc(*folder)) {
            *through_proc = true;
            return 0;
        }
        std::string full = (*folder == "/" ? "/" : *folder + "/") + *name;
        struct stat info {};
        if (::lstat(full.c_str(), &info) != 0) {
            if (errno == ENOENT) return 0;
            return -errno;
        }
        if (!S_ISLNK(info.st_mode)) return 0;
        char link[PATH_MAX];
        ssize_t length = ::readlink(full.c_str(), link, sizeof link);
        if (length < 0) return -errno;
        if (static_cast<size_t>(length) >= sizeof link) return -ENAMETOOLONG;
        std::string text(link, static_cast<size_t>(length));
        current = text[0] == '/' ? text : *folder + "/" + text;
    }
    return -ELOOP;
}

// A name no other writer is likely to choose; O_EXCL settles the rest.
std::string temporary_name(const std::string& name) {
    static std::atomic<uint64_t> counter{0};
    uint64_t x =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<uint64_t>(::getpid()) << 32) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    // splitmix64's finaliser spreads the bits.
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    std::string tag = format_string(".part-%08x", static_cast<unsigned>(x & 0xFFFFFFFFu));

    // The extension stays last, so that a writer choosing its format by the name
    // (a muxer) sees the target's. Hidden, so that a listing does not show it.
    size_t dot = name.rfind('.');
    std::string stem = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);
    std::string extension = stem.size() == name.size() ? "" : name.substr(dot);
    if (1 + tag.size() + extension.size() > kMaxName) extension.clear();
    size_t room = kMaxName - 1 - tag.size() - extension.size();
    if (stem.size() > room) stem.resize(room);
    return "." + stem + tag + extension;
}

}  // namespace

int AtomicFile::Open(const std::string& target, const ReadFileSet& read, std::string* reason) {
    Discard();
    m_direct = false;
    m_target.clear();
    m_writePath.clear();
    if (target.empty()) return set_reason(kOutputCreateFailed, error_text(ENOENT), reason);

    if (read.Contains(target)) return set_reason(kOutputRefused, kReadFileReason, reason);

    std::string folder, name;
    bool through_proc = false;
    int error = resolve_target(target, &folder, &name, &through_proc);
    if (error != 0) return set_reason(kOutputCreateFailed, error_text(-error), reason);

    struct stat existing {};
    bool exists = ::stat(target.c_str(), &existing) == 0;
    if (through_proc || (exists && !S_ISREG(existing.st_mode))) {
        if (exists && S_ISDIR(existing.st_mode))
            return set_reason(kOutputCreateFailed, error_text(EISDIR), reason);
        // Appending: a regular file reached through the standard output was opened
        // by the shell, truncated by ">" or kept by ">>". Not blocking: a FIFO with
        // no reader fails at once ("No such device or address") instead of hanging.
        UniqueFd fd(
            ::open(target.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!fd.Valid()) return set_reason(kOutputCreateFailed, error_text(errno), reason);
        int flags = ::fcntl(fd.Get(), F_GETFL);
        if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
            return set_reason(kOutputCreateFailed, error_text(errno), reason);
        m_fd = std::move(fd);
        m_direct = true;
        m_target = target;
        m_writePath = target;
        return 0;
    }

    std::string prefix = (folder == "/" ? "/" : folder + "/");
    m_target = prefix + name;
    for (int attempt = 0; attempt < kTemporaryTries; ++attempt) {
        std::string path = prefix + temporary_name(name);
        UniqueFd fd(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd.Valid()) {
            if (errno == EEXIST) continue;
            return set_reason(kOutputCreateFailed, error_text(errno), reason);
        }
        m_fd = std::move(fd);
        m_writePath = path;
        m_pending = true;
        break;
    }
    if (!m_pending) return set_reason(kOutputCreateFailed, error_text(EEXIST), reason);

    // A replaced file keeps its owner (where the process may give it) and its
    // permissions: a private file must not turn readable by everyone.
    if (exists) {
        if ((existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) &&
            ::fchown(m_fd.Get(), existing.st_uid, existing.st_gid) != 0) {
            // Only a privileged process may give a file away; ours stays ours.
        }
        if (::fchmod(m_fd.Get(), existing.st_mode & 07777) != 0) {
            int failure = errno;
            Discard();
            return set_reason(kOutputCreateFailed, error_text(failure), reason);
        }
    }
    return 0;
}

int AtomicFile::Commit(std::string* reason) {
    if (!m_fd.Valid()) return set_reason(kOutputWriteFailed, error_text(EBADF), reason);
    if (!m_direct && ::fsync(m_fd.Get()) != 0) {
        int failure = errno;
        Discard();
        return set_reason(kOutputWriteFailed, error_text(failure), reason);
    }
    int closed = m_fd.Close();
    if (closed != 0) {
        Discard();
        return set_reason(kOutputWriteFailed, error_text(-closed), reason);
    }
    if (m_direct) return 0;
    if (::rename(m_writePath.c_str(), m_target.c_str()) != 0) {
        int failure = errno;
        Discard();
        return set_reason(kOutputRenameFailed, error_text(failure), reason);
    }
    m_pending = false;
    return 0;
}

void AtomicFile::Discard() {
    m_fd.Reset();
    if (m_pending) ::unlink(m_writePath.c_str());
    m_pending = false;
}

int write_file_atomically(const std::string& path, std::string_view bytes, const ReadFileSet& read,
                          std::string* reason) {
    AtomicFile file;
    int result = file.Open(path, read, reason);
    if (result != 0) return result;
    if (write_all(file.Fd(), bytes, reason) != 0) return kOutputWriteFailed;
    return file.Commit(reason);
}
