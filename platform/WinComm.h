#pragma once
// Decisions of the Windows serial adapter that need no Windows: the device path of a port
// name, what the end of a wait for a comm event means, why an open failed, and when the bytes
// written have left the line. Error numbers are Win32's (GetLastError).
#include "Port.h"

#include <cstdint>
#include <string>

namespace hx {

// "\\.\COM10" for "COM10" (ports above COM9 open only so); a name that already is a device
// path ("\\.\COM3", "\\?\...") is kept as it is.
std::string ComDevicePath(const std::string& name);

enum class WaitEnd {
    LookAgain, // look at the queues and the line, then wait again
    LineLost,  // the device has gone: stop using the port
};
// How a wait for comm events ended: succeeded (with any mask, 0 included) or failed with
// error. Success, mask 0 and ERROR_OPERATION_ABORTED all mean "look again": drivers end a wait
// with mask 0 when the event mask changes, and some end it aborted whenever anything happens.
WaitEnd ClassifyWaitEnd(bool succeeded, uint32_t error);

// Why CreateFile on a port failed. Windows refuses a port another program holds open with
// "access denied", so that is Busy.
PortOpenError OpenErrorOfWin32(uint32_t error);

// What the adapter knows about its transmission at one moment. Times in microseconds on one
// steady clock.
struct DrainView {
    bool writesPending = false; // a write has not completed yet
    uint32_t outQueue = 0;      // bytes the driver still holds (ClearCommError)
    bool txEmptySeen = false;   // EV_TXEMPTY has come since the last write
    int64_t now = 0;
    int64_t lineFreeAt = 0; // when the line can have carried everything written, at the earliest
};

// How long EV_TXEMPTY is waited for once everything else says the bytes have gone; a driver
// that never reports it costs this much per write, and no more.
constexpr int64_t kTxEmptyGraceMicros = 20000;

// 0 when "transmit empty" is due now: every write has completed, the driver's output queue is
// empty, the line has had the time to carry the bytes at its rate, and EV_TXEMPTY has come (or
// has not come within the grace after that). Otherwise the microseconds after which to look
// again (a completed wait may look sooner).
int64_t DrainCheckDelay(const DrainView& view);

} // namespace hx
