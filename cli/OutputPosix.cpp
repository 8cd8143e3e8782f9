#include "Output.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace hx::cli {

int OpenForWriting(const std::string& path, bool empty, const std::function<bool()>& stop,
                   std::string& error) {
    const int flags = O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_CREAT | (empty ? O_TRUNC : 0);
    for (;;) {
        const int fd = ::open(path.c_str(), flags, 0666);
        if (fd >= 0)
            return fd;
        // ENXIO: a FIFO that nobody reads yet.
        if (errno != ENXIO && errno != EINTR) {
            error = std::strerror(errno);
            return -1;
        }
        if (stop()) {
            error.clear();
            return -1;
        }
        ::poll(nullptr, 0, 50);
    }
}

bool WriteAllOrStop(int fd, const char* data, std::size_t size, const std::function<bool()>& stop) {
    std::size_t done = 0;
    while (done < size) {
        pollfd p{fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, 100);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0) {
            // No room yet: the only place where this waits.
            if (stop()) {
                errno = EINTR;
                return false;
            }
            continue;
        }
        // A pipe with room takes PIPE_BUF bytes without waiting, even on a blocking descriptor.
        const std::size_t chunk = std::min<std::size_t>(size - done, PIPE_BUF);
        const ssize_t n = ::write(fd, data + done, chunk);
        if (n < 0) {
            if (errno != EINTR && errno != EAGAIN)
                return false;
            if (stop())
                return false;
            continue;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void CloseOutput(int fd) {
    ::close(fd);
}

} // namespace hx::cli
