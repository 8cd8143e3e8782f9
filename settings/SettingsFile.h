#pragma once
// Settings files: the image as Intel HEX records, one per line, each line ended by CR LF;
// 64 data records of 32 bytes and the end-of-file record, 4941 bytes in all. No header: the
// model is told by the model code inside the image.
#include "Files.h"
#include "SettingsImage.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace hx {

constexpr std::size_t kSettingsFileSize = 64 * 77 + 13;

// The text of a settings file holding image.
std::string SettingsFileText(const SettingsImage& image);

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

// ReplaceFileWith (platform/Files.h); on failure reason says why in Japanese.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& reason);

// CreateNewFile (platform/Files.h); on failure reason says why in Japanese.
bool WriteNewFile(const std::string& folder, const std::function<std::string(int)>& names,
                  int attempts, const std::string& bytes, std::string& created,
                  std::string& reason);

// A short Japanese reason for a system error number.
std::string FileErrorReason(int err);

// "型式（0x1234）が異なっています" for the model code found in a file.
std::string ModelMismatchMessage(uint16_t found);

} // namespace hx
