#pragma once
// Settings files: the image as Intel HEX records, one per line, each line ended by CR LF;
// 64 data records of 32 bytes and the end-of-file record, 4941 bytes in all. No header: the
// model is told by the model code inside the image.
#include "link/SettingsImage.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace hx {

constexpr std::size_t kSettingsFileSize = 64 * 77 + 13;

// The text of a settings file holding image.
std::string SettingsFileText(const SettingsImage& image);

// Reasons beside the system's error numbers, for FileErrorReason.
constexpr int kNotRegularFile = -1; // a FIFO, a device, a socket
constexpr int kOwnerNotKept = -2;   // a replacement could not keep the old file's owner or group

// Opens path for reading without ever waiting (a FIFO without a writer, a device that waits
// for a line) and keeps it only when it is a regular file: the descriptor, or -1 with err set
// to the system's error number, EISDIR for a folder, or kNotRegularFile.
int OpenRegularFile(const std::string& path, int& err);

enum class FileRead {
    Ok,          // every record up to the end-of-file record was good; image updated
    CannotOpen,  // the file could not be opened, or is not a regular file
    CannotRead,  // reading failed part-way (an I/O error)
    FormatError, // not a settings file: a bad record, other line ends, or no end-of-file record
};

// Reads a settings file into image, block by block: every data record line must be exactly 75
// characters and CR LF; the end-of-file record ends the reading (nothing after it is read). The
// records are laid over the present image, so bytes the file does not cover keep their values.
// Unless the result is Ok, image is left exactly as it was; reason then says why for
// CannotOpen and CannotRead.
FileRead ReadSettingsFile(const std::string& path, SettingsImage& image, std::string& reason);

// Writes bytes to path so that a file already there is only ever replaced by a complete new
// one, with the old one's owner, group and permissions: the bytes go to a new file in the same
// folder, which is flushed to the disk and then renamed over the old file. A symbolic link at
// path is kept and the file it leads to is written. A file there that this user may not write
// is not replaced, even where the folder would allow it. On any failure (folder missing or not
// writable, disk full, the target not a regular file) nothing at path changes, no temporary
// file is left, and reason says why in Japanese.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& reason);

// 0 when a save to path (WriteFileReplacing) can go ahead as far as can be told beforehand:
// a regular file this user may write, or a new name in a folder this user may write; otherwise
// why (a system error number, EISDIR, or kNotRegularFile).
int SaveTargetProblem(const std::string& path);

// Writes bytes to a new file in folder under the first of the names names(0), names(1) ...
// (at most attempts of them) that no file has, and never under a name that another program
// takes meanwhile: the file appears complete under its name, or not at all. created is then
// the path; on failure reason says why in Japanese.
bool WriteNewFile(const std::string& folder, const std::function<std::string(int)>& names,
                  int attempts, const std::string& bytes, std::string& created,
                  std::string& reason);

// A short Japanese reason for a system error number.
std::string FileErrorReason(int err);

// "型式（0x1234）が異なっています" for the model code found in a file.
std::string ModelMismatchMessage(uint16_t found);

} // namespace hx
