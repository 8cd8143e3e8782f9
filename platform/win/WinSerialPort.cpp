#include "WinSerialPort.h"

#include "PortNames.h"
#include "ReplyLedger.h"
#include "WinComm.h"

#include <QWinEventNotifier>

#include <algorithm>
#include <cstring>
#include <type_traits>

// After Port.h: windows.h defines EV_RXCHAR, EV_TXEMPTY and MS_DSR_ON as macros of the same
// values as the system's own names, which therefore are used unqualified below.
#include <windows.h>

// GUID_DEVINTERFACE_COMPORT is declared by windows.h (winioctl.h); the GUIDs are in libuuid.
#include <devguid.h>
#include <setupapi.h>

namespace hx {

struct WinPort::Overlapped {
    OVERLAPPED ov{};
    Overlapped() { ov.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped() {
        if (ov.hEvent)
            ::CloseHandle(ov.hEvent);
    }
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;
    // Prepares the structure for the next operation.
    OVERLAPPED* Start() {
        HANDLE event = ov.hEvent;
        std::memset(&ov, 0, sizeof ov);
        ov.hEvent = event;
        ::ResetEvent(event);
        return &ov;
    }
};

struct WinPort::PendingWrite {
    Overlapped io;
    std::vector<char> bytes;
    bool done = false;
};

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty())
        return {};
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              n);
    return out;
}

std::string Narrow(const wchar_t* text, size_t length) {
    if (length == 0)
        return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(static_cast<size_t>(std::max(n, 0)), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr,
                              nullptr);
    return out;
}

// A text of the system, up to its first NUL, of at most capacity characters.
std::string TextOf(const wchar_t* text, size_t capacity) {
    size_t length = 0;
    while (length < capacity && text[length] != L'\0')
        ++length;
    return Narrow(text, length);
}

std::string Trimmed(std::string text) {
    const char* space = " \t\r\n";
    text.erase(0, std::min(text.find_first_not_of(space), text.size()));
    text.erase(text.find_last_not_of(space) + 1);
    return text;
}

std::string ErrorText(const char* what, DWORD error) {
    wchar_t* message = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string text = std::string(what) + ": error " + std::to_string(error);
    if (n > 0 && message)
        text += " (" + Trimmed(Narrow(message, n)) + ")";
    if (message)
        ::LocalFree(message);
    return text;
}

// Waits at most ms for an overlapped operation to end; true when it has.
bool Finish(HANDLE port, OVERLAPPED* ov, DWORD ms, DWORD& count, bool& succeeded) {
    if (::WaitForSingleObject(ov->hEvent, ms) != WAIT_OBJECT_0)
        return false;
    succeeded = ::GetOverlappedResult(port, ov, &count, FALSE) != 0;
    return succeeded || ::GetLastError() != ERROR_IO_INCOMPLETE;
}

void ApplyLine(DCB& dcb, const LineSettings& line) {
    dcb.BaudRate = line.baud;
    dcb.ByteSize = static_cast<BYTE>(line.dataBits);
    switch (line.parity) {
    case LineParity::None:
        dcb.Parity = NOPARITY;
        break;
    case LineParity::Even:
        dcb.Parity = EVENPARITY;
        break;
    case LineParity::Odd:
        dcb.Parity = ODDPARITY;
        break;
    case LineParity::Mark:
        dcb.Parity = MARKPARITY;
        break;
    case LineParity::Space:
        dcb.Parity = SPACEPARITY;
        break;
    }
    dcb.StopBits = line.stopBits == LineStopBits::One   ? ONESTOPBIT
                   : line.stopBits == LineStopBits::Two ? TWOSTOPBITS
                                                        : ONE5STOPBITS;
    dcb.fBinary = TRUE;
    dcb.fParity = line.parity != LineParity::None;
    // DTR/DSR: the driver holds output while the box holds DSR off. DTR is simply raised (the
    // box reads it as "the tool is there"), not used as a handshake of the driver's.
    dcb.fOutxDsrFlow = line.flow == LineFlow::DtrDsr;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutxCtsFlow = line.flow == LineFlow::RtsCts;
    dcb.fRtsControl = line.flow == LineFlow::RtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutX = dcb.fInX = line.flow == LineFlow::XonXoff;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 1024;
    dcb.XoffLim = 1024;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    // A framing or overrun error must not stop reads and writes until it is cleared.
    dcb.fAbortOnError = FALSE;
}

} // namespace

