#pragma once
// The window's resources: dialog templates, strings, control ids.
#include "ControlIds.h"
#include "DialogTemplate.h"

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

// Dialog templates
const DialogTemplate& MainDialogTemplate();  // template 102
const DialogTemplate& AboutDialogTemplate(); // template 100

// String resource 101: the system menu's About entry.
const char* LoadStringResource(int id);

// The ids that get a tooltip, in the order they are registered at start-up.
const std::vector<int>& TooltipOrder();

} // namespace hx
