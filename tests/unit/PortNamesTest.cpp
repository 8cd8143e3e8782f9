#include "PortNames.h"
#include "Port.h"

#include <gtest/gtest.h>

using namespace hx;

namespace {
std::vector<std::string> Sorted(const std::vector<std::string>& listed) {
    std::vector<std::string> out;
    for (const auto& n : listed)
        out.insert(out.begin() + PortInsertIndex(out, n), n);
    return out;
}
} // namespace

TEST(PortNames, ComNamesByTheirNumber) {
    EXPECT_EQ(Sorted({"COM10", "COM2", "COM1"}),
              (std::vector<std::string>{"COM1", "COM2", "COM10"}));
    EXPECT_EQ(PortNumber("COM12"), 12);
    EXPECT_EQ(PortNumber("COMX"), 0);
    EXPECT_EQ(PortNumber("CO"), 0);
}

#ifndef _WIN32
// Device paths name ports on POSIX systems only.
TEST(PortNames, DevicePathsInNaturalOrder) {
    EXPECT_EQ(
        Sorted({"/dev/ttyUSB10", "/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyACM0"}),
        (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyUSB10"}));
}
#endif

TEST(PortNames, NamesThatSortAlikeKeepTheListedOrder) {
    EXPECT_EQ(Sorted({"COM01", "COM1", "COM001"}),
              (std::vector<std::string>{"COM01", "COM1", "COM001"}));
}

TEST(PortNames, TheAdaptersSerialNumberInAByIdLink) {
    EXPECT_EQ(hx::SerialFromByIdName("usb-FTDI_FT232R_USB_UART_A10K2JQ5-if00-port0"), "A10K2JQ5");
    EXPECT_EQ(
        hx::SerialFromByIdName("usb-Prolific_Technology_Inc._USB-Serial_Controller_D-if00-port0"),
        "D");
    EXPECT_EQ(hx::SerialFromByIdName("pci-0000:00:14.0-usb-0:2:1.0-port0"), "");
    EXPECT_EQ(hx::SerialFromByIdName("usb-NoSerial-if00"), "");
}