WinPort::WinPort() : m_wait(new Overlapped), m_read(new Overlapped) {
    m_rearmTimer.setSingleShot(true);
    m_rearmTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_rearmTimer, &QTimer::timeout, [this] { ArmWait(); });
    m_drainTimer.setSingleShot(true);
    m_drainTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_drainTimer, &QTimer::timeout, [this] {
        if (!IsOpen())
            return;
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(m_handle, &errors, &status)) {
            Lose();
            return;
        }
        CheckDrain(status.cbOutQue);
    });
    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_paceTimer, &QTimer::timeout, [this] { EndHold(); });
}

WinPort::~WinPort() {
    m_notify = nullptr;
    Close();
}

void WinPort::SetPortName(const std::string& name) {
    m_name = name;
}

namespace {
// Keeps the first setting text that named nothing; Open refuses to run with it.
template <typename T, typename Parse>
void Apply(const std::string& text, T& target, Parse parse, std::string& bad) {
    if (!parse(text, target) && bad.empty())
        bad = text;
}
} // namespace

void WinPort::SetBaudRate(const std::string& text) {
    Apply(text, m_line.baud, ParseLineBaudRate, m_badSetting);
}
void WinPort::SetDataBits(const std::string& text) {
    Apply(text, m_line.dataBits, ParseLineDataBits, m_badSetting);
}
void WinPort::SetParity(const std::string& text) {
    Apply(text, m_line.parity, ParseLineParity, m_badSetting);
}
void WinPort::SetStopBits(const std::string& text) {
    Apply(text, m_line.stopBits, ParseLineStopBits, m_badSetting);
}
void WinPort::SetFlow(const std::string& text) {
    Apply(text, m_line.flow, ParseLineFlow, m_badSetting);
}
void WinPort::SetEventMask(unsigned long mask) {
    m_mask = mask;
}

int64_t WinPort::NowMicros() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 m_epoch)
        .count();
}

int WinPort::Open(std::function<void(unsigned)> notify) {
    m_notify = std::move(notify);
    m_lastError.clear();
    if (!m_badSetting.empty()) {
        m_lastError = "unknown line setting \"" + m_badSetting + "\"";
        m_badSetting.clear();
        m_openError = PortOpenError::Other;
        Close();
        return 0;
    }
    if (m_name.empty()) {
        m_lastError = "no port name";
        m_openError = PortOpenError::NotFound;
        Close();
        return 0;
    }
    // A port still open from monitor mode stays open when it is the same one; bytes that were
    // waiting belong to no operation of this one.
    if (IsOpen() && m_openedName == m_name) {
        ::PurgeComm(m_handle, PURGE_RXCLEAR);
        m_toldInQueue = 0;
        return 1;
    }
    Close();

    HANDLE port = ::CreateFileW(Wide(ComDevicePath(m_name)).c_str(), GENERIC_READ | GENERIC_WRITE,
                                0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        m_openError = OpenErrorOfWin32(error);
        m_lastError = ErrorText("CreateFile", error);
        return 0;
    }
    ::SetupComm(port, 4096, 4096);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts{};
    // Reads return at once with what is there; the adapter reads only what the queue holds.
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!::GetCommState(port, &dcb) || (ApplyLine(dcb, m_line), !::SetCommState(port, &dcb)) ||
        !::SetCommTimeouts(port, &timeouts) || !::SetCommMask(port, EV_RXCHAR | EV_TXEMPTY)) {
        const DWORD error = ::GetLastError();
        m_openError = PortOpenError::Other;
        m_lastError = ErrorText("setting up the port", error);
        ::CloseHandle(port);
        return 0;
    }
    // DTR is on from the open by the DCB; where the line has no modem signals (a virtual port)
    // raising it fails, which is no fault.
    ::EscapeCommFunction(port, SETDTR);
    ::PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);

    m_handle = port;
    m_lost = false;
    m_openError = PortOpenError::None;
    m_openedName = m_name;
    m_toldInQueue = 0;
    m_txDue = false;
    m_txEmptySeen = false;
    m_lineFreeAt = 0;
    m_readStuck = false;
    m_waitNotifier = new QWinEventNotifier(m_wait->ov.hEvent);
    QObject::connect(m_waitNotifier, &QWinEventNotifier::activated, [this] { OnWaitEnded(); });
    ArmWait();
    return 1;
}

