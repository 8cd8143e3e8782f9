#include "QtSerialPort.h"

#include "LineSettings.h"

#include "Files.h"
#include <QElapsedTimer>

#include <QSerialPortInfo>
#include <QThread>

#include <algorithm>
#include <climits>
#include <cstdlib>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include "PortFolder.h"

#include <dirent.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace hx {

// The texts are read by the platform's one reader of line settings and mapped onto Qt's values.
bool ParseBaudRate(const std::string& text, qint32& rate) {
    uint32_t value = 0;
    if (!ParseLineBaudRate(text, value))
        return false;
    rate = static_cast<qint32>(value);
    return true;
}

bool ParseDataBits(const std::string& text, QSerialPort::DataBits& bits) {
    int value = 0;
    if (!ParseLineDataBits(text, value))
        return false;
    bits = static_cast<QSerialPort::DataBits>(value); // Qt's values are the bit counts
    return true;
}

bool ParseParity(const std::string& text, QSerialPort::Parity& parity) {
    LineParity value = LineParity::None;
    if (!ParseLineParity(text, value))
        return false;
    switch (value) {
    case LineParity::None:
        parity = QSerialPort::NoParity;
        break;
    case LineParity::Even:
        parity = QSerialPort::EvenParity;
        break;
    case LineParity::Odd:
        parity = QSerialPort::OddParity;
        break;
    case LineParity::Mark:
        parity = QSerialPort::MarkParity;
        break;
    case LineParity::Space:
        parity = QSerialPort::SpaceParity;
        break;
    }
    return true;
}

bool ParseStopBits(const std::string& text, QSerialPort::StopBits& bits) {
    LineStopBits value = LineStopBits::One;
    if (!ParseLineStopBits(text, value))
        return false;
    bits = value == LineStopBits::One   ? QSerialPort::OneStop
           : value == LineStopBits::Two ? QSerialPort::TwoStop
                                        : QSerialPort::OneAndHalfStop;
    return true;
}

bool ParseFlow(const std::string& text, QSerialPort::FlowControl& flow) {
    LineFlow value = LineFlow::None;
    if (!ParseLineFlow(text, value))
        return false;
    flow = value == LineFlow::RtsCts    ? QSerialPort::HardwareControl
           : value == LineFlow::XonXoff ? QSerialPort::SoftwareControl
                                        : QSerialPort::NoFlowControl; // DTR/DSR: see the header
    return true;
}

#ifndef Q_OS_WIN
std::vector<std::string> AnnouncedPorts(const std::string& folder) {
    std::vector<std::string> ports;
    std::string error;
    if (!CheckPrivateFolder(folder, false, error))
        return ports;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return ports;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string path = folder + "/" + entry->d_name;
        struct stat link {};
        struct stat target {};
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
            continue;
        if (::stat(path.c_str(), &target) != 0 || !S_ISCHR(target.st_mode))
            continue; // the box that announced it has gone
        ports.push_back(path);
    }
    ::closedir(dir);
    std::sort(ports.begin(), ports.end());
    return ports;
}
#endif

static PortOpenError OpenErrorOf(QSerialPort::SerialPortError error, const std::string& name) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortOpenError::NotFound;
    case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
        // Windows refuses a port that another program has open this way.
        (void)name;
        return PortOpenError::Busy;
#else
        // Qt says the same for a device the user may not open and for one another program
        // holds locked: the device's own permissions tell them apart.
        return ::access(name.c_str(), R_OK | W_OK) == 0 ? PortOpenError::Busy
                                                        : PortOpenError::Permission;
#endif
    case QSerialPort::OpenError:
        return PortOpenError::Busy;
    default:
        return PortOpenError::Other;
    }
}

int OsTransmitQueue(PortHandle handle) {
#ifdef Q_OS_WIN
    // The count of the output queue; the call also clears the port's error flags, which Qt
    // reads from its own events, not from them.
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(handle, &errors, &status))
        return -1;
    return static_cast<int>(std::min<DWORD>(status.cbOutQue, INT_MAX));
#else
    int queued = 0;
    return ::ioctl(handle, TIOCOUTQ, &queued) == 0 ? queued : -1;
#endif
}

