#pragma once
// The port object and the port enumerator on the Win32 comm API: the port opened overlapped,
// its comm events waited for with WaitCommEvent and delivered on the thread that opened it
// (the window's) through Qt's event loop; the ports listed from the registry, their adapters
// described by SetupAPI.
#include "LineSettings.h"
#include "Port.h"

#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWinEventNotifier;

namespace hx {

class WinPort : public IPort {
public:
    WinPort();
    ~WinPort() override;
    WinPort(const WinPort&) = delete;
    WinPort& operator=(const WinPort&) = delete;

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

    // How long a close waits for written bytes to leave the port.
    static constexpr int kCloseDrainMs = 300;

    bool IsOpen() const override { return m_handle != nullptr && !m_lost; }
    // Why the last Open failed, in the system's words.
    std::string LastError() const override { return m_lastError; }

private:
    struct Overlapped; // an OVERLAPPED with its event
    struct PendingWrite;

    void Notify(unsigned event);
    void ArmWait();
    void OnWaitEnded();
    bool LookAtLine();
    void ScheduleDrainCheck();
    bool CheckDrain(unsigned long outQueue);
    void ReapWrites();
    void Hold();
    void EndHold();
    void Lose();
    int64_t NowMicros() const;

    void* m_handle = nullptr; // the port's HANDLE while open
    std::unique_ptr<Overlapped> m_wait;
    std::unique_ptr<Overlapped> m_read;
    std::vector<char> m_readBuf;
    std::deque<std::unique_ptr<PendingWrite>> m_writes;
    QWinEventNotifier* m_waitNotifier = nullptr;
    unsigned long m_waitMask = 0; // written by the driver when a wait ends
    bool m_waitPending = false;
    bool m_readStuck = false; // a read would not end; no more reads until the close

    QTimer m_rearmTimer; // waits again after a wait that brought nothing new
    QTimer m_drainTimer; // looks again whether the bytes written have left
    QTimer m_paceTimer;  // ends a pause of the EV_RXCHAR reports (SetReceivePace)
    int m_paceMs = 0;
    bool m_holding = false;

    std::function<void(unsigned)> m_notify;
    unsigned long m_mask = EV_RXCHAR | EV_TXEMPTY;
    unsigned long m_toldInQueue = 0; // bytes in the input queue already reported
    bool m_txDue = false;            // bytes were written and "transmit empty" is still due
    bool m_txEmptySeen = false;
    int64_t m_lineFreeAt = 0;
    std::chrono::steady_clock::time_point m_epoch = std::chrono::steady_clock::now();

    std::string m_name;
    LineSettings m_line;
    std::string m_badSetting; // the first setting text that named nothing, for the message
    bool m_lost = false;
    std::string m_openedName;
    std::string m_lastError;
    PortOpenError m_openError = PortOpenError::None;
};

class WinPortFactory : public IPortFactory {
public:
    std::unique_ptr<IPort> CreatePort() override;
    // The ports of HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM, COM2 before COM10.
    std::vector<std::string> ListPorts() override;
    // What Windows knows of the device behind a port: its driver's maker and product texts,
    // the ids and serial number in its device instance id. A port that no present device of
    // the serial-port interface or of the Ports class names keeps its name only.
    std::string DescribePort(const std::string& path) override;
    std::vector<PortInfo> DescribePorts() override;
};

} // namespace hx
