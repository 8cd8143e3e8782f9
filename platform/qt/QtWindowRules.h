#pragma once
// Pure rules of the Qt window: dialog units to pixels, the up-down controls' stepping, and the
// file dialogs' filter strings. No widgets here, so that the rules are tested directly.
#include "Types.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hx {

// The dialog base units in pixels: a horizontal dialog unit is x / 4, a vertical one y / 8.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

// (value * numerator) / denominator, rounded half away from zero, as Windows' MulDiv.
int MulDivRound(int value, int numerator, int denominator);

// The base units of a template drawn for a 9-point Japanese UI font, for a font of emPixels
// pixels: that font's cell is half an em wide and one em high (6 x 12 at 96 dpi), so the window
// keeps the template's proportions and grows with the screen's dpi. The free Japanese fonts are
// measured by their line height instead, which would make the window a third taller.
DialogBaseUnits BaseUnitsForEm(int emPixels);

// A rectangle given in dialog units (left, top, width, height) in pixels: x * base.x / 4,
// y * base.y / 8, each edge converted on its own so that neighbours meet exactly.
Rect DialogUnitsToPixels(int x, int y, int cx, int cy, DialogBaseUnits base);

// The number standing in an up-down control's field: optional spaces, an optional sign and
// decimal digits (thousands separators "," are skipped). Nothing when the text is no number
// or does not fit in 32 bits.
std::optional<int> ParseUpDownText(const std::string& text);

// Where one press of an up-down control leads: from the number standing in its field (or from
// its last position when the field holds no number), moved by delta and kept within the range.
int UpDownStep(const std::string& fieldText, int lastPosition, int lowest, int highest, int delta);

// The change per press while an arrow is held for heldMs: a control that steps by more than 1
// always moves by its step; one that steps by 1 speeds up as the window system's default does
// (1 for the first 2 s, 5 until 5 s, then 20).
int UpDownIncrement(int step, long long heldMs);

// One entry of a file dialog's filter: "Config Files (*.txt)" with its patterns.
struct FileFilterEntry {
    std::string name;
    std::vector<std::string> patterns;
};

// Splits a filter of the form "Name (*.txt)|*.txt|All Files (*.*)|*.*||" into its entries.
// Patterns are separated by ";"; "*.*" matches every file name.
std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter);

// The entry as a Qt file dialog filter: "Config Files (*.txt)"; a name that does not end with
// its patterns in parentheses gets them appended.
std::string QtFilterText(const FileFilterEntry& entry);

// A file name chosen in a save dialog, with the default extension added when its name has none
// ("settings" -> "settings.txt"; "settings.hex" and "archive." stay as typed).
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

// A text for a field too narrow for it: each file path in it ("/home/u/work/ttyUSB0") loses
// folders from its middle, which become "…" ("/home/…/ttyUSB0", then "/…/ttyUSB0"), until the
// text fits room as measured by width. The text as it stands when nothing shortens further.
std::string ShortenPathsToFit(const std::string& text,
                              const std::function<int(const std::string&)>& width, int room);

} // namespace hx
