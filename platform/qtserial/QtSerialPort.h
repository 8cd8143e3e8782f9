#pragma once
// The port object and the port enumerator over QSerialPort and QSerialPortInfo.
#include "Port.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace hx {

// The line settings as the tool gives them in text; Parse* return false for a text that names
// no setting.
bool ParseBaudRate(const std::string& text, qint32& rate);
bool ParseDataBits(const std::string& text, QSerialPort::DataBits& bits);
bool ParseParity(const std::string& text, QSerialPort::Parity& parity);
bool ParseStopBits(const std::string& text, QSerialPort::StopBits& bits);
// "DTR/DSR" gives NoFlowControl: Qt has no DTR/DSR handshake; the record pump honours DSR
// itself by polling the line status before every record.
bool ParseFlow(const std::string& text, QSerialPort::FlowControl& flow);

// What QSerialPort::handle() gives: a descriptor, on Windows a HANDLE.
using PortHandle = decltype(std::declval<const QSerialPort&>().handle());

#ifndef Q_OS_WIN
// The symbolic links announced in folder (see platform/PortFolder.h) that point to a character
// device that still exists, as full paths in name order. Nothing when the folder is missing or
// not private to this user.
std::vector<std::string> AnnouncedPorts(const std::string& folder);
#endif

// Bytes the operating system still holds for sending on the open port (TIOCOUTQ; on Windows
// the output queue of ClearCommError); below 0 when the line cannot tell.
int OsTransmitQueue(PortHandle handle);

class QtPort : public IPort {
public:
    using QueueProbe = std::function<int(PortHandle handle)>;

    QtPort();
    ~QtPort() override;
    QtPort(const QtPort&) = delete;
    QtPort& operator=(const QtPort&) = delete;

    void SetPortName(const std::string& name) override;
    void SetBaudRate(const std::string& text) override;
    void SetDataBits(const std::string& text) override;
    void SetParity(const std::string& text) override;
    void SetStopBits(const std::string& text) override;
    void SetFlow(const std::string& text) override;
    void SetEventMask(unsigned long mask) override;
    int Open(std::function<void(unsigned)> notify) override;
    int SetDtr(int on) override;
    int Read(char* buf, int capacity) override;
    void Write(const char* data, int length) override;
    unsigned long GetStatus() override;
    void Close() override;
    PortOpenError LastOpenError() const override { return m_openError; }
    void SetReceivePace(int ms) override;
    void TakeWaiting() override;

    // How long a close waits for written bytes to leave the port.
    static constexpr qint64 kCloseDrainMs = 300;

    bool IsOpen() const override { return m_port.isOpen() && !m_lost; }
    // Why the last Open failed, in the system's words.
    std::string LastError() const override { return m_lastError; }
    // How the port learns what the operating system still has to send; OsTransmitQueue unless
    // a test gives a line of its own.
    void SetQueueProbe(QueueProbe probe) { m_queueProbe = std::move(probe); }

private:
    void Notify(unsigned event);
    void OnReadyRead();
    void OnBytesWritten();
    void PollTransmitQueue();
    void OnError(QSerialPort::SerialPortError error);
    void StopDrainWatch();
    void HoldReads();
    void EndHold();
    void ResumeReads();

    // What QSerialPort may take into its buffer during a pause; the rest waits in the system.
    static constexpr qint64 kHeldBytes = 1;

    QSerialPort m_port;
    QTimer m_drainTimer; // polls the operating system's transmit queue while it drains
    QTimer m_paceTimer;  // ends a pause of the reads and reports (SetReceivePace)
    int m_paceMs = 0;
    bool m_holding = false; // reads and reports pause until m_paceTimer fires
    std::function<void(unsigned)> m_notify;
    QueueProbe m_queueProbe = OsTransmitQueue;
    unsigned long m_mask = EV_RXCHAR | EV_TXEMPTY;

    std::string m_name;
    qint32 m_baud = 115200;
    QSerialPort::DataBits m_dataBits = QSerialPort::Data8;
    QSerialPort::Parity m_parity = QSerialPort::NoParity;
    QSerialPort::StopBits m_stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl m_flow = QSerialPort::NoFlowControl;
    std::string m_badSetting; // the first setting text that named nothing, for the message

    bool m_draining = false;       // bytes were written and "transmit empty" is still due
    bool m_lost = false;           // the device vanished; the port is being closed
    bool m_noModemSignals = false; // the open line has no modem signals (a pseudo-terminal)
    std::string m_openedName;      // the name the open port was opened with
    std::string m_lastError;
    PortOpenError m_openError = PortOpenError::None;
};

class QtPortFactory : public IPortFactory {
public:
    std::unique_ptr<IPort> CreatePort() override;
    // The serial devices of the system, then the ports announced by virtual boxes.
    std::vector<std::string> ListPorts() override;
    std::string DescribePort(const std::string& path) override;
    // With the links udev keeps in /dev/serial/by-id and by-path (another folder than
    // /dev/serial when $HX5310_SERIAL_LINKS names one: a stand-in for udev's, for tests).
    std::vector<PortInfo> DescribePorts() override;
};

} // namespace hx
