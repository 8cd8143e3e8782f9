#pragma once
// Automatic backups: before the box is written, the settings it last sent are saved as a
// settings file named after the box and the time, e.g. "HX5310-25000009-20261207-194501.txt"
// ("noserial" for a box without a serial number; "-2", "-3" ... when the name is taken).
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace hx {

constexpr std::size_t kBackupsKept = 100;

std::string BackupFileName(uint32_t serial, const std::tm& when, int sequence = 1);

// True for a name that BackupFileName makes; key then orders backups from oldest to newest.
bool BackupSortKey(const std::string& name, std::string& key);

// Of the names in a folder, the backups to delete so that the newest keep remain, oldest first.
// Names that are not backups are never chosen.
std::vector<std::string> BackupsToDelete(const std::vector<std::string>& names, std::size_t keep);

} // namespace hx
