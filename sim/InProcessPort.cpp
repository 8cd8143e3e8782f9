#include "sim/InProcessPort.h"
namespace hx::sim {
std::unique_ptr<IPort> InProcessPortFactory::CreatePort() { return nullptr; }
} // namespace hx::sim
