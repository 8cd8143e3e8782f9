#include "Record.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace hx::cli {

const char* OutcomeName(OutcomeKind kind) {
    switch (kind) {
    case OutcomeKind::None:
        return "none";
    case OutcomeKind::Received:
        return "received";
    case OutcomeKind::Sent:
        return "sent";
    case OutcomeKind::Restarted:
        return "restarted";
    case OutcomeKind::FactoryReset:
        return "factory_reset";
    case OutcomeKind::Provisioned:
        return "provisioned";
    case OutcomeKind::FileSaved:
        return "file_saved";
    case OutcomeKind::FileLoaded:
        return "file_loaded";
    case OutcomeKind::MonitorStarted:
        return "monitor_started";
    case OutcomeKind::MonitorStopped:
        return "monitor_stopped";
    case OutcomeKind::NotTheModel:
        return "not_the_model";
    case OutcomeKind::ReceiveFailed:
        return "receive_failed";
    case OutcomeKind::SendFailed:
        return "send_failed";
    case OutcomeKind::VerifyFailed:
        return "verify_failed";
    case OutcomeKind::BoxRefused:
        return "box_refused";
    case OutcomeKind::NoAnswer:
        return "no_answer";
    case OutcomeKind::MonitorLost:
        return "monitor_lost";
    case OutcomeKind::FieldRefused:
        return "field_refused";
    case OutcomeKind::NoPortChosen:
        return "no_port_chosen";
    case OutcomeKind::PortNotOpened:
        return "port_not_opened";
    case OutcomeKind::BadNewSerial:
        return "bad_new_serial";
    case OutcomeKind::CounterUnavailable:
        return "counter_unavailable";
    case OutcomeKind::SerialBelowCounter:
        return "serial_below_counter";
    case OutcomeKind::FileFailed:
        return "file_failed";
    case OutcomeKind::BackupFailed:
        return "backup_failed";
    }
    return "none";
}

std::string RecordLine(const RecordEntry& e) {
    QJsonObject o;
    auto put = [&o](const char* name, const std::string& value) {
        if (!value.empty())
            o.insert(QLatin1String(name), QString::fromStdString(value));
    };
    put("time", e.time);
    put("station", e.station);
    put("version", e.version);
    put("operation", e.operation);
    put("port", e.port);
    put("serial", e.serial);
    put("serial_may_hold", e.serialMayHold);
    put("model", e.model);
    put("firmware", e.firmware);
    put("file", e.file);
    put("sha256", e.sha256);
    put("outcome", e.outcome);
    put("detail", e.detail);
    o.insert(QLatin1String("box_changed"), e.boxChanged);
    o.insert(QLatin1String("status"), e.status);
    // Compact: no line end inside, every text escaped.
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

std::string DefaultRecordPath(const std::string& prefsPath) {
    const auto slash = prefsPath.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? "." : prefsPath.substr(0, slash);
    return folder + "/HX-5310-Record.jsonl";
}

} // namespace hx::cli
