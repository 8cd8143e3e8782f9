#pragma once
// The settings by name, as show prints them and set takes them, and where each lives in the
// main window: an edit field, a drop-down list, a check box or the serial-number field.
#include "WindowServices.h"

#include <map>
#include <string>
#include <vector>

namespace hx::cli {

enum class SettingKind {
    Number, // an edit field, as the window shows it
    List,   // a drop-down list: the index of the selected item
    Check,  // a check box: 0 or 1
    Serial, // the box's serial number: eight hexadecimal digits, empty when it has none
};

struct SettingDef {
    const char* name;
    int id; // the control
    SettingKind kind;
};

// Every setting, in the order show prints them.
const std::vector<SettingDef>& SettingDefs();
// The setting called name; null when there is none.
const SettingDef* FindSetting(const std::string& name);

// The value of a setting as the window shows it.
std::string SettingValue(const IWindowServices& win, const SettingDef& setting);

// Every setting's value, by name.
using SettingValues = std::map<std::string, std::string>;
SettingValues AllSettings(const IWindowServices& win);

// The settings, one "NAME=VALUE" line each (with "\n"), in the order of SettingDefs().
std::string FormatSettings(const SettingValues& values);

// What a list or check-box value may be, for a refusal: "0 to 3 (0 信号検知, 1 ノイズ検知, ...)".
std::string AllowedValues(const IWindowServices& win, const SettingDef& setting);

// Reads a list index or a check-box state: a plain decimal number without sign or blanks.
bool ParseIndex(const std::string& text, int& value);

} // namespace hx::cli
