// The transmit-condition rules: each channel's list enables the fields its condition uses.
#include "TxSelect.h"

namespace hx {

TxSelectEnables TxSelectRule(int own, int other) {
    TxSelectEnables e{};
    const bool signal = own <= 0, noise = own == 1, busy = own >= 2;
    e.holdTime = signal;
    e.enableSignal = signal;
    e.noiseThresholds = noise;
    e.responseTime = !busy;
    e.commonChecks = !busy || other <= 1;
    return e;
}

} // namespace hx
