#include "SimOptions.h"

#include "Decimal.h"

#include "SerialText.h"

#include <functional>

namespace hx::sim {

namespace {

// A whole decimal number within [low, high].
bool ReadNumber(const std::string& text, long low, long high, long& value) {
    uint64_t v = 0;
    if (ParseDigits(text, static_cast<uint64_t>(high), v) != DigitsText::Ok ||
        static_cast<long>(v) < low)
        return false;
    value = static_cast<long>(v);
    return true;
}

bool ValidLinkName(const std::string& name) {
    if (name.empty() || name.size() > 64 || name[0] == '.')
        return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!ok)
            return false;
    }
    return true;
}

struct Option {
    const char* name;
    const char* value; // the value's placeholder in the usage text; null: a switch
    const char* help;
    // Takes the value (empty for a switch); false when it is not acceptable.
    std::function<bool(const std::string&, SimOptions&)> apply;
};

// An option that takes a whole number within [low, high] and gives it to set.
template <typename Set>
std::function<bool(const std::string&, SimOptions&)> Number(long low, long high, Set set) {
    return [low, high, set](const std::string& v, SimOptions& o) {
        long n = 0;
        if (!ReadNumber(v, low, high, n))
            return false;
        set(o, n);
        return true;
    };
}

bool Flag(bool& target) {
    target = true;
    return true;
}

