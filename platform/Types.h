#pragma once
// Small value types shared by the window services, the controls and the system's own code.
#include <cstdint>
#include <string>
#include <vector>

namespace hx {

// Kinds of control in a dialog template.
enum class ControlKind {
    PushButton,
    CheckBox,
    DropList, // drop-down list that cannot be typed into
    Edit,     // edit field; its flags say which input it accepts
    UpDown,   // up-down control attached to the edit field before it
    Label,    // static text
    GroupBox,
    Lamp,  // static showing a lamp image
    Meter, // owner-drawn level meter
    Icon,  // static showing the application icon
};

// Style flags of a control in a dialog template.
enum ControlFlags : unsigned {
    kHidden = 1u << 0,
    kDefaultButton = 1u << 1,
    kDigitsOnly = 1u << 2,   // edit field: only digits can be typed
    kUpperCase = 1u << 3,    // edit field: typed letters become upper case
    kReadOnly = 1u << 4,     // edit field: read-only
    kAutoCheckBox = 1u << 5, // check box toggles itself on click
    kMultiLine = 1u << 6,    // read-only edit field: its text wraps over the lines it has
};

// The six lamp pictures, plus "no picture".
enum class LampImage { None, Red, Green, Yellow, Grey, RedCross, GreyCross };

// Notification codes that controls send to the window.
enum class Notify {
    Clicked,   // button or check box clicked
    SelChange, // list selection changed by the user
    DropDown,  // list is about to open
    KillFocus, // edit field lost the keyboard focus
};

enum class MsgIcon { None, Warning, Error, Information };

// What a yes-or-no question asks, for a window without a person in front of it (hx5310ctl
// answers each kind as its options say).
enum class Question { Other, GoOnWithoutBackup, MoveCounterBack };

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// A rectangle in pixels; right and bottom are excluded.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// A standard open or save file dialog.
struct FileDialogSpec {
    bool save = false;
    std::string filter;     // "Config Files (*.txt)|*.txt|All Files (*.*)|*.*||"
    std::string defaultExt; // "txt", added to a name typed without an extension
    bool confirmOverwrite = false;
};

} // namespace hx
