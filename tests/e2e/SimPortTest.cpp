// QtPort and the port enumerator against hx5310-sim over a pseudo-terminal: the real adapter
// and the real program.
#include "PortFolder.h"
#include "QtSerialPort.h"

#include "E2ESupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>
#include <utility>

namespace {

using hx::e2e::SimProcess;

// hx5310-sim announcing itself in the runtime folder runtimeDir.
QProcessEnvironment RuntimeEnv(const QString& runtimeDir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtimeDir);
    return env;
}

class SimPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_runtime = m_dir.path();
        m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        m_hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_runtime.toUtf8());
        hx::e2e::EnsureQtApp();
    }
    void TearDown() override {
        if (m_hadRuntime)
            qputenv("XDG_RUNTIME_DIR", m_savedRuntime);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }

    // Opens port on name with the box's line settings; events are collected in m_events.
    int OpenPort(hx::QtPort& port, const std::string& name,
                 unsigned long mask = hx::EV_RXCHAR | hx::EV_TXEMPTY) {
        port.SetPortName(name);
        port.SetBaudRate("115200");
        port.SetDataBits("8");
        port.SetParity("なし");
        port.SetStopBits("1");
        port.SetFlow("DTR/DSR");
        port.SetEventMask(mask);
        return port.Open([this](unsigned e) { m_events.push_back(e); });
    }
    // Reads what the port has, as the tool's read loop does on EV_RXCHAR.
    void Drain(hx::QtPort& port) {
        char buf[512];
        int n;
        while ((n = port.Read(buf, sizeof buf)) > 0)
            m_received.append(buf, static_cast<std::size_t>(n));
    }
    // Runs the event loop until done() holds (checked after every event) or ms have passed.
    template <typename Done> static bool RunUntil(Done done, int ms) {
        QElapsedTimer clock;
        clock.start();
        QTimer deadline;
        deadline.start(ms); // wakes the loop at the end
        while (!done()) {
            if (clock.elapsed() >= ms)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }
    // Lets the event loop run, reading as it goes, until text has arrived.
    bool WaitFor(hx::QtPort& port, const std::string& text, int ms = 3000) {
        return RunUntil(
            [&] {
                Drain(port);
                return m_received.find(text) != std::string::npos;
            },
            ms);
    }
    int Count(unsigned event) const {
        return static_cast<int>(std::count(m_events.begin(), m_events.end(), event));
    }

    QTemporaryDir m_dir;
    QString m_runtime;
    QByteArray m_savedRuntime;
    bool m_hadRuntime = false;
    std::vector<unsigned> m_events;
    std::string m_received;
};

TEST_F(SimPortTest, AnswersThroughTheAnnouncedLink) {
    SimProcess sim(RuntimeEnv(m_runtime));
    ASSERT_TRUE(sim.Start());
    EXPECT_EQ(sim.Link(), m_runtime.toStdString() + "/hx5310/hx5310-sim");
    EXPECT_EQ(sim.Device().rfind("/dev/pts/", 0), 0u) << sim.Device();

    hx::QtPort port;
    ASSERT_NE(OpenPort(port, sim.Link()), 0) << port.LastError();
    // A pseudo-terminal has no modem signals: raising DTR is no failure, and DSR reads on.
    EXPECT_NE(port.SetDtr(1), 0);
    EXPECT_EQ(port.GetStatus() & hx::MS_DSR_ON, hx::MS_DSR_ON);

    port.Write("AT\r", 3);
    ASSERT_TRUE(WaitFor(port, "OK\r\n")) << m_received;
    EXPECT_EQ(m_received, "AT\r\nOK\r\n");
    EXPECT_GE(Count(hx::EV_RXCHAR), 1);
    EXPECT_EQ(Count(hx::EV_TXEMPTY), 1);
}

