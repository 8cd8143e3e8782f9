#pragma once
// The box's status frames in monitor mode: lamps and levels that change like a real relay's.
#include <cstdint>
#include <string>

namespace hx::sim {

class FrameGenerator {
public:
    // Monitor mode starts at nowMs.
    void Start(uint64_t nowMs);
    // The frames due between the last call and nowMs, as bytes on the line.
    std::string Produce(uint64_t nowMs);

    unsigned framesPerSecond = 50;
};

} // namespace hx::sim
