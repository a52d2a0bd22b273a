#include "cli/output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>

#include "base/atomic_file.h"
#include "base/unique_fd.h"
#include "cli/exit_codes.h"

namespace {

int standard_output_failed(const std::string& reason) {
    std::cerr << "vemo: cannot write the standard output: " << reason << std::endl;
    return kExitOutputFailed;
}

}  // namespace

void hold_standard_streams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        // The lowest free number is `fd` itself: the ones below it are taken.
        int held = ::open("/dev/null", O_RDONLY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

int write_standard_output(std::string_view text) {
    // Whatever the C stream still buffers goes first, so that the order holds.
    if (std::fflush(stdout) != 0) return standard_output_failed(error_text(errno));
    std::string reason;
    if (write_all(STDOUT_FILENO, text, &reason) != 0) return standard_output_failed(reason);
    return kExitOk;
}

int flush_standard_output() {
    errno = 0;
    std::cout.flush();  // flushes the C stream too, which it writes through
    if (std::fflush(stdout) != 0 || std::ferror(stdout) || std::cout.fail()) {
        // A stream that failed earlier may no longer know why.
        return standard_output_failed(error_text(errno != 0 ? errno : EIO));
    }
    return kExitOk;
}

int write_output_file(const std::string& path, std::string_view bytes, const ReadFileSet& read) {
    std::string reason;
    if (write_file_atomically(path, bytes, read, &reason) != 0) {
        std::cerr << "vemo: cannot write " << path << ": " << reason << std::endl;
        return kExitOutputFailed;
    }
    return kExitOk;
}
