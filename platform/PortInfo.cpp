// What a port's names tell of its adapter, and the adapter as the window shows it.
#include "Port.h"

#include <cctype>
#include <utility>

namespace hx {

std::string DescribeAdapter(const PortInfo& port) {
    const std::pair<const char*, const std::string*> items[] = {
        {"メーカー", &port.maker}, {"製品", &port.product}, {"シリアル番号", &port.serialNumber}};
    std::string out;
    for (const auto& [label, value] : items) {
        if (value->empty())
            continue;
        if (!out.empty())
            out += "\n";
        out += std::string(label) + "：" + *value;
    }
    return out;
}

std::string SerialFromByIdName(const std::string& name) {
    // "<bus>-<maker>_<product>_<serial>-if<NN>[-port<N>]": the serial number is the last
    // part before the interface, after the last underscore.
    const auto interface = name.rfind("-if");
    if (name.rfind("usb-", 0) != 0 || interface == std::string::npos)
        return {};
    const std::string head = name.substr(0, interface);
    const auto underscore = head.rfind('_');
    if (underscore == std::string::npos || underscore + 1 >= head.size())
        return {};
    return head.substr(underscore + 1);
}

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool SameLetters(const std::string& a, const char* b) {
    std::string::size_type i = 0;
    for (; b[i] != '\0'; ++i)
        if (i >= a.size() || std::toupper(static_cast<unsigned char>(a[i])) != b[i])
            return false;
    return i == a.size();
}

// The four hexadecimal digits after the prefix ("VID_0403"), in lower case; empty when the
// item is not of that form.
std::string HexId(const std::string& item, const char* prefix) {
    const std::string::size_type n = std::char_traits<char>::length(prefix);
    if (item.size() != n + 4 || !SameLetters(item.substr(0, n), prefix))
        return {};
    std::string id = item.substr(n);
    for (char& c : id) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return id;
}

} // namespace

PortInfo AdapterOfInstanceId(const std::string& instanceId) {
    // "<enumerator>\<device>\<instance>"
    const std::vector<std::string> parts = Split(instanceId, '\\');
    if (parts.size() != 3 || parts[2].empty())
        return {};
    const bool usb = SameLetters(parts[0], "USB");
    const bool ftdi = SameLetters(parts[0], "FTDIBUS");
    if (!usb && !ftdi)
        return {};
    const std::vector<std::string> items = Split(parts[1], usb ? '&' : '+');
    PortInfo port;
    port.vendorId = HexId(items[0], "VID_");
    port.productId = items.size() > 1 ? HexId(items[1], "PID_") : std::string();
    if (port.vendorId.empty() || port.productId.empty())
        return {};
    // A serial number Windows made up has an '&'; FTDI's is followed by the port's letter.
    if (usb && items.size() == 2 && parts[2].find('&') == std::string::npos) {
        port.serialNumber = parts[2];
    } else if (ftdi && items.size() == 3 && items[2].find('&') == std::string::npos &&
               items[2].size() > 1 && std::isupper(static_cast<unsigned char>(items[2].back()))) {
        port.serialNumber = items[2].substr(0, items[2].size() - 1);
    }
    return port;
}

} // namespace hx
