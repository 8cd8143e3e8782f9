#pragma once
// The command line of hx5310ctl: global options, the command and its arguments.
#include <optional>
#include <string>
#include <vector>

namespace hx::cli {

enum class Command {
    None,
    Help,
    Version,
    Ports,
    Read,
    Show,
    Send,
    Set,
    Restart,
    FactoryReset,
    Provision,
    Verify,
    Monitor,
    CounterInit // counter init: the line's database counter and record
};

struct Assignment {
    std::string name;  // a setting name of SettingDefs()
    std::string value; // as typed; checked by the window
};

struct CliOptions {
    Command command = Command::None;
    std::string port;   // --port; empty: the port the window stored last
    std::string trace;  // --trace FILE; empty: no trace
    std::string config; // --config FILE; empty: $HX5310_CONFIG, else the user's own preferences
    std::string record; // --record FILE; empty: the record beside the preferences
    // --json: one JSON object on standard output (a line a frame for monitor) instead of text.
    bool json = false;
    // --counter URL: the serial numbers from a line's database (postgresql://...); empty:
    // $HX5310_COUNTER, else the counter in the preferences.
    std::string counter;
    std::string fromConfig; // counter init --from-config FILE: the counter file carried over
    std::string file; // read: FILE, "-" or empty for standard output; send, provision, verify: FILE
    std::vector<Assignment> assignments;  // set
    std::optional<std::string> newSerial; // factory-reset, provision --serial HEX
    std::optional<double> seconds;        // monitor --seconds N
    // --no-backup: a send or reset goes on when the box's settings cannot be kept as a backup
    // (the window's question answered Yes); without it, it stops before the box is changed.
    bool noBackup = false;
    // --move-counter-back: a serial number given below the counter's next number (--serial, or
    // serial= of set) is given and the counter moved back after it (the window's question
    // answered Yes); without it, nothing is changed then.
    bool moveCounterBack = false;
};

// Reads the arguments after the program name. Options may stand before or after the command,
// as "--opt value" or "--opt=value"; "--" ends the options. False with a message in error for
// anything that is not a well-formed command line (setting values are checked later, by the
// window's own rules).
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// The command's name as typed ("factory-reset").
const char* CommandName(Command command);

// Whether a run of the command goes into the production record.
bool Recorded(Command command);

// The text of --help.
std::string CliUsage();

// The name of the environment variable that names another preferences file.
constexpr const char* kConfigVariable = "HX5310_CONFIG";
// The name of the environment variable that names a line's database counter.
constexpr const char* kCounterVariable = "HX5310_COUNTER";

// Whether text names a database counter: a postgresql:// (or postgres://) connection string.
bool IsDatabaseCounter(const std::string& text);

} // namespace hx::cli
