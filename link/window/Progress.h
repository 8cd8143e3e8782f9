#pragma once
// How far a device operation has come: one value that the window shows in its information field
// and hx5310ctl prints on a terminal.
#include <string>

namespace hx {

struct OperationProgress {
    enum Phase {
        Idle,       // no operation, the monitor, or an operation that has just failed
        Connecting, // greeting and identifying the box, asking for a transfer
        Receiving,  // the box sends its image
        Sending,    // the image goes to the box
        Verifying,  // the box sends the image back for comparison
        Storing,    // the box stores what it was given
        Resetting,  // the box returns to its factory settings
        Restarting, // the box restarts
    };
    Phase phase = Idle;
    int percent = 0; // of the image, while Receiving, Sending or Verifying: 0 to 99
};

// The information field's text for the progress: "設定を受信しています… 45%"; empty when idle.
std::string ProgressText(const OperationProgress& progress);

} // namespace hx
