#include "FuzzRig.h"

#include "BoxModel.h"

#include <cstdio>
#include <cstdlib>

namespace hx::fuzz {
namespace {

class FuzzPort : public IPort {
public:
    FuzzPort(MemoryWindow& win, std::shared_ptr<FuzzLine> line) : m_win(win), m_line(line) {}
    ~FuzzPort() override { Close(); }

    void SetPortName(const std::string&) override {}
    void SetBaudRate(const std::string&) override {}
    void SetDataBits(const std::string&) override {}
    void SetParity(const std::string&) override {}
    void SetStopBits(const std::string&) override {}
    void SetFlow(const std::string&) override {}
    void SetEventMask(unsigned long) override {}

    int Open(std::function<void(unsigned)> notify) override {
        if (!m_line->open) {
            m_line->open = true;
            ++m_line->generation;
            m_line->rx.clear();
        }
        m_line->notify = std::move(notify);
        return 1;
    }
    int SetDtr(int) override { return 1; }

    int Read(char* buf, int capacity) override {
        Require(capacity >= 0, "a read asks for a negative number of bytes");
        FuzzLine& l = *m_line;
        if (!l.open || capacity <= 0 || l.rx.empty())
            return 0;
        size_t n = l.rx.size();
        if (n > static_cast<size_t>(capacity))
            n = static_cast<size_t>(capacity);
        if (n > l.maxRead)
            n = l.maxRead;
        l.rx.copy(buf, n);
        l.rx.erase(0, n);
        return static_cast<int>(n);
    }

    void Write(const char* data, int length) override {
        FuzzLine& l = *m_line;
        Require(l.open, "the tool writes to a closed port");
        Require(length > 0, "an empty write");
        const std::string bytes(data, static_cast<size_t>(length));
        l.written += bytes;
        if (bytes[0] == ':') {
            // Records of the image go out only in the record stream of a send.
            Require(l.dlg && l.dlg->StepCode() == 13,
                    "a record is written outside a send's stream");
            ++l.recordWrites;
        }
        // The bytes leave the line a millisecond later: "transmit empty".
        std::weak_ptr<FuzzLine> weak = m_line;
        const unsigned gen = l.generation;
        m_win.After(1, [weak, gen] {
            auto s = weak.lock();
            if (s && s->open && s->generation == gen && s->notify)
                s->notify(EV_TXEMPTY);
        });
    }

    unsigned long GetStatus() override {
        return m_line->open && m_line->dsr ? static_cast<unsigned long>(MS_DSR_ON) : 0ul;
    }

