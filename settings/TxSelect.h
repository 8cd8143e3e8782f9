#pragma once
// Which fields a channel's transmit condition uses. Only the edit fields are enabled or
// disabled; their values stay and are still read, checked and stored.

namespace hx {

struct TxSelectEnables {
    bool holdTime;     // the channel's hold time (信号検知 only)
    bool enableSignal; // true: enable the common signal thresholds; false: leave them as they are
    bool noiseThresholds; // the channel's noise thresholds (ノイズ検知 only)
    bool responseTime;    // the channel's response time (not for a busy input)
    bool commonChecks; // トーン検知 and ノイズ検知: off only while both channels use a busy input
};

// own: the selection of the channel's transmit condition list, other: the other channel's
// (0 信号検知, 1 ノイズ検知, 2 and 3 ビジー入力, -1 nothing selected).
TxSelectEnables TxSelectRule(int own, int other);

} // namespace hx
