// Files on POSIX systems.
#include "Files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <time.h>
#include <unistd.h>

namespace hx {
namespace {

// A full quota reads as a full disk: to the user both mean there is no room.
int Portable(int err) {
    return err == EDQUOT ? ENOSPC : err;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int OpenRegularFd(const std::string& path, int& err) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer, and some devices wait for a line.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        err = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

} // namespace

std::FILE* OpenRegularFile(const std::string& path, int& err) {
    const int fd = OpenRegularFd(path, err);
    if (fd < 0) {
        err = Portable(err);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        err = Portable(errno);
        ::close(fd);
    }
    return f;
}

namespace {

// The file a write to path lands in: path itself, or the end of the chain of symbolic links
// that starts there, which need not exist yet (a link to a file still to be made). The links
// themselves are kept.
bool WriteTarget(const std::string& path, std::string& target, int& err) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return true; // a new file
            err = errno;
            return false;
        }
        if (!S_ISLNK(st.st_mode))
            return true;
        char link[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), link, sizeof link - 1);
        if (n <= 0) {
            err = n < 0 ? errno : ENOENT;
            return false;
        }
        const std::string to(link, static_cast<std::size_t>(n));
        target = to[0] == '/' ? to : FolderOf(target) + "/" + to;
    }
    err = ELOOP;
    return false;
}

// A file without a name in folder (O_TMPFILE), or -1 where the file system has none.
int UnnamedFile(const std::string& folder) {
#ifdef O_TMPFILE
    return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    (void)folder;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Gives an unnamed file the name name; fails with EEXIST when the name is taken.
bool NameUnnamedFile(int fd, const std::string& name) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// A file being written in a folder: unnamed while it is written where the file system allows,
// so that a program killed meanwhile leaves nothing behind; otherwise under a hidden temporary
// name. Either way it is only ever seen under its final name complete.
class NewFile {
public:
    explicit NewFile(const std::string& folder, const std::string& stem)
        : m_folder(folder), m_stem(stem) {}
    ~NewFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_temp.empty())
            ::unlink(m_temp.c_str());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool Open(int& err) {
        m_fd = UnnamedFile(m_folder);
        if (m_fd >= 0) {
            m_unnamed = true;
            return true;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            err = errno; // the folder itself is the problem
            return false;
        }
        return TempName(err, /*linkOnly=*/false);
    }

    // Writes bytes, takes over the owner and permissions of like (when given) and flushes the
    // file to the disk.
    bool Fill(const std::string& bytes, const struct stat* like, int& err) {
        if (!WriteAll(m_fd, bytes)) {
            err = errno;
            return false;
        }
        if (like) {
            struct stat own {};
            if (::fstat(m_fd, &own) != 0) {
                err = errno;
                return false;
            }
            // A file that kept another owner or group than its writer's would change hands.
            if ((own.st_uid != like->st_uid || own.st_gid != like->st_gid) &&
                ::fchown(m_fd, like->st_uid, like->st_gid) != 0) {
                err = kOwnerNotKept;
                return false;
            }
            if (::fchmod(m_fd, like->st_mode & 07777) != 0) {
                err = errno;
                return false;
            }
        }
        if (::fsync(m_fd) != 0) {
            err = errno;
            return false;
        }
        return true;
    }

    // Puts the file in place of the one at path (or where nothing is).
    bool Replace(const std::string& path, int& err) {
        if (m_unnamed && !TempName(err, /*linkOnly=*/true))
            return false;
        if (::rename(m_temp.c_str(), path.c_str()) != 0) {
            err = errno;
            return false;
        }
        m_temp.clear();
        return true;
    }

    // Gives the file the first free name of names(0), names(1) ...; never replaces a file.
    bool Create(const std::function<std::string(int)>& names, int attempts, std::string& created,
                int& err) {
        return FirstFreeName(
            names, attempts,
            [&](const std::string& name) {
                return m_unnamed ? NameUnnamedFile(m_fd, name)
                                 : ::link(m_temp.c_str(), name.c_str()) == 0;
            },
            created, err);
    }

    bool Close(int& err) {
        const int r = ::close(m_fd);
        m_fd = -1;
        if (r != 0) {
            err = errno;
            return false;
        }
        return true;
    }

private:
    // A hidden name beside the target: a new file (linkOnly false), or a link to the unnamed one.
    bool TempName(int& err, bool linkOnly) {
        auto names = [&](int attempt) {
            char suffix[48];
            std::snprintf(suffix, sizeof suffix, "%ld-%d.tmp", static_cast<long>(::getpid()),
                          attempt);
            return m_folder + "/." + m_stem + "." + suffix;
        };
        return FirstFreeName(
            names, 100,
            [&](const std::string& temp) {
                if (linkOnly)
                    return NameUnnamedFile(m_fd, temp);
                m_fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
                return m_fd >= 0;
            },
            m_temp, err);
    }

    // Tries names(0), names(1) ... with make until one is made (chosen names it); a name that
    // exists already is passed over, any other failure ends the search with its errno.
    static bool FirstFreeName(const std::function<std::string(int)>& names, int attempts,
                              const std::function<bool(const std::string&)>& make,
                              std::string& chosen, int& err) {
        for (int i = 0; i < attempts; ++i) {
            const std::string name = names(i);
            if (make(name)) {
                chosen = name;
                return true;
            }
            if (errno != EEXIST) {
                err = errno;
                return false;
            }
        }
        err = EEXIST;
        return false;
    }

    std::string m_folder, m_stem, m_temp;
    int m_fd = -1;
    bool m_unnamed = false;
};

