// What a port's name tells of its adapter.
#include "Port.h"

namespace hx {

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

} // namespace hx
