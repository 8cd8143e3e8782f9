// Placeholder until the level meter is written.
#include "monitor/StaticLevel.h"
namespace hx {
void CStaticLevel::DrawItem(ICanvas&, const Rect&) {}
uint16_t LevelToUnits(int16_t) { return 0; }
} // namespace hx
