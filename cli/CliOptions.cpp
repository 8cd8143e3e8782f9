#include "CliOptions.h"

#include "SettingNames.h"

#include <cstdlib>

namespace hx::cli {
namespace {

struct CommandWord {
    const char* name;
    Command command;
};

const CommandWord kCommands[] = {
    {"ports", Command::Ports},
    {"read", Command::Read},
    {"show", Command::Show},
    {"send", Command::Send},
    {"set", Command::Set},
    {"restart", Command::Restart},
    {"factory-reset", Command::FactoryReset},
    {"provision", Command::Provision},
    {"verify", Command::Verify},
    {"monitor", Command::Monitor},
    {"counter", Command::CounterInit},
    {"help", Command::Help},
};

// A number of seconds: decimal, above 0, at most about four months.
bool ReadSeconds(const std::string& text, double& seconds) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (!end || *end != '\0' || !(v > 0) || v > 1e7)
        return false;
    seconds = v;
    return true;
}

// What the command takes after its name.
bool TakeOperands(Command command, const std::vector<std::string>& operands, CliOptions& o,
                  std::string& error) {
    const size_t n = operands.size();
    switch (command) {
    case Command::Read:
        if (n > 1) {
            error = "read takes at most one file (or - for standard output)";
            return false;
        }
        o.file = n ? operands[0] : std::string();
        return true;
    case Command::Send:
    case Command::Provision:
    case Command::Verify:
        if (n != 1 || operands[0].empty()) {
            error = std::string(CommandName(command)) + " takes one settings file";
            return false;
        }
        o.file = operands[0];
        return true;
    case Command::Set:
        if (n == 0) {
            error = "set takes one or more NAME=VALUE";
            return false;
        }
        for (const std::string& a : operands) {
            const auto eq = a.find('=');
            if (eq == std::string::npos) {
                error = "\"" + a + "\" is not NAME=VALUE";
                return false;
            }
            Assignment assignment{a.substr(0, eq), a.substr(eq + 1)};
            if (!FindSetting(assignment.name)) {
                error = "no setting is called \"" + assignment.name + "\"";
                return false;
            }
            o.assignments.push_back(std::move(assignment));
        }
        return true;
    case Command::CounterInit:
        if (n != 1 || operands[0] != "init") {
            error = "counter takes init";
            return false;
        }
        return true;
    default:
        if (n != 0) {
            error = "unexpected argument \"" + operands[0] + "\"";
            return false;
        }
        return true;
    }
}

} // namespace

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& o, std::string& error) {
    o = CliOptions{};
    std::vector<std::string> words; // the command and its operands
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-' || arg == "-") {
            words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            o.command = Command::Help;
            return true;
        }
        if (arg == "--no-backup") {
            o.noBackup = true;
            continue;
        }
        if (arg == "--json") {
            o.json = true;
            continue;
        }
        if (arg == "--move-counter-back") {
            o.moveCounterBack = true;
            continue;
        }
        if (arg == "--version") {
            o.command = Command::Version;
            return true;
        }
        std::string name = arg, value;
        bool inlineValue = false;
        const auto eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        std::string* target = nullptr;
        if (name == "--port")
            target = &o.port;
        else if (name == "--trace")
            target = &o.trace;
        else if (name == "--config")
            target = &o.config;
        else if (name == "--record")
            target = &o.record;
        else if (name == "--counter")
            target = &o.counter;
        else if (name == "--from-config")
            target = &o.fromConfig;
        else if (name != "--serial" && name != "--seconds") {
            error = "unknown option " + name;
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (value.empty()) {
            error = name + " needs a value";
            return false;
        }
        if (target) {
            *target = value;
        } else if (name == "--serial") {
            o.newSerial = value;
        } else {
            double seconds = 0;
            if (!ReadSeconds(value, seconds)) {
                error = "--seconds takes a number of seconds above 0, not \"" + value + "\"";
                return false;
            }
            o.seconds = seconds;
        }
    }

    if (words.empty()) {
        error = "no command given";
        return false;
    }
    for (const CommandWord& c : kCommands)
        if (words[0] == c.name)
            o.command = c.command;
    if (o.command == Command::None) {
        error = "unknown command \"" + words[0] + "\"";
        return false;
    }
    if (o.command == Command::Help)
        return true;
    if (o.newSerial && o.command != Command::FactoryReset && o.command != Command::Provision) {
        error = "--serial belongs to factory-reset and provision";
        return false;
    }
    if (!o.fromConfig.empty() && o.command != Command::CounterInit) {
        error = "--from-config belongs to counter init";
        return false;
    }
    if (!o.counter.empty() && !IsDatabaseCounter(o.counter)) {
        error = "--counter takes a postgresql:// connection string, not \"" + o.counter + "\"";
        return false;
    }
    if (o.seconds && o.command != Command::Monitor) {
        error = "--seconds belongs to monitor";
        return false;
    }
    if (o.noBackup && !Recorded(o.command)) {
        error = "--no-backup belongs to send, set, factory-reset and provision";
        return false;
    }
    if (o.moveCounterBack && o.command != Command::Set && o.command != Command::FactoryReset &&
        o.command != Command::Provision) {
        error = "--move-counter-back belongs to set, factory-reset and provision";
        return false;
    }
    if (!o.record.empty() && !Recorded(o.command)) {
        error = "--record belongs to send, set, factory-reset and provision";
        return false;
    }
    if (!TakeOperands(o.command, {words.begin() + 1, words.end()}, o, error))
        return false;
    if (o.json && o.command == Command::Read && (o.file.empty() || o.file == "-")) {
        error = "read --json writes the settings into a FILE, not to standard output";
        return false;
    }
    return true;
}