int WinPort::SetDtr(int on) {
    if (!IsOpen())
        return 0;
    // A line without modem signals refuses; the port is usable all the same.
    ::EscapeCommFunction(m_handle, on ? SETDTR : CLRDTR);
    return 1;
}

void WinPort::ArmWait() {
    if (!IsOpen() || m_waitPending || m_holding)
        return;
    m_rearmTimer.stop();
    m_waitMask = 0;
    OVERLAPPED* ov = m_wait->Start();
    static_assert(std::is_same<DWORD, unsigned long>::value, "the driver writes the mask");
    if (::WaitCommEvent(m_handle, &m_waitMask, ov)) {
        // Ended at once: the notifier sees the event set and handles it on the next pass.
        m_waitPending = true;
        ::SetEvent(ov->hEvent);
        return;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_PENDING) {
        m_waitPending = true;
        return;
    }
    if (ClassifyWaitEnd(false, error) == WaitEnd::LineLost) {
        Lose();
        return;
    }
    if (LookAtLine())
        ArmWait();
    else
        m_rearmTimer.start(1);
}

void WinPort::OnWaitEnded() {
    if (!IsOpen() || !m_waitPending) {
        ::ResetEvent(m_wait->ov.hEvent); // the notifier would fire again for a set event
        return;
    }
    DWORD count = 0;
    const bool succeeded = ::GetOverlappedResult(m_handle, &m_wait->ov, &count, FALSE) != 0;
    const DWORD error = succeeded ? 0 : ::GetLastError();
    if (!succeeded && error == ERROR_IO_INCOMPLETE)
        return; // still waiting
    m_waitPending = false;
    ::ResetEvent(m_wait->ov.hEvent);
    if (ClassifyWaitEnd(succeeded, error) == WaitEnd::LineLost) {
        Lose();
        return;
    }
    if (succeeded && (m_waitMask & EV_TXEMPTY))
        m_txEmptySeen = true;
    // Whatever the wait said (an event, mask 0, aborted), the queues and the line tell what
    // happened. A wait that brought nothing new is renewed a millisecond later: some drivers
    // end every wait at once while unread bytes are queued.
    if (LookAtLine())
        ArmWait();
    else if (IsOpen() && !m_holding)
        m_rearmTimer.start(1);
}

// Reports new bytes and a drained transmission; true when there was something to report.
bool WinPort::LookAtLine() {
    if (!IsOpen())
        return false;
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(m_handle, &errors, &status)) {
        Lose();
        return false;
    }
    bool news = false;
    if (status.cbInQue > m_toldInQueue) {
        if (!m_holding) {
            m_toldInQueue = status.cbInQue;
            news = true;
            Notify(EV_RXCHAR);
            if (m_paceMs > 0 && IsOpen())
                Hold();
        }
    } else {
        m_toldInQueue = status.cbInQue; // fewer than reported: the input was purged
    }
    if (m_txDue && CheckDrain(status.cbOutQue))
        news = true;
    return news;
}

void WinPort::ReapWrites() {
    while (!m_writes.empty()) {
        PendingWrite& w = *m_writes.front();
        if (!w.done) {
            DWORD count = 0;
            if (!::GetOverlappedResult(m_handle, &w.io.ov, &count, FALSE) &&
                ::GetLastError() == ERROR_IO_INCOMPLETE)
                return;
        }
        m_writes.pop_front();
    }
}

