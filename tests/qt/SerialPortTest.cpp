// The Qt port without a box: line settings from text, the announced-port listing and the
// failure paths of an unusable port.
#include "QtSerialPort.h"
#include "QtTestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <fcntl.h>
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

} // namespace