TEST_F(SimPortTest, TransmitEmptyComesOncePerWriteAndOnlyForMaskedEvents) {
    SimProcess sim(RuntimeEnv(m_runtime));
    ASSERT_TRUE(sim.Start());
    hx::QtPort port;
    ASSERT_NE(OpenPort(port, sim.Device(), hx::EV_TXEMPTY), 0) << port.LastError();
    for (int i = 0; i < 3; ++i) {
        const std::size_t before = m_events.size();
        port.Write("ATI4\r", 5);
        ASSERT_TRUE(RunUntil([&] { return m_events.size() > before; }, 3000)) << i;
    }
    QTest::qWait(50);
    EXPECT_EQ(Count(hx::EV_TXEMPTY), 3);
    // The box answered, but EV_RXCHAR is not in the mask.
    EXPECT_EQ(Count(hx::EV_RXCHAR), 0);
    Drain(port);
    EXPECT_NE(m_received.find("HX-5310"), std::string::npos) << m_received;
}

TEST_F(SimPortTest, TransmitEmptyWaitsUntilTheSystemQueueHasDrained) {
    // A pseudo-terminal always reports an empty queue; this line reports 3, 2, 1 bytes still
    // waiting before it drains, as a real UART would.
    SimProcess sim(RuntimeEnv(m_runtime));
    ASSERT_TRUE(sim.Start());
    hx::QtPort port;
    int waiting = 3, probes = 0;
    port.SetQueueProbe([&](int fd) {
        EXPECT_GE(fd, 0);
        EXPECT_EQ(Count(hx::EV_TXEMPTY), 0) << "reported before the queue drained";
        ++probes;
        return waiting > 0 ? waiting-- : 0;
    });
    ASSERT_NE(OpenPort(port, sim.Device()), 0);
    port.Write("AT\r", 3);
    ASSERT_TRUE(RunUntil([&] { return Count(hx::EV_TXEMPTY) == 1; }, 2000));
    EXPECT_EQ(probes, 4);

    // A line that cannot tell: "transmit empty" once Qt has handed everything over.
    m_events.clear();
    probes = 0;
    port.SetQueueProbe([&](int) { return ++probes, -1; });
    port.Write("AT\r", 3);
    ASSERT_TRUE(RunUntil([&] { return Count(hx::EV_TXEMPTY) == 1; }, 2000));
    EXPECT_EQ(probes, 1);
}

TEST_F(SimPortTest, ClosedPortReportsNothingAndOpensAgain) {
    SimProcess sim(RuntimeEnv(m_runtime));
    ASSERT_TRUE(sim.Start());
    hx::QtPort port;
    ASSERT_NE(OpenPort(port, sim.Link()), 0);
    port.Write("AT\r", 3);
    port.Close();
    QTest::qWait(100);
    m_events.clear();
    char buf[16];
    EXPECT_EQ(port.Read(buf, sizeof buf), 0);
    port.Write("AT\r", 3); // dropped, no crash
    QTest::qWait(50);
    EXPECT_TRUE(m_events.empty());

    // The simulator carries on when the tool lets go of the line; bytes left from before the
    // open are not delivered.
    m_received.clear();
    ASSERT_NE(OpenPort(port, sim.Link()), 0) << port.LastError();
    port.Write("AT\r", 3);
    ASSERT_TRUE(WaitFor(port, "OK\r\n")) << m_received;
    EXPECT_EQ(m_received, "AT\r\nOK\r\n");
}

TEST_F(SimPortTest, KilledSimulatorLeavesAQuietClosedPort) {
    SimProcess sim(RuntimeEnv(m_runtime));
    ASSERT_TRUE(sim.Start());
    hx::QtPort port;
    ASSERT_NE(OpenPort(port, sim.Link()), 0) << port.LastError();
    port.Write("AT\r", 3);
    ASSERT_TRUE(WaitFor(port, "OK\r\n"));

    sim.Stop(SIGKILL);
    // The hang-up alone, with no call from the tool, closes the port.
    EXPECT_TRUE(RunUntil([&] { return !port.IsOpen(); }, 2000));
    m_events.clear();
    port.Write("AT\r", 3);
    QTest::qWait(100);
    char buf[16];
    EXPECT_EQ(port.Read(buf, sizeof buf), 0);
    EXPECT_TRUE(m_events.empty());
    EXPECT_EQ(port.GetStatus() & hx::MS_DSR_ON, 0u);
    port.Close();
    // Whether the device can be opened again is not checked: the system hands the freed
    // pseudo-terminal number to the next one, which a test running beside this one may own.
}

