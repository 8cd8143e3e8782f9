#include "QtWindowRules.h"

#include "Decimal.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string_view>

namespace hx {

int MulDivRound(int value, int numerator, int denominator) {
    if (denominator == 0)
        return 0;
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const long long magnitude =
        (std::llabs(product) + half) / std::llabs(static_cast<long long>(denominator));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

DialogBaseUnits BaseUnitsForEm(int emPixels) {
    const int em = std::max(emPixels, 1);
    return DialogBaseUnits{(em + 1) / 2, em};
}

Rect DialogUnitsToPixels(int x, int y, int cx, int cy, DialogBaseUnits base) {
    Rect r;
    r.left = MulDivRound(x, base.x, 4);
    r.top = MulDivRound(y, base.y, 8);
    r.right = MulDivRound(x + cx, base.x, 4);
    r.bottom = MulDivRound(y + cy, base.y, 8);
    return r;
}

std::optional<int> ParseUpDownText(const std::string& text) {
    // Blanks around, a sign, digits that may carry thousands separators after the first.
    size_t i = 0, n = text.size();
    while (i < n && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    while (n > i && std::isspace(static_cast<unsigned char>(text[n - 1])))
        --n;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string digits;
    for (; i < n; ++i)
        if (text[i] != ',' || digits.empty())
            digits += text[i];
    const uint64_t highest = negative ? uint64_t{1} << 31 : uint64_t{INT_MAX};
    uint64_t value = 0;
    if (ParseDigits(digits, highest, value) != DigitsText::Ok)
        return std::nullopt;
    return static_cast<int>(negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value));
}

int UpDownStep(const std::string& fieldText, int lastPosition, int lowest, int highest, int delta) {
    const int lo = std::min(lowest, highest), hi = std::max(lowest, highest);
    const long long from = ParseUpDownText(fieldText).value_or(lastPosition);
    const long long to =
        std::clamp(from + delta, static_cast<long long>(lo), static_cast<long long>(hi));
    return static_cast<int>(to);
}

int UpDownIncrement(int step, long long heldMs) {
    if (step > 1)
        return step;
    if (heldMs < 2000)
        return 1;
    if (heldMs < 5000)
        return 5;
    return 20;
}

std::vector<FileFilterEntry> ParseFileFilter(const std::string& filter) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : filter) {
        if (c == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(current);

    std::vector<FileFilterEntry> entries;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty())
            break; // the closing "||"
        FileFilterEntry entry;
        entry.name = parts[i];
        std::string pattern;
        auto flush = [&] {
            const auto b = pattern.find_first_not_of(' ');
            const auto e = pattern.find_last_not_of(' ');
            if (b != std::string::npos) {
                std::string p = pattern.substr(b, e - b + 1);
                entry.patterns.push_back(p == "*.*" ? "*" : p);
            }
            pattern.clear();
        };
        for (char c : parts[i + 1]) {
            if (c == ';')
                flush();
            else
                pattern += c;
        }
        flush();
        if (entry.patterns.empty())
            entry.patterns.push_back("*");
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string QtFilterText(const FileFilterEntry& entry) {
    std::string patterns;
    for (const auto& p : entry.patterns) {
        if (!patterns.empty())
            patterns += ' ';
        patterns += p;
    }
    // Qt takes the patterns from the last parentheses of the text, so the shown name loses
    // any parentheses of its own and the patterns that are actually used are appended.
    std::string name = entry.name;
    const auto open = name.rfind('(');
    if (open != std::string::npos && !name.empty() && name.back() == ')')
        name.erase(open);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name + " (" + patterns + ")";
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
    if (extension.empty())
        return path;
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name.find('.') != std::string::npos)
        return path;
    return path + "." + extension;
}

namespace {

// A character that may stand inside a path: ASCII, printable, no space and no bracket or quote
// that would rather end it.
bool IsPathChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= ' ' || u >= 0x7F)
        return false;
    return std::string_view("()[]{}<>\"'`,;").find(c) == std::string_view::npos;
}

struct PathSpan {
    size_t begin, end;                // the path's bytes in the text
    std::vector<std::string> parts;   // its names between the slashes, the first one empty
    size_t dropFrom = 0, dropped = 0; // the run of middle names shown as "…"
};

std::string Joined(const PathSpan& p) {
    std::string out;
    for (size_t i = 1; i < p.parts.size(); ++i) {
        if (p.dropped > 0 && i == p.dropFrom) {
            out += "/…";
            i += p.dropped - 1;
            continue;
        }
        out += '/';
        out += p.parts[i];
    }
    return out;
}

} // namespace

std::string ShortenPathsToFit(const std::string& text,
                              const std::function<int(const std::string&)>& width, int room) {
    std::vector<PathSpan> paths;
    for (size_t i = 0; i < text.size();) {
        if (text[i] != '/' || (i > 0 && IsPathChar(text[i - 1]))) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && IsPathChar(text[end]))
            ++end;
        PathSpan p{i, end, {}};
        size_t from = i;
        while (from <= end) {
            const size_t slash = text.find('/', from);
            const size_t to = slash == std::string::npos || slash > end ? end : slash;
            p.parts.push_back(text.substr(from, to - from));
            from = to + 1;
        }
        // Only a path with a folder between its first name and its last can be shortened.
        if (p.parts.size() >= 4)
            paths.push_back(std::move(p));
        i = end;
    }
    auto compose = [&] {
        std::string out;
        size_t at = 0;
        for (const auto& p : paths) {
            out += text.substr(at, p.begin - at);
            out += Joined(p);
            at = p.end;
        }
        return out + text.substr(at);
    };
    std::string shown = text;
    // One more middle name of the longest path at a time, right to left from its last folder.
    while (width(shown) > room) {
        PathSpan* longest = nullptr;
        for (auto& p : paths) {
            const size_t names = p.parts.size() - 1; // without the empty first one
            if (p.dropped + 1 >= names)
                continue; // only the last name is left
            if (!longest || Joined(p).size() > Joined(*longest).size())
                longest = &p;
        }
        if (!longest)
            break;
        // Names 1 .. n-1 of parts; the last (n-1) stays. Drop from the end of the folders
        // backwards, then the first name too.
        const size_t last = longest->parts.size() - 1;
        ++longest->dropped;
        if (longest->dropped <= last - 2)
            longest->dropFrom = last - longest->dropped; // keeps the first name
        else
            longest->dropFrom = 1; // the first name goes too: "/…/last"
        longest->dropped = last - longest->dropFrom;
        shown = compose();
    }
    return shown;
}

} // namespace hx
