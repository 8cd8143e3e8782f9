// Files on Windows: the wide-character calls, so that names in any script work whatever the ANSI
// code page; a file is replaced by writing a new one beside it, flushing it and putting it in
// place with ReplaceFileW, which keeps the old file's permissions (its access control list),
// attributes and creation time.
#include "Files.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <system_error>

namespace hx {

// UTF-8 to wide characters, with the separators as Windows writes them (paths that begin with
// \\?\ take no forward slashes). False for a text that is not UTF-8.
bool Wide(const std::string& utf8, std::wstring& wide) {
    wide.clear();
    if (utf8.empty())
        return true;
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                        static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(n));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                          wide.data(), n);
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return true;
}

namespace {

std::string Utf8(const wchar_t* wide) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), n, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(n - 1));
    return utf8;
}

// ERROR_DISK_QUOTA_EXCEEDED, which MinGW's headers lack.
constexpr DWORD kDiskQuotaExceeded = 1295;

// The error number that stands for a Windows error code.
int ErrorNumber(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kDiskQuotaExceeded:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        return ENAMETOOLONG;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_FILE_TOO_LARGE:
        return EFBIG;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    default:
        return EIO;
    }
}

int LastError() {
    return ErrorNumber(::GetLastError());
}

// The folder of a path and the name in it, the path having backslashes only.
std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos)
        return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : L".";
    // "C:\name" and "\name" lie in a root folder, which keeps its backslash.
    if (slash == 0 || (slash == 2 && path[1] == L':'))
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::wstring NameOf(const std::wstring& path) {
    const std::size_t cut = path.find_last_of(L"\\:");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

std::wstring InFolder(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L':'))
        return folder + name;
    return folder + L'\\' + name;
}

class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return m_h; }
    bool Valid() const { return m_h != INVALID_HANDLE_VALUE; }
    HANDLE Release() {
        const HANDLE h = m_h;
        m_h = INVALID_HANDLE_VALUE;
        return h;
    }
    bool Close() {
        if (!Valid())
            return true;
        return ::CloseHandle(Release()) != 0;
    }

private:
    HANDLE m_h;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The file a write to path lands in: path itself, or for a symbolic link the file it leads to
// (the link is kept). A link to nothing is written as it stands.
std::wstring WriteTarget(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    Handle file(::CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid())
        return path;
    std::wstring final(32768, L'\0');
    const DWORD n =
        ::GetFinalPathNameByHandleW(file.Get(), final.data(), static_cast<DWORD>(final.size()),
                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= final.size())
        return path;
    final.resize(n);
    return final;
}

// 0 when a file may be made in folder: one is made and deleted again.
int FolderProblem(const std::wstring& folder) {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return LastError();
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ENOTDIR;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring probe =
            InFolder(folder, L".hx5310-probe-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(attempt) + L".tmp");
        Handle file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (file.Valid())
            return 0;
        if (::GetLastError() != ERROR_FILE_EXISTS)
            return LastError();
    }
    return EEXIST;
}

// Where a save to path writes (target) and whether a file is there now; 0, or why the save
// cannot replace it.
int CheckSaveTarget(const std::string& path, std::wstring& target, bool& exists) {
    exists = false;
    std::wstring wide;
    if (!Wide(path, wide) || wide.empty())
        return ENOENT;
    target = WriteTarget(wide);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = ::GetLastError();
        return code == ERROR_FILE_NOT_FOUND ? 0 : ErrorNumber(code);
    }
    exists = true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EISDIR;
    // A read-only file, or one this user's rights do not let him write, is not replaced, even
    // where the folder would allow it.
    Handle file(::CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return LastError();
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK)
        return kNotRegularFile;
    return 0;
}

