// The Qt port without a box: line settings from text, the announced-port listing, the failure
// paths of an unusable port, and the receive pace over a pseudo-terminal.
#include "QtSerialPort.h"
#include "QtTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(SerialPortSettingsTest, OnlyTextsThatNameASettingAreTaken) {
    qint32 baud = 9600;
    QSerialPort::DataBits data = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stop = QSerialPort::OneStop;
    QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
    for (const char* text : {"", "0", "-9600", "115200 ", "1e5", "999999999"})
        EXPECT_FALSE(hx::ParseBaudRate(text, baud)) << text;
    EXPECT_EQ(baud, 9600); // untouched
    EXPECT_FALSE(hx::ParseDataBits("9", data));
    EXPECT_FALSE(hx::ParseParity("none?", parity));
    EXPECT_FALSE(hx::ParseStopBits("3", stop));
    EXPECT_FALSE(hx::ParseFlow("DSR", flow));

    // The box's texts; Qt has no DTR/DSR handshake, the record pump honours DSR itself.
    ASSERT_TRUE(hx::ParseParity("なし", parity));
    EXPECT_EQ(parity, QSerialPort::NoParity);
    ASSERT_TRUE(hx::ParseFlow("DTR/DSR", flow));
    EXPECT_EQ(flow, QSerialPort::NoFlowControl);
}

TEST(SerialPortTest, UnusablePortsFailToOpenWithAReasonAndStayHarmless) {
    hx::test::EnsureApp();
    int events = 0;
    auto notify = [&](unsigned) { ++events; };
    hx::QtPort port;

    port.SetPortName("/dev/hx5310-no-such-port");
    EXPECT_EQ(port.Open(notify), 0);
    EXPECT_FALSE(port.LastError().empty());

    port.SetPortName("");
    EXPECT_EQ(port.Open(notify), 0);
    EXPECT_FALSE(port.LastError().empty());

    // An unknown setting is not quietly replaced by another.
    port.SetPortName("/dev/null");
    port.SetParity("sometimes");
    EXPECT_EQ(port.Open(notify), 0);
    EXPECT_NE(port.LastError().find("sometimes"), std::string::npos) << port.LastError();

    // A port that never opened reads nothing, drops writes and reports no DSR.
    char buf[8];
    EXPECT_EQ(port.Read(buf, sizeof buf), 0);
    port.Write("AT\r", 3);
    EXPECT_EQ(port.SetDtr(1), 0);
    EXPECT_EQ(port.GetStatus(), 0u);
    port.Close();
    port.Close();
    QCoreApplication::processEvents();
    EXPECT_EQ(events, 0);
}

class AnnouncedPortsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_folder = m_dir.path().toStdString() + "/hx5310";
        ASSERT_EQ(::mkdir(m_folder.c_str(), 0700), 0);
    }
    void Link(const std::string& name, const char* target) {
        ASSERT_EQ(::symlink(target, (m_folder + "/" + name).c_str()), 0);
    }
    QTemporaryDir m_dir;
    std::string m_folder;
};

TEST_F(AnnouncedPortsTest, OnlyLinksToLiveDevicesInNameOrder) {
    Link("zeta", "/dev/null");
    Link("alpha", "/dev/zero");
    Link("gone", "/dev/pts/999999"); // its simulator has ended
    const std::string file = m_folder + "/not-a-link";
    ::close(::open(file.c_str(), O_CREAT | O_WRONLY, 0600));
    Link("plain-file", file.c_str());     // not a device
    Link(".hx5310-sim.123", "/dev/null"); // a link being made
    EXPECT_EQ(hx::AnnouncedPorts(m_folder),
              (std::vector<std::string>{m_folder + "/alpha", m_folder + "/zeta"}));
}

TEST_F(AnnouncedPortsTest, AFolderOthersMayWriteIsIgnored) {
    Link("box", "/dev/null");
    ASSERT_EQ(::chmod(m_folder.c_str(), 0777), 0);
    EXPECT_TRUE(hx::AnnouncedPorts(m_folder).empty());
    EXPECT_TRUE(hx::AnnouncedPorts(m_folder + "/missing").empty());
}

