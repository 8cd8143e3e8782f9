#include "PortNames.h"

#include <cctype>
#include <cstdlib>

namespace hx {

int PortNumber(const std::string& name) {
    if (name.size() <= 3)
        return 0;
    return std::atoi(name.c_str() + 3);
}

#ifndef _WIN32
namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// <0, 0, >0 like strcmp, with runs of digits compared by their value.
int NaturalCompare(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            size_t ie = i, je = j;
            while (ie < a.size() && IsDigit(a[ie]))
                ++ie;
            while (je < b.size() && IsDigit(b[je]))
                ++je;
            size_t is = i, js = j;
            while (is + 1 < ie && a[is] == '0')
                ++is;
            while (js + 1 < je && b[js] == '0')
                ++js;
            if (ie - is != je - js)
                return ie - is < je - js ? -1 : 1;
            for (; is < ie; ++is, ++js)
                if (a[is] != b[js])
                    return a[is] < b[js] ? -1 : 1;
            i = ie;
            j = je;
        } else {
            if (a[i] != b[j])
                return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
            ++i;
            ++j;
        }
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

} // namespace
#endif

bool PortSortsAfter(const std::string& a, const std::string& b) {
#ifdef _WIN32
    return PortNumber(a) > PortNumber(b);
#else
    return NaturalCompare(a, b) > 0;
#endif
}

std::string PortShortName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos || slash + 1 == path.size())
        return path;
    return path.substr(slash + 1);
}

int PortInsertIndex(const std::vector<std::string>& entries, const std::string& name) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (PortSortsAfter(entries[i], name))
            return static_cast<int>(i);
    return static_cast<int>(entries.size());
}

} // namespace hx
