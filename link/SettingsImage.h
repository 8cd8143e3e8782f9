#pragma once
// The box's 2048-byte settings memory; multi-byte fields are little-endian.
#include <array>
#include <cstddef>
#include <cstdint>

namespace hx {

constexpr std::size_t kImageSize = 2048;
using SettingsImage = std::array<uint8_t, kImageSize>;

inline uint16_t GetU16(const SettingsImage& img, std::size_t at) {
    return static_cast<uint16_t>(img[at] | (img[at + 1] << 8));
}
inline void PutU16(SettingsImage& img, std::size_t at, uint16_t v) {
    img[at] = static_cast<uint8_t>(v);
    img[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline uint32_t GetU32(const SettingsImage& img, std::size_t at) {
    return static_cast<uint32_t>(img[at]) | (static_cast<uint32_t>(img[at + 1]) << 8) |
           (static_cast<uint32_t>(img[at + 2]) << 16) | (static_cast<uint32_t>(img[at + 3]) << 24);
}
inline void PutU32(SettingsImage& img, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        img[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// Offsets the whole system agrees on.
constexpr std::size_t kSerialOffset = 1924;    // u32, 0xFFFFFFFF: the box has no serial number
constexpr std::size_t kModelCodeOffset = 1950; // u16, 0xF708 for this box
constexpr uint16_t kModelCode = 0xF708;
constexpr uint32_t kNoSerial = 0xFFFFFFFFu;

} // namespace hx
