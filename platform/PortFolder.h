#pragma once
// The per-user folder in which virtual boxes (hx5310-sim) announce their ports as symbolic links
// to their pseudo-terminals. The simulator writes the links; the port enumerator lists them.
// A link leads to the terminal through the simulator's own /proc/<pid>/root, so the link of a
// simulator that has gone (killed before it could remove it) leads nowhere: it is neither
// listed nor opened, even when a new simulator has the same terminal.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace hx {

// $XDG_RUNTIME_DIR/hx5310, or /tmp/hx5310-<uid> when XDG_RUNTIME_DIR is unset, empty or not an
// absolute path.
inline std::string AnnouncedPortFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/')
        return std::string(runtime) + "/hx5310";
    return "/tmp/hx5310-" + std::to_string(static_cast<unsigned long>(::getuid()));
}

// True when folder is a real directory (not a link) owned by this user that nobody else may
// write into, so that the links in it can be trusted. With create set, a missing folder is made
// with mode 0700. On false, error says why.
inline bool CheckPrivateFolder(const std::string& folder, bool create, std::string& error) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT || !create) {
            error = folder + ": " + std::strerror(errno);
            return false;
        }
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create " + folder + ": " + std::strerror(errno);
            return false;
        }
        if (::lstat(folder.c_str(), &st) != 0) {
            error = folder + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!S_ISDIR(st.st_mode)) {
        error = folder + " is not a directory";
        return false;
    }
    if (st.st_uid != ::getuid()) {
        error = folder + " belongs to another user";
        return false;
    }
    if (st.st_mode & (S_IWGRP | S_IWOTH)) {
        error = folder + " may be written by other users";
        return false;
    }
    return true;
}

} // namespace hx
