#pragma once
// Automatic backups: before the box is written, the settings it last sent are saved as a
// settings file named after the box and the time, e.g. "HX5310-25000009-20261207-194501.txt"
// ("noserial" for a box without a serial number; "-2", "-3" ... when the name is taken, also
// by another program at the same moment: each backup is made under a name nobody else has).
// The newest 100 by file time are kept.
#include "Files.h"

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

// Of the files in a folder, the backups to delete so that keep remain, oldest first: the one
// just made (justMade) always stays, the others go by file time, oldest first. A file time
// later than now was written before the clock was set back, so it counts as older than every
// time up to now. Files whose names are not backups are never chosen.
std::vector<std::string> BackupsToDelete(const std::vector<FolderEntry>& files, std::size_t keep,
                                         const std::string& justMade, int64_t nowNs);

} // namespace hx
