#pragma once
// The port object and the port enumerator: what the system needs of a serial port.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hx {

enum : unsigned {
    EV_RXCHAR = 1,  // bytes have been received
    EV_TXEMPTY = 4, // the transmit queue has drained
};

enum : unsigned long { MS_DSR_ON = 0x20 };

// Why a port did not open.
enum class PortOpenError {
    None,
    NotFound,   // no such port
    Permission, // the user may not use it (on Linux: not in the dialout group)
    Busy,       // another program has it open
    Other,
};

class IPort {
public:
    virtual ~IPort() = default;
    virtual void SetPortName(const std::string& name) = 0;
    virtual void SetBaudRate(const std::string& text) = 0; // "115200"
    virtual void SetDataBits(const std::string& text) = 0; // "8"
    virtual void SetParity(const std::string& text) = 0;   // "なし"
    virtual void SetStopBits(const std::string& text) = 0; // "1"
    virtual void SetFlow(const std::string& text) = 0;     // "DTR/DSR"
    virtual void SetEventMask(unsigned long mask) = 0;
    // Opens the port with the settings given; nonzero when open. From then on the port calls
    // notify(event) for EV_RXCHAR and EV_TXEMPTY; notify only queues the event for the window.
    virtual int Open(std::function<void(unsigned)> notify) = 0;
    virtual int SetDtr(int on) = 0;
    // Bytes placed in buf, at most capacity; 0 or less when nothing was read.
    virtual int Read(char* buf, int capacity) = 0;
    // Queues the bytes for sending.
    virtual void Write(const char* data, int length) = 0;
    // Line status; MS_DSR_ON while the other side holds DSR on.
    virtual unsigned long GetStatus() = 0;
    // Writes out what is still queued (bounded), then closes.
    virtual void Close() = 0;
    // Why the last Open failed.
    virtual PortOpenError LastOpenError() const { return PortOpenError::Other; }
    // The same in the system's words; empty where the port has none.
    virtual std::string LastError() const { return {}; }
    // Whether the port is open with its line still there: false after Close, and after the
    // line went away (a pulled cable, a removed adapter) until the next Open.
    virtual bool IsOpen() const { return true; }
    // While ms is above 0, EV_RXCHAR comes at most once every ms milliseconds: bytes that
    // arrive sooner after a report wait and are reported together, and an arrival later than
    // that is reported at once. 0, the default and the state after Close, reports every
    // arrival at once. A port that cannot gather arrivals reports each one, which is never
    // wrong.
    virtual void SetReceivePace(int ms) { (void)ms; }
    // Takes in at once what the operating system holds for the port, so that the next Read
    // returns it, without waiting for more. For a program that was paused (stopped, a laptop
    // suspended): its timers are due before the port has reported what came meanwhile.
    virtual void TakeWaiting() {}
};

// What is known of the adapter behind a port; empty texts are not known. The texts have no
// white space at either end.
struct PortInfo {
    std::string device;    // the path the port is opened by, as ListPorts gives it
    std::string vendorId;  // USB vendor id, four lower-case hexadecimal digits
    std::string productId; // USB product id, the same
    std::string maker;     // the adapter's maker, as the adapter (on Windows its driver) says
    std::string product;   // its product text
    std::string serialNumber;
    // udev's links; Windows has none, and there the serial number is what names an adapter.
    std::string byId;   // the stable link to it that names the adapter (/dev/serial/by-id/...)
    std::string byPath; // the stable link that names the USB socket (/dev/serial/by-path/...)
};

// The adapter's maker, product and serial number as the window shows them with the port
// ("メーカー：FTDI"), one item a line, the unknown ones left out; empty when none is known.
std::string DescribeAdapter(const PortInfo& port);

// The adapter's serial number in a by-id link's name as udev makes it
// ("usb-FTDI_FT232R_USB_UART_A12345-if00-port0" gives "A12345"), the part after the last
// underscore before the interface; empty when the name has no such part. A name made without a
// serial number ends in the product's last word instead, which this cannot tell.
std::string SerialFromByIdName(const std::string& name);

// The vendor id, product id and serial number in a Windows device instance id; the other
// fields stay empty. A USB device's id is "USB\VID_0403&PID_6001\A10K2JQ5", its last part
// the serial number the adapter reports; a device without one gets a last part that Windows
// makes up ("5&2C5C3B2F&0&2", always with an '&'), which gives no serial number, as does an
// interface of a composite device ("USB\VID_10C4&PID_EA70&MI_00\6&2BD7E6E1&0&0000"). FTDI's
// driver names its ports "FTDIBUS\VID_0403+PID_6001+A10K2JQ5A\0000": the adapter's serial
// number with a letter for the chip's port appended (A, and B, C, D on chips of several ports).
// The letter is taken off: the serial number is the adapter's own, as it reports it and as
// Linux shows it, and the ports of one chip share it as they do there (a port chosen by serial
// number is then ambiguous). Any other id, or one not of these forms, gives nothing.
PortInfo AdapterOfInstanceId(const std::string& instanceId);

class IPortFactory {
public:
    virtual ~IPortFactory() = default;
    virtual std::unique_ptr<IPort> CreatePort() = 0;
    // The ports present (their paths), in the enumerator's own order.
    virtual std::vector<std::string> ListPorts() = 0;
    // What the system knows of the adapter behind a port: maker, product, serial number, one
    // item a line; empty when nothing is known.
    virtual std::string DescribePort(const std::string& path) {
        (void)path;
        return {};
    }
    // Every port of ListPorts, in its order, with what is known of its adapter.
    virtual std::vector<PortInfo> DescribePorts() {
        std::vector<PortInfo> ports;
        for (const std::string& path : ListPorts())
            ports.push_back(PortInfo{path, {}, {}, {}, {}, {}, {}, {}});
        return ports;
    }
};

} // namespace hx
