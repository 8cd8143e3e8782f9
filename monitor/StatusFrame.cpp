#include "StatusFrame.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace hx {

namespace {

// Removes the first n bytes of buf[0, len) and moves the rest to the front.
void DropFront(uint8_t* buf, uint16_t& len, uint16_t n) {
    if (n >= len) {
        len = 0;
        return;
    }
    std::memmove(buf, buf + n, len - n);
    len = static_cast<uint16_t>(len - n);
}

// Drops the bytes before the first start byte (all of them when there is none).
void Resynchronise(uint8_t* buf, uint16_t& len) {
    const void* start = std::memchr(buf, kFrameStart, len);
    DropFront(buf, len,
              start ? static_cast<uint16_t>(static_cast<const uint8_t*>(start) - buf) : len);
}

} // namespace

FrameStepResult TakeFrame(uint8_t* buf, uint16_t& len) {
    FrameStepResult r;
    Resynchronise(buf, len);
    if (len < kFrameSize)
        return r;
    std::memcpy(r.frame.data(), buf, kFrameSize);
    r.kind = IsValidFrame(buf) ? FrameStepKind::Valid : FrameStepKind::Damaged;
    uint16_t drop = kFrameSize;
    if (r.kind == FrameStepKind::Damaged) {
        // A false start on a 0x02 inside a frame: an intact frame that begins within these 14
        // bytes is kept for the next step. Dropping all 14 would cut it, and when every frame
        // carries 0x02 at the same place (modeBits 0x02xx), the step would stay out of step
        // for good and the monitor would never show a frame again.
        for (uint16_t p = 1; p < kFrameSize && p + kFrameSize <= len; ++p) {
            if (IsValidFrame(buf + p)) {
                drop = p;
                break;
            }
        }
    }
    DropFront(buf, len, drop);
    return r;
}

const std::array<LampDef, 8>& Lamps() {
    static const std::array<LampDef, 8> lamps = {{
        {1039, 4, 0, 0},                            // tone A
        {1040, 6, 0, 0},                            // noise A
        {1043, 5, 0, 0},                            // tone B
        {1044, 7, 0, 0},                            // noise B
        {1041, 0, 0, 0},                            // busy A
        {1042, 2, kModeCrossLitA, kModeCrossDarkA}, // PTT A
        {1045, 1, 0, 0},                            // busy B
        {1046, 3, kModeCrossLitB, kModeCrossDarkB}, // PTT B
    }};
    return lamps;
}

namespace {
bool IsPtt(const LampDef& lamp) {
    return lamp.crossLit != 0;
}
bool Lit(const LampDef& lamp, uint8_t lampBits) {
    return (lampBits >> lamp.bit) & 1u;
}
} // namespace

LampImage DarkLampImage(const LampDef& lamp, uint16_t modeBits) {
    return IsPtt(lamp) && (modeBits & lamp.crossDark) ? LampImage::GreyCross : LampImage::Grey;
}

LampImage LampImageFor(const LampDef& lamp, uint8_t lampBits, uint16_t modeBits) {
    if (!Lit(lamp, lampBits))
        return DarkLampImage(lamp, modeBits);
    if (IsPtt(lamp))
        return (modeBits & lamp.crossLit) ? LampImage::RedCross : LampImage::Red;
    // Busy lamps are green, tone and noise lamps yellow.
    return lamp.bit <= 1 ? LampImage::Green : LampImage::Yellow;
}

bool LampChanged(const LampDef& lamp, uint8_t prevLamp, uint16_t prevMode, uint8_t lamp8,
                 uint16_t mode) {
    if (Lit(lamp, prevLamp) != Lit(lamp, lamp8))
        return true;
    const uint16_t cross = static_cast<uint16_t>(lamp.crossLit | lamp.crossDark);
    return (prevMode & cross) != (mode & cross);
}

std::string AverageText(int32_t sum) {
    // The mean of the samples relative to 32768: sum / 64 / 32768 = sum * 2^-21.
    const double x = std::ldexp(static_cast<double>(sum), -21);
    if (x <= 0)
        return "";
    char text[16];
    std::snprintf(text, sizeof text, "%3ddB", static_cast<int>(20.0 * std::log10(x)));
    return text;
}

} // namespace hx
