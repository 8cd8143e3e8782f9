// What hx5310ctl keeps and reports of a run beside the window's texts: the line of the
// production record, the one JSON object of --json, and the port named by its adapter.
#include "Record.h"
#include "Session.h"

#include "Files.h"
#include "SerialText.h"
#include "SettingsImage.h"
#include "Sha256.h"
#include "Version.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>

#include <cstdio>
#include <cstring>

namespace hx::cli {
namespace {

// Waiting for another program's append: each holds the lock for one write and a sync.
constexpr unsigned kRecordLockMs = 10000;

std::string ErrorText(int err) {
    if (err == kNotRegularFile)
        return "is not a regular file";
    if (err == EBUSY)
        return "stays locked by another program";
    return std::strerror(err);
}

} // namespace

void Session::NoteBox() {
    m_model = "HX-5310"; // the read checked the model line
    char firmware[16];
    std::snprintf(firmware, sizeof firmware, "%u.%02u",
                  static_cast<unsigned>(m_dlg->VersionMajor()),
                  static_cast<unsigned>(m_dlg->VersionMinor()));
    m_firmware = firmware;
    const uint32_t serial = GetU32(m_dlg->Image(), kSerialOffset);
    m_boxSerial = serial == kNoSerial ? std::string() : FormatSerialText(serial);
}

std::string Session::ResolvePort(const std::string& given, int& status) {
    const std::vector<std::string> listed = m_env.ports.ListPorts();
    if (given.find('/') != std::string::npos) {
        // A link (by-id, by-path) names the device it leads to; a port the list shows by
        // another name of the same device is taken by the list's name.
        const std::string real = RealFilePath(given);
        if (real.empty())
            return given;
        for (const std::string& port : listed)
            if (port == given)
                return given;
        for (const std::string& port : listed)
            if (RealFilePath(port) == real)
                return port;
        return KindOfPath(given) == PathKind::Missing ? given : real;
    }
    for (const std::string& port : listed) {
        const auto slash = port.rfind('/');
        if (port == given || port.substr(slash == std::string::npos ? 0 : slash + 1) == given)
            return given; // the window finds it by its name
    }
    // The serial number of an adapter.
    std::vector<std::string> matches;
    for (const PortInfo& info : m_env.ports.DescribePorts())
        if (!info.serialNumber.empty() && info.serialNumber == given)
            matches.push_back(info.device);
    if (matches.size() == 1)
        return matches[0];
    if (matches.empty())
        return given; // the window says that it cannot open it
    std::string all;
    for (const std::string& m : matches)
        all += " " + m;
    Error("more than one adapter has the serial number " + given + ":" + all);
    m_toolOutcome = "usage";
    status = kExitUsage;
    return {};
}

std::string Session::RecordPath() const {
    return m_opt.record.empty() ? DefaultRecordPath(m_env.prefsLocation) : m_opt.record;
}

bool Session::RecordWritable() {
    if (m_opt.record.empty()) {
        // The record beside the preferences: the user's own folder is made as the preferences
        // make it; a named preferences file's folder that is not there (a share not mounted)
        // is the counter's to report, and the line is tried at the end all the same.
        const std::string path = RecordPath();
        const std::string folder = path.substr(0, path.find_last_of("/\\"));
        if (!FolderExists(folder) && (m_env.prefsNamed || !MakeFolders(folder)))
            return true;
    }
    // An empty append makes the file and proves it can be written.
    int err = 0;
    if (AppendLineDurably(RecordPath(), "", kRecordLockMs, err))
        return true;
    Error("the record " + RecordPath() + " cannot be written (" + ErrorText(err) +
          "); the box was not touched");
    m_toolOutcome = "record_failed";
    m_toolDetail = ErrorText(err);
    return false;
}

int Session::WriteRecord(int status) {
    RecordEntry e;
    e.time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
    e.station = QSysInfo::machineHostName().toStdString();
    e.version = HX_VERSION;
    e.operation = CommandName(m_opt.command);
    e.port = m_dlg ? m_dlg->PortName() : m_opt.port;
    e.model = m_model;
    e.firmware = m_firmware;
    e.file = m_opt.file;
    const Outcome* outcome = m_dlg && m_operated ? &m_dlg->LastOutcome() : nullptr;
    e.boxChanged = outcome && (outcome->boxChanged || (m_dlg && m_dlg->BoxChanged()));
    const bool success = status == kExitOk && outcome && IsSuccess(outcome->kind);
    e.serial = success ? m_win.GetText(IDC_SERIAL) : m_boxSerial;
    e.serialMayHold = success ? std::string() : m_mayHold;
    const std::string sent = e.boxChanged && m_opt.command != Command::FactoryReset
                                 ? std::string(m_dlg->Image().begin(), m_dlg->Image().end())
                                 : std::string();
    if (!sent.empty())
        e.sha256 = Sha256Hex(sent);
    e.outcome = !m_toolOutcome.empty() ? m_toolOutcome
                : outcome              ? OutcomeName(outcome->kind)
                                       : (status == kExitOk ? "none" : "usage");
    e.detail = !m_toolDetail.empty() ? m_toolDetail : outcome ? outcome->detail : std::string();
    e.status = status;
    KeepOperationInStore(e, success, sent);
    int err = 0;
    if (AppendLineDurably(RecordPath(), RecordLine(e), kRecordLockMs, err))
        return status;
    Error("the record " + RecordPath() + " could not be written (" + ErrorText(err) + ")" +
          (e.boxChanged ? "; " + WhatTheBoxHolds() : std::string()));
    return status == kExitOk ? kExitBox : status;
}

void Session::KeepOperationInStore(const RecordEntry& e, bool success, const std::string& sent) {
    // A line's database has a row of every reservation already; an operation that gave no
    // number gets one of its own, once the box was identified.
    if (!m_env.store || !m_app.LastReservation().requestId.empty() || m_model.empty())
        return;
    const bool numbered =
        e.serial.size() == 8 && e.serial.find_first_not_of("0123456789ABCDEF") == std::string::npos;
    const BoxRecord row{e.operation, e.port, e.version, e.model, e.firmware};
    std::string why;
    if (!m_env.store->KeepOperation(row, numbered ? e.serial : FormatSerialText(kNoSerial), success,
                                    sent, why))
        Error("note: the production record " + m_env.store->Location() + " has no row of this " +
              e.operation + " (" + why + "); the record file has it");
}

int Session::EmitJson(int status) {
    QJsonObject o = m_json;
    o.insert("command", CommandName(m_opt.command));
    o.insert("status", status);
    const Outcome* outcome = m_dlg && m_operated ? &m_dlg->LastOutcome() : nullptr;
    QJsonObject end;
    end.insert("kind", !m_toolOutcome.empty() ? m_toolOutcome.c_str()
                       : outcome              ? OutcomeName(outcome->kind)
                                              : (status == kExitOk ? "none" : "usage"));
    end.insert("detail", QString::fromStdString(!m_toolDetail.empty() ? m_toolDetail
                                                : outcome             ? outcome->detail
                                                                      : std::string()));
    end.insert("box_changed", outcome != nullptr && (outcome->boxChanged || m_dlg->BoxChanged()));
    if (outcome && !outcome->givenSerial.empty())
        end.insert("given_serial", QString::fromStdString(outcome->givenSerial));
    if (!m_mayHold.empty())
        end.insert("serial_may_hold", QString::fromStdString(m_mayHold));
    o.insert("outcome", end);
    if (!m_model.empty()) {
        QJsonObject box{{"model", QString::fromStdString(m_model)},
                        {"firmware", QString::fromStdString(m_firmware)},
                        {"serial", QString::fromStdString(m_boxSerial)}};
        o.insert("box", box);
    }
    if (Recorded(m_opt.command))
        o.insert("record", QString::fromStdString(RecordPath()));
    QJsonArray messages;
    for (const std::string& text : m_said)
        messages.append(QString::fromStdString(text));
    o.insert("messages", messages);
    const std::string line = QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() + "\n";
    if (Out(line))
        return status;
    if (!m_dlg || !m_dlg->BoxChanged())
        return g_stopRequested ? kExitInterrupted : (status == kExitOk ? kExitUsage : status);
    Error(std::string(g_stopRequested ? "interrupted before the result was written; "
                                      : "standard output could not take the result; ") +
          WhatTheBoxHolds());
    return g_stopRequested ? kExitInterrupted : kExitBox;
}

} // namespace hx::cli
