#pragma once
// The status frame that the box streams in monitor mode, and the pure steps of the monitor:
// frame checks, the frame step over the receive buffer, lamp pictures, the averaged read-out.
#include "Types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace hx {

// 14 bytes: 0x02, lampBits, modeBits (LE), levelA, levelB, sampleA, sampleB (LE, signed),
// a checksum that makes bytes 1 to 12 sum to 0, 0x03.
constexpr std::size_t kFrameSize = 14;
using StatusFrame = std::array<uint8_t, kFrameSize>;

constexpr uint8_t kFrameStart = 0x02;
constexpr uint8_t kFrameEnd = 0x03;

enum : std::size_t {
    kFrameLampBits = 1,
    kFrameModeBits = 2,
    kFrameLevelA = 4,
    kFrameLevelB = 6,
    kFrameSampleA = 8,
    kFrameSampleB = 10,
    kFrameChecksum = 12,
    kFrameEndByte = 13,
};

// Bits of modeBits.
enum : uint16_t {
    kModeMicLevel = 1u << 0,   // meter A shows the microphone level, meter B is hidden
    kModeCrossLitA = 1u << 1,  // channel A PTT lamp crossed while lit
    kModeCrossLitB = 1u << 2,  // channel B PTT lamp crossed while lit
    kModeCrossDarkA = 1u << 8, // channel A PTT lamp crossed while dark
    kModeCrossDarkB = 1u << 9, // channel B PTT lamp crossed while dark
};

// The fields of a frame, decoded.
struct StatusFields {
    uint8_t lampBits = 0;
    uint16_t modeBits = 0;
    int16_t levelA = 0, levelB = 0;
    int16_t sampleA = 0, sampleB = 0;
};

inline uint16_t FrameU16(const uint8_t* f, std::size_t at) {
    return static_cast<uint16_t>(f[at] | (f[at + 1] << 8));
}
inline int16_t FrameI16(const uint8_t* f, std::size_t at) {
    return static_cast<int16_t>(FrameU16(f, at));
}

// Bytes 1 to 12 modulo 256; 0 for an intact frame.
inline uint8_t FrameSum(const uint8_t* f) {
    unsigned sum = 0;
    for (std::size_t i = 1; i <= kFrameChecksum; ++i)
        sum += f[i];
    return static_cast<uint8_t>(sum);
}

// Start byte, checksum and end byte are right.
inline bool IsValidFrame(const uint8_t* f) {
    return f[0] == kFrameStart && FrameSum(f) == 0 && f[kFrameEndByte] == kFrameEnd;
}

inline StatusFields DecodeFrame(const uint8_t* f) {
    StatusFields s;
    s.lampBits = f[kFrameLampBits];
    s.modeBits = FrameU16(f, kFrameModeBits);
    s.levelA = FrameI16(f, kFrameLevelA);
    s.levelB = FrameI16(f, kFrameLevelB);
    s.sampleA = FrameI16(f, kFrameSampleA);
    s.sampleB = FrameI16(f, kFrameSampleB);
    return s;
}

inline StatusFrame EncodeFrame(const StatusFields& s) {
    StatusFrame f{};
    auto put = [&f](std::size_t at, uint16_t v) {
        f[at] = static_cast<uint8_t>(v);
        f[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    f[0] = kFrameStart;
    f[kFrameLampBits] = s.lampBits;
    put(kFrameModeBits, s.modeBits);
    put(kFrameLevelA, static_cast<uint16_t>(s.levelA));
    put(kFrameLevelB, static_cast<uint16_t>(s.levelB));
    put(kFrameSampleA, static_cast<uint16_t>(s.sampleA));
    put(kFrameSampleB, static_cast<uint16_t>(s.sampleB));
    f[kFrameChecksum] = static_cast<uint8_t>(0x100 - FrameSum(f.data()));
    f[kFrameEndByte] = kFrameEnd;
    return f;
}

enum class FrameStepKind {
    None,    // no whole frame at the front yet
    Valid,   // a frame was taken and is to be applied
    Damaged, // a frame was taken and dropped (checksum or end byte wrong)
};

struct FrameStepResult {
    FrameStepKind kind = FrameStepKind::None;
    StatusFrame frame{};
};

// One frame step over the receive buffer buf[0, len), in place: drops the bytes before the
// first start byte, and when a whole frame is at the front, takes it out (valid or not).
FrameStepResult TakeFrame(uint8_t* buf, uint16_t& len);

// The eight lamps, in the order they are updated.
struct LampDef {
    int id;             // control id, 1039 ... 1046
    uint8_t bit;        // bit of lampBits
    uint16_t crossLit;  // modeBits bit that crosses the lit image (PTT lamps only)
    uint16_t crossDark; // modeBits bit that crosses the dark image (PTT lamps only)
};
const std::array<LampDef, 8>& Lamps();

// The picture of a lamp for the given lampBits and modeBits.
LampImage LampImageFor(const LampDef& lamp, uint8_t lampBits, uint16_t modeBits);
// The picture a lit lamp gets when the monitor stops (dark, crossed as the last frame said).
LampImage DarkLampImage(const LampDef& lamp, uint16_t modeBits);
// The lamp needs a new picture when it goes from the previous bits to the new ones.
bool LampChanged(const LampDef& lamp, uint8_t prevLamp, uint16_t prevMode, uint8_t lamp8,
                 uint16_t mode);

// Frames summed for each averaged read-out.
constexpr uint32_t kAverageFrames = 64;

// The read-out of the mean of kAverageFrames samples whose sum is sum: the mean in dB relative
// to 32768, truncated toward zero, as "%3ddB"; empty when the mean is not above zero.
std::string AverageText(int32_t sum);

} // namespace hx