void SyncFolder(const std::string& folder) {
    // Makes the new name itself durable; a failure here no longer puts the file at risk.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace

namespace {

// Where a save to path writes (target) and what is there now (exists, st); 0, or why the save
// cannot replace it.
int CheckSaveTarget(const std::string& path, std::string& target, bool& exists, struct stat& st) {
    int err = 0;
    if (!WriteTarget(path, target, err))
        return err;
    exists = ::stat(target.c_str(), &st) == 0;
    if (!exists)
        return 0;
    if (!S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
    // Renaming over a file needs only the folder's permission: the file's own decides.
    const int probe = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (probe < 0)
        return errno;
    ::close(probe);
    return 0;
}

} // namespace

int SaveTargetProblem(const std::string& path) {
    std::string target;
    bool exists = false;
    struct stat st {};
    if (const int err = CheckSaveTarget(path, target, exists, st))
        return Portable(err);
    if (!exists && ::faccessat(AT_FDCWD, FolderOf(target).c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return Portable(errno);
    return 0;
}

bool ReplaceFileWith(const std::string& path, const std::string& bytes, int& err) {
    std::string target;
    bool exists = false;
    struct stat st {};
    err = CheckSaveTarget(path, target, exists, st);
    if (err != 0) {
        err = Portable(err);
        return false;
    }
    NewFile file(FolderOf(target), NameOf(target));
    if (!file.Open(err) || !file.Fill(bytes, exists ? &st : nullptr, err) ||
        !file.Replace(target, err) || !file.Close(err)) {
        err = Portable(err);
        return false;
    }
    SyncFolder(FolderOf(target));
    return true;
}

std::string RealFilePath(const std::string& path) {
    std::string target;
    int err = 0;
    if (!WriteTarget(path, target, err))
        return {};
    char real[PATH_MAX];
    if (::realpath(FolderOf(target).c_str(), real))
        return std::string(real) + "/" + NameOf(target);
    return target;
}

int NameCount(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return static_cast<int>(st.st_nlink);
}

bool FolderExists(const std::string& folder) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

PathKind KindOfPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return PathKind::Missing;
    if (S_ISREG(st.st_mode))
        return PathKind::File;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::Other;
}

bool CreateNewFile(const std::string& folder, const std::function<std::string(int)>& names,
                   int attempts, const std::string& bytes, std::string& created, int& err) {
    NewFile file(folder, names(0));
    std::string path;
    auto inFolder = [&](int i) { return folder + "/" + names(i); };
    if (!file.Open(err) || !file.Fill(bytes, nullptr, err) ||
        !file.Create(inFolder, attempts, path, err) || !file.Close(err)) {
        if (!path.empty())
            ::unlink(path.c_str()); // named but not closed cleanly: not a file to rely on
        err = Portable(err);
        return false;
    }
    created = path;
    SyncFolder(folder);
    return true;
}

std::vector<FolderEntry> RegularFilesIn(const std::string& folder) {
    std::vector<FolderEntry> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) == 0 && S_ISREG(st.st_mode))
            files.push_back(
                {it->path().filename().string(),
                 static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec});
    }
    return files;
}

bool MakeFolders(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

bool RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool AppendLineDurably(const std::string& path, const std::string& line, unsigned waitMs,
                       int& err) {
    bool made = true;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
        made = false;
        // A FIFO is not waited for: the record is a file.
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
    }
    if (fd < 0) {
        err = Portable(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); } // lets go of the lock too
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        err = kNotRegularFile;
        return false;
    }
    for (unsigned waited = 0;; waited += 10) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            break;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            err = Portable(errno);
            return false;
        }
        if (waited >= waitMs) {
            err = EBUSY;
            return false;
        }
        ::poll(nullptr, 0, 10);
    }
    const off_t before = ::lseek(fd, 0, SEEK_END);
    ssize_t n = -1;
    do
        n = ::write(fd, line.data(), line.size());
    while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(line.size())) {
        err = n < 0 ? Portable(errno) : ENOSPC;
        if (n > 0 && before >= 0 && ::ftruncate(fd, before) != 0)
            err = EIO; // the part written could not be taken back
        return false;
    }
    if (::fsync(fd) != 0) {
        err = Portable(errno);
        return false;
    }
    if (made)
        SyncFolder(FolderOf(path));
    return true;
}

std::vector<LinkEntry> LinksIn(const std::string& folder) {
    std::vector<LinkEntry> links;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            continue;
        char real[PATH_MAX];
        if (::realpath(it->path().c_str(), real))
            links.push_back({it->path().filename().string(), real});
    }
    return links;
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    ::localtime_r(&t, &local);
    return local;
}

int64_t WallClockNs() {
    timespec clock{};
    ::clock_gettime(CLOCK_REALTIME, &clock);
    return static_cast<int64_t>(clock.tv_sec) * 1000000000 + clock.tv_nsec;
}

} // namespace hx
