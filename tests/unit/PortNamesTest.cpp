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

namespace {
// Vendor id, product id and serial number, as one text.
std::string Ids(const std::string& instanceId) {
    const PortInfo port = AdapterOfInstanceId(instanceId);
    return port.vendorId + " " + port.productId + " " + port.serialNumber;
}
} // namespace

TEST(PortNames, TheAdapterInAWindowsInstanceId) {
    EXPECT_EQ(Ids("USB\\VID_0403&PID_6001\\A10K2JQ5"), "0403 6001 A10K2JQ5");
    EXPECT_EQ(Ids("USB\\VID_10C4&PID_EA60\\0001"), "10c4 ea60 0001");
    // FTDI's driver: the port's letter after the serial number; both ports of a dual chip.
    EXPECT_EQ(Ids("FTDIBUS\\VID_0403+PID_6001+A10K2JQ5A\\0000"), "0403 6001 A10K2JQ5");
    EXPECT_EQ(Ids("FTDIBUS\\VID_0403+PID_6010+FT4ZJ0GHB\\0000"), "0403 6010 FT4ZJ0GH");
    // No serial number: Windows made up the last part, or names an interface of the device.
    EXPECT_EQ(Ids("USB\\VID_1A86&PID_7523\\5&2C5C3B2F&0&2"), "1a86 7523 ");
    EXPECT_EQ(Ids("USB\\VID_067B&PID_2303\\6&1F8B6D0E&0&3"), "067b 2303 ");
    EXPECT_EQ(Ids("USB\\VID_10C4&PID_EA70&MI_00\\6&2BD7E6E1&0&0000"), "10c4 ea70 ");
}

TEST(PortNames, AWindowsInstanceIdOfNoUsbAdapterTellsNothing) {
    for (const char* id : {"", "\\\\", "ACPI\\PNP0501\\1", "USB\\PID_6001\\A10K2JQ5",
                           "USB\\VID_0403&PID_6001", "USB\\VID_0403&PID_60", "USB\\VID_04",
                           "USB\\VID_0403&PID_6001\\", "USB\\VID_04G3&PID_6001\\A10K2JQ5",
                           "FTDIBUS\\VID_0403+PID_6001+A10K2JQ5A", "USB\\VID_0403&PID_6001\\A\\B"})
        EXPECT_EQ(Ids(id), "  ") << id;
}

TEST(PortNames, TheAdapterAsTheWindowShowsIt) {
    PortInfo port;
    port.maker = "FTDI";
    port.product = "USB Serial Port";
    port.serialNumber = "A10K2JQ5";
    EXPECT_EQ(DescribeAdapter(port),
              "メーカー：FTDI\n製品：USB Serial Port\nシリアル番号：A10K2JQ5");
    port.maker.clear();
    EXPECT_EQ(DescribeAdapter(port), "製品：USB Serial Port\nシリアル番号：A10K2JQ5");
    EXPECT_EQ(DescribeAdapter(PortInfo{"COM1", {}, {}, {}, {}, {}, {}, {}}), "");
}
