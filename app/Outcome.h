#pragma once
// How an operation of the window ended, as a value: what the programs around the window
// (hx5310ctl, the fuzz targets, the benchmarks, the tests) read instead of the displayed text.
#include "Port.h"

#include <string>

namespace hx {

enum class OutcomeKind {
    None, // nothing has ended since the window started
    // Successes
    Received,       // the settings were read from the box
    Sent,           // sent, verified and stored by the box
    Restarted,      // the box restarted
    FactoryReset,   // the box is back at its factory settings (and numbered, if it had none)
    Provisioned,    // factory settings, numbered if it had none, the settings sent and stored
    FileSaved,      // the settings went into a file
    FileLoaded,     // a file's settings are in the editor
    MonitorStarted, // the box streams its status
    MonitorStopped, // the box was told to stop streaming
    // The box or the line failed the operation
    NotTheModel,   // the banner or the model line is not an HX-5310's
    ReceiveFailed, // a record that does not parse, or no complete image
    SendFailed,    // the box answered before it had the whole image
    VerifyFailed,  // the read-back differs from what was sent
    BoxRefused,    // the box answered ERROR; detail: the command it refused
    NoAnswer,      // no answer after the last re-send
    MonitorLost,   // no valid status frame for a whole watch period
    // Refused before anything was sent to the box (or written to a file)
    FieldRefused,       // a field's check failed; detail: what was not done
    NoPortChosen,       // an operation was started with no port in the list chosen
    PortNotOpened,      // detail: why, as the window shows it
    BadNewSerial,       // detail: the text of field 1066
    CounterUnavailable, // the serial-number counter could not be reserved; detail: why
    SerialBelowCounter, // the number to give is below the counter's and was not confirmed
    FileFailed,         // a settings file could not be saved or loaded; detail: the text shown
    BackupFailed,       // the box's settings could not be kept as a backup; detail: why
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::None;
    std::string detail;
    // The box may hold something other than before the operation: a command that changes it
    // (the record stream, a store, a restart, factory settings, a serial number) was sent.
    bool boxChanged = false;
    // The serial number given to the box by this operation, when it gave one (eight digits).
    std::string givenSerial;
    // With PortNotOpened: why.
    PortOpenError portError = PortOpenError::None;
};

bool IsSuccess(OutcomeKind kind);

} // namespace hx