// Reports "transmit empty" when it is due; true when it did.
bool WinPort::CheckDrain(unsigned long outQueue) {
    if (!m_txDue || !IsOpen())
        return false;
    ReapWrites();
    DrainView view;
    view.writesPending = !m_writes.empty();
    view.outQueue = static_cast<uint32_t>(outQueue);
    view.txEmptySeen = m_txEmptySeen;
    view.now = NowMicros();
    view.lineFreeAt = m_lineFreeAt;
    const int64_t delay = DrainCheckDelay(view);
    if (delay > 0) {
        const int ms = static_cast<int>((delay + 999) / 1000);
        if (!m_drainTimer.isActive() || m_drainTimer.remainingTime() > ms)
            m_drainTimer.start(ms);
        return false;
    }
    m_drainTimer.stop();
    m_txDue = false;
    Notify(EV_TXEMPTY);
    return true;
}

int WinPort::Read(char* buf, int capacity) {
    if (!IsOpen() || !buf || capacity <= 0 || m_readStuck)
        return 0;
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(m_handle, &errors, &status)) {
        Lose();
        return 0;
    }
    // Exactly what the queue holds: a read for more would wait for bytes to come.
    const DWORD wanted = std::min<DWORD>(status.cbInQue, static_cast<DWORD>(capacity));
    if (wanted == 0)
        return 0;
    m_readBuf.resize(std::max<size_t>(m_readBuf.size(), wanted));
    OVERLAPPED* ov = m_read->Start();
    DWORD count = 0;
    bool succeeded = ::ReadFile(m_handle, m_readBuf.data(), wanted, nullptr, ov) != 0;
    if (succeeded) {
        // Done at once; the count of an overlapped read is the overlapped result's.
        ::GetOverlappedResult(m_handle, ov, &count, FALSE);
    } else {
        if (::GetLastError() != ERROR_IO_PENDING)
            return 0;
        if (!Finish(m_handle, ov, 200, count, succeeded)) {
            // The driver kept the read: it is cancelled, and the buffer is not reused until
            // it has ended.
            ::CancelIoEx(m_handle, ov);
            if (!Finish(m_handle, ov, 200, count, succeeded)) {
                m_readStuck = true;
                return 0;
            }
        }
        if (!succeeded && count == 0)
            return 0;
    }
    std::memcpy(buf, m_readBuf.data(), count);
    m_toldInQueue = m_toldInQueue > count ? m_toldInQueue - count : 0;
    return static_cast<int>(count);
}

void WinPort::Write(const char* data, int length) {
    if (!IsOpen() || !data || length <= 0)
        return;
    auto w = std::make_unique<PendingWrite>();
    w->bytes.assign(data, data + length);
    OVERLAPPED* ov = w->io.Start();
    if (::WriteFile(m_handle, w->bytes.data(), static_cast<DWORD>(length), nullptr, ov))
        w->done = true;
    else if (::GetLastError() != ERROR_IO_PENDING)
        return; // not sent; the sequencer's retries cover a lost command
    m_writes.push_back(std::move(w));
    // These bytes follow whatever the line still carries.
    const int64_t now = NowMicros();
    m_lineFreeAt = std::max(now, m_lineFreeAt) +
                   static_cast<int64_t>(LineTimeMicros(static_cast<uint64_t>(length), m_line));
    m_txDue = true;
    m_txEmptySeen = false;
    CheckDrain(0);
}

unsigned long WinPort::GetStatus() {
    if (!IsOpen())
        return 0;
    DWORD status = 0;
    // A line without modem signals (a virtual port) cannot tell: it counts as a box always
    // ready.
    if (!::GetCommModemStatus(m_handle, &status))
        return MS_DSR_ON;
    return (status & MS_DSR_ON) ? MS_DSR_ON : 0UL;
}

void WinPort::SetReceivePace(int ms) {
    m_paceMs = std::max(ms, 0);
    if (m_paceMs == 0 && m_holding)
        EndHold();
}