const char* CommandName(Command command) {
    for (const CommandWord& c : kCommands)
        if (c.command == command)
            return c.name;
    return "";
}

bool Recorded(Command command) {
    return command == Command::Send || command == Command::Set ||
           command == Command::FactoryReset || command == Command::Provision;
}

bool IsDatabaseCounter(const std::string& text) {
    return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0;
}

std::string CliUsage() {
    std::string text =
        "Usage: hx5310ctl [--port PORT] [--trace FILE] [--config FILE] [--record FILE]\n"
        "                 [--counter URL] [--json] [--no-backup] [--move-counter-back]\n"
        "                 COMMAND [ARGS]\n"
        "The HX-5310 configuration tool from the command line: the same rules as the window.\n"
        "\n"
        "Commands:\n"
        "  ports                        the ports of the port list, each with its device and\n"
        "                               what is known of its adapter\n"
        "  read [FILE|-]                read the box; write its settings as a settings file\n"
        "                               (standard output without FILE or with -)\n"
        "  show                         read the box; print every setting as NAME=VALUE\n"
        "  send FILE                    read the box, load FILE (the box keeps its serial\n"
        "                               number), send, verify and store\n"
        "  set NAME=VALUE...            read the box, change the named settings, send, verify\n"
        "                               and store; prints the settings that the coupling\n"
        "                               rules changed besides\n"
        "  restart                      read the box, then restart it\n"
        "  factory-reset [--serial HEX] read the box, return it to factory settings; a box\n"
        "                               without a serial number gets HEX, or the stored\n"
        "                               counter's next number; prints serial=...\n"
        "  provision [--serial HEX] FILE\n"
        "                               one pass of a production line: read the box, return\n"
        "                               it to factory settings, number it if it has no serial\n"
        "                               number, send FILE's settings, verify and store; prints\n"
        "                               serial=...\n"
        "  verify FILE                  read the box and compare it with FILE, the serial\n"
        "                               number aside: status 0 equal, 1 they differ (each\n"
        "                               difference printed), 2 a bad file\n"
        "  monitor [--seconds N]        read the box, then print its lamps and levels as they\n"
        "                               change, until N seconds have passed or Ctrl-C\n"
        "  counter init [--from-config FILE]\n"
        "                               create the serial-number counter and the production\n"
        "                               record in the database of --counter (nothing that\n"
        "                               exists is changed); FILE's next number is carried over\n"
        "\n"
        "Options:\n"
        "  --port PORT    the port as the port list shows it, its last part, a device path,\n"
        "                 a /dev/serial/by-id/ or by-path link, or the serial number of its\n"
        "                 USB adapter; without it, the port the window used last\n"
        "  --trace FILE   write every byte sent and received, with time stamps, re-sends\n"
        "                 and time-outs, to FILE\n"
        "  --config FILE  keep the stored preferences (the serial-number counter) in FILE\n"
        "                 instead of the user's own; also $" +
        std::string(kConfigVariable) +
        "\n"
        "  --record FILE  provision, factory-reset, send, set: append the run's line to FILE\n"
        "                 (JSON Lines) instead of HX-5310-Record.jsonl beside the preferences\n"
        "  --json         one JSON object on standard output (monitor: one a frame); the\n"
        "                 messages stay on standard error\n"
        "  --counter URL  take the serial numbers from a line's PostgreSQL database\n"
        "                 (postgresql://USER@HOST/DB), with a row per box in its production\n"
        "                 record; also $" +
        std::string(kCounterVariable) +
        "\n"
        "  --no-backup    send, set, factory-reset, provision: go on when the box's settings "
        "cannot\n"
        "                 be kept as a backup first (without it, nothing is changed then)\n"
        "  --move-counter-back\n"
        "                 set serial=, factory-reset --serial: give a number below the\n"
        "                 counter's next number and move the counter back after it\n"
        "                 (without it, nothing is changed then: the number may be a box's)\n"
        "  --help         show this text\n"
        "  --version      show the program's version\n"
        "\n"
        "Settings (show and set, in this order):\n ";
    size_t column = 1;
    for (const SettingDef& s : SettingDefs()) {
        const std::string name = s.name;
        if (column + name.size() + 1 > 78) {
            text += "\n ";
            column = 1;
        }
        text += " " + name;
        column += name.size() + 1;
    }
    text += "\n"
            "  Numbers as the window's fields take them; lists as the index of the item;\n"
            "  check boxes 0 or 1; serial as eight hexadecimal digits (empty: none).\n"
            "\n"
            "Monitor lines: seconds since the start, then tone-a noise-a busy-a ptt-a tone-b\n"
            "noise-b busy-b ptt-b (0 dark, 1 lit; an x marks the crossed PTT picture) and\n"
            "level-a level-b in dB (mic-level in the microphone display mode).\n"
            "\n"
            "Standard output carries data only; the window's messages go to standard error.\n"
            "Exit status: 0 success, 1 the box or the port failed, 2 bad usage, a bad value\n"
            "or a bad file, 130 interrupted (Ctrl-C ends monitor with 0); 1 or 130 after\n"
            "the box was changed come with a message that says what the box now holds.\n";
    return text;
}

} // namespace hx::cli
