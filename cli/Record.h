#pragma once
// The production record: one line for every provision, factory reset, send and set, in JSON
// Lines (one object a line), appended to a file that many programs may append to at once.
#include "Outcome.h"

#include <string>

namespace hx::cli {

struct RecordEntry {
    std::string time;          // when the run ended, UTC, "2026-12-09T15:04:05.123Z"
    std::string station;       // the host's name
    std::string version;       // the tool's version
    std::string operation;     // "provision", "factory-reset", "send", "set"
    std::string port;          // the port as given or stored
    std::string serial;        // the serial number the box holds after a success; else its own
    std::string serialMayHold; // a number given from the counter that the box may hold now
    std::string model;         // "HX-5310" once the box was identified
    std::string firmware;      // "2.05"
    std::string file;          // the settings file's name as given
    std::string sha256;        // of the image sent (64 lower-case hexadecimal digits)
    std::string outcome;       // the outcome kind (OutcomeName)
    std::string detail;        // the outcome's detail, or the tool's reason
    bool boxChanged = false;   // a command that changes the box was sent
    int status = 0;            // the exit status
};

// The stable name of an outcome kind ("provisioned", "no_answer"), as the record and --json
// give it.
const char* OutcomeName(OutcomeKind kind);

// The entry as one line of JSON, ended by "\n"; empty texts are left out.
std::string RecordLine(const RecordEntry& entry);

// The record file beside the preferences (the counter) at prefsPath.
std::string DefaultRecordPath(const std::string& prefsPath);

} // namespace hx::cli
