#include "sim/BoxModel.h"
namespace hx::sim {
BoxModel::BoxModel() {}
SettingsImage BoxModel::FactoryImage() { return {}; }
std::string BoxModel::Input(std::string_view, uint64_t) { return {}; }
bool BoxModel::Dsr(uint64_t) const { return true; }
} // namespace hx::sim
namespace hx::sim {
std::string BoxModel::Tick(uint64_t) { return {}; }
} // namespace hx::sim