QtPort::QtPort() {
    m_drainTimer.setTimerType(Qt::PreciseTimer);
    m_drainTimer.setInterval(1);
    QObject::connect(&m_port, &QSerialPort::readyRead, &m_port, [this] { OnReadyRead(); });
    QObject::connect(&m_port, &QSerialPort::bytesWritten, &m_port, [this] { OnBytesWritten(); });
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError e) { OnError(e); });
    QObject::connect(&m_drainTimer, &QTimer::timeout, &m_port, [this] { PollTransmitQueue(); });
    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_paceTimer, &QTimer::timeout, &m_port, [this] { ResumeReads(); });
}

QtPort::~QtPort() {
    m_drainTimer.stop();
    m_paceTimer.stop();
    m_port.disconnect();
    m_drainTimer.disconnect();
    m_paceTimer.disconnect();
    if (m_port.isOpen())
        m_port.close();
}

void QtPort::SetPortName(const std::string& name) {
    m_name = name;
}

namespace {
// Keeps the first setting text that named nothing; Open refuses to run with it.
template <typename T, typename Parse>
void Apply(const std::string& text, T& target, Parse parse, std::string& bad) {
    T value{};
    if (parse(text, value))
        target = value;
    else if (bad.empty())
        bad = text;
}
} // namespace

void QtPort::SetBaudRate(const std::string& text) {
    Apply(text, m_baud, ParseBaudRate, m_badSetting);
}
void QtPort::SetDataBits(const std::string& text) {
    Apply(text, m_dataBits, ParseDataBits, m_badSetting);
}
void QtPort::SetParity(const std::string& text) {
    Apply(text, m_parity, ParseParity, m_badSetting);
}
void QtPort::SetStopBits(const std::string& text) {
    Apply(text, m_stopBits, ParseStopBits, m_badSetting);
}
void QtPort::SetFlow(const std::string& text) {
    Apply(text, m_flow, ParseFlow, m_badSetting);
}
void QtPort::SetEventMask(unsigned long mask) {
    m_mask = mask;
}

int QtPort::Open(std::function<void(unsigned)> notify) {
    m_notify = std::move(notify);
    m_lastError.clear();
    if (!m_badSetting.empty()) {
        m_lastError = "unknown line setting \"" + m_badSetting + "\"";
        m_badSetting.clear();
        Close();
        return 0;
    }
    if (m_name.empty()) {
        m_lastError = "no port name";
        Close();
        return 0;
    }
    // A port still open from monitor mode stays open when it is the same one; otherwise it is
    // opened afresh.
    if (m_port.isOpen() && (m_lost || m_openedName != m_name))
        Close();
    m_lost = false;
    m_port.clearError();
    m_port.setPortName(QString::fromStdString(m_name));
    bool ok = m_port.isOpen() || m_port.open(QIODevice::ReadWrite);
    ok = ok && m_port.setBaudRate(m_baud) && m_port.setDataBits(m_dataBits) &&
         m_port.setParity(m_parity) && m_port.setStopBits(m_stopBits) &&
         m_port.setFlowControl(m_flow);
    if (!ok) {
        m_lastError = m_port.errorString().toStdString();
        m_openError = OpenErrorOf(m_port.error(), m_name);
        Close();
        return 0;
    }
    m_openError = PortOpenError::None;
    m_openedName = m_name;
    m_noModemSignals = false;
    // Bytes that were waiting before the open belong to no operation of this one.
    m_port.clear(QSerialPort::Input);
    m_port.readAll();
    m_port.clearError();
    return 1;
}

int QtPort::SetDtr(int on) {
    if (!IsOpen())
        return 0;
    m_port.clearError();
    if (m_port.setDataTerminalReady(on != 0))
        return 1;
    // A line without modem signals (a pseudo-terminal) has no DTR to raise; that is no fault.
    if (m_lost)
        return 0;
    m_port.clearError();
    return 1;
}

int QtPort::Read(char* buf, int capacity) {
    if (!IsOpen() || !buf || capacity <= 0)
        return 0;
    const qint64 available = std::min<qint64>(m_port.bytesAvailable(), capacity);
    if (available <= 0)
        return 0;
    const qint64 n = m_port.read(buf, available);
    return n > 0 ? static_cast<int>(n) : 0;
}

