#include "Output.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

namespace hx::cli {

namespace {

std::wstring Wide(const std::string& utf8) {
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                              n);
    return out;
}

} // namespace

int OpenForWriting(const std::string& path, bool empty, const std::function<bool()>& stop,
                   std::string& error) {
    (void)stop; // an open on Windows does not wait for a reader
    const int flags = _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT | (empty ? _O_TRUNC : 0);
    const int fd = ::_wopen(Wide(path).c_str(), flags, _S_IREAD | _S_IWRITE);
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
