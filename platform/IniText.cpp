#include "IniText.h"

#include <cstdio>
#include <vector>

namespace hx {
namespace {

bool KeyChar(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// A key or section name as QSettings writes it: "/" as "\", every other character outside
// letters, digits, "_", "-" and "." as %XX.
std::string EscapedKey(const std::string& key) {
    std::string out;
    for (const char ch : key) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '/') {
            out += '\\';
        } else if (KeyChar(c) || c >= 0x80) {
            out += ch;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string UnescapedKey(const std::string& key) {
    std::string out;
    for (size_t i = 0; i < key.size(); ++i) {
        if (key[i] == '\\') {
            out += '/';
        } else if (key[i] == '%' && i + 5 < key.size() && key[i + 1] == 'U' &&
                   HexDigit(key[i + 2]) >= 0 && HexDigit(key[i + 3]) >= 0 &&
                   HexDigit(key[i + 4]) >= 0 && HexDigit(key[i + 5]) >= 0) {
            AppendUtf8(
                out, static_cast<unsigned>(HexDigit(key[i + 2]) << 12 | HexDigit(key[i + 3]) << 8 |
                                           HexDigit(key[i + 4]) << 4 | HexDigit(key[i + 5])));
            i += 5;
        } else if (key[i] == '%' && i + 2 < key.size() && HexDigit(key[i + 1]) >= 0 &&
                   HexDigit(key[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(key[i + 1]) << 4 | HexDigit(key[i + 2]));
            i += 2;
        } else {
            out += key[i];
        }
    }
    return out;
}

bool Space(char c) {
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (Space(s[a]) || s[a] == '\r'))
        ++a;
    while (b > a && (Space(s[b - 1]) || s[b - 1] == '\r'))
        --b;
    return s.substr(a, b - a);
}

// A value as written after "=": quotes and backslash escapes undone; outside quotes the
// white space around the value is dropped.
std::string UnescapedValue(const std::string& raw) {
    const std::string s = Trimmed(raw);
    std::string out;
    bool quoted = false;
    size_t kept = 0; // out's length up to its last character that counts at the end
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            quoted = !quoted;
            kept = out.size();
            continue;
        }
        if (c == '\\' && i + 1 < s.size()) {
            const char e = s[++i];
            switch (e) {
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'v':
                out += '\v';
                break;
            case '0':
                out += '\0';
                break;
            case 'x': {
                unsigned code = 0;
                while (i + 1 < s.size() && HexDigit(s[i + 1]) >= 0)
                    code = code * 16 + static_cast<unsigned>(HexDigit(s[++i]));
                AppendUtf8(out, code & 0xFFFF);
                break;
            }
            default:
                out += e;
                break;
            }
            kept = out.size();
            continue;
        }
        out += c;
        if (quoted || !Space(c))
            kept = out.size();
    }
    out.resize(kept);
    // A text that begins with "@" is written with a second one.
    if (out.size() >= 2 && out[0] == '@' && out[1] == '@')
        out.erase(0, 1);
    return out;
}

// A value as QSettings writes it: quoted when it holds a separator or white space at an end,
// backslash escapes for quotes, backslashes and control characters.
std::string EscapedValue(const std::string& value) {
    std::string body = !value.empty() && value[0] == '@' ? "@" : "";
    bool quote = !value.empty() && (Space(value.front()) || Space(value.back()));
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        switch (ch) {
        case '\\':
            body += "\\\\";
            break;
        case '"':
            body += "\\\"";
            break;
        case '\n':
            body += "\\n";
            break;
        case '\r':
            body += "\\r";
            break;
        case '\t':
            body += "\\t";
            break;
        case ';':
        case ',':
        case '=':
            quote = true;
            body += ch;
            break;
        default:
            if (c < 0x20) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%x", c);
                body += hex;
            } else {
                body += ch;
            }
            break;
        }
    }
    return quote ? "\"" + body + "\"" : body;
}

struct Line {
    size_t begin = 0, end = 0; // the line without its line break
};

std::vector<Line> Lines(const std::string& text) {
    std::vector<Line> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        if (nl == std::string::npos)
            nl = text.size();
        lines.push_back({at, nl});
        at = nl + 1;
    }
    return lines;
}

// Where the entry stands: its line, and the last line of its section (for adding to it).
struct Place {
    const Line* entry = nullptr;
    const Line* sectionEnd = nullptr;
    std::string value;
};

Place Find(const std::string& text, const std::vector<Line>& lines, const std::string& section,
           const std::string& key) {
    Place place;
    bool in = section.empty();
    for (const Line& line : lines) {
        const std::string s = Trimmed(text.substr(line.begin, line.end - line.begin));
        if (s.empty() || s[0] == ';' || s[0] == '#') {
            continue;
        }
        if (s[0] == '[') {
            const size_t close = s.find(']');
            in = UnescapedKey(s.substr(1, close == std::string::npos ? s.size() - 1 : close - 1)) ==
                 section;
            if (in)
                place.sectionEnd = &line;
            continue;
        }
        if (!in)
            continue;
        place.sectionEnd = &line;
        const size_t eq = s.find('=');
        if (eq == std::string::npos || place.entry)
            continue;
        if (UnescapedKey(Trimmed(s.substr(0, eq))) == key) {
            place.entry = &line;
            place.value = UnescapedValue(s.substr(eq + 1));
        }
    }
    return place;
}

} // namespace

bool IniValue(const std::string& text, const std::string& section, const std::string& key,
              std::string& value) {
    const std::vector<Line> lines = Lines(text);
    const Place place = Find(text, lines, section, key);
    if (!place.entry)
        return false;
    value = place.value;
    return true;
}

std::string IniWithValue(const std::string& text, const std::string& section,
                         const std::string& key, const std::string& value) {
    const std::vector<Line> lines = Lines(text);
    const Place place = Find(text, lines, section, key);
    const std::string entry = EscapedKey(key) + "=" + EscapedValue(value);
    if (place.entry) {
        // A line break of "\r\n" stays as it was.
        const size_t end =
            place.entry->end > place.entry->begin && text[place.entry->end - 1] == '\r'
                ? place.entry->end - 1
                : place.entry->end;
        return text.substr(0, place.entry->begin) + entry + text.substr(end);
    }
    if (place.sectionEnd) {
        const size_t at = place.sectionEnd->end;
        return text.substr(0, at) + "\n" + entry + text.substr(at);
    }
    std::string out = text;
    if (!out.empty() && out.back() != '\n')
        out += '\n';
    if (!out.empty())
        out += '\n';
    return out + "[" + EscapedKey(section) + "]\n" + entry + "\n";
}

} // namespace hx