// The next EV_RXCHAR comes when the pause ends: the wait is not renewed meanwhile, so bytes
// that arrive wait in the driver's queue without waking the program.
void WinPort::Hold() {
    m_holding = true;
    m_paceTimer.start(m_paceMs);
}

void WinPort::EndHold() {
    m_paceTimer.stop();
    if (!m_holding)
        return;
    m_holding = false;
    if (!IsOpen())
        return;
    LookAtLine();
    ArmWait();
}

void WinPort::Notify(unsigned event) {
    if ((m_mask & event) && m_notify)
        m_notify(event);
}

void WinPort::Lose() {
    // The device has gone (a pulled cable): from now on the port reads nothing and reports
    // nothing until it is closed or opened again.
    m_lost = true;
    m_txDue = false;
    if (m_waitNotifier)
        m_waitNotifier->setEnabled(false);
    m_rearmTimer.stop();
    m_drainTimer.stop();
    m_paceTimer.stop();
    m_holding = false;
}

void WinPort::Close() {
    m_rearmTimer.stop();
    m_drainTimer.stop();
    m_paceTimer.stop();
    m_holding = false;
    m_paceMs = 0;
    m_txDue = false;
    if (!m_handle)
        return;
    HANDLE port = m_handle;
    if (!m_lost) {
        // What was written last (the lone carriage return that ends monitor mode) leaves the
        // port before it closes; a line that does not take it is given up after a short while.
        const int64_t giveUp = NowMicros() + kCloseDrainMs * 1000;
        for (;;) {
            ReapWrites();
            DWORD errors = 0;
            COMSTAT status{};
            const bool queued = ::ClearCommError(port, &errors, &status) && status.cbOutQue > 0;
            const int64_t now = NowMicros();
            if ((m_writes.empty() && !queued && now >= m_lineFreeAt) || now >= giveUp)
                break;
            ::Sleep(1);
        }
    }
    if (m_waitNotifier) {
        m_waitNotifier->setEnabled(false);
        delete m_waitNotifier;
        m_waitNotifier = nullptr;
    }
    // Ends the wait (on Windows with mask 0), then whatever else is under way.
    ::SetCommMask(port, 0);
    ::PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    ::CancelIoEx(port, nullptr);
    DWORD count = 0;
    bool succeeded = false;
    const bool waitEnded = !m_waitPending || Finish(port, &m_wait->ov, 200, count, succeeded);
    for (auto& w : m_writes)
        if (!w->done)
            w->done = Finish(port, &w->io.ov, 200, count, succeeded);
    const bool readEnded = !m_readStuck || Finish(port, &m_read->ov, 200, count, succeeded);
    ::CloseHandle(port);
    m_handle = nullptr;
    // An operation the driver did not give back keeps its memory for good (the driver may
    // still write into it); the port gets new ones.
    if (!waitEnded) {
        (void)m_wait.release();
        m_wait.reset(new Overlapped);
    }
    if (!readEnded) {
        (void)m_read.release();
        m_read.reset(new Overlapped);
        (void)new std::vector<char>(std::move(m_readBuf)); // the read's buffer, moved, kept
        m_readBuf = std::vector<char>();
    }
    for (auto& w : m_writes)
        if (!w->done)
            (void)w.release();
    m_writes.clear();
    m_waitPending = false;
    m_readStuck = false;
    m_lost = false;
    m_toldInQueue = 0;
    m_openedName.clear();
}

std::unique_ptr<IPort> WinPortFactory::CreatePort() {
    return std::make_unique<WinPort>();
}

std::vector<std::string> WinPortFactory::ListPorts() {
    std::vector<std::string> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                        &key) != ERROR_SUCCESS)
        return ports; // no serial port at all
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLength = sizeof valueName / sizeof valueName[0];
        wchar_t data[256];
        DWORD dataBytes = sizeof data;
        DWORD type = 0;
        const LONG result = ::RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || type != REG_SZ)
            continue; // a value too long to be a port name, or not a text
        // The value's data is the port's name ("COM3"); its name is the driver's device.
        std::string name = TextOf(data, dataBytes / sizeof(wchar_t));
        if (name.empty())
            continue;
        ports.insert(ports.begin() + PortInsertIndex(ports, name), std::move(name));
    }
    ::RegCloseKey(key);
    return ports;
}

