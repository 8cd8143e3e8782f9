#pragma once
// The command line of hx5310-sim: the box's faults, its frames, its identity and the line.
#include "BoxModel.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hx::sim {

struct SimOptions {
    BoxFaults faults;
    std::optional<unsigned> frameRate;   // status frames a second; 0: back to back
    FrameFaults frameFaults;             // damaged frames and garbage among the status frames
    std::optional<uint64_t> frameSeed;   // what the status frames say follows this seed
    bool frameStamp = false;             // samples carry the frame's steady-clock time in ms
    std::optional<uint32_t> serial;      // the serial number the box starts with
    std::optional<uint8_t> versionMajor; // the version the banner gives
    std::optional<uint8_t> versionMinor;
    bool pace = false;               // bytes cross the line at 115200 baud, not at once
    std::string name = "hx5310-sim"; // the link's name in the announcement folder
    bool help = false;
    bool version = false; // --version: the program's own, not the firmware's
};

// Reads the arguments after the program name ("--opt value" or "--opt=value"). False with a
// message in error for an unknown option, a missing or malformed value, or one out of range.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

// The text of --help.
std::string SimUsage();

// Gives the box the faults, frame rate, serial number and version of the options.
void ApplySimOptions(const SimOptions& options, BoxModel& box);

} // namespace hx::sim
