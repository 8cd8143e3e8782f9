#include "FrameGenerator.h"

#include <algorithm>
#include <cmath>

namespace hx::sim {
namespace {

constexpr double kFloorDb = -58;    // the level of a quiet receiver
constexpr int kPttHoldMs = 300;     // the relay keeps the other radio keyed after the signal
constexpr int kCrossAfterMs = 5000; // keyed longer than this: the PTT lamp shows crossed

int16_t DbToLevel(double dB) {
    const double v = 32767.0 * std::pow(10.0, dB / 20.0);
    return static_cast<int16_t>(std::clamp(std::lround(v), 0L, 32767L));
}

} // namespace

double FrameGenerator::Uniform() {
    return Uniform(m_rng);
}

double FrameGenerator::Uniform(uint64_t& state) {
    // splitmix64
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

int FrameGenerator::Between(int lo, int hi) {
    return lo + static_cast<int>(Uniform() * (hi - lo + 1));
}

double FrameGenerator::FrameMs() const {
    if (framesPerSecond == 0 || framesPerSecond >= kLineFramesPerSecond)
        return 1000.0 * kFrameSize / kLineBytesPerSecond; // back to back
    return 1000.0 / framesPerSecond;
}

void FrameGenerator::Start(uint64_t nowMs) {
    m_rng = seed;
    m_garbageRng = ~seed;
    m_startMs = nowMs;
    m_index = 0;
    m_sent = 0;
    m_bytes = 0;
    m_a = Channel{};
    m_b = Channel{};
    m_a.stateMs = Between(200, 3000);
    m_b.stateMs = Between(1500, 6000);
    m_micMs = 0;
    m_nextMicMs = Between(30000, 90000);
    m_last = StatusFields{};
}

void FrameGenerator::Step(Channel& c, double dtMs) {
    const int dt = static_cast<int>(std::ceil(dtMs));
    c.stateMs -= dt;
    // A radio that is transmitting hears nothing; its carrier waits until the PTT drops.
    const bool ownRadioKeyed = (&c == &m_a ? m_b : m_a).pttHoldMs > 0;
    if (c.stateMs <= 0 && !(ownRadioKeyed && !c.signal)) {
        c.signal = !c.signal;
        if (c.signal) {
            c.tone = Uniform() < 0.4;
            c.stateMs = Between(800, 8000);
            c.targetDb = Between(-36, -6);
        } else {
            c.noiseMs = Between(80, 300); // the squelch tail
            c.stateMs = Between(1000, 9000);
            c.targetDb = kFloorDb;
        }
    }
    if (c.noiseMs > 0)
        c.noiseMs = std::max(0, c.noiseMs - dt);
    if (c.signal) {
        c.pttHoldMs = kPttHoldMs;
        c.keyedMs += dt;
        // Speech: the level wanders around the carrier's loudness.
        if (Uniform() < dtMs / 200.0)
            c.targetDb = std::clamp(c.targetDb + Between(-6, 6), -40.0, -3.0);
    } else if (c.pttHoldMs > 0) {
        c.pttHoldMs = std::max(0, c.pttHoldMs - dt);
        c.keyedMs = c.pttHoldMs > 0 ? c.keyedMs + dt : 0;
    }
    // Fast attack, slow release, and a little noise on every reading.
    const double rate = c.targetDb > c.levelDb ? 20.0 : 120.0;
    c.levelDb += (c.targetDb - c.levelDb) * std::min(1.0, dtMs / rate);
    c.levelDb = std::clamp(c.levelDb + (Uniform() - 0.5) * 3.0, -70.0, 0.0);
}

StatusFields FrameGenerator::NextFields(double dtMs, uint64_t dueMs) {
    Step(m_a, dtMs);
    Step(m_b, dtMs);
    const int dt = static_cast<int>(std::ceil(dtMs));
    if (m_micMs > 0) {
        m_micMs = std::max(0, m_micMs - dt);
    } else if ((m_nextMicMs -= dt) <= 0) {
        // Now and then someone checks the microphone input for a few seconds.
        m_micMs = Between(2000, 6000);
        m_nextMicMs = Between(30000, 90000);
    }

    StatusFields f;
    const bool pttA = m_b.pttHoldMs > 0; // radio A sends what channel B receives
    const bool pttB = m_a.pttHoldMs > 0;
    f.lampBits = static_cast<uint8_t>(
        (m_a.signal ? 0x01 : 0) | (m_b.signal ? 0x02 : 0) | (pttA ? 0x04 : 0) | (pttB ? 0x08 : 0) |
        (m_a.signal && m_a.tone ? 0x10 : 0) | (m_b.signal && m_b.tone ? 0x20 : 0) |
        (m_a.noiseMs > 0 ? 0x40 : 0) | (m_b.noiseMs > 0 ? 0x80 : 0));
    uint16_t mode = 0;
    if (m_micMs > 0)
        mode |= kModeMicLevel;
    if (pttA && m_b.keyedMs > kCrossAfterMs)
        mode |= kModeCrossLitA;
    if (pttB && m_a.keyedMs > kCrossAfterMs)
        mode |= kModeCrossLitB;
    f.modeBits = mode;
    if (m_micMs > 0) {
        f.levelA = DbToLevel(-30 + (Uniform() - 0.5) * 10);
        f.levelB = 0;
    } else {
        f.levelA = DbToLevel(m_a.levelDb);
        f.levelB = DbToLevel(m_b.levelDb);
    }
    if (stamp) {
        const uint32_t t = static_cast<uint32_t>(stampOffsetMs + dueMs);
        f.sampleA = static_cast<int16_t>(t & 0xFFFF);
        f.sampleB = static_cast<int16_t>(t >> 16);
    } else {
        f.sampleA = static_cast<int16_t>(f.levelA * (0.9 + 0.2 * Uniform()));
        f.sampleB = static_cast<int16_t>(f.levelB * (0.9 + 0.2 * Uniform()));
    }
    return f;
}

bool FrameGenerator::BackToBack() const {
    return framesPerSecond == 0 || framesPerSecond >= kLineFramesPerSecond;
}

void FrameGenerator::Emit(std::string& out, double frameMs, uint64_t dueMs) {
    ++m_index;
    m_last = NextFields(frameMs, dueMs);
    StatusFrame frame = EncodeFrame(m_last);
    if (faults.badChecksumEvery && m_index % faults.badChecksumEvery == 0)
        frame[kFrameChecksum] ^= 0x5A;
    if (faults.badEndEvery && m_index % faults.badEndEvery == 0)
        frame[kFrameEndByte] = 0x04;
    const size_t before = out.size();
    out.append(reinterpret_cast<const char*>(frame.data()), frame.size());
    ++m_sent;
    if (faults.garbageEvery && m_index % faults.garbageEvery == 0) {
        // Garbage draws on its own generator: the frames stay the same with or without.
        for (unsigned i = 0; i < faults.garbageBytes; ++i)
            out += Uniform(m_garbageRng) < 0.25 ? static_cast<char>(kFrameStart)
                                                : static_cast<char>(Uniform(m_garbageRng) * 256);
    }
    m_bytes += out.size() - before;
}

std::string FrameGenerator::Produce(uint64_t nowMs) {
    std::string out;
    if (nowMs <= m_startMs)
        return out;
    const double frameMs = FrameMs();
    const double elapsedMs = static_cast<double>(nowMs - m_startMs);

    if (BackToBack()) {
        // The line is the limit: a frame goes out when its bytes (and any garbage before it)
        // have had time to cross.
        const uint64_t budget = static_cast<uint64_t>(elapsedMs * kLineBytesPerSecond / 1000.0);
        if (budget > m_bytes + kLineBytesPerSecond) {
            // A long gap: the state moves on in one step and only the newest second goes out.
            const uint64_t skip = (budget - m_bytes - kLineBytesPerSecond) / kFrameSize;
            NextFields(std::min(60000.0, static_cast<double>(skip) * frameMs), 0);
            m_index += skip;
            m_bytes += skip * kFrameSize;
        }
        while (m_bytes + kFrameSize <= budget) {
            const double endMs =
                static_cast<double>(m_bytes + kFrameSize) * 1000.0 / kLineBytesPerSecond;
            Emit(out, frameMs, m_startMs + static_cast<uint64_t>(endMs));
        }
        return out;
    }

    const uint64_t due = static_cast<uint64_t>(elapsedMs / frameMs);
    if (due <= m_index)
        return out;
    const uint64_t keep = static_cast<uint64_t>(1000.0 / frameMs);
    if (due - m_index > keep) {
        const uint64_t skip = due - m_index - keep;
        NextFields(std::min(60000.0, static_cast<double>(skip) * frameMs), 0);
        m_index += skip;
    }
    while (m_index < due)
        Emit(out, frameMs,
             m_startMs + static_cast<uint64_t>(static_cast<double>(m_index + 1) * frameMs));
    return out;
}

} // namespace hx::sim
