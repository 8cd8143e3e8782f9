// hx5310ctl: the HX-5310 configuration tool from the command line, for scripts and production
// lines. It runs the main window's own logic on the in-memory window services, driven by the
// real clock, over the real serial port, with the window's stored preferences.
#include "CliOptions.h"
#include "QtPreferences.h"
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
    Environment env{*prefs,  prefs->Location(),           !config.empty(), ports, trace,
                    appData, ::isatty(STDERR_FILENO) != 0};
    Session session(options, std::move(env));
    return session.Run();
}
