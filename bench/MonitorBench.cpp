// The monitor against a virtual box that streams status frames at the line rate: the real Qt
// window, the real serial port over a pseudo-terminal, hx5310-sim in its own process. Prints
// the window's CPU time as a share of one core, how far the state shown lags behind the
// newest frame, and whether the monitor ever stalled.
#include "FrameGenerator.h"
#include "HX5310ConfigApp.h"
#include "HX5310ConfigDlg.h"
#include "MemoryPreferences.h"
#include "QtSerialPort.h"
#include "QtWindow.h"
#include "StatusFrame.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

struct Options {
    double seconds = 10;
    unsigned frameRate = 0; // 0: back to back at the line rate
    bool faults = false;
    std::string sim = HX5310_SIM_PATH;
};

void Usage() {
    std::puts("Usage: hx5310-monitor-bench [--seconds N] [--frame-rate N] [--faults] [--sim PATH]\n"
              "Streams status frames from hx5310-sim over a pseudo-terminal into the real window\n"
              "with monitoring on, and prints the window's CPU share, the lag of the state shown\n"
              "and whether it stalled. --frame-rate 0 (the default) is the line rate of 115200\n"
              "baud; --faults adds damaged frames and garbage. Exit status 0 when the goals are\n"
              "met (CPU under 3 % of a core, lag under 50 ms, no stall), 1 when not, 2 when the\n"
              "run could not be set up.");
}

bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        if (a == "--seconds") {
            const char* v = value("--seconds");
            if (!v || (o.seconds = std::atof(v)) < 1 || o.seconds > 3600) {
                std::fprintf(stderr, "--seconds: 1 to 3600\n");
                return false;
            }
        } else if (a == "--frame-rate") {
            const char* v = value("--frame-rate");
            if (!v)
                return false;
            o.frameRate = static_cast<unsigned>(std::strtoul(v, nullptr, 10));
        } else if (a == "--faults") {
            o.faults = true;
        } else if (a == "--sim") {
            const char* v = value("--sim");
            if (!v)
                return false;
            o.sim = v;
        } else {
            Usage();
            return false;
        }
    }
    return true;
}

// The steady clock in ms: what hx5310-sim --frame-stamp puts into the frames.
uint32_t SteadyMs() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until pred() holds (checked every 5 ms) or ms have passed. The loop
// sleeps in between, so that waiting costs the window process no CPU of its own.
bool WaitFor(const std::function<bool()>& pred, int ms) {
    if (pred())
        return true;
    QEventLoop loop;
    QTimer check, limit;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (pred())
            loop.quit();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    check.start(5);
    limit.setSingleShot(true);
    limit.start(ms);
    loop.exec();
    return pred();
}

