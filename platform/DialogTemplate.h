#pragma once
// A dialog template as a table of controls, in the order of the template.
#include "Types.h"

#include <string>
#include <vector>

namespace hx {

struct ControlDef {
    int id = -1; // -1 for labels and group boxes without an id
    ControlKind kind = ControlKind::Label;
    std::string caption;
    int x = 0, y = 0, cx = 0, cy = 0; // dialog units
    unsigned flags = 0;               // ControlFlags
    std::vector<std::string> items;   // initial list items of a drop-down list
    std::string tooltip;              // registered at start-up, not shown by the template itself
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int cx = 0, cy = 0; // dialog units
    std::string font;
    int pointSize = 9;
    std::vector<ControlDef> controls;

    const ControlDef* Find(int controlId) const {
        for (const auto& c : controls)
            if (c.id == controlId)
                return &c;
        return nullptr;
    }
};

} // namespace hx
