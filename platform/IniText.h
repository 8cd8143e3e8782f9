#pragma once
// The text of the stored preferences' INI file, in the form Qt's QSettings reads and writes
// ("[Settings]", "Serial%20Number=620757008"): finding one entry and setting one entry while
// every other line stays as it was. Pure: no file is touched here.
#include <string>

namespace hx {

// The value of key in section, unescaped; false when the entry is absent. A value that
// QSettings would read as a list ("16, 17") comes back as it is written, commas and all.
bool IniValue(const std::string& text, const std::string& section, const std::string& key,
              std::string& value);

// text with key in section set to value: the entry's line is replaced where it stands, or added
// at the end of the section, or a new section is added at the end of the text.
std::string IniWithValue(const std::string& text, const std::string& section,
                         const std::string& key, const std::string& value);

} // namespace hx