namespace {

// A text property of a device (SPDRP_...), trimmed; empty when the device has none.
std::string DeviceText(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    DWORD type = 0;
    DWORD bytes = 0;
    ::SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type, nullptr, 0, &bytes);
    if (bytes == 0)
        return {};
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    if (!::SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type,
                                             reinterpret_cast<BYTE*>(text.data()), bytes,
                                             nullptr) ||
        type != REG_SZ)
        return {};
    return Trimmed(TextOf(text.data(), text.size()));
}

std::string InstanceIdOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    DWORD length = 0;
    ::SetupDiGetDeviceInstanceIdW(devices, &device, nullptr, 0, &length);
    if (length == 0)
        return {};
    std::vector<wchar_t> id(length + 1, L'\0');
    if (!::SetupDiGetDeviceInstanceIdW(devices, &device, id.data(), length, nullptr))
        return {};
    return TextOf(id.data(), id.size());
}

// The COM name a device's driver gave it ("COM3"), from the device's own registry key; empty
// for a device that is no port of that kind.
std::string PortNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    const HKEY key =
        ::SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == nullptr || key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[256];
    DWORD bytes = sizeof name;
    DWORD type = 0;
    const LONG result =
        ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &bytes);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return {};
    return Trimmed(TextOf(name, bytes / sizeof(wchar_t)));
}

// The ports that present devices name, each with what its device tells: those of the
// serial-port interface, then those of the Ports class, where Windows puts USB serial adapters
// whose drivers announce no interface. The first device that names a port is taken.
std::vector<PortInfo> DevicePorts() {
    std::vector<PortInfo> known;
    const std::pair<const GUID*, DWORD> classes[] = {
        {&GUID_DEVINTERFACE_COMPORT, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE},
        {&GUID_DEVCLASS_PORTS, DIGCF_PRESENT}};
    for (const auto& [guid, flags] : classes) {
        const HDEVINFO devices = ::SetupDiGetClassDevsW(guid, nullptr, nullptr, flags);
        if (devices == INVALID_HANDLE_VALUE)
            continue;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD index = 0; ::SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
            const std::string name = PortNameOf(devices, device);
            if (name.empty() || std::any_of(known.begin(), known.end(), [&](const PortInfo& p) {
                    return SameIgnoringCase(p.device, name);
                }))
                continue;
            PortInfo port = AdapterOfInstanceId(InstanceIdOf(devices, device));
            port.device = name;
            port.maker = DeviceText(devices, device, SPDRP_MFG);
            // The friendly name is the description with the port's name appended:
            // "USB Serial Port (COM3)".
            port.product = DeviceText(devices, device, SPDRP_FRIENDLYNAME);
            const std::string suffix = " (" + name + ")";
            if (port.product.size() >= suffix.size() &&
                SameIgnoringCase(port.product.substr(port.product.size() - suffix.size()), suffix))
                port.product = Trimmed(port.product.substr(0, port.product.size() - suffix.size()));
            if (port.product.empty())
                port.product = DeviceText(devices, device, SPDRP_DEVICEDESC);
            known.push_back(std::move(port));
        }
        ::SetupDiDestroyDeviceInfoList(devices);
    }
    return known;
}

} // namespace

std::string WinPortFactory::DescribePort(const std::string& path) {
    for (const PortInfo& port : DevicePorts())
        if (SameIgnoringCase(port.device, path))
            return DescribeAdapter(port);
    return {};
}

std::vector<PortInfo> WinPortFactory::DescribePorts() {
    const std::vector<PortInfo> known = DevicePorts();
    std::vector<PortInfo> ports;
    for (const std::string& name : ListPorts()) {
        PortInfo port;
        for (const PortInfo& device : known) {
            if (SameIgnoringCase(device.device, name)) {
                port = device;
                break;
            }
        }
        port.device = name; // as the list names it
        ports.push_back(std::move(port));
    }
    return ports;
}

} // namespace hx
