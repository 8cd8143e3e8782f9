// Automatic backups of the settings the box last sent, written before a Send or a Factory reset
// changes the box.
#include "Backup.h"

#include "SerialText.h"
#include "SettingsFile.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <utility>

namespace hx {
namespace {

bool AllDigits(const std::string& s, std::size_t from, std::size_t count) {
    if (from + count > s.size())
        return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

bool UpperHex(const std::string& s) {
    return s.size() == 8 && s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

} // namespace

std::string BackupFileName(uint32_t serial, const std::tm& when, int sequence) {
    const std::string box = serial == kNoSerial ? "noserial" : FormatSerialText(serial);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", when.tm_year + 1900,
                  when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
    std::string name = "HX5310-" + box + "-" + stamp;
    if (sequence > 1)
        name += "-" + std::to_string(sequence);
    return name + ".txt";
}

bool BackupSortKey(const std::string& name, std::string& key) {
    // HX5310-<box>-YYYYMMDD-HHMMSS[-n].txt, <box> being 8 hex digits or "noserial"
    const std::string prefix = "HX5310-", suffix = ".txt";
    if (name.size() < prefix.size() + 8 + 16 + suffix.size() || name.rfind(prefix, 0) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    const std::string box = name.substr(prefix.size(), 8);
    if (box != "noserial" && !UpperHex(box))
        return false;
    const std::size_t at = prefix.size() + 8;
    if (name[at] != '-' || !AllDigits(name, at + 1, 8) || name[at + 9] != '-' ||
        !AllDigits(name, at + 10, 6))
        return false;
    const std::size_t end = name.size() - suffix.size();
    std::size_t sequence = 1;
    if (at + 16 != end) {
        const std::size_t digits = end - (at + 17);
        if (name[at + 16] != '-' || digits == 0 || digits > 6 || !AllDigits(name, at + 17, digits))
            return false;
        sequence = std::stoul(name.substr(at + 17, digits));
    }
    char seq[16];
    std::snprintf(seq, sizeof seq, "%06zu", sequence);
    key = name.substr(at + 1, 15) + "-" + seq + "-" + box;
    return true;
}

std::vector<std::string> BackupsToDelete(const std::vector<FolderEntry>& files, std::size_t keep,
                                         const std::string& justMade, int64_t nowNs) {
    // Oldest first: times from before the clock was set back (later than now), then the rest,
    // each by time, then by name.
    std::vector<std::tuple<bool, int64_t, std::string, std::string>> backups;
    bool madeIsThere = false;
    for (const auto& f : files) {
        std::string key;
        if (!BackupSortKey(f.name, key))
            continue;
        if (f.name == justMade) {
            madeIsThere = true;
            continue;
        }
        backups.emplace_back(f.modifiedNs <= nowNs, f.modifiedNs, key, f.name);
    }
    std::sort(backups.begin(), backups.end());
    const std::size_t others = madeIsThere && keep > 0 ? keep - 1 : keep;
    std::vector<std::string> old;
    for (std::size_t i = 0; i + others < backups.size(); ++i)
        old.push_back(std::get<3>(backups[i]));
    return old;
}

} // namespace hx
