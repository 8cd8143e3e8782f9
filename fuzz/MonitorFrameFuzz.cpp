// Arbitrary bytes from the box while the monitor runs: the read loop hands them to the frame
// step, which drives the lamps, the meters and the averaged read-outs.
//
// Input: one header byte, then actions (see Action in FuzzRig.h), mostly bytes.
//   bit 0: the monitor is checked with Shift and Ctrl held (the averaged read-outs shown)
//   bits 1-7: the most bytes one read returns (0: 4096)
#include "FuzzRig.h"
#include "StatusFrame.h"

#include <cstddef>
#include <cstdint>

using namespace hx;
using namespace hx::fuzz;

namespace {

// The lamps follow the last valid frame while the monitor runs, and are all dark otherwise.
void CheckLamps(const Rig& rig) {
    if (rig.closed)
        return;
    const CHX5310ConfigDlg& d = *rig.dlg;
    const StatusFields last = DecodeFrame(d.LastFrame());
    for (const LampDef& lamp : Lamps()) {
        const LampImage shown = rig.win.Lamp(lamp.id);
        if (d.MonitorRunning() && d.MonitorShowsAFrame())
            Require(shown == LampImageFor(lamp, last.lampBits, last.modeBits),
                    "a lamp does not show the last valid frame");
        else if (!d.MonitorRunning())
            Require(shown == LampImage::Grey || shown == LampImage::GreyCross,
                    "a lamp stays lit while the monitor is off");
    }
}

// Whatever came before, once the box sends clean frames again the lamps follow them within a
// few reads: nothing that came before keeps the monitor behind for good.
void CheckRecovers(Rig& rig, uint8_t lamps, uint16_t mode) {
    if (rig.closed || !rig.dlg->MonitorRunning())
        return;
    StatusFields f;
    f.lampBits = lamps;
    f.modeBits = mode;
    const StatusFrame frame = EncodeFrame(f);
    rig.line->maxRead = 4096;
    for (int i = 0; i < 6; ++i)
        rig.Arrive(std::string(frame.begin(), frame.end()));
    for (const LampDef& lamp : Lamps())
        Require(rig.win.Lamp(lamp.id) == LampImageFor(lamp, lamps, mode),
                "the lamps do not follow clean frames after a fault");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader in(data, size);
    Rig rig;
    rig.AsAfterReceive(false);
    const uint8_t header = in.Byte();
    rig.win.SetModifiers(header & 1, header & 1);
    rig.monitorUsed = true;
    Require(rig.win.Click(IDC_MONITOR), "the monitor check box is not usable");
    rig.win.SetModifiers(false, false);
    // The box acknowledges the three commands of the start.
    rig.Arrive("AT\r\nOK\r\n");
    rig.Arrive("ATS67=2\r\nOK\r\n");
    rig.Arrive("AT*M1\r\nOK\r\n");
    Require(rig.dlg->MonitorRunning() == 1, "the monitor did not start");
    const uint8_t units = static_cast<uint8_t>(header >> 1);
    rig.line->maxRead = units == 0 ? 4096 : units;

    while (!in.Done() && !rig.closed) {
        rig.Step(in);
        CheckLamps(rig);
    }
    CheckRecovers(rig, static_cast<uint8_t>(size * 37), static_cast<uint16_t>(size * 0x0103));
    CheckLamps(rig);
    rig.CheckSilenceEndsEverything();
    CheckLamps(rig);
    return 0;
}