// A new file beside the target, written, flushed to the disk and closed; deleted again unless
// it was put in place (Placed).
class NewFile {
public:
    NewFile() = default;
    ~NewFile() {
        if (!m_path.empty())
            ::DeleteFileW(m_path.c_str());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    bool Write(const std::wstring& folder, const std::wstring& stem, const std::string& bytes,
               int& err) {
        HANDLE made = INVALID_HANDLE_VALUE;
        for (unsigned attempt = 0; attempt < 100 && made == INVALID_HANDLE_VALUE; ++attempt) {
            const std::wstring temp =
                InFolder(folder, L"." + stem + L"." + std::to_wstring(::GetCurrentProcessId()) +
                                     L"-" + std::to_wstring(attempt) + L".tmp");
            made = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
            if (made != INVALID_HANDLE_VALUE)
                m_path = temp;
            else if (::GetLastError() != ERROR_FILE_EXISTS) {
                err = LastError();
                return false;
            }
        }
        if (made == INVALID_HANDLE_VALUE) {
            err = EEXIST;
            return false;
        }
        Handle file(made);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const DWORD chunk =
                static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            if (!::WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr)) {
                err = LastError();
                return false;
            }
            if (written == 0) {
                err = EIO;
                return false;
            }
            done += written;
        }
        if (!::FlushFileBuffers(file.Get())) {
            err = LastError();
            return false;
        }
        if (!file.Close()) {
            err = LastError();
            return false;
        }
        return true;
    }
    const std::wstring& Path() const { return m_path; }
    void Placed() { m_path.clear(); }

private:
    std::wstring m_path;
};

} // namespace

std::FILE* OpenRegularFile(const std::string& path, int& err) {
    std::wstring wide;
    if (!Wide(path, wide) || wide.empty()) {
        err = ENOENT;
        return nullptr;
    }
    // Folders open only with backup semantics; they are told apart below. Opening never waits:
    // a pipe without a reader fails at once, a port opens as a character device.
    Handle file(::CreateFileW(wide.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) {
        err = LastError();
        return nullptr;
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        err = kNotRegularFile;
        return nullptr;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.Get(), &info)) {
        err = LastError();
        return nullptr;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        err = EISDIR;
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file.Get()), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        err = errno;
        return nullptr;
    }
    file.Release(); // the descriptor owns it now
    std::FILE* f = ::_fdopen(fd, "rb");
    if (!f) {
        err = errno;
        ::_close(fd);
    }
    return f;
}

int SaveTargetProblem(const std::string& path) {
    std::wstring target;
    bool exists = false;
    if (const int err = CheckSaveTarget(path, target, exists))
        return err;
    return exists ? 0 : FolderProblem(FolderOf(target));
}

bool ReplaceFileWith(const std::string& path, const std::string& bytes, int& err) {
    std::wstring target;
    bool exists = false;
    if ((err = CheckSaveTarget(path, target, exists)) != 0)
        return false;
    NewFile file;
    if (!file.Write(FolderOf(target), NameOf(target), bytes, err))
        return false;
    bool replaced = false;
    if (exists) {
        replaced =
            ::ReplaceFileW(target.c_str(), file.Path().c_str(), nullptr, 0, nullptr, nullptr) != 0;
        const DWORD code = replaced ? ERROR_SUCCESS : ::GetLastError();
        // A file system without ReplaceFileW still renames in one step.
        const bool unsupported = code == ERROR_NOT_SUPPORTED || code == ERROR_INVALID_FUNCTION ||
                                 code == ERROR_CALL_NOT_IMPLEMENTED;
        if (!replaced && !unsupported) {
            err = ErrorNumber(code);
            return false;
        }
    }
    if (!replaced && !::MoveFileExW(file.Path().c_str(), target.c_str(),
                                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        err = LastError();
        return false;
    }
    file.Placed();
    return true;
}

bool CreateNewFile(const std::string& folder, const std::function<std::string(int)>& names,
                   int attempts, const std::string& bytes, std::string& created, int& err) {
    std::wstring wideFolder, name;
    if (!Wide(folder, wideFolder) || !Wide(names(0), name)) {
        err = ENOENT;
        return false;
    }
    NewFile file;
    if (!file.Write(wideFolder, name, bytes, err))
        return false;
    for (int i = 0; i < attempts; ++i) {
        if (!Wide(names(i), name)) {
            err = ENOENT;
            return false;
        }
        // Without MOVEFILE_REPLACE_EXISTING the name is taken only when nobody has it.
        if (::MoveFileExW(file.Path().c_str(), InFolder(wideFolder, name).c_str(),
                          MOVEFILE_WRITE_THROUGH)) {
            file.Placed();
            created = folder + "/" + names(i);
            return true;
        }
        const DWORD code = ::GetLastError();
        if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS) {
            err = ErrorNumber(code);
            return false;
        }
    }
    err = EEXIST;
    return false;
}

