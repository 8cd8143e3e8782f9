#pragma once
// The box's status frames in monitor mode: lamps and levels that change like a real relay's.
// Deterministic: the same seed, rate and calls give the same bytes.
#include "StatusFrame.h"

#include <cstdint>
#include <string>

namespace hx::sim {

// Faults on the line while frames stream.
struct FrameFaults {
    unsigned badChecksumEvery = 0; // every Nth frame has a wrong checksum (0: never)
    unsigned badEndEvery = 0;      // every Nth frame ends with 0x04 instead of 0x03 (0: never)
    unsigned garbageEvery = 0;     // after every Nth frame come garbage bytes (0: never) ...
    unsigned garbageBytes = 5;     // ... this many, start bytes among them
};

class FrameGenerator {
public:
    // 115200 baud at 10 bits a byte.
    static constexpr unsigned kLineBytesPerSecond = 11520;
    // Whole frames the line carries in a second (822).
    static constexpr unsigned kLineFramesPerSecond = kLineBytesPerSecond / kFrameSize;

    // Monitor mode starts at nowMs.
    void Start(uint64_t nowMs);
    // The frames due between the last call and nowMs, as bytes on the line. After a long gap
    // only the newest second of frames is sent; the older ones are skipped, as a box whose
    // line is busy would.
    std::string Produce(uint64_t nowMs);

    // Frames a second; 0 means back to back at the line rate. Rates above the line rate are
    // taken as the line rate.
    unsigned framesPerSecond = 50;
    uint64_t seed = 1;
    FrameFaults faults;
    // When set, sampleA and sampleB carry the frame's time (stampOffsetMs + its due time in
    // ms, low 16 bits in sampleA, next 16 in sampleB) instead of audio samples, so a reader
    // can tell how old the state it shows is.
    bool stamp = false;
    uint64_t stampOffsetMs = 0;

    // What has been produced since Start.
    uint64_t FramesDue() const { return m_index; }
    uint64_t FramesSent() const { return m_sent; }
    const StatusFields& Last() const { return m_last; }

    // Reads a stamp back out of the fields of a frame.
    static uint32_t StampOf(const StatusFields& f) {
        return static_cast<uint16_t>(f.sampleA) |
               (static_cast<uint32_t>(static_cast<uint16_t>(f.sampleB)) << 16);
    }

private:
    struct Channel {
        bool signal = false;   // a carrier is received
        bool tone = false;     // the received signal carries a tone
        int noiseMs = 0;       // squelch noise after the carrier drops, still to run
        int stateMs = 0;       // time until the carrier comes or goes
        int pttHoldMs = 0;     // the other radio stays keyed this long after the signal
        int keyedMs = 0;       // how long the other radio has been keyed
        double levelDb = -60;  // the level shown, in dB relative to full scale
        double targetDb = -60; // where the level is heading
    };

    static double Uniform(uint64_t& state); // 0 <= x < 1
    double Uniform();
    int Between(int lo, int hi);
    void Step(Channel& c, double dtMs);
    StatusFields NextFields(double dtMs, uint64_t dueMs);
    double FrameMs() const;
    bool BackToBack() const;
    // Puts the next frame (and the garbage that follows it, if any) on the line.
    void Emit(std::string& out, double frameMs, uint64_t dueMs);

    uint64_t m_rng = 0;
    uint64_t m_garbageRng = 0;
    uint64_t m_startMs = 0;
    uint64_t m_index = 0; // frames due so far
    uint64_t m_sent = 0;  // frames put on the line
    uint64_t m_bytes = 0; // bytes put on the line, garbage included
    Channel m_a, m_b;
    int m_micMs = 0;     // microphone-level display left to run
    int m_nextMicMs = 0; // time until the display switches to the microphone level
    StatusFields m_last;
};

} // namespace hx::sim
