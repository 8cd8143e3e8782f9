// hx5310ctl monitor: the window's monitor, its lamps and levels printed whenever they change.
#include "Session.h"

#include "StaticLevel.h"

#include <QJsonDocument>

#include <cstdio>
#include <cstdlib>

namespace hx::cli {
namespace {

// A monitor line "NAME=VALUE ..." as one JSON object: the seconds as "t", levels as numbers,
// lamps as their texts ("0", "1", an x for the crossed PTT picture).
std::string MonitorJson(const std::string& stamp, const std::string& line) {
    QJsonObject o{{"t", std::atof(stamp.c_str())}};
    size_t from = 0;
    while (from < line.size()) {
        size_t to = line.find(' ', from);
        if (to == std::string::npos)
            to = line.size();
        const std::string pair = line.substr(from, to - from);
        const auto eq = pair.find('=');
        const QString name = QString::fromStdString(pair.substr(0, eq));
        const std::string value = eq == std::string::npos ? "" : pair.substr(eq + 1);
        if (name.startsWith("level") || name.startsWith("mic-level"))
            o.insert(name, std::atoi(value.c_str()));
        else
            o.insert(name, QString::fromStdString(value));
        from = to + 1;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

} // namespace
namespace {

// A monitor that hears nothing this long says so once.
constexpr uint64_t kSilentMonitorMs = 3000;

// A lamp as the monitor prints it: 0 dark, 1 lit, an x for the crossed PTT pictures.
const char* LampText(LampImage image) {
    switch (image) {
    case LampImage::Grey:
        return "0";
    case LampImage::GreyCross:
        return "0x";
    case LampImage::Red:
    case LampImage::Green:
    case LampImage::Yellow:
        return "1";
    case LampImage::RedCross:
        return "1x";
    case LampImage::None:
        break;
    }
    return "-";
}

// A meter level in whole dB on the meter's own scale (-60 for nothing).
int LevelDb(int16_t level) {
    return LevelToUnits(level) / 5 - 60;
}

} // namespace

int Session::Monitor() {
    int status = kExitOk;
    if (!OpenWindow(true, status))
        return status;
    if ((status = ReadBox()) != kExitOk)
        return status;

    m_env.trace.Line("operation 状態監視 (1029)");
    m_loop->CatchUp();
    if (!m_win.Click(IDC_MONITOR)) {
        Error("the window does not offer \"状態監視\" now");
        return kExitBox;
    }
    Observe();
    while (!m_dlg->MonitorRunning() && m_dlg->OperationRunning()) {
        if (g_stopRequested)
            return Interrupted();
        Step();
        ShowProgress();
    }
    ClearProgress();
    if (!m_dlg->MonitorRunning()) {
        if (!m_line.openError.empty())
            Error(m_dlg->PortName() + ": " + OpenProblem());
        return kExitBox;
    }

    // Lamps and levels, printed whenever what the window shows of them changes.
    const uint64_t start = m_loop->ElapsedMs();
    const uint64_t limit =
        m_opt.seconds ? static_cast<uint64_t>(*m_opt.seconds * 1000.0 + 0.5) : UINT64_MAX;
    std::string shown;
    uint64_t lastBytes = m_line.bytesRead, lastBytesAt = start;
    bool silenceNoted = false;
    bool readerGone = false;
    while (!g_stopRequested && m_loop->ElapsedMs() - start < limit) {
        Step();
        if (m_lineLost) {
            Error("the line to " + m_dlg->PortName() + " was lost (a cable pulled?)");
            status = kExitBox;
            break;
        }
        if (!m_dlg->MonitorRunning()) {
            // The window's monitor ended by itself (no valid frame for a whole watch period).
            Error("the monitor ended: no valid status frame from the box");
            status = kExitBox;
            break;
        }
        const uint64_t now = m_loop->ElapsedMs();
        if (m_line.bytesRead != lastBytes) {
            lastBytes = m_line.bytesRead;
            lastBytesAt = now;
            silenceNoted = false;
        } else if (!silenceNoted && now - lastBytesAt >= kSilentMonitorMs) {
            Error("no status frames from the box for " + std::to_string(kSilentMonitorMs / 1000) +
                  " s");
            silenceNoted = true;
        }
        if (!m_dlg->MonitorShowsAFrame())
            continue; // nothing from the box yet
        std::string line;
        for (int id = IDC_LAMP_TONE_A; id <= IDC_LAMP_PTT_B; ++id) {
            static const char* const kNames[] = {"tone-a", "noise-a", "busy-a", "ptt-a",
                                                 "tone-b", "noise-b", "busy-b", "ptt-b"};
            line += std::string(line.empty() ? "" : " ") + kNames[id - IDC_LAMP_TONE_A] + "=" +
                    LampText(m_win.Lamp(id));
        }
        if (m_win.IsVisible(IDC_METER_B))
            line += " level-a=" + std::to_string(LevelDb(m_dlg->MeterLevel(0))) +
                    " level-b=" + std::to_string(LevelDb(m_dlg->MeterLevel(1)));
        else
            line += " mic-level=" + std::to_string(LevelDb(m_dlg->MeterLevel(0)));
        if (line == shown)
            continue;
        shown = line;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%.3f ", static_cast<double>(now - start) / 1000.0);
        if (!Out(m_opt.json ? MonitorJson(stamp, line) : stamp + line + "\n")) {
            readerGone = true; // the reader of standard output has gone: the monitor ends
            break;
        }
    }

    // Stop as the check box does, and let the stop command leave before the port closes.
    m_env.trace.Line("end of 状態監視");
    if (!m_lineLost && m_dlg->MonitorRunning()) {
        m_loop->CatchUp();
        m_win.Click(IDC_MONITOR);
        const uint64_t stopAt = m_loop->ElapsedMs();
        while (!m_line.drained && m_loop->ElapsedMs() - stopAt < 1000)
            Step();
    }
    if (readerGone)
        return kExitOk;
    return status;
}

} // namespace hx::cli