const std::vector<Option>& Options() {
    static const std::vector<Option> options = {
        {"--silent", nullptr, "answer nothing at all",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.silent); }},
        {"--lower-case", nullptr, "text replies in lower case (\"ok\")",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.lowerCase); }},
        {"--wrong-banner", nullptr, "give the version banner of another product",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.wrongBanner); }},
        {"--wrong-model", nullptr, "give the model line of another model",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.wrongModel); }},
        {"--extra-line", nullptr, "send a further line after the banner and the model line",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.extraLine); }},
        {"--bad-record", "N", "send record N (0-63) with a wrong checksum",
         Number(0, 63, [](SimOptions& o, long n) { o.faults.badRecord = static_cast<int>(n); })},
        {"--missing-record", "N", "leave record N (0-63) out",
         Number(0, 63,
                [](SimOptions& o, long n) { o.faults.missingRecord = static_cast<int>(n); })},
        {"--missing-eof", nullptr, "send no end-of-file record after the records",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.missingEof); }},
        {"--bad-read-back", nullptr, "the first read-back after a write differs in one byte",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.badReadBack); }},
        {"--comments", nullptr, "put \"#\" comment lines among the replies",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.comments); }},
        {"--no-echo", nullptr, "do not echo commands",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.noEcho); }},
        {"--double-replies", nullptr, "send every reply line twice",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.doubleReplies); }},
        {"--refuse-store", nullptr, "answer ERROR to AT&W and store nothing",
         [](const std::string&, SimOptions& o) { return Flag(o.faults.refuseStore); }},
        {"--long-line", "N", "before every reply, a line of N bytes (1-1000000) without a line end",
         Number(1, 1000000,
                [](SimOptions& o, long n) { o.faults.longLine = static_cast<int>(n); })},
        {"--garbage", "N", "noise on the line: N random bytes a second (1-10000000)",
         Number(
             1, 10000000,
             [](SimOptions& o, long n) { o.faults.garbagePerSecond = static_cast<unsigned>(n); })},
        {"--frame-rate", "N", "status frames a second in monitor mode (0: back to back)",
         Number(0, 100000, [](SimOptions& o, long n) { o.frameRate = static_cast<unsigned>(n); })},
        {"--frame-bad-checksum", "N", "every Nth status frame has a wrong checksum",
         Number(1, 1000000,
                [](SimOptions& o, long n) {
                    o.frameFaults.badChecksumEvery = static_cast<unsigned>(n);
                })},
        {"--frame-bad-end", "N", "every Nth status frame ends with 0x04 instead of 0x03",
         Number(
             1, 1000000,
             [](SimOptions& o, long n) { o.frameFaults.badEndEvery = static_cast<unsigned>(n); })},
        {"--frame-garbage", "N", "garbage bytes after every Nth status frame",
         Number(
             1, 1000000,
             [](SimOptions& o, long n) { o.frameFaults.garbageEvery = static_cast<unsigned>(n); })},
        {"--frame-garbage-bytes", "N", "how many garbage bytes each time (1-100, default 5)",
         Number(
             1, 100,
             [](SimOptions& o, long n) { o.frameFaults.garbageBytes = static_cast<unsigned>(n); })},
        {"--frame-seed", "N", "the seed of what the status frames say",
         Number(0, 999999999,
                [](SimOptions& o, long n) { o.frameSeed = static_cast<uint64_t>(n); })},
        {"--frame-stamp", nullptr,
         "samples carry the frame's time (steady clock, ms) for measuring the tool's lag",
         [](const std::string&, SimOptions& o) { return Flag(o.frameStamp); }},
        {"--serial", "HEX",
         "start with this serial number, 0 to FFFFFFFE (without it the box has none)",
         [](const std::string& v, SimOptions& o) {
             uint32_t n;
             if (!ParseSerialText(v, n))
                 return false;
             o.serial = n;
             return true;
         }},
        {"--firmware", "MAJOR.MINOR", "the firmware version the banner gives (0-255 each)",
         [](const std::string& v, SimOptions& o) {
             const auto dot = v.find('.');
             long major, minor;
             if (dot == std::string::npos || !ReadNumber(v.substr(0, dot), 0, 255, major) ||
                 !ReadNumber(v.substr(dot + 1), 0, 255, minor))
                 return false;
             o.versionMajor = static_cast<uint8_t>(major);
             o.versionMinor = static_cast<uint8_t>(minor);
             return true;
         }},
        {"--pace", nullptr, "send and take bytes at the line rate of 115200 baud",
         [](const std::string&, SimOptions& o) { return Flag(o.pace); }},
        {"--name", "NAME", "the link's name in the announcement folder (default hx5310-sim)",
         [](const std::string& v, SimOptions& o) {
             if (!ValidLinkName(v))
                 return false;
             o.name = v;
             return true;
         }},
        {"--help", nullptr, "show this text and end",
         [](const std::string&, SimOptions& o) { return Flag(o.help); }},
        {"--version", nullptr, "show the program's version and end",
         [](const std::string&, SimOptions& o) { return Flag(o.version); }},
    };
    return options;
}

} // namespace

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options,
                     std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        const auto eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            inlineValue = true;
        }
        const Option* option = nullptr;
        for (const Option& o : Options())
            if (name == o.name)
                option = &o;
        if (!option) {
            error = "unknown option " + name;
            return false;
        }
        if (option->value && !inlineValue) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value (" + option->value + ")";
                return false;
            }
            value = args[++i];
        } else if (!option->value && inlineValue) {
            error = name + " takes no value";
            return false;
        }
        if (!option->apply(value, options)) {
            error = "bad value \"" + value + "\" for " + name + " (" + option->value + ": " +
                    option->help + ")";
            return false;
        }
    }
    return true;
}

std::string SimUsage() {
    std::string text = "Usage: hx5310-sim [options]\n"
                       "A virtual HX-5310 on a pseudo-terminal. Prints the device path and the\n"
                       "link announced for the configuration tool, one line each, then serves\n"
                       "until SIGINT or SIGTERM.\n\nOptions:\n";
    for (const Option& o : Options()) {
        std::string left = std::string("  ") + o.name;
        if (o.value)
            left += std::string(" ") + o.value;
        if (left.size() < 26)
            left.resize(26, ' ');
        else
            left += "  ";
        text += left + o.help + "\n";
    }
    return text;
}

void ApplySimOptions(const SimOptions& options, BoxModel& box) {
    box.faults = options.faults;
    if (options.frameRate)
        box.frames.framesPerSecond = *options.frameRate;
    box.frames.faults = options.frameFaults;
    if (options.frameSeed)
        box.frames.seed = *options.frameSeed;
    box.frames.stamp = options.frameStamp;
    if (options.versionMajor)
        box.versionMajor = *options.versionMajor;
    if (options.versionMinor)
        box.versionMinor = *options.versionMinor;
    if (options.serial) {
        PutU32(box.Ram(), kSerialOffset, *options.serial);
        PutU32(box.Flash(), kSerialOffset, *options.serial);
    }
}

} // namespace hx::sim