std::vector<FolderEntry> RegularFilesIn(const std::string& folder) {
    std::vector<FolderEntry> files;
    std::wstring wide;
    if (!Wide(folder, wide))
        return files;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW(InFolder(wide, L"*").c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    constexpr DWORD kNotRegular =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    // File times count 100 ns from 1601.
    constexpr int64_t k1601To1970 = 116444736000000000;
    do {
        if (found.dwFileAttributes & kNotRegular)
            continue;
        const int64_t ticks = static_cast<int64_t>(
            (static_cast<uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
            found.ftLastWriteTime.dwLowDateTime);
        files.push_back({Utf8(found.cFileName), (ticks - k1601To1970) * 100});
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return files;
}

std::string RealFilePath(const std::string& path) {
    std::wstring wide;
    if (!Wide(path, wide) || wide.empty())
        return {};
    const std::wstring target = WriteTarget(wide);
    std::wstring full(32768, L'\0');
    const DWORD n =
        ::GetFullPathNameW(target.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size())
        return Utf8(target.c_str());
    full.resize(n);
    return Utf8(full.c_str());
}

int NameCount(const std::string& path) {
    std::wstring wide;
    if (!Wide(path, wide))
        return 0;
    Handle file(::CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.Valid() || !::GetFileInformationByHandle(file.Get(), &info))
        return 0;
    return static_cast<int>(info.nNumberOfLinks);
}

bool FolderExists(const std::string& folder) {
    std::wstring wide;
    if (!Wide(folder, wide))
        return false;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

PathKind KindOfPath(const std::string& path) {
    std::wstring wide;
    if (!Wide(path, wide) || wide.empty())
        return PathKind::Missing;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return PathKind::Folder;
    // Devices (NUL, CON, COM ports) and pipes answer to a handle's GetFileType, not to the
    // attributes; a name that cannot be opened at all is taken as missing.
    HANDLE h =
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return attributes == INVALID_FILE_ATTRIBUTES ? PathKind::Missing : PathKind::File;
    const DWORD type = ::GetFileType(h);
    ::CloseHandle(h);
    return type == FILE_TYPE_DISK ? PathKind::File : PathKind::Other;
}

bool MakeFolders(const std::string& folder) {
    std::wstring wide;
    if (!Wide(folder, wide))
        return false;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(wide), ec);
    return std::filesystem::is_directory(std::filesystem::path(wide), ec);
}

bool RemoveFile(const std::string& path) {
    std::wstring wide;
    return Wide(path, wide) && ::DeleteFileW(wide.c_str()) != 0;
}

bool AppendLineDurably(const std::string& path, const std::string& line, unsigned waitMs,
                       int& err) {
    std::wstring wide;
    if (!Wide(path, wide) || wide.empty()) {
        err = ENOENT;
        return false;
    }
    // FILE_APPEND_DATA alone: every write goes to the end of the file, as O_APPEND does.
    Handle file(::CreateFileW(wide.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        err = LastError();
        return false;
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        err = kNotRegularFile;
        return false;
    }
    OVERLAPPED whole{};
    for (unsigned waited = 0;; waited += 10) {
        if (::LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                         MAXDWORD, MAXDWORD, &whole))
            break;
        if (::GetLastError() != ERROR_LOCK_VIOLATION && ::GetLastError() != ERROR_IO_PENDING) {
            err = LastError();
            return false;
        }
        if (waited >= waitMs) {
            err = EBUSY;
            return false;
        }
        ::Sleep(10);
    }
    DWORD written = 0;
    const bool ok =
        ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
        written == line.size();
    if (!ok)
        err = written == 0 ? LastError() : ENOSPC;
    const bool flushed = ok && ::FlushFileBuffers(file.Get());
    if (ok && !flushed)
        err = LastError();
    ::UnlockFileEx(file.Get(), 0, MAXDWORD, MAXDWORD, &whole);
    return flushed;
}

std::vector<LinkEntry> LinksIn(const std::string& folder) {
    (void)folder; // serial adapters have no links to them on Windows
    return {};
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    ::localtime_s(&local, &t);
    return local;
}

int64_t WallClockNs() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const int64_t ticks =
        static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return (ticks - 116444736000000000) * 100;
}

} // namespace hx
