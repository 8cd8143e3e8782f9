// The Windows serial adapter against a box on a real COM port (under Wine: a port linked to
// hx5310-sim): the port list and its description, then AT, ATI3, ATI4 and ATSRX as the window
// sends them, with the events counted and timed; a long write's "transmit empty" against the
// line's rate; the receive pace. Prints what it saw; exit status 0 when all of it held.
//
//   win_port_check COM8 [--paced]     (--paced: the box's line runs at 115200 baud)
#include "LineSettings.h"
#include "WinSerialPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Check {
    hx::WinPort port;
    std::vector<char> rx = std::vector<char>(4096);
    int rxLen = 0;
    std::vector<std::string> lines;
    int rxReports = 0;
    int txReports = 0;
    qint64 lastTxEmptyMs = -1;
    QElapsedTimer clock;
    int failures = 0;

    void OnEvent(unsigned event) {
        if (event == hx::EV_TXEMPTY) {
            ++txReports;
            lastTxEmptyMs = clock.elapsed();
            return;
        }
        ++rxReports;
        for (;;) {
            const int n = port.Read(rx.data() + rxLen, static_cast<int>(rx.size()) - rxLen);
            if (n <= 0)
                break;
            rxLen += n;
            Split();
        }
    }

    // Lines end at a carriage return; line feeds, empty lines and "#" lines are dropped.
    void Split() {
        for (;;) {
            char* cr = static_cast<char*>(std::memchr(rx.data(), '\r', rxLen));
            if (!cr)
                return;
            std::string line(rx.data(), cr);
            line.erase(std::remove(line.begin(), line.end(), '\n'), line.end());
            const int used = static_cast<int>(cr - rx.data()) + 1;
            std::memmove(rx.data(), rx.data() + used, rxLen - used);
            rxLen -= used;
            if (!line.empty() && line[0] != '#')
                lines.push_back(line);
        }
    }

    template <typename Pred> bool Until(Pred done, int ms) {
        QElapsedTimer waited;
        waited.start();
        while (!done()) {
            if (waited.elapsed() > ms)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        return true;
    }

    void Expect(bool ok, const std::string& what) {
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
        if (!ok)
            ++failures;
    }

    static bool IsOk(const std::string& line) {
        return line.size() == 2 && (line[0] == 'O' || line[0] == 'o') &&
               (line[1] == 'K' || line[1] == 'k');
    }

    // Sends a command and collects the lines up to the box's "OK" (its echo included).
    std::vector<std::string> Command(const std::string& command, int ms, qint64& tookMs) {
        lines.clear();
        const qint64 start = clock.elapsed();
        const std::string bytes = command + "\r";
        port.Write(bytes.data(), static_cast<int>(bytes.size()));
        Until([&] { return !lines.empty() && IsOk(lines.back()); }, ms);
        tookMs = clock.elapsed() - start;
        return lines;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: win_port_check PORT [--paced]\n");
        return 2;
    }
    const std::string name = argv[1];
    const bool paced = argc > 2 && std::strcmp(argv[2], "--paced") == 0;
    Check c;
    c.clock.start();

    hx::WinPortFactory factory;
    const std::vector<std::string> ports = factory.ListPorts();
    std::string listed;
    for (const auto& p : ports)
        listed += " " + p;
    c.Expect(std::find(ports.begin(), ports.end(), name) != ports.end(),
             "the port list holds " + name + ":" + listed);
    // A port whose device the system cannot describe is still there, by its name.
    std::vector<std::string> described;
    for (const hx::PortInfo& info : factory.DescribePorts())
        described.push_back(info.device);
    c.Expect(described == ports, "every listed port is described, in the list's order");

    hx::WinPort missing;
    missing.SetPortName("COM250");
    c.Expect(missing.Open([](unsigned) {}) == 0 &&
                 missing.LastOpenError() == hx::PortOpenError::NotFound,
             "COM250 does not open and is not found");

    c.port.SetPortName(name);
    c.port.SetBaudRate("115200");
    c.port.SetDataBits("8");
    c.port.SetParity("なし");
    c.port.SetStopBits("1");
    c.port.SetFlow("DTR/DSR");
    c.port.SetEventMask(hx::EV_RXCHAR | hx::EV_TXEMPTY);
    const int opened = c.port.Open([&c](unsigned event) {
        QMetaObject::invokeMethod(
            qApp, [&c, event] { c.OnEvent(event); }, Qt::QueuedConnection);
    });
    c.Expect(opened != 0, "open " + name + (opened ? "" : ": " + c.port.LastError()));
    if (!opened)
        return 1;
    c.Expect(c.port.SetDtr(1) != 0, "DTR raised (or the line has none)");
    c.Expect((c.port.GetStatus() & hx::MS_DSR_ON) != 0, "DSR on");

    qint64 took = 0;
    const qint64 atStart = c.clock.elapsed();
    auto at = c.Command("AT", 1000, took);
    c.Expect(at.size() == 2 && at[0] == "AT" && Check::IsOk(at[1]),
             "AT answered OK in " + std::to_string(took) + " ms");
    c.Until([&] { return c.txReports > 0; }, 100);
    c.Expect(c.txReports == 1, "one transmit empty for AT, " +
                                   std::to_string(c.lastTxEmptyMs - atStart) + " ms after it");
    for (const char* command : {"ATI3", "ATI4"}) {
        auto reply = c.Command(command, 1000, took);
        c.Expect(reply.size() == 3 && Check::IsOk(reply.back()),
                 std::string(command) + ": \"" + (reply.size() > 1 ? reply[1] : "") + "\" in " +
                     std::to_string(took) + " ms");
    }
    for (int pace : {0, 20}) {
        c.port.SetReceivePace(pace);
        const int before = c.rxReports;
        auto records = c.Command("ATSRX", 3000, took);
        const auto count = std::count_if(records.begin(), records.end(),
                                         [](const std::string& l) { return l[0] == ':'; });
        const int reports = c.rxReports - before;
        c.Expect(count == 65 && Check::IsOk(records.back()),
                 "ATSRX: " + std::to_string(count) + " records and OK in " + std::to_string(took) +
                     " ms, " + std::to_string(reports) + " receive reports at pace " +
                     std::to_string(pace) + " ms");
        if (pace > 0)
            c.Expect(reports <= took / pace + 2, "the pace holds the reports back");
    }
    c.port.SetReceivePace(0);

    // 600 commands in one write: 1800 bytes, 156.25 ms at 115200 baud. On a paced line
    // "transmit empty" must not come before the line can have carried them.
    std::string many;
    for (int i = 0; i < 600; ++i)
        many += "AT\r";
    hx::LineSettings line;
    const qint64 lineMs = static_cast<qint64>(hx::LineTimeMicros(many.size(), line) / 1000);
    c.lines.clear();
    const int txBefore = c.txReports;
    const qint64 start = c.clock.elapsed();
    c.port.Write(many.data(), static_cast<int>(many.size()));
    c.Until([&] { return c.txReports > txBefore; }, 2000);
    const qint64 emptyAfter = c.lastTxEmptyMs - start;
    c.Expect(c.txReports == txBefore + 1 && emptyAfter >= lineMs,
             "transmit empty " + std::to_string(emptyAfter) +
                 " ms after 1800 bytes (line: " + std::to_string(lineMs) + " ms)");
    c.Until([&] { return std::count_if(c.lines.begin(), c.lines.end(), Check::IsOk) >= 600; },
            5000);
    c.Expect(std::count_if(c.lines.begin(), c.lines.end(), Check::IsOk) == 600,
             "600 OK for 600 AT, in " + std::to_string(c.clock.elapsed() - start) + " ms" +
                 (paced ? " (paced line)" : ""));

    // Records as the record pump writes them: the next one after each "transmit empty", with
    // no reply in between; 20 of 45 bytes take 78 ms on the line.
    std::string record(45, 'A');
    const qint64 recordsStart = c.clock.elapsed();
    bool allEmptied = true;
    for (int i = 0; i < 20 && allEmptied; ++i) {
        const int before = c.txReports;
        c.port.Write(record.data(), static_cast<int>(record.size()));
        allEmptied = c.Until([&] { return c.txReports > before; }, 500);
    }
    const qint64 recordsMs = c.clock.elapsed() - recordsStart;
    const qint64 recordsLineMs =
        static_cast<qint64>(hx::LineTimeMicros(20 * record.size(), line) / 1000);
    // Never sooner than the line; how much later is the driver's matter (printed, not judged).
    c.Expect(allEmptied && recordsMs >= recordsLineMs,
             "20 records of 45 bytes, one per transmit empty, in " + std::to_string(recordsMs) +
                 " ms (line: " + std::to_string(recordsLineMs) + " ms, ratio " +
                 std::to_string(static_cast<double>(recordsMs) / recordsLineMs).substr(0, 4) + ")");
    c.lines.clear();
    c.port.Write("\r", 1); // the box's reply to that line is of no interest
    c.Until([&] { return !c.lines.empty(); }, 1000);

    const qint64 closeStart = c.clock.elapsed();
    c.port.Write("\r", 1);
    c.port.Close();
    c.Expect(c.clock.elapsed() - closeStart <= hx::WinPort::kCloseDrainMs + 50,
             "closed in " + std::to_string(c.clock.elapsed() - closeStart) + " ms");
    c.Expect(c.port.Read(c.rx.data(), 16) == 0 && c.port.GetStatus() == 0,
             "a closed port reads nothing");
    std::printf("%s\n", c.failures ? "FAILED" : "PASSED");
    return c.failures ? 1 : 0;
}
