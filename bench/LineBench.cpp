// A production line against virtual boxes whose line runs at 115200 baud: box after box, the
// three-command recipe (factory-reset, send, show) beside provision, each box a fresh one
// without a serial number. Per box: the whole time of the programs that served it, and its
// ratio to the line-rate limit, that is what the box must be told and asked (the traffic of
// provision's run, both directions, from its trace) at 11520 bytes a second.
#include "TraceBytes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kLineBytesPerSecond = 11520.0;
constexpr double kGoal = 1.10; // provision, per box, whole process included

struct Options {
    int boxes = 10;
    QString ctl = HX5310CTL_PATH;
    QString sim = HX5310_SIM_PATH;
};

bool ParseArgs(const QStringList& args, Options& o) {
    for (int i = 1; i + 1 < args.size(); i += 2) {
        const QString a = args[i], v = args[i + 1];
        if (a == "--boxes")
            o.boxes = v.toInt();
        else if (a == "--ctl")
            o.ctl = v;
        else if (a == "--sim")
            o.sim = v;
        else
            return false;
    }
    return args.size() % 2 == 1 && o.boxes >= 1 && o.boxes <= 1000;
}

class Line {
public:
    explicit Line(const Options& o) : m_o(o) {
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert("XDG_RUNTIME_DIR", m_dir.path());
        m_env.insert("XDG_CONFIG_HOME", m_dir.filePath("config"));
        m_env.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        m_env.remove("HX5310_CONFIG");
    }
    bool Valid() const { return m_dir.isValid(); }
    QString Path(const char* name) const { return m_dir.filePath(name); }

    // A fresh box without a serial number, announced as "line".
    bool NewBox() {
        m_sim.terminate();
        m_sim.waitForFinished(5000);
        m_sim.setProcessEnvironment(m_env);
        m_sim.start(m_o.sim, {"--pace", "--name", "line"});
        if (!m_sim.waitForStarted(5000) || !m_sim.waitForReadyRead(5000))
            return false;
        for (int i = 0; i < 50 && !QFile::exists(m_dir.filePath("hx5310/line")); ++i)
            m_sim.waitForReadyRead(100);
        return QFile::exists(m_dir.filePath("hx5310/line"));
    }
    ~Line() {
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }

    // hx5310ctl on the box; the seconds from its start to its end, below 0 when it failed.
    double Ctl(const QStringList& args) {
        QProcess ctl;
        ctl.setProcessEnvironment(m_env);
        QStringList all = {"--config",        Path("prefs.ini"), "--trace",
                           Path("trace.txt"), "--port",          "line"};
        all << args;
        QElapsedTimer wall;
        wall.start();
        ctl.start(m_o.ctl, all);
        if (!ctl.waitForFinished(60000) || ctl.exitStatus() != QProcess::NormalExit ||
            ctl.exitCode() != 0) {
            std::fprintf(stderr, "hx5310ctl %s failed (%d):\n%s\n",
                         args.join(' ').toLocal8Bit().constData(), ctl.exitCode(),
                         ctl.readAllStandardError().constData());
            return -1;
        }
        return static_cast<double>(wall.nsecsElapsed()) / 1e9;
    }
    size_t TracedBytes() const {
        QFile t(Path("trace.txt"));
        return t.open(QIODevice::ReadOnly) ? hx::bench::TraceBytes(t.readAll().toStdString()) : 0;
    }

private:
    const Options& m_o;
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    QProcess m_sim;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
double Worst(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}
double Mean(const std::vector<double>& v) {
    double sum = 0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options o;
    if (!ParseArgs(app.arguments(), o)) {
        std::puts("Usage: hx5310ctl-line-bench [--boxes N] [--ctl PATH] [--sim PATH]\n"
                  "Serves N fresh virtual boxes (default 10) with factory-reset, send and show,\n"
                  "then N more with provision, and prints the seconds per box and their ratio to\n"
                  "the line-rate limit. Exit status 0 when provision stays within 1.10 times the\n"
                  "limit, 1 when not, 2 when the run could not be set up.");
        return 2;
    }
    Line line(o);
    if (!line.Valid() || !line.NewBox())
        return 2;
    // The line's settings file, read once.
    const QString file = line.Path("line-settings.txt");
    if (line.Ctl({"read", file}) < 0)
        return 2;

    std::vector<double> recipe, provision;
    std::vector<size_t> recipeBytes, needed;
    for (int box = 0; box < o.boxes; ++box) {
        if (!line.NewBox())
            return 2;
        double seconds = 0;
        size_t bytes = 0;
        for (const QStringList& args :
             {QStringList{"factory-reset"}, QStringList{"send", file}, QStringList{"show"}}) {
            const double s = line.Ctl(args);
            if (s < 0)
                return 2;
            seconds += s;
            bytes += line.TracedBytes();
        }
        recipe.push_back(seconds);
        recipeBytes.push_back(bytes);
    }
    for (int box = 0; box < o.boxes; ++box) {
        if (!line.NewBox())
            return 2;
        const double s = line.Ctl({"provision", file});
        if (s < 0)
            return 2;
        provision.push_back(s);
        needed.push_back(line.TracedBytes());
    }

    // What each box must be told and asked: provision's traffic (identify and read once,
    // factory settings, the number, the image, its read-back, the store).
    const size_t bytes = *std::max_element(needed.begin(), needed.end());
    const double limit = static_cast<double>(bytes) / kLineBytesPerSecond;
    std::printf("A production line against hx5310-sim --pace (115200 baud: 11520 bytes a second), "
                "%d fresh boxes each\n\n",
                o.boxes);
    std::printf("what a box must be told and asked: %zu bytes, line-rate limit %.3f s a box\n\n",
                bytes, limit);
    std::printf("%-30s %10s %10s %10s %8s %8s %12s\n", "per box", "mean", "median", "worst",
                "ratio", "worst", "line bytes");
    auto row = [&](const char* label, const std::vector<double>& v, size_t traffic) {
        std::printf("%-30s %8.3f s %8.3f s %8.3f s %8.2f %8.2f %12zu\n", label, Mean(v), Median(v),
                    Worst(v), Mean(v) / limit, Worst(v) / limit, traffic);
    };
    row("factory-reset, send, show", recipe, recipeBytes.front());
    row("provision", provision, bytes);
    const bool met = Mean(provision) / limit <= kGoal;
    std::printf("\nratio: the seconds of the programs that served a box (process start to end) "
                "over the line-rate limit.\nGoal: provision within %.2f times the limit: %s\n",
                kGoal, met ? "met" : "NOT met");
    return met ? 0 : 1;
}
