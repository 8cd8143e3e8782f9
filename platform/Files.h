#pragma once
// Files: the one place where the operating system's file calls live, FilesPosix.cpp on Linux and
// FilesWindows.cpp on Windows. Paths are UTF-8 on both; Windows gets them as wide characters, so
// names in Japanese work whatever the ANSI code page. Errors are the system's error numbers as
// <cerrno> names them (Windows' own codes are translated to these) or one of the reasons below.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace hx {

// Reasons beside the system's error numbers.
constexpr int kNotRegularFile = -1; // a FIFO, a device, a socket
constexpr int kOwnerNotKept = -2;   // a replacement could not keep the old file's owner or group

// Opens path for reading without ever waiting (a FIFO without a writer, a device that waits
// for a line) and keeps it only when it is a regular file: the stream, or null with err set to
// the system's error number, EISDIR for a folder, or kNotRegularFile.
std::FILE* OpenRegularFile(const std::string& path, int& err);

// 0 when ReplaceFileWith(path) can go ahead as far as can be told beforehand: a regular file
// this user may write, or a new name in a folder this user may write; otherwise why (a system
// error number, EISDIR, or kNotRegularFile).
int SaveTargetProblem(const std::string& path);

// Writes bytes to path so that a file already there is only ever replaced by a complete new
// one that keeps the old one's owner and permissions: the bytes go to a new file in the same
// folder, which is flushed to the disk and then put in place of the old file in one step. A
// symbolic link at path is kept and the file it leads to is written. A file there that this
// user may not write is not replaced, even where the folder would allow it. On failure nothing
// at path changes, no temporary file is left, and err says why.
bool ReplaceFileWith(const std::string& path, const std::string& bytes, int& err);

// Writes bytes to a new file in folder under the first of the names names(0), names(1) ...
// (at most attempts of them) that no file has, and never under a name that another program
// takes meanwhile: the file appears complete under its name, or not at all. created is then
// its path (folder, a slash, the name); on failure err says why.
bool CreateNewFile(const std::string& folder, const std::function<std::string(int)>& names,
                   int attempts, const std::string& bytes, std::string& created, int& err);

// A regular file in a folder and its modification time (ns since 1970).
struct FolderEntry {
    std::string name;
    int64_t modifiedNs = 0;
};

// The regular files of folder (not links, folders or devices); empty when it cannot be read.
std::vector<FolderEntry> RegularFilesIn(const std::string& folder);

// Where the file at path really is: the end of the chain of symbolic links that starts there
// (which need not exist yet), in its folder's real path where that folder exists, so that every
// name that reaches one file, a dangling link included, gives the same text.
std::string RealFilePath(const std::string& path);

// How many names (hard links) the file at path has; 0 when there is no file.
int NameCount(const std::string& path);

// Whether folder exists and is a folder.
bool FolderExists(const std::string& folder);

// What path names: nothing, a regular file, a folder, or something else (a FIFO, a device, a
// pipe, a console), which a program writes into as it is instead of replacing it.
enum class PathKind { Missing, File, Folder, Other };
PathKind KindOfPath(const std::string& path);

// Makes folder and the folders above it that are missing; false when it is not there after.
bool MakeFolders(const std::string& folder);

// Deletes a file; false when it could not be deleted.
bool RemoveFile(const std::string& path);

// Appends line (its own line end included) to the file at path, made if missing, as one write
// under an exclusive lock on the file that every program appending this way honours, and syncs
// it to the disk (with the folder, when the file was made) before it returns: many programs
// appending at once lose no line and tear none, and a line this returned true for survives a
// power cut. A line that could not be written whole is taken back. Waits up to waitMs for the
// lock; on failure err says why (EBUSY: the lock was not had in time).
bool AppendLineDurably(const std::string& path, const std::string& line, unsigned waitMs, int& err);

// A symbolic link in a folder and the real path of the file it leads to.
struct LinkEntry {
    std::string name;
    std::string target;
};

// The symbolic links of folder that lead to something that exists; empty when it cannot be read
// (and on systems without such links).
std::vector<LinkEntry> LinksIn(const std::string& folder);

// The local time of t, in the time zone of the machine.
std::tm LocalTime(std::time_t t);

// The wall clock, in ns since 1970.
int64_t WallClockNs();

#ifdef _WIN32
// UTF-8 to the wide characters of Windows' calls, with the separators as Windows writes them.
// False for a text that is not UTF-8.
bool Wide(const std::string& utf8, std::wstring& wide);
#endif

} // namespace hx