TEST_F(SimPortTest, EnumeratorListsTheSimulatorWhileItRuns) {
    hx::QtPortFactory factory;
    SimProcess sim(RuntimeEnv(m_runtime));
    ASSERT_TRUE(sim.Start({"--name", "bench-box"}));
    EXPECT_EQ(sim.Link(), m_runtime.toStdString() + "/hx5310/bench-box");
    auto ports = factory.ListPorts();
    EXPECT_NE(std::find(ports.begin(), ports.end(), sim.Link()), ports.end());

    // SIGTERM ends it cleanly and takes the link away.
    EXPECT_EQ(sim.Stop(SIGTERM), 0);
    EXPECT_NE(::access(sim.Link().c_str(), F_OK), 0);
    ports = factory.ListPorts();
    EXPECT_EQ(std::find(ports.begin(), ports.end(), sim.Link()), ports.end());
}

TEST_F(SimPortTest, OptionsReachTheBox) {
    SimProcess sim(RuntimeEnv(m_runtime));
    ASSERT_TRUE(sim.Start({"--firmware", "2.5", "--no-echo", "--lower-case"}));
    hx::QtPort port;
    ASSERT_NE(OpenPort(port, sim.Link()), 0);
    port.Write("ATI3\r", 5);
    ASSERT_TRUE(WaitFor(port, "ok\r\n")) << m_received;
    unsigned major = 0, minor = 0;
    ASSERT_EQ(
        std::sscanf(m_received.c_str(), "QORVA Voice Relay Control Version %u.%u", &major, &minor),
        2)
        << m_received;
    EXPECT_EQ(major, 2u);
    EXPECT_EQ(minor, 5u);
}

TEST_F(SimPortTest, BadOptionEndsWithUsageHint) {
    QProcess proc;
    proc.start(HX5310_SIM_PATH, {"--bad-record", "64"});
    ASSERT_TRUE(proc.waitForFinished(5000));
    EXPECT_EQ(proc.exitCode(), 2);
    const QString err = QString::fromUtf8(proc.readAllStandardError());
    EXPECT_TRUE(err.contains("--bad-record")) << err.toStdString();
    EXPECT_TRUE(err.contains("--help")) << err.toStdString();
    EXPECT_TRUE(proc.readAllStandardOutput().isEmpty());
}