    void Close() override {
        if (!m_line->open)
            return;
        m_line->open = false;
        ++m_line->generation;
        m_line->rx.clear();
        m_line->notify = nullptr;
    }

private:
    MemoryWindow& m_win;
    std::shared_ptr<FuzzLine> m_line;
};

const int kUserControls[] = {IDC_RECEIVE, IDC_SEND, IDC_RESTART, IDC_FACTORY,
                             IDC_SAVE,    IDC_LOAD, IDC_MONITOR};

} // namespace

void Require(bool condition, const char* rule) {
    if (condition)
        return;
    std::fprintf(stderr, "broken rule: %s\n", rule);
    std::abort();
}

std::unique_ptr<IPort> FuzzPortFactory::CreatePort() {
    return std::make_unique<FuzzPort>(m_win, m_line);
}

Rig::Rig() {
    // No folder for backups here: sends and resets go on without one, as when the user says so.
    win.SetYesNoDefault(true);
    prefs.WriteString("Settings", "Serial Port", "COM1");
    app.LoadPreferences();
    dlg = std::make_unique<CHX5310ConfigDlg>(win, ports, app);
    line->dlg = dlg.get();
    dlg->SetPortName(app.GetProfileString("Serial Port", ""));
    dlg->DoModal();
}

Rig::~Rig() {
    if (!win.Ended())
        win.EndDialog(2);
    line->dlg = nullptr;
}

void Rig::AsAfterReceive(bool boxWithoutSerial) {
    // The rig's one use of the test accessor: the window as a receive leaves it, without the
    // bytes of a receive in the fuzzer's input.
    CHX5310ConfigDlgState& state = TestState(*dlg);
    state.m_SettingsImage = sim::BoxModel::FactoryImage();
    PutU32(state.m_SettingsImage, kSerialOffset, boxWithoutSerial ? kNoSerial : 0x25000009u);
    dlg->ExchangeImage(false);
    dlg->KeepBoxImage();
    dlg->UpdateData(false);
    state.m_bImageValid = 1;
    state.m_nVersionMajor = 1;
    state.m_nVersionMinor = 20;
    dlg->EnableOperationControls(true);
    dlg->ShowSerialRow(boxWithoutSerial);
}

void Rig::Arrive(const std::string& bytes) {
    if (bytes.empty() || !line->open)
        return;
    line->rx += bytes;
    if (line->notify)
        line->notify(EV_RXCHAR);
    win.RunPending();
    CheckInvariants();
}

void Rig::UserAction(uint8_t what) {
    if (closed)
        return;
    const uint8_t kind = what % 11;
    if (kind < 7) {
        if (kUserControls[kind] == IDC_MONITOR)
            monitorUsed = true;
        win.Click(kUserControls[kind]);
    } else if (kind == 7) {
        win.MoveFocus(IDC_DELAY_A); // into the settings: the monitor stops
    } else if (kind == 8) {
        win.MoveFocus(IDC_INFO);
    } else if (kind == 9) {
        win.SetModifiers((what & 0x10) != 0, (what & 0x20) != 0);
    } else {
        // "閉じる" (and Escape) only while it is usable: not while the monitor runs.
        if (win.Click(IDCANCEL)) {
            closed = true;
            Require(!line->open, "the port stays open after the window closed");
            return;
        }
    }
    win.RunPending();
    CheckInvariants();
}

void Rig::Step(InputReader& in) {
    switch (in.Byte() % kActCount) {
    case kActBytes: {
        size_t n = in.Byte();
        Arrive(in.Bytes(n == 0 ? 256 : n));
        break;
    }
    case kActAdvance: {
        const uint16_t ms = in.U16();
        win.Advance(ms > 10000 ? 10000 : ms);
        CheckInvariants();
        break;
    }
    case kActDsr:
        line->dsr = (in.Byte() & 1) != 0;
        break;
    case kActTxEmpty:
        if (line->open && line->notify) {
            line->notify(EV_TXEMPTY);
            win.RunPending();
            CheckInvariants();
        }
        break;
    case kActUser:
        UserAction(in.Byte());
        break;
    case kActMaxRead: {
        const uint8_t units = in.Byte();
        line->maxRead = units == 0 ? 4096 : units;
        break;
    }
    default:
        break;
    }
}

void Rig::CheckInvariants() {
    if (closed)
        return;
    const CHX5310ConfigDlg& d = *dlg;
    Require(d.BufferedBytes() <= d.BufferCapacity(), "the receive buffer holds more than it can");
    Require(d.StepCode() < 90, "an error code outlives its error end");
    Require(d.PortOpen() == (line->open ? 1 : 0), "the window and the port disagree on open");
    if (d.OperationRunning())
        Require(d.PortOpen(), "an operation runs on a closed port");
    if (win.TimerRunning(TIMER_RETRY))
        Require(d.OperationRunning(), "the retry timer runs with no operation");
    if (!d.PortOpen()) {
        Require(!win.TimerRunning(TIMER_TX_PACE), "the record pump re-tries on a closed port");
        Require(!d.RecordsWaiting(), "records wait for a closed port");
    }
    if (d.MonitorRunning()) {
        Require(!d.OperationRunning(), "monitor mode while an operation runs");
        Require(d.BufferedBytes() < d.BufferCapacity(), "monitor mode with no room left to read");
    }
    // A success is never shown for an image that the box did not send whole.
    const OutcomeKind kind = d.LastOutcome().kind;
    if (kind == OutcomeKind::Received || kind == OutcomeKind::FactoryReset ||
        kind == OutcomeKind::Sent)
        Require(d.ImageComplete(), "a success with records missing from the image");
}

void Rig::CheckSilenceEndsEverything() {
    Trace("end of input");
    if (closed)
        return;
    // The longest wait of any step is the 5000 ms of the record stream.
    win.Advance(20000);
    Trace("after 20 s of silence");
    CheckInvariants();
    Require(!dlg->OperationRunning(), "an operation never ends on a silent line");
    Require(!win.TimerRunning(TIMER_RETRY), "the retry timer outlives its operation");
    if (!monitorUsed)
        Require(!line->open, "the port stays open after the operation ended");
}

void Rig::Trace(const char* when) const {
    // HX_FUZZ_TRACE=1 shows what an input did: run the target on that one file.
    static const bool on = std::getenv("HX_FUZZ_TRACE") != nullptr;
    if (!on)
        return;
    std::fprintf(stderr,
                 "[%s] t=%llu ms step=%d port=%s monitor=%d info=\"%s\" written=%zu bytes\n", when,
                 static_cast<unsigned long long>(win.Now()), closed ? -1 : dlg->StepCode(),
                 line->open ? "open" : "closed", closed ? 0 : dlg->MonitorRunning(),
                 closed ? "(closed)" : dlg->InformationText().c_str(), line->written.size());
}

} // namespace hx::fuzz
