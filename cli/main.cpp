// hx5310ctl: the HX-5310 configuration tool from the command line, for scripts and production
// lines. It runs the main window's own logic on the in-memory window services, driven by the
// real clock, over the real serial port, with the window's stored preferences.
#include "CliOptions.h"
#ifdef HX_HAVE_PG
#include "PgSerialStore.h"
#endif
#include "QtPreferences.h"
#include "SerialCounter.h"
#include "SerialText.h"
#ifdef _WIN32
#include "WinSerialPort.h"
#else
#include "QtSerialPort.h"
#endif
#include "Session.h"
#include "Signals.h"
#include "TraceLog.h"
#include "Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void OnStopSignal(int) {
    hx::cli::g_stopRequested = 1;
}

void InstallSignals() {
    // A reader of standard output that goes away ends the output, not the program: the port
    // is then closed properly (the monitor is stopped first).
    hx::OnStopRequests(OnStopSignal);
}

// counter init: the line's database counter and record, with a counter file's next number.
int CounterInit(const std::string& counter, const std::string& fromConfig) {
    using namespace hx::cli;
    if (counter.empty()) {
        std::fprintf(stderr, "hx5310ctl: counter init needs the database: --counter URL or %s\n",
                     kCounterVariable);
        return kExitUsage;
    }
    std::string carryOver;
    if (!fromConfig.empty()) {
        hx::QtPreferences file(fromConfig);
        std::string stored;
        uint32_t next = 1; // an absent entry: the numbers start at 00000001
        const auto read = file.Problem().empty() ? file.ReadNow("Settings", "Serial Number", stored)
                                                 : hx::IPreferences::Read::Gone;
        if (read == hx::IPreferences::Read::Gone ||
            (read == hx::IPreferences::Read::Present && !hx::ParseStoredCounter(stored, next))) {
            std::fprintf(stderr, "hx5310ctl: %s holds no serial-number counter to carry over%s\n",
                         fromConfig.c_str(),
                         read == hx::IPreferences::Read::Gone ? ""
                                                              : (" (\"" + stored + "\")").c_str());
            return kExitUsage;
        }
        carryOver = hx::FormatSerialText(next);
    }
#ifdef HX_HAVE_PG
    hx::PgSerialStore store(counter);
    store.SetInterrupt([] { return hx::cli::g_stopRequested != 0; });
    std::string next, why;
    hx::CounterProblem problem = hx::CounterProblem::None;
    if (!store.Init(carryOver, next, problem, why)) {
        std::fprintf(stderr, "hx5310ctl: the counter in %s was not created: %s\n",
                     store.Location().c_str(), why.c_str());
        return problem == hx::CounterProblem::NoNext ? kExitUsage : kExitBox;
    }
    std::fprintf(stderr, "hx5310ctl: the counter in %s is ready; the next box gets %s\n",
                 store.Location().c_str(), next.c_str());
    std::printf("next=%s\n", next.c_str());
    return kExitOk;
#else
    (void)carryOver;
    std::fprintf(stderr, "hx5310ctl: this hx5310ctl was built without PostgreSQL (libpq); a "
                         "database counter cannot be used\n");
    return kExitUsage;
#endif
}

} // namespace

int main(int argc, char** argv) {
    using namespace hx::cli;
    const std::vector<std::string> args(argv + 1, argv + argc);
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(args, options, error)) {
        std::fprintf(stderr, "hx5310ctl: %s\nTry hx5310ctl --help.\n", error.c_str());
        // A script that asked for JSON gets the refusal as JSON too.
        if (std::find(args.begin(), args.end(), "--json") != args.end()) {
            const QJsonObject end{{"kind", "usage"},
                                  {"detail", QString::fromStdString(error)},
                                  {"box_changed", false}};
            const QJsonObject o{{"status", kExitUsage}, {"outcome", end}};
            std::fputs(QJsonDocument(o).toJson(QJsonDocument::Compact).constData(), stdout);
            std::fputs("\n", stdout);
        }
        return kExitUsage;
    }
    if (options.command == Command::Help) {
        std::fputs(CliUsage().c_str(), stdout);
        return kExitOk;
    }
    if (options.command == Command::Version) {
        std::printf("hx5310ctl %s\n", HX_VERSION);
        return kExitOk;
    }

    QCoreApplication app(argc, argv);
    // The same names as the window, so that both share the per-user folders.
    QCoreApplication::setOrganizationName(QStringLiteral("QORVA"));
    QCoreApplication::setApplicationName(QStringLiteral("HX-5310-Config"));
    InstallSignals();

    // Every wait answers Ctrl-C and SIGTERM: a trace into a FIFO waits for its reader.
    auto stop = [] { return hx::cli::g_stopRequested != 0; };
    TraceLog trace;
    if (!options.trace.empty() && !trace.Open(options.trace, stop, error)) {
        if (error.empty()) {
            std::fprintf(stderr, "hx5310ctl: interrupted while waiting for a reader of %s\n",
                         options.trace.c_str());
            return kExitInterrupted;
        }
        std::fprintf(stderr, "hx5310ctl: cannot write the trace: %s\n", error.c_str());
        return kExitUsage;
    }

    std::string counter = options.counter;
    if (counter.empty()) {
        const char* fromEnvironment = std::getenv(kCounterVariable);
        counter = fromEnvironment ? fromEnvironment : "";
        if (!counter.empty() && !IsDatabaseCounter(counter)) {
            std::fprintf(stderr,
                         "hx5310ctl: %s takes a postgresql:// connection string, not \"%s\"\n",
                         kCounterVariable, counter.c_str());
            return kExitUsage;
        }
    }
    if (options.command == Command::CounterInit)
        return CounterInit(counter, options.fromConfig);
    std::unique_ptr<hx::ISerialStore> store;
    if (!counter.empty()) {
#ifdef HX_HAVE_PG
        auto pg = std::make_unique<hx::PgSerialStore>(counter);
        pg->SetInterrupt(stop);
        store = std::move(pg);
#else
        std::fprintf(stderr,
                     "hx5310ctl: this hx5310ctl was built without PostgreSQL (libpq); "
                     "the counter %s cannot be used\n",
                     counter.c_str());
        return kExitUsage;
#endif
    }

    std::string config = options.config;
    if (config.empty()) {
        const char* fromEnvironment = std::getenv(kConfigVariable);
        config = fromEnvironment ? fromEnvironment : "";
    }
    auto prefs = config.empty() ? std::make_unique<hx::QtPreferences>()
                                : std::make_unique<hx::QtPreferences>(config);
    if (!prefs->Problem().empty()) {
        std::fprintf(stderr, "hx5310ctl: the preferences file %s %s\n", config.c_str(),
                     prefs->Problem().c_str());
        return kExitUsage;
    }
    // Waiting for the serial-number counter's lock answers Ctrl-C.
    prefs->SetInterrupt(stop);

    // The tool's own folder (the automatic backups), where the window keeps it.
    std::string appData;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!folder.isEmpty() && QDir().mkpath(folder))
        appData = folder.toStdString();

#ifdef _WIN32
    hx::WinPortFactory ports;
#else
    hx::QtPortFactory ports;
#endif
    Environment env{*prefs,
                    prefs->Location(),
                    !config.empty(),
                    ports,
                    trace,
                    appData,
                    ::isatty(STDERR_FILENO) != 0,
                    store.get()};
    Session session(options, std::move(env));
    return session.Run();
}
