#pragma once
// The window's resources: dialog templates, strings, control ids.
#include "platform/DialogTemplate.h"

namespace hx {

// Resource ids
enum : int {
    IDD_ABOUTBOX = 100,
    IDS_ABOUTBOX = 101,
    IDD_HX5310CONFIG_DIALOG = 102,
    IDR_MAINFRAME = 128,
    IDB_RED = 132,
    IDB_GREEN = 133,
    IDB_YELLOW = 134,
    IDB_GREY = 135,
    IDB_RED_CROSS = 136,
    IDB_GREY_CROSS = 137,
    IDM_ABOUTBOX = 0x0010,
};

// Control ids of the main window
enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDC_PORT = 1000,
    IDC_RECEIVE = 1001,
    IDC_INFO = 1002,
    IDC_DELAY_A = 1003,
    IDC_SPIN_DELAY_A = 1004,
    IDC_DELAY_B = 1005,
    IDC_SPIN_DELAY_B = 1006,
    IDC_SEND = 1007,
    IDC_RESTART = 1008,
    IDC_HOLD_A = 1009,
    IDC_SPIN_HOLD_A = 1010,
    IDC_HOLD_B = 1011,
    IDC_SPIN_HOLD_B = 1012,
    IDC_RXGAIN_A = 1013,
    IDC_SPIN_RXGAIN_A = 1014,
    IDC_RXGAIN_B = 1015,
    IDC_SPIN_RXGAIN_B = 1016,
    IDC_TXGAIN_A = 1017,
    IDC_SPIN_TXGAIN_A = 1018,
    IDC_TXGAIN_B = 1019,
    IDC_SPIN_TXGAIN_B = 1020,
    IDC_SIGNAL_ON = 1021,
    IDC_SPIN_SIGNAL_ON = 1022,
    IDC_MICGAIN = 1023,
    IDC_SPIN_MICGAIN = 1024,
    IDC_TXSEL_A = 1025,
    IDC_TXSEL_B = 1026,
    IDC_SIGNAL_OFF = 1027,
    IDC_SPIN_SIGNAL_OFF = 1028,
    IDC_MONITOR = 1029,
    IDC_NOISE_ON_A = 1030,
    IDC_SPIN_NOISE_ON_A = 1031,
    IDC_NOISE_OFF_A = 1032,
    IDC_SPIN_NOISE_OFF_A = 1033,
    IDC_NOISE_ON_B = 1034,
    IDC_SPIN_NOISE_ON_B = 1035,
    IDC_NOISE_OFF_B = 1036,
    IDC_SPIN_NOISE_OFF_B = 1037,
    IDC_RESP_A = 1038,
    IDC_LAMP_TONE_A = 1039,
    IDC_LAMP_NOISE_A = 1040,
    IDC_LAMP_BUSY_A = 1041,
    IDC_LAMP_PTT_A = 1042,
    IDC_LAMP_TONE_B = 1043,
    IDC_LAMP_NOISE_B = 1044,
    IDC_LAMP_BUSY_B = 1045,
    IDC_LAMP_PTT_B = 1046,
    IDC_LEVEL_LABEL_A = 1047,
    IDC_LEVEL_LABEL_B = 1048,
    IDC_NO_TX_TONE = 1049,
    IDC_NO_TX_NOISE = 1050,
    IDC_SPIN_RESP_A = 1051,
    IDC_RESP_B = 1052,
    IDC_SPIN_RESP_B = 1053,
    IDC_UNMOD_LIMIT = 1054,
    IDC_SPIN_UNMOD_LIMIT = 1055,
    IDC_CONT_LIMIT = 1056,
    IDC_SPIN_CONT_LIMIT = 1057,
    IDC_BASSCUT_A = 1058,
    IDC_BASSCUT_B = 1059,
    IDC_SERIAL_LABEL = 1060,
    IDC_SERIAL = 1061,
    IDC_FACTORY = 1062,
    IDC_SAVE = 1063,
    IDC_LOAD = 1064,
    IDC_ARROW_LABEL = 1065,
    IDC_NEW_SERIAL = 1066,
    IDC_AVG_A = 1067,
    IDC_AVG_B = 1068,
    IDC_MIC_TXSEL = 1069,
    IDC_PTT_INVERT = 1070,
    IDC_PRIORITY = 1071,
    IDC_PRESET_A = 1072,
    IDC_PRESET_B = 1073,
    IDC_METER_A = 1211,
    IDC_METER_B = 1212,
};

// Dialog templates
const DialogTemplate& MainDialogTemplate();  // template 102
const DialogTemplate& AboutDialogTemplate(); // template 100

// String resource 101: the system menu's About entry.
const char* LoadStringResource(int id);

// The ids that get a tooltip, in the order they are registered at start-up.
const std::vector<int>& TooltipOrder();

} // namespace hx