void QtPort::TakeWaiting() {
    // With no time to wait, QSerialPort reads what the system holds into its own buffer, all of
    // it even during a pause; the report still waits for the pause to end.
    if (!IsOpen())
        return;
    m_port.setReadBufferSize(0);
    m_port.waitForReadyRead(0);
    if (m_holding && IsOpen())
        m_port.setReadBufferSize(kHeldBytes);
}

void QtPort::Write(const char* data, int length) {
    if (!IsOpen() || !data || length <= 0)
        return;
    if (m_port.write(data, length) <= 0)
        return;
    // "Transmit empty" is due once these bytes, and any written before them, have left.
    m_draining = true;
    m_drainTimer.stop();
}

unsigned long QtPort::GetStatus() {
    if (!IsOpen())
        return 0;
    if (m_noModemSignals)
        return MS_DSR_ON;
    m_port.clearError();
    const QSerialPort::PinoutSignals pins = m_port.pinoutSignals();
    if (m_port.error() != QSerialPort::NoError) {
        if (m_lost)
            return 0;
        // No modem signals on this line: it reports DSR on, as a box always ready.
        m_port.clearError();
        m_noModemSignals = true;
        return MS_DSR_ON;
    }
    return (pins & QSerialPort::DataSetReadySignal) ? static_cast<unsigned long>(MS_DSR_ON) : 0UL;
}

void QtPort::Close() {
    StopDrainWatch();
    m_paceMs = 0;
    EndHold();
    if (m_port.isOpen()) {
        // What was written last (the lone carriage return that ends monitor mode) leaves the
        // port before it closes; a line that does not take it is given up after a short while.
        QElapsedTimer waited;
        waited.start();
        while (!m_lost && m_port.bytesToWrite() > 0 && waited.elapsed() < kCloseDrainMs)
            m_port.waitForBytesWritten(static_cast<int>(kCloseDrainMs - waited.elapsed()));
        while (!m_lost && waited.elapsed() < kCloseDrainMs) {
            const int queued = OsTransmitQueue(m_port.handle());
            if (queued <= 0)
                break;
            QThread::msleep(1);
        }
        m_port.close();
    }
    m_port.clearError();
    m_lost = false;
    m_openedName.clear();
}

void QtPort::Notify(unsigned event) {
    if ((m_mask & event) && m_notify)
        m_notify(event);
}

void QtPort::OnReadyRead() {
    // During a pause Qt takes in what its capped buffer allows and says so; that is reported
    // when the pause ends.
    if (!IsOpen() || m_holding)
        return;
    Notify(EV_RXCHAR);
    if (m_paceMs > 0 && IsOpen())
        HoldReads();
}

void QtPort::SetReceivePace(int ms) {
    m_paceMs = std::max(ms, 0);
    if (m_paceMs == 0)
        ResumeReads();
}

// Bytes that come in the next m_paceMs wait in the operating system's buffer: QSerialPort takes
// no more than its buffer may hold, so the process is not woken for each arrival, and they are
// reported together when the pause ends. What was reported and is not yet read stays in Qt's
// buffer; the cap only keeps new bytes out.
void QtPort::HoldReads() {
    m_holding = true;
    m_port.setReadBufferSize(kHeldBytes);
    m_paceTimer.start(m_paceMs);
}

void QtPort::EndHold() {
    m_paceTimer.stop();
    if (!m_holding)
        return;
    m_holding = false;
    m_port.setReadBufferSize(0);
}

void QtPort::ResumeReads() {
    if (!m_holding) {
        m_paceTimer.stop();
        return;
    }
    EndHold();
    if (!IsOpen())
        return;
    // What waited in the system comes into Qt's buffer now, behind what Qt took in before the
    // cap stopped it, and its readyRead is the report (with a pace still set, it starts the next
    // pause). With nothing waiting in the system there is no readyRead: what Qt took in during
    // the pause is reported here.
    const qint64 before = m_port.bytesAvailable();
    m_port.waitForReadyRead(0);
    if (before > 0 && m_port.bytesAvailable() == before && IsOpen())
        OnReadyRead();
}

void QtPort::OnBytesWritten() {
    if (!m_draining || !IsOpen() || m_port.bytesToWrite() > 0)
        return;
    PollTransmitQueue();
}

