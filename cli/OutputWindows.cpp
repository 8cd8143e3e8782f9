#include "Files.h"
#include "Output.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace hx::cli {

int OpenForWriting(const std::string& path, bool empty, const std::function<bool()>& stop,
                   std::string& error) {
    (void)stop; // an open on Windows does not wait for a reader
    const int flags = _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT | (empty ? _O_TRUNC : 0);
    std::wstring wide;
    if (!Wide(path, wide)) {
        error = "the name is not UTF-8";
        return -1;
    }
    const int fd = ::_wopen(wide.c_str(), flags, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        error = std::strerror(errno);
    return fd;
}

bool WriteAllOrStop(int fd, const char* data, std::size_t size, const std::function<bool()>& stop) {
    // Writes block on Windows; they go in pieces, so that Ctrl-C ends a long one between them.
    constexpr std::size_t kPiece = 64 * 1024;
    std::size_t done = 0;
    while (done < size) {
        const unsigned chunk = static_cast<unsigned>(std::min(size - done, kPiece));
        const int n = ::_write(fd, data + done, chunk);
        if (n < 0)
            return false;
        done += static_cast<std::size_t>(n);
        if (done < size && stop()) {
            errno = EINTR;
            return false;
        }
    }
    return true;
}

void CloseOutput(int fd) {
    ::_close(fd);
}

} // namespace hx::cli
