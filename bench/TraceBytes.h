#pragma once
// What the benchmarks read from hx5310ctl's trace (--trace): the bytes that crossed the line and
// the time an operation took, from its "operation" line to its "end of" line.
#include <cstdlib>
#include <string>

namespace hx::bench {

// The number of bytes a trace's quoted text stands for (\r, \n, \t, \\, \" and \xNN are one
// byte each).
inline size_t QuotedBytes(const std::string& quoted) {
    size_t n = 0;
    for (size_t i = 1; i + 1 < quoted.size(); ++i, ++n) {
        if (quoted[i] == '\\')
            i += quoted[i + 1] == 'x' ? 3 : 1;
    }
    return n;
}

struct Segment {
    bool found = false;
    double seconds = 0;
    size_t bytes = 0;
};

// Calls fn(time, text) for each event line of a trace ("  12.345678 text"), comments aside.
template <typename Fn> void ForEachTraceLine(const std::string& trace, Fn fn) {
    size_t from = 0;
    while (from < trace.size()) {
        size_t to = trace.find('\n', from);
        if (to == std::string::npos)
            to = trace.size();
        const std::string line = trace.substr(from, to - from);
        from = to + 1;
        const size_t gap = line.find(' ', line.find_first_not_of(' '));
        if (line.empty() || line[0] == '#' || gap == std::string::npos)
            continue;
        if (!fn(std::atof(line.c_str()), line.substr(gap + 1)))
            return;
    }
}

// The bytes of a "> \"...\"" (written) or "< \"...\"" (read) line, 0 for any other.
inline size_t LineBytes(const std::string& text) {
    return text.rfind("> \"", 0) == 0 || text.rfind("< \"", 0) == 0 ? QuotedBytes(text.substr(2))
                                                                    : 0;
}

// The operation called name in a trace: from its "operation" line to its "end of" line.
inline Segment FindSegment(const std::string& trace, const std::string& name) {
    Segment s;
    double start = 0;
    bool inside = false;
    ForEachTraceLine(trace, [&](double t, const std::string& text) {
        if (!inside && text.rfind("operation " + name, 0) == 0) {
            inside = true;
            start = t;
        } else if (inside && text.rfind("end of " + name, 0) == 0) {
            s.found = true;
            s.seconds = t - start;
            return false;
        } else if (inside) {
            s.bytes += LineBytes(text);
        }
        return true;
    });
    return s;
}

// Every byte written and read in a whole trace.
inline size_t TraceBytes(const std::string& trace) {
    size_t bytes = 0;
    ForEachTraceLine(trace, [&](double, const std::string& text) {
        bytes += LineBytes(text);
        return true;
    });
    return bytes;
}

} // namespace hx::bench
