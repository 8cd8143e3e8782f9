// Placeholder until the frame generator is written.
#include "sim/FrameGenerator.h"
namespace hx::sim {
void FrameGenerator::Start(uint64_t) {}
std::string FrameGenerator::Produce(uint64_t) { return {}; }
} // namespace hx::sim
