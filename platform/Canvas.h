#pragma once
#include "Types.h"

namespace hx {

// A surface that an owner-drawn control paints on. The surface keeps its pixels between
// paints: what a paint does not cover stays as the last paint left it.
class ICanvas {
public:
    virtual ~ICanvas() = default;
    virtual void FillRect(const Rect& r, Rgb colour) = 0;
};

// A control that paints itself (the level meter).
class IOwnerDraw {
public:
    virtual ~IOwnerDraw() = default;
    // Paint the control whose item rectangle is rc.
    virtual void DrawItem(ICanvas& canvas, const Rect& rc) = 0;
};

} // namespace hx
