#pragma once
// What verify reports: the settings in which a box and a settings file differ, by the names
// show prints, and the bytes of the image the tool does not interpret, by address. The serial
// number is the box's own and is never a difference.
#include "SettingNames.h"
#include "SettingsImage.h"

#include <string>
#include <vector>

namespace hx::cli {

struct Difference {
    std::string setting; // a name of SettingDefs(); empty for a byte
    int address = -1;    // the image address of a byte the tool does not interpret
    std::string box;     // the box's value (a byte: two hexadecimal digits)
    std::string file;    // the file's value
};

// Differences between the box and the file: first the settings in show's order (values as the
// window shows them), then the bytes, by address.
std::vector<Difference> DiffSettings(const SettingValues& box, const SettingValues& file,
                                     const SettingsImage& boxImage, const SettingsImage& fileImage);

// The bits of the image byte at address that the tool reads or writes.
uint8_t InterpretedBits(std::size_t address);

} // namespace hx::cli