// The port on the device side of a pseudo-terminal; the test writes as the box on the other
// side. The test holds the device open too, only to ask how many bytes wait in the system.
class SerialPortPaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        hx::test::EnsureApp();
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(m_master, 0);
        ASSERT_EQ(::grantpt(m_master), 0);
        ASSERT_EQ(::unlockpt(m_master), 0);
        const std::string device = ::ptsname(m_master);
        m_device = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(m_device, 0);
        m_port.SetPortName(device);
        ASSERT_EQ(m_port.Open([this](unsigned e) {
            if (e == hx::EV_RXCHAR)
                m_reports.push_back(m_clock.elapsed());
        }),
                  1)
            << m_port.LastError();
        m_clock.start();
    }
    void TearDown() override {
        m_port.Close();
        if (m_device >= 0)
            ::close(m_device);
        if (m_master >= 0)
            ::close(m_master);
    }
    void Send(const std::string& bytes) {
        ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
    std::string ReadAll() {
        std::string got;
        char buf[512];
        for (int n; (n = m_port.Read(buf, sizeof buf)) > 0;)
            got.append(buf, static_cast<size_t>(n));
        return got;
    }
    int WaitingInSystem() const {
        int n = -1;
        ::ioctl(m_device, FIONREAD, &n);
        return n;
    }
    bool WaitForReports(size_t n, int ms) {
        return hx::test::WaitFor([&] { return m_reports.size() >= n; }, ms);
    }

    int m_master = -1;
    int m_device = -1;
    hx::QtPort m_port;
    QElapsedTimer m_clock;
    std::vector<qint64> m_reports; // when each EV_RXCHAR came, ms after the open
};

TEST_F(SerialPortPaceTest, BytesOfAPauseWaitInTheSystemAndComeTogetherInOrder) {
    constexpr int kPaceMs = 300;
    m_port.SetReceivePace(kPaceMs);
    Send("A");
    ASSERT_TRUE(WaitForReports(1, 1000)) << "the first arrival is reported at once";
    EXPECT_EQ(ReadAll(), "A");

    Send("BCD");
    hx::test::WaitFor([] { return false; }, 30);
    Send("EFG");
    hx::test::WaitFor([] { return false; }, 70);
    EXPECT_EQ(m_reports.size(), 1u) << "no report during the pause";
    EXPECT_GT(WaitingInSystem(), 0) << "the port took in every byte of the pause itself";

    ASSERT_TRUE(WaitForReports(2, 2000));
    EXPECT_GE(m_reports[1] - m_reports[0], kPaceMs - 20);
    EXPECT_EQ(ReadAll(), "BCDEFG");
    EXPECT_EQ(WaitingInSystem(), 0);
}

TEST_F(SerialPortPaceTest, EndingThePaceReportsALoneByteThatCameDuringIt) {
    m_port.SetReceivePace(1000);
    Send("A");
    ASSERT_TRUE(WaitForReports(1, 1000));
    EXPECT_EQ(ReadAll(), "A");
    Send("B"); // nothing behind it waits in the system
    hx::test::WaitFor([] { return false; }, 50);

    m_port.SetReceivePace(0);
    ASSERT_TRUE(WaitForReports(2, 300)) << "what came during the pace is reported when it ends";
    EXPECT_EQ(ReadAll(), "B");
    Send("C");
    ASSERT_TRUE(WaitForReports(3, 300)) << "an arrival after the pace is reported at once";
    EXPECT_EQ(ReadAll(), "C");
}

TEST_F(SerialPortPaceTest, TakingWhatWaitsDuringAPauseTakesAllOfIt) {
    m_port.SetReceivePace(1000);
    Send("A");
    ASSERT_TRUE(WaitForReports(1, 1000));
    EXPECT_EQ(ReadAll(), "A");
    Send("BCDEFG");
    hx::test::WaitFor([] { return false; }, 50);

    m_port.TakeWaiting();
    EXPECT_EQ(ReadAll(), "BCDEFG");
    EXPECT_EQ(WaitingInSystem(), 0);
}

} // namespace