void QtPort::PollTransmitQueue() {
    if (!m_draining || !IsOpen()) {
        StopDrainWatch();
        return;
    }
    if (m_queueProbe(m_port.handle()) > 0) {
        if (!m_drainTimer.isActive())
            m_drainTimer.start();
        return;
    }
    // Drained, or the line cannot tell: then the bytes leaving Qt's buffer is the best sign.
    StopDrainWatch();
    Notify(EV_TXEMPTY);
}

void QtPort::OnError(QSerialPort::SerialPortError error) {
    // A vanished device (a pulled cable) gives ResourceError; a line whose other end has hung
    // up (a pseudo-terminal whose simulator ended) reads end-of-file, which Qt reports as
    // ReadError on every pass of its event loop. Either way the line is gone: from now on the
    // port reads nothing and reports nothing, and it is closed once Qt has finished with the
    // failing call.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) ||
        !m_port.isOpen())
        return;
    m_lost = true;
    StopDrainWatch();
    QMetaObject::invokeMethod(
        &m_port,
        [this] {
            if (m_lost) {
                if (m_port.isOpen())
                    m_port.close();
                m_port.clearError();
            }
        },
        Qt::QueuedConnection);
}

void QtPort::StopDrainWatch() {
    m_draining = false;
    m_drainTimer.stop();
}

std::unique_ptr<IPort> QtPortFactory::CreatePort() {
    return std::make_unique<QtPort>();
}

std::vector<std::string> QtPortFactory::ListPorts() {
    std::vector<std::string> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.push_back(info.systemLocation().toStdString());
#ifndef Q_OS_WIN
    // Virtual boxes announce their pseudo-terminals, a POSIX matter.
    for (std::string& link : AnnouncedPorts(AnnouncedPortFolder()))
        ports.push_back(std::move(link));
#endif
    return ports;
}

namespace {
// What Qt knows of the adapter behind a port.
PortInfo InfoOf(const QSerialPortInfo& info) {
    PortInfo port;
    port.device = info.systemLocation().toStdString();
    auto hex = [](quint16 id) { return QString::asprintf("%04x", id).toStdString(); };
    if (info.hasVendorIdentifier())
        port.vendorId = hex(info.vendorIdentifier());
    if (info.hasProductIdentifier())
        port.productId = hex(info.productIdentifier());
    port.maker = info.manufacturer().trimmed().toStdString();
    port.product = info.description().trimmed().toStdString();
    port.serialNumber = info.serialNumber().trimmed().toStdString();
    return port;
}
} // namespace

std::string QtPortFactory::DescribePort(const std::string& path) {
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.systemLocation().toStdString() == path)
            return DescribeAdapter(InfoOf(info));
    return {};
}

std::vector<PortInfo> QtPortFactory::DescribePorts() {
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    const char* linksFolder = std::getenv("HX5310_SERIAL_LINKS");
    const std::string links = linksFolder && *linksFolder ? linksFolder : "/dev/serial";
    const std::vector<LinkEntry> byId = LinksIn(links + "/by-id");
    const std::vector<LinkEntry> byPath = LinksIn(links + "/by-path");
    std::vector<PortInfo> ports;
    for (const std::string& path : ListPorts()) {
        PortInfo port;
        port.device = path;
        for (const QSerialPortInfo& info : infos) {
            if (info.systemLocation().toStdString() == path) {
                port = InfoOf(info);
                break;
            }
        }
        const std::string real = RealFilePath(path);
        for (const LinkEntry& link : byId) {
            if (link.target != real)
                continue;
            port.byId = links + "/by-id/" + link.name;
            // Only where the system tells nothing of the adapter: a name without a serial
            // number ("usb-1a86_USB_Serial-if00-port0") cannot be told from one with it.
            if (port.serialNumber.empty() && port.vendorId.empty())
                port.serialNumber = SerialFromByIdName(link.name);
            break;
        }
        for (const LinkEntry& link : byPath) {
            if (link.target == real) {
                port.byPath = links + "/by-path/" + link.name;
                break;
            }
        }
        ports.push_back(std::move(port));
    }
    return ports;
}

} // namespace hx