// A receive pace gathers the box's status frames into a few reports, loses none of their bytes,
// and ends when set back to 0 (and with a close).
TEST_F(SimPortTest, AReceivePaceGathersTheFrameStreamIntoFewReports) {
    SimProcess sim(RuntimeEnv(m_runtime));
    ASSERT_TRUE(sim.Start({"--pace", "--frame-rate", "0"})); // frames back to back
    hx::QtPort port;
    ASSERT_NE(OpenPort(port, sim.Link(), hx::EV_RXCHAR), 0) << port.LastError();
    port.Write("AT*M1\r", 6);
    ASSERT_TRUE(WaitFor(port, "OK\r\n"));
    // Counts the reports and the bytes of the stream for ms, reading at each report.
    auto measure = [&](int ms) {
        m_events.clear();
        m_received.clear();
        QElapsedTimer clock;
        clock.start();
        RunUntil(
            [&] {
                Drain(port);
                return false;
            },
            ms);
        const double bytesPerSecond =
            static_cast<double>(m_received.size()) * 1000.0 / static_cast<double>(clock.elapsed());
        return std::make_pair(Count(hx::EV_RXCHAR), bytesPerSecond);
    };
    measure(100); // the stream is running
    port.SetReceivePace(100);
    const auto paced = measure(1000);
    port.SetReceivePace(0);
    const auto unpaced = measure(500);

    // The box sends 14-byte frames back to back: 11520 bytes a second at 115200 baud.
    EXPECT_LE(paced.first, 14) << "about one report per 100 ms";
    EXPECT_GT(paced.second, 0.8 * 11520) << "bytes were lost or held back";
    EXPECT_GT(unpaced.first, 25) << "every arrival is reported again";
    EXPECT_GT(unpaced.second, 0.8 * 11520);

    port.SetReceivePace(100);
    port.Write("\r", 1); // the box stops streaming
    port.Close();
    m_events.clear();
    ASSERT_NE(OpenPort(port, sim.Link(), hx::EV_RXCHAR), 0);
    QTest::qWait(100);
    Drain(port);
    m_received.clear();
    for (int i = 0; i < 3; ++i) {
        // A pace ends with the close: each answer is reported as it comes.
        const int before = Count(hx::EV_RXCHAR);
        port.Write("AT\r", 3);
        ASSERT_TRUE(RunUntil([&] { return Count(hx::EV_RXCHAR) > before; }, 3000)) << i;
        ASSERT_TRUE(WaitFor(port, "OK\r\n")) << i;
        m_received.clear();
    }
}

// Benchmark: with --pace the box takes and gives bytes at the line rate. Prints the measured
// rates as a share of 115200 baud (11520 bytes a second); checks only that everything arrived.
TEST_F(SimPortTest, PacedLineRateBenchmark) {
    SimProcess sim(RuntimeEnv(m_runtime));
    ASSERT_TRUE(sim.Start({"--pace"}));
    hx::QtPort port;
    ASSERT_NE(OpenPort(port, sim.Link()), 0);

    // Box to tool: the whole image as records, 4876 characters plus echo and "OK".
    QElapsedTimer t;
    std::size_t firstChunk = 0; // arrived before the clock started
    port.Write("ATSRX\r", 6);
    ASSERT_TRUE(RunUntil(
        [&] {
            const bool first = m_received.empty();
            Drain(port);
            if (first && !m_received.empty()) {
                t.start();
                firstChunk = m_received.size();
            }
            return m_received.find(":00000001FF\r\nOK\r\n") != std::string::npos;
        },
        10000));
    const double outSeconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    const std::size_t outBytes = m_received.size();
    const double outRate = static_cast<double>(outBytes - firstChunk) / outSeconds;

    // Tool to box: the whole image written at once; the box answers after the last record.
    m_received.clear();
    port.Write("ATSTX\r", 6);
    ASSERT_TRUE(WaitFor(port, "ATSTX\r\nOK\r\n")) << m_received;
    std::string image;
    for (int address = 0; address < 2048; address += 32) {
        char record[80];
        std::snprintf(record, sizeof record, ":20%04X00", address);
        unsigned sum = 0x20 + (address >> 8) + (address & 0xFF);
        std::string text = record;
        for (int i = 0; i < 32; ++i)
            text += "00";
        char check[8];
        std::snprintf(check, sizeof check, "%02X\r", (0x100 - (sum & 0xFF)) & 0xFF);
        image += text + check;
    }
    image += ":00000001FF\r";
    m_received.clear();
    t.start();
    port.Write(image.data(), static_cast<int>(image.size()));
    ASSERT_TRUE(WaitFor(port, "OK\r\n", 10000)) << m_received;
    const double inSeconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    const double inRate = static_cast<double>(image.size()) / inSeconds;

    std::printf("[ BENCH    ] paced box to tool: %zu bytes in %.3f s = %.0f bytes/s = %.3f of "
                "115200 baud\n",
                outBytes, outSeconds, outRate, outRate / 11520.0);
    std::printf("[ BENCH    ] paced tool to box: %zu bytes in %.3f s = %.0f bytes/s = %.3f of "
                "115200 baud\n",
                image.size(), inSeconds, inRate, inRate / 11520.0);
}

} // namespace
