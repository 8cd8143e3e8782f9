#include "WinComm.h"

namespace hx {

namespace {
// Win32's error numbers, as winerror.h defines them.
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kPathNotFound = 3;
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kInvalidHandle = 6;
constexpr uint32_t kBadCommand = 22;
constexpr uint32_t kGenFailure = 31;
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kDeviceNotConnected = 1167;
constexpr uint32_t kDeviceRemoved = 1617;
} // namespace

std::string ComDevicePath(const std::string& name) {
    if (name.rfind("\\\\", 0) == 0)
        return name;
    return "\\\\.\\" + name;
}

WaitEnd ClassifyWaitEnd(bool succeeded, uint32_t error) {
    if (succeeded)
        return WaitEnd::LookAgain;
    switch (error) {
    case kAccessDenied:  // a USB adapter pulled while open
    case kInvalidHandle: // the handle is no longer the port's
    case kBadCommand:
    case kGenFailure:
    case kDeviceNotConnected:
    case kDeviceRemoved:
        return WaitEnd::LineLost;
    default:
        // ERROR_OPERATION_ABORTED and anything else: the queues and the line tell; a line that
        // is gone fails there.
        return WaitEnd::LookAgain;
    }
}

PortOpenError OpenErrorOfWin32(uint32_t error) {
    switch (error) {
    case kFileNotFound:
    case kPathNotFound:
        return PortOpenError::NotFound;
    case kAccessDenied:
    case kSharingViolation:
        return PortOpenError::Busy;
    default:
        return PortOpenError::Other;
    }
}

int64_t DrainCheckDelay(const DrainView& view) {
    // The driver cannot have sent the bytes before the line could carry them; a driver that
    // reports an empty queue and EV_TXEMPTY at once (Wine's) is taken at the line's pace.
    if (view.now < view.lineFreeAt)
        return view.lineFreeAt - view.now;
    if (view.writesPending || view.outQueue > 0)
        return 1000; // the driver is still sending: it is polled every millisecond
    if (view.txEmptySeen)
        return 0;
    const int64_t graceEnds = view.lineFreeAt + kTxEmptyGraceMicros;
    return view.now < graceEnds ? graceEnds - view.now : 0;
}

} // namespace hx