constexpr int kSampleMs = 20;

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

} // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!ParseArgs(argc, argv, opt))
        return 2;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    hx::PrepareQtDrawing(); // as hx5310-config does
    QApplication app(argc, argv);

    // The virtual box, in its own process, at the real line rate.
    QProcess sim;
    QStringList simArgs = {"--pace",       "--frame-stamp",
                           "--frame-rate", QString::number(opt.frameRate),
                           "--name",       QString("monitor-bench-%1").arg(::getpid())};
    if (opt.faults)
        simArgs << "--frame-bad-checksum"
                << "50"
                << "--frame-bad-end"
                << "70"
                << "--frame-garbage"
                << "30";
    sim.setProgram(QString::fromStdString(opt.sim));
    sim.setArguments(simArgs);
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    QStringList announced;
    if (!sim.waitForStarted(5000) || !WaitFor(
                                         [&] {
                                             while (sim.canReadLine())
                                                 announced
                                                     << QString::fromUtf8(sim.readLine()).trimmed();
                                             return announced.size() >= 2;
                                         },
                                         5000)) {
        std::fprintf(stderr, "hx5310-sim did not announce its port (%s)\n", opt.sim.c_str());
        return 2;
    }
    auto cleanup = [&] {
        sim.terminate();
        if (!sim.waitForFinished(3000))
            sim.kill();
    };

    // The window as hx5310-config runs it, with the virtual box's port chosen.
    hx::MemoryPreferences prefs;
    hx::QtPortFactory ports;
    hx::QtWindow win;
    hx::CHX5310ConfigApp config(prefs);
    hx::CHX5310ConfigDlg dlg(win, ports, config);
    dlg.SetPortName(announced[1].toStdString());
    if (!win.Open(hx::MainDialogTemplate(), dlg)) {
        std::fprintf(stderr, "the window did not open\n");
        cleanup();
        return 2;
    }

    // Monitoring needs one receive first; then the check box.
    dlg.OnCommand(hx::IDC_RECEIVE, hx::Notify::Clicked, 0);
    if (!WaitFor([&] { return !dlg.OperationRunning(); }, 10000) ||
        dlg.LastOutcome().kind != hx::OutcomeKind::Received) {
        std::fprintf(stderr, "receive from the virtual box failed: %s\n",
                     win.GetText(hx::IDC_INFO).c_str());
        cleanup();
        return 2;
    }
    win.SetCheck(hx::IDC_MONITOR, 1);
    dlg.OnCommand(hx::IDC_MONITOR, hx::Notify::Clicked, 0);
    if (!WaitFor([&] { return dlg.MonitorRunning() != 0; }, 5000)) {
        std::fprintf(stderr, "monitoring did not start: %s\n", win.GetText(hx::IDC_INFO).c_str());
        cleanup();
        return 2;
    }
    WaitFor([] { return false; }, 1000); // settle

    // Sample what the window shows every kSampleMs; the samples cost the process a little CPU
    // of its own, which counts against the window.
    auto shownStamp = [&] {
        const hx::StatusFields f = hx::DecodeFrame(dlg.LastFrame());
        return hx::sim::FrameGenerator::StampOf(f);
    };
    std::vector<double> lags;
    uint32_t lastStamp = shownStamp();
    QElapsedTimer since;
    since.start();
    qint64 lastChange = 0, longestPause = 0;
    bool droppedOut = false;
    QTimer sampler;
    sampler.setTimerType(Qt::PreciseTimer);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!dlg.MonitorRunning())
            droppedOut = true;
        const uint32_t stamp = shownStamp();
        lags.push_back(static_cast<double>(static_cast<int32_t>(SteadyMs() - stamp)));
        const qint64 now = since.elapsed();
        if (stamp != lastStamp) {
            lastStamp = stamp;
            lastChange = now;
        }
        longestPause = std::max(longestPause, now - lastChange);
    });

    const uint32_t firstStamp = lastStamp;
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    sampler.start(kSampleMs);
    {
        // One timer for the whole run: the measurement's own wake-ups are the sampler's alone.
        QEventLoop run;
        QTimer::singleShot(static_cast<int>(opt.seconds * 1000), Qt::PreciseTimer, &run,
                           &QEventLoop::quit);
        run.exec();
    }
    sampler.stop();
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    const double cpu = CpuSeconds() - cpu0;
    const double advanced = static_cast<double>(lastStamp - firstStamp) / 1000.0;

    win.SetCheck(hx::IDC_MONITOR, 0);
    dlg.OnCommand(hx::IDC_MONITOR, hx::Notify::Clicked, 0);
    win.EndDialog(2);
    cleanup();

    const unsigned fps = opt.frameRate == 0 || opt.frameRate > 822 ? 822 : opt.frameRate;
    const double share = cpu / elapsed;
    const double p99 = Percentile(lags, 0.99), maxLag = Percentile(lags, 1.0);
    double mean = 0;
    for (double l : lags)
        mean += l;
    mean = lags.empty() ? 0 : mean / static_cast<double>(lags.size());
    const bool stalled = droppedOut || longestPause > 500 || lags.empty();

    std::printf("monitor benchmark: %.1f s of status frames, %u frames/s%s%s\n", elapsed, fps,
                fps == 822 ? " (the line rate of 115200 baud)" : "",
                opt.faults ? ", with damaged frames and garbage" : "");
    std::printf("window process CPU: %.1f %% of one core (%.2f s in %.1f s)\n", 100 * share, cpu,
                elapsed);
    std::printf("lag of the state shown behind the newest frame sent: mean %.1f ms, 99th "
                "percentile %.1f ms, max %.1f ms (%zu samples)\n",
                mean, p99, maxLag, lags.size());
    std::printf("state shown advanced %.2f s in %.2f s (%.2fx real time); longest pause %lld ms; "
                "stalled: %s\n",
                advanced, elapsed, elapsed > 0 ? advanced / elapsed : 0.0,
                static_cast<long long>(longestPause), stalled ? "yes" : "no");
    const bool met = share < 0.03 && maxLag < 50 && !stalled;
    std::printf("goals (CPU under 3 %% of a core, lag under 50 ms, no stall): %s\n",
                met ? "met" : "NOT met");
    return met ? 0 : 1;
}
