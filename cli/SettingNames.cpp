#include "SettingNames.h"

#include "Decimal.h"

#include "Resources.h"

namespace hx::cli {

const std::vector<SettingDef>& SettingDefs() {
    using K = SettingKind;
    static const std::vector<SettingDef> defs = {
        {"audio-delay-a", IDC_DELAY_A, K::Number},
        {"audio-delay-b", IDC_DELAY_B, K::Number},
        {"hold-time-a", IDC_HOLD_A, K::Number},
        {"hold-time-b", IDC_HOLD_B, K::Number},
        {"rx-gain-a", IDC_RXGAIN_A, K::Number},
        {"rx-gain-b", IDC_RXGAIN_B, K::Number},
        {"tx-gain-a", IDC_TXGAIN_A, K::Number},
        {"tx-gain-b", IDC_TXGAIN_B, K::Number},
        {"signal-on", IDC_SIGNAL_ON, K::Number},
        {"signal-off", IDC_SIGNAL_OFF, K::Number},
        {"noise-on-a", IDC_NOISE_ON_A, K::Number},
        {"noise-off-a", IDC_NOISE_OFF_A, K::Number},
        {"noise-on-b", IDC_NOISE_ON_B, K::Number},
        {"noise-off-b", IDC_NOISE_OFF_B, K::Number},
        {"mic-gain", IDC_MICGAIN, K::Number},
        {"unmodulated-limit", IDC_UNMOD_LIMIT, K::Number},
        {"continuous-tx-limit", IDC_CONT_LIMIT, K::Number},
        {"response-time-a", IDC_RESP_A, K::Number},
        {"response-time-b", IDC_RESP_B, K::Number},
        {"tx-select-a", IDC_TXSEL_A, K::List},
        {"tx-select-b", IDC_TXSEL_B, K::List},
        {"mic-tx-select", IDC_MIC_TXSEL, K::List},
        {"priority", IDC_PRIORITY, K::List},
        {"bass-cut-a", IDC_BASSCUT_A, K::Check},
        {"bass-cut-b", IDC_BASSCUT_B, K::Check},
        {"no-tx-on-tone", IDC_NO_TX_TONE, K::Check},
        {"no-tx-on-noise", IDC_NO_TX_NOISE, K::Check},
        {"ptt-invert", IDC_PTT_INVERT, K::Check},
        {"serial", IDC_SERIAL, K::Serial},
    };
    return defs;
}

const SettingDef* FindSetting(const std::string& name) {
    for (const SettingDef& s : SettingDefs())
        if (name == s.name)
            return &s;
    return nullptr;
}

std::string SettingValue(const IWindowServices& win, const SettingDef& setting) {
    switch (setting.kind) {
    case SettingKind::Number:
    case SettingKind::Serial:
        return win.GetText(setting.id);
    case SettingKind::List:
        return std::to_string(win.ListSelection(setting.id));
    case SettingKind::Check:
        return win.GetCheck(setting.id) > 0 ? "1" : "0";
    }
    return {};
}

SettingValues AllSettings(const IWindowServices& win) {
    SettingValues values;
    for (const SettingDef& s : SettingDefs())
        values[s.name] = SettingValue(win, s);
    return values;
}

std::string FormatSettings(const SettingValues& values) {
    std::string out;
    for (const SettingDef& s : SettingDefs()) {
        auto it = values.find(s.name);
        if (it != values.end())
            out += std::string(s.name) + "=" + it->second + "\n";
    }
    return out;
}

std::string AllowedValues(const IWindowServices& win, const SettingDef& setting) {
    if (setting.kind == SettingKind::Check)
        return "0 or 1";
    if (setting.kind != SettingKind::List)
        return {};
    const int count = win.ListCount(setting.id);
    std::string text = "0 to " + std::to_string(count - 1) + " (";
    for (int i = 0; i < count; ++i)
        text += (i ? ", " : "") + std::to_string(i) + " " + win.ListText(setting.id, i);
    return text + ")";
}

bool ParseIndex(const std::string& text, int& value) {
    uint64_t v = 0;
    if (ParseDigits(text, 9999, v) != DigitsText::Ok)
        return false;
    value = static_cast<int>(v);
    return true;
}

} // namespace hx::cli
