// Arbitrary bytes from the box, in arbitrary pieces and at arbitrary times, through the read
// loop, the line splitter and the command sequencer, in every step of every operation.
//
// Input: three header bytes, then actions (see Action in FuzzRig.h).
//   0: the operation: 0 receive, 1 send, 2 restart, 3 factory reset, 4 monitor start
//   1: how far into the operation it starts (0: at its first step; else a later step, as if
//      the box had answered the steps before)
//   2: bit 0: the box has no serial number; bits 1-7: the record the stream is at when the
//      operation starts in the middle of a send's record stream
#include "FuzzRig.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace hx;
using namespace hx::fuzz;

namespace {

const std::vector<int> kChains[] = {
    {1, 2, 3, 4},         // receive
    {11, 12, 13, 14},     // send (15 would skip the read-back)
    {21, 22},             // restart
    {31, 32, 33, 34, 35}, // factory reset
    {51, 52, 53, 0},      // monitor start; 0: monitor mode running
};

void Start(Rig& rig, uint8_t operation, uint8_t offset, uint8_t flags) {
    CHX5310ConfigDlg& d = *rig.dlg;
    const bool noSerial = flags & 1;
    const int op = operation % 5;
    if (op != 0)
        rig.AsAfterReceive(noSerial);
    switch (op) {
    case 0:
        rig.win.Click(IDC_RECEIVE);
        break;
    case 1:
        rig.win.Click(IDC_SEND);
        break;
    case 2:
        rig.win.Click(IDC_RESTART);
        break;
    case 3:
        rig.win.Click(IDC_FACTORY);
        break;
    default:
        rig.monitorUsed = true;
        rig.win.Click(IDC_MONITOR);
        break;
    }
    rig.CheckInvariants();
    const std::vector<int>& chain = kChains[op];
    const size_t at = offset % chain.size();
    if (at == 0 || !d.OperationRunning())
        return;
    const int step = chain[at];
    // The jump into the middle of a chain is made through the test accessor.
    CHX5310ConfigDlgState& state = TestState(d);
    if (step == 13) {
        // In the middle of the record stream: one time-out for the rest of it.
        state.m_nSendAddress = static_cast<uint16_t>(((flags >> 1) % 65) * 32);
        state.m_bMoreToSend = state.m_nSendAddress < kImageSize ? 1 : 0;
        state.m_nRetries = 0;
        rig.win.SetTimer(TIMER_RETRY, 5000);
    } else if (op == 4 && step == 0) {
        rig.win.KillTimer(TIMER_RETRY);
        state.m_bMonitorMode = 1;
    }
    state.m_nStep = step;
    rig.CheckInvariants();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader in(data, size);
    Rig rig;
    const uint8_t operation = in.Byte();
    const uint8_t offset = in.Byte();
    const uint8_t flags = in.Byte();
    Start(rig, operation, offset, flags);
    while (!in.Done() && !rig.closed)
        rig.Step(in);
    rig.CheckSilenceEndsEverything();
    return 0;
}
