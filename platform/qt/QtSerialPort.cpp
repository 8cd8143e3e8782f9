#include "platform/qt/QtSerialPort.h"

#include "platform/PortFolder.h"

#include <QSerialPortInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <dirent.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

namespace hx {

bool ParseBaudRate(const std::string& text, qint32& rate) {
    if (text.empty() || text.size() > 8)
        return false;
    qint32 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value <= 0)
        return false;
    rate = value;
    return true;
}

bool ParseDataBits(const std::string& text, QSerialPort::DataBits& bits) {
    if (text == "5")
        bits = QSerialPort::Data5;
    else if (text == "6")
        bits = QSerialPort::Data6;
    else if (text == "7")
        bits = QSerialPort::Data7;
    else if (text == "8")
        bits = QSerialPort::Data8;
    else
        return false;
    return true;
}

bool ParseParity(const std::string& text, QSerialPort::Parity& parity) {
    // The tool gives the Japanese names; the English ones are accepted as well.
    if (text == "なし" || text == "None")
        parity = QSerialPort::NoParity;
    else if (text == "偶数" || text == "Even")
        parity = QSerialPort::EvenParity;
    else if (text == "奇数" || text == "Odd")
        parity = QSerialPort::OddParity;
    else if (text == "マーク" || text == "Mark")
        parity = QSerialPort::MarkParity;
    else if (text == "スペース" || text == "Space")
        parity = QSerialPort::SpaceParity;
    else
        return false;
    return true;
}

bool ParseStopBits(const std::string& text, QSerialPort::StopBits& bits) {
    if (text == "1")
        bits = QSerialPort::OneStop;
    else if (text == "1.5")
        bits = QSerialPort::OneAndHalfStop;
    else if (text == "2")
        bits = QSerialPort::TwoStop;
    else
        return false;
    return true;
}

bool ParseFlow(const std::string& text, QSerialPort::FlowControl& flow) {
    if (text == "DTR/DSR" || text == "なし" || text == "None")
        flow = QSerialPort::NoFlowControl;
    else if (text == "RTS/CTS")
        flow = QSerialPort::HardwareControl;
    else if (text == "XON/XOFF")
        flow = QSerialPort::SoftwareControl;
    else
        return false;
    return true;
}

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

int OsTransmitQueue(int fd) {
    int queued = 0;
    return ::ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : -1;
}

QtPort::QtPort() {
    m_drainTimer.setTimerType(Qt::PreciseTimer);
    m_drainTimer.setInterval(1);
    QObject::connect(&m_port, &QSerialPort::readyRead, &m_port, [this] { OnReadyRead(); });
    QObject::connect(&m_port, &QSerialPort::bytesWritten, &m_port, [this] { OnBytesWritten(); });
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError e) { OnError(e); });
    QObject::connect(&m_drainTimer, &QTimer::timeout, &m_port, [this] { PollTransmitQueue(); });
    m_holdTimer.setSingleShot(true);
    m_holdTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_holdTimer, &QTimer::timeout, &m_port, [this] {
        for (auto* n : m_port.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly))
            if (n->type() == QSocketNotifier::Read && m_port.isOpen())
                n->setEnabled(true);
    });
}

QtPort::~QtPort() {
    m_drainTimer.stop();
    m_port.disconnect();
    m_drainTimer.disconnect();
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
        Close();
        return 0;
    }
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
    const qint64 n = m_port.read(buf, capacity);
    if (n <= 0 && m_streaming)
        HoldReads(); // all read, more on its way: let it gather
    return n > 0 ? static_cast<int>(n) : 0;
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
    m_holdTimer.stop();
    m_streaming = false;
    m_sinceReady.invalidate();
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
    m_lost = false;
    m_openedName.clear();
}

void QtPort::Notify(unsigned event) {
    if ((m_mask & event) && m_notify)
        m_notify(event);
}

namespace {
// Bytes that follow each other within this time count as a stream.
constexpr qint64 kStreamGapMs = 5;
// How long the line is not watched after a read while bytes stream in: well within a frame of
// the screen, so that what is shown lags by no more than that.
constexpr int kHoldMs = 16;
} // namespace

void QtPort::OnReadyRead() {
    m_streaming = m_sinceReady.isValid() && m_sinceReady.elapsed() < kStreamGapMs;
    m_sinceReady.start();
    if (IsOpen())
        Notify(EV_RXCHAR);
}

void QtPort::HoldReads() {
    if (m_holdTimer.isActive())
        return;
    // QSerialPort watches the descriptor with a read notifier of its own, and watches again
    // as soon as it is read from; it is paused here until the hold ends.
    for (auto* n : m_port.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly)) {
        if (n->type() == QSocketNotifier::Read && n->isEnabled()) {
            n->setEnabled(false);
            m_holdTimer.start(kHoldMs);
        }
    }
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
    for (std::string& link : AnnouncedPorts(AnnouncedPortFolder()))
        ports.push_back(std::move(link));
    return ports;
}

} // namespace hx
