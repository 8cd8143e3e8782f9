#include "Session.h"

#include "EditorFields.h"
#include "SerialText.h"
#include "SettingsImage.h"

#include "Files.h"
#include "Output.h"
#include "SettingsDiff.h"
#include "SettingsFile.h"

#include <QJsonArray>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace hx::cli {

volatile std::sig_atomic_t g_stopRequested = 0;

namespace {

// The window's own time-outs end every operation within seconds; this only keeps a run from
// hanging should an operation never end.
constexpr uint64_t kOperationLimitMs = 120000;

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether a value as given and a value as the window shows it are the same setting.
bool SameValue(const SettingDef& s, const std::string& given, const std::string& shown) {
    switch (s.kind) {
    case SettingKind::Number:
        for (const NumericField& f : NumericFields()) {
            int64_t a = 0, b = 0;
            if (f.id == s.id)
                return ParseFieldText(given, f.kind, a) == NumberText::Ok &&
                       ParseFieldText(shown, f.kind, b) == NumberText::Ok && a == b;
        }
        return given == shown;
    case SettingKind::List:
    case SettingKind::Check: {
        int a = 0, b = 0;
        return ParseIndex(given, a) && ParseIndex(shown, b) && a == b;
    }
    case SettingKind::Serial:
        return Upper(given) == Upper(shown);
    }
    return false;
}

} // namespace

// --- The window's events, passed on ---

int Session::EventTap::OnInitDialog() {
    return m_s.m_dlg->OnInitDialog();
}
void Session::EventTap::OnCommand(int id, Notify code, int newFocusId) {
    m_s.m_dlg->OnCommand(id, code, newFocusId);
}
void Session::EventTap::OnTimer(unsigned id) {
    CHX5310ConfigDlg& dlg = *m_s.m_dlg;
    TraceLog& trace = m_s.m_env.trace;
    if (id == TIMER_RETRY && dlg.OperationRunning()) {
        if (dlg.RetriesLeft() > 0)
            trace.Line("timer 101: no answer at step " + std::to_string(dlg.StepCode()) +
                       ", re-send (" + std::to_string(dlg.RetriesLeft() - 1) + " more)");
        else
            trace.Line("timer 101: time-out at step " + std::to_string(dlg.StepCode()));
    } else if (id == TIMER_TX_PACE) {
        trace.Line("timer 123: record re-try (DSR)");
    }
    dlg.OnTimer(id);
}
int Session::EventTap::OnCommEvent(unsigned event, long tag) {
    return m_s.m_dlg->OnCommEvent(event, tag);
}
void Session::EventTap::OnSysCommand(unsigned id) {
    m_s.m_dlg->OnSysCommand(id);
}
bool Session::EventTap::OnClose() {
    return m_s.m_dlg->OnClose();
}
void Session::EventTap::OnDestroy() {
    m_s.m_dlg->OnDestroy();
}

// --- The run ---

Session::Session(const CliOptions& options, Environment env)
    : m_opt(options), m_env(std::move(env)), m_ports(m_env.ports, m_line), m_app(m_env.prefs) {
    m_line.trace = &m_env.trace;
    m_app.SetSerialStore(m_env.store);
    m_win.SetAppDataFolder(m_env.appDataFolder);
    // The window asks whether to go on without a backup; the answer is the option's.
    m_win.SetAnswer(Question::GoOnWithoutBackup, m_opt.noBackup);
    m_win.SetAnswer(Question::MoveCounterBack, m_opt.moveCounterBack);
    m_loop = std::make_unique<RealTimeLoop>(m_win);
    m_line.afterOpen = [this] { m_win.MoveClockTo(m_loop->ElapsedMs()); };
}

Session::~Session() {
    if (m_dlg && !m_win.Ended())
        m_win.EndDialog(IDCANCEL);
}

int Session::Run() {
    int status = kExitOk;
    // A record that cannot be written is found before the box is touched.
    if (Recorded(m_opt.command) && !RecordWritable())
        return m_opt.json ? EmitJson(kExitUsage) : kExitUsage;
    switch (m_opt.command) {
    case Command::Ports:
        status = Ports();
        break;
    case Command::Read:
        status = Read();
        break;
    case Command::Show:
        status = Show();
        break;
    case Command::Send:
        status = Send();
        break;
    case Command::Set:
        status = Set();
        break;
    case Command::Restart:
        status = Restart();
        break;
    case Command::FactoryReset:
        status = FactoryReset();
        break;
    case Command::Provision:
        status = Provision();
        break;
    case Command::Verify:
        status = Verify();
        break;
    case Command::Monitor:
        status = Monitor();
        break;
    case Command::None:
    case Command::Help:
    case Command::Version:
    case Command::CounterInit: // main's own
        return kExitUsage;
    }
    ClearProgress();
    if (m_dlg && !m_win.Ended())
        m_win.EndDialog(IDCANCEL); // closes the port, as closing the window does
    if (m_env.trace.Failed())
        Error("the trace could not be written completely");
    if (Recorded(m_opt.command))
        status = WriteRecord(status);
    // The monitor's frames are its lines; only a monitor that failed ends with an object.
    if (m_opt.json && (m_opt.command != Command::Monitor || status != kExitOk))
        status = EmitJson(status);
    return status;
}

bool Session::OpenWindow(bool needPort, int& status) {
    m_app.LoadPreferences();
    m_dlg = std::make_unique<CHX5310ConfigDlg>(m_win, m_ports, m_app);
    std::string port = m_opt.port.empty() ? m_app.GetProfileString("Serial Port", "") : m_opt.port;
    if (needPort && port.empty()) {
        Error("no port given (--port PORT), and the window has stored none");
        m_toolOutcome = "usage";
        status = kExitUsage;
        return false;
    }
    if (needPort && !m_opt.port.empty() && (port = ResolvePort(port, status)).empty())
        return false;
    m_dlg->SetPortName(port);
    m_win.RunModal(MainDialogTemplate(), m_tap);
    Observe();
    if (m_win.Ended()) {
        Error("the main window could not start");
        status = kExitBox;
        return false;
    }
    if (needPort)
        SelectPort(port);
    return true;
}

void Session::SelectPort(const std::string& wanted) {
    // The window opens the port the list shows selected (its data exchange reads the name back
    // from the list). It has selected the wanted name or path if the enumerator listed it; else a
    // unique entry with that last part ("ttyUSB0", the name of a virtual box) is taken, and a
    // name the enumerator does not list (a device path, or a port absent now) is put into the
    // list, so that the window opens it, or reports by that name that it cannot.
    // The window selects the entry of the wanted name or path itself.
    if (m_win.ListSelection(IDC_PORT) >= 0)
        return;
    int match = -1, matches = 0;
    for (int i = 0; i < m_win.ListCount(IDC_PORT); ++i) {
        if (BaseName(m_win.ListText(IDC_PORT, i)) == wanted) {
            match = i;
            ++matches;
        }
    }
    if (matches == 1) {
        m_win.ListSelect(IDC_PORT, match);
        return;
    }
    m_win.ListSelect(IDC_PORT, m_win.ListAdd(IDC_PORT, wanted));
}

void Session::Step() {
    m_loop->Slice(20);
    if (m_ports.LineLost() && !m_lineLost) {
        m_lineLost = true;
        m_env.trace.Line("line lost");
    }
    Observe();
}

int Session::Operate(int id, const std::string& name, OutcomeKind success) {
    return OperateBy([this, id] { return m_win.Click(id); }, name + " (" + std::to_string(id) + ")",
                     success);
}

int Session::OperateBy(const std::function<bool()>& startOperation, const std::string& label,
                       OutcomeKind success) {
    const std::string name = label.substr(0, label.find(" ("));
    m_env.trace.Line("operation " + label);
    m_lineLost = false;
    m_operated = true;
    m_loop->CatchUp();
    const uint64_t start = m_loop->ElapsedMs();
    if (!startOperation()) {
        Error("the window does not offer \"" + name + "\" now");
        return kExitBox;
    }
    Observe();
    while (m_dlg->OperationRunning()) {
        if (g_stopRequested)
            return Interrupted();
        if (m_loop->ElapsedMs() - start > kOperationLimitMs) {
            Error("\"" + name + "\" did not end");
            return kExitBox;
        }
        Step();
        ShowProgress();
    }
    Observe();
    ClearProgress();
    m_env.trace.Line("end of " + name + " after " + std::to_string(m_loop->ElapsedMs() - start) +
                     " ms");
    if (m_dlg->LastOutcome().kind == success)
        return kExitOk;
    const std::string info = m_win.GetText(IDC_INFO);
    if (!m_line.openError.empty())
        Error(m_dlg->PortName() + ": " + OpenProblem());
    if (m_lineLost)
        Error("the line to " + m_dlg->PortName() +
              " was lost while the box was working (a cable pulled?)");
    if (info.empty())
        Error("\"" + name + "\" did not succeed");
    if (m_dlg->LastOutcome().portError == PortOpenError::Permission)
        Error("you may not use " + m_dlg->PortName() +
              ": add your user to the dialout group (sudo adduser $USER dialout) and log in "
              "again");
    if (m_dlg->LastOutcome().kind == OutcomeKind::CounterUnavailable)
        CounterProblemMessage();
    if (m_dlg->LastOutcome().kind == OutcomeKind::SerialBelowCounter)
        Error("the serial number is below the next number of the counter in " +
              (m_env.store ? m_env.store->Location() : m_env.prefsLocation) +
              " and may be another box's; the box was not changed (--move-counter-back gives "
              "it all the same and moves the counter back)");
    if (m_dlg->LastOutcome().kind == OutcomeKind::BackupFailed)
        Error("the box's settings could not be kept as a backup, so the box was not changed "
              "(--no-backup goes on without one)");
    if (m_dlg->LastOutcome().boxChanged)
        Error(WhatTheBoxHolds());
    m_mayHold = m_dlg->LastOutcome().givenSerial;
    return kExitBox;
}

void Session::CounterProblemMessage() {
    const SerialReservation& r = m_app.LastReservation();
    const std::string where = m_env.store ? m_env.store->Location() : m_env.prefsLocation;
    switch (r.problem) {
    case CounterProblem::Unreachable:
        Error("the serial-number counter " + where + " cannot be reached (" + r.why +
              "); the box was not changed. Start the database server, or correct --counter / " +
              kCounterVariable);
        break;
    case CounterProblem::Refused:
        Error("the database of the serial-number counter " + where + " refused (" + r.why +
              "); the box was not changed. Check the user and password of the connection "
              "string and the user's rights (man hx5310ctl, DATABASE OF A LINE)");
        break;
    case CounterProblem::NoSchema:
        Error("the database " + where + " holds no serial-number counter (" + r.why +
              "); the box was not changed. Create it once with: hx5310ctl --counter URL "
              "counter init [--from-config FILE]");
        break;
    case CounterProblem::Taken:
        Error("the serial number " + r.value + " is already in the production record of " + where +
              " and may be another box's; the box was not changed");
        break;
    default:
        Error("the serial-number counter in " + where +
              " cannot give a number; the box was not changed" +
              (r.why.empty() ? std::string() : " (" + r.why + ")"));
        break;
    }
}

void Session::CounterNotes() {
    if (!m_app.LastReservation().note.empty())
        Error("note: " + m_app.LastReservation().note);
    if (!m_app.RecordProblem().empty())
        Error("note: the production record could not be brought up to date (" +
              m_app.RecordProblem() + "); its row of the number stays 'reserved'");
}

int Session::Interrupted() {
    ClearProgress();
    // An operation still running has its outcome only now: the port closes with the window.
    const bool running = m_dlg && m_dlg->OperationRunning();
    Error("interrupted; the port is closed");
    m_toolOutcome = "interrupted";
    if (running && m_dlg->BoxChanged()) {
        Error(WhatTheBoxHolds());
        m_mayHold = m_dlg->SerialTheBoxMayHold();
    }
    m_env.trace.Line("interrupted");
    if (m_dlg && !m_win.Ended())
        m_win.EndDialog(IDCANCEL);
    CounterNotes();
    return kExitInterrupted;
}

bool Session::SettingsAccepted(size_t messagesBefore) {
    const bool ok = m_dlg->UpdateData(true);
    Observe();
    return ok && m_win.Messages().size() == messagesBefore;
}

void Session::EnterText(int id, const std::string& text) {
    m_win.MoveFocus(id);
    m_win.SetText(id, text);
}

// --- Commands ---

std::string Session::OpenProblem() const {
    switch (m_dlg->LastOutcome().portError) {
    case PortOpenError::NotFound:
        return "no such port";
    case PortOpenError::Busy:
        return "another program is using the port";
    case PortOpenError::Permission:
        return "you may not use the port";
    case PortOpenError::None:
    case PortOpenError::Other:
        break;
    }
    return m_line.openError;
}

int Session::Ports() {
    int status = kExitOk;
    if (!OpenWindow(false, status))
        return status;
    // The list's names, with what is known of each port's adapter.
    const std::vector<PortInfo> infos = m_env.ports.DescribePorts();
    std::string out;
    QJsonArray ports;
    for (const std::string& name : m_win.ListItems(IDC_PORT)) {
        PortInfo info;
        info.device = m_dlg->PortPath(name);
        for (const PortInfo& i : infos)
            if (i.device == info.device)
                info = i;
        const std::pair<const char*, const std::string*> items[] = {
            {"device", &info.device},        {"vendor_id", &info.vendorId},
            {"product_id", &info.productId}, {"maker", &info.maker},
            {"product", &info.product},      {"serial_number", &info.serialNumber},
            {"by_id", &info.byId},           {"by_path", &info.byPath}};
        QJsonObject port{{"name", QString::fromStdString(name)}};
        out += name + "\n";
        for (const auto& [key, value] : items) {
            port.insert(QLatin1String(key), QString::fromStdString(*value));
            if (!value->empty())
                out += std::string("  ") + key + ": " + *value + "\n";
        }
        ports.append(port);
    }
    if (m_opt.json) {
        m_json.insert("ports", ports);
        return kExitOk;
    }
    return Out(out) ? kExitOk : kExitUsage;
}

int Session::Read() {
    // Where the settings go is settled before the box is touched. A file (or a name for a new
    // one) is written by the window's own save ("保存..."), which replaces it whole and says
    // so only once it is written; anything else (a FIFO, a device) is written into as it is.
    const bool toStdout = m_opt.file.empty() || m_opt.file == "-";
    const PathKind kind = toStdout ? PathKind::Other : KindOfPath(m_opt.file);
    const bool plainFile = !toStdout && (kind == PathKind::Missing || kind == PathKind::File);
    int fd = -1;
    if (!toStdout && !plainFile) {
        if (kind == PathKind::Folder) {
            Error(m_opt.file + ": is a folder");
            return kExitUsage;
        }
        std::string why;
        fd = OpenForWriting(
            m_opt.file, false, [] { return g_stopRequested != 0; }, why);
        if (fd < 0) {
            if (why.empty()) {
                Error("interrupted while waiting for a reader of " + m_opt.file);
                return kExitInterrupted;
            }
            Error(m_opt.file + ": " + why);
            return kExitUsage;
        }
    }
    struct CloseAtEnd {
        int fd;
        ~CloseAtEnd() {
            if (fd >= 0)
                CloseOutput(fd);
        }
    } closeAtEnd{fd};
    if (plainFile) {
        const int problem = SaveTargetProblem(m_opt.file);
        if (problem != 0) {
            Error(m_opt.file + ": " +
                  (problem == kNotRegularFile ? "is not a regular file" : std::strerror(problem)));
            return kExitUsage;
        }
    }

    int status = kExitOk;
    if (!OpenWindow(true, status))
        return status;
    if ((status = ReadBox()) != kExitOk)
        return status;

    if (plainFile) {
        m_win.QueueFileAnswer(m_opt.file);
        m_win.Click(IDC_SAVE);
        Observe();
        if (m_dlg->LastOutcome().kind != OutcomeKind::FileSaved) {
            Error(m_opt.file + " was not written");
            return kExitUsage;
        }
        return kExitOk;
    }
    const std::string bytes = m_dlg->SaveText();
    Observe();
    if (toStdout)
        return Out(bytes) ? kExitOk : g_stopRequested ? Interrupted() : kExitUsage;
    if (!WriteAllOrStop(fd, bytes.data(), bytes.size(), [] { return g_stopRequested != 0; })) {
        if (g_stopRequested)
            return Interrupted();
        Error(m_opt.file + ": " + std::strerror(errno));
        return kExitUsage;
    }
    return kExitOk;
}

int Session::Show() {
    int status = kExitOk;
    if (!OpenWindow(true, status))
        return status;
    if ((status = ReadAndNoteBox()) != kExitOk)
        return status;
    if (m_opt.json) {
        QJsonObject settings;
        for (const auto& [name, value] : AllSettings(m_win))
            settings.insert(QString::fromStdString(name), QString::fromStdString(value));
        m_json.insert("settings", settings);
        return kExitOk;
    }
    return Out(FormatSettings(AllSettings(m_win))) ? kExitOk : kExitUsage;
}

int Session::Send() {
    // A file that cannot be read is refused before the box is touched, as is anything but a
    // regular file (a FIFO would keep the load waiting for a writer).
    int err = 0;
    std::FILE* probe = OpenRegularFile(m_opt.file, err);
    if (!probe) {
        Error(m_opt.file + ": " +
              (err == kNotRegularFile ? "is not a regular file"
               : err == EISDIR        ? "is a folder"
               : err == ENOENT        ? "no such file"
                                      : std::strerror(err)));
        m_toolOutcome = "bad_file";
        return kExitUsage;
    }
    std::fclose(probe);

    int status = kExitOk;
    if (!OpenWindow(true, status))
        return status;
    if ((status = ReadAndNoteBox()) != kExitOk)
        return status;
    if ((status = LoadFile(m_opt.file, "nothing was sent")) != kExitOk)
        return status;
    return Operate(IDC_SEND, "設定送信", OutcomeKind::Sent);
}

int Session::LoadFile(const std::string& path, const char* notDone) {
    // "読出...": the file's settings into the editor; the box keeps its serial number.
    const size_t messagesBefore = m_win.Messages().size();
    m_win.QueueFileAnswer(path);
    m_win.Click(IDC_LOAD);
    Observe();
    if (m_dlg->LastOutcome().kind != OutcomeKind::FileLoaded) {
        Error(path + " was not loaded; " + notDone);
        m_toolOutcome = "bad_file";
        m_toolDetail = m_dlg->LastOutcome().detail;
        return kExitUsage;
    }
    if (!SettingsAccepted(messagesBefore)) {
        Error(path + " holds a value that the window refuses (" + FocusedSetting() + "); " +
              notDone);
        m_toolOutcome = "bad_file";
        m_toolDetail = FocusedSetting();
        return kExitUsage;
    }
    return kExitOk;
}

bool Session::SettingsFileUsable(const std::string& path) {
    SettingsImage image{};
    std::string reason;
    const FileRead read = ReadSettingsFile(path, image, reason);
    std::string why;
    if (read == FileRead::CannotOpen || read == FileRead::CannotRead)
        why = reason;
    else if (read == FileRead::FormatError)
        why = "is not a settings file (ファイルの書式が異なっています)";
    else if (GetU16(image, kModelCodeOffset) != kModelCode)
        why = "holds the settings of another model (" +
              ModelMismatchMessage(GetU16(image, kModelCodeOffset)) + ")";
    if (why.empty())
        return true;
    Error(path + ": " + why + "; the box was not touched");
    m_toolOutcome = "bad_file";
    m_toolDetail = why;
    return false;
}

int Session::ApplyAssignment(const Assignment& a) {
    const SettingDef& s = *FindSetting(a.name);
    auto refuse = [&](const std::string& why) {
        Error(a.name + "=" + a.value + ": " + why + "; nothing was sent");
        return kExitUsage;
    };
    switch (s.kind) {
    case SettingKind::Number:
        EnterText(s.id, a.value);
        break;
    case SettingKind::List: {
        int index = 0;
        if (!ParseIndex(a.value, index) || index >= m_win.ListCount(s.id) ||
            !m_win.Choose(s.id, index))
            return refuse("choose " + AllowedValues(m_win, s));
        break;
    }
    case SettingKind::Check: {
        int state = 0;
        if (!ParseIndex(a.value, state) || state > 1)
            return refuse(AllowedValues(m_win, s));
        if ((m_win.GetCheck(s.id) > 0) == (state == 1))
            break;
        // A check box that the transmit conditions disable still holds a setting of the box.
        if (!m_win.Click(s.id)) {
            m_win.MoveFocus(s.id);
            m_win.SetCheck(s.id, state);
        }
        break;
    }
    case SettingKind::Serial:
        if (SameValue(s, a.value, m_win.GetText(s.id)))
            break;
        // Only a box without a serial number is given one, as in the window.
        if (!m_win.IsVisible(s.id))
            return refuse("the box has the serial number " + m_win.GetText(s.id) +
                          ", which is not changed");
        EnterText(s.id, Upper(a.value));
        break;
    }
    if (!m_win.IsEnabled(s.id))
        Error("note: " + a.name + " is not used by the box's present transmit conditions");
    return kExitOk;
}

std::string Session::FocusedSetting() const {
    const int id = m_win.GetFocus();
    for (const SettingDef& s : SettingDefs()) {
        if (s.id != id)
            continue;
        std::string value = SettingValue(m_win, s);
        for (const Assignment& a : m_opt.assignments)
            if (a.name == s.name)
                value = a.value;
        return std::string(s.name) + "=" + value;
    }
    return {};
}

int Session::Set() {
    int status = kExitOk;
    if (!OpenWindow(true, status))
        return status;
    if ((status = ReadAndNoteBox()) != kExitOk)
        return status;

    const SettingValues before = AllSettings(m_win);
    const size_t messagesBefore = m_win.Messages().size();
    // A value refused when its field is left shows the window's message and takes the focus
    // back to the field; the coupling rule may then write the old value back into it.
    std::string refused;
    auto noteRefusal = [&](size_t& seen) {
        if (m_win.Messages().size() != seen && refused.empty())
            refused = FocusedSetting();
        seen = m_win.Messages().size();
    };
    size_t seen = messagesBefore;
    for (const Assignment& a : m_opt.assignments) {
        if ((status = ApplyAssignment(a)) != kExitOk)
            return status;
        noteRefusal(seen);
    }
    m_win.MoveFocus(0); // leaving the last field runs its coupling rule
    noteRefusal(seen);
    Observe();
    const bool accepted = SettingsAccepted(messagesBefore);
    noteRefusal(seen);
    if (!accepted || !refused.empty()) {
        Error("the window refuses " + (refused.empty() ? std::string("a value") : refused) +
              "; nothing was sent");
        return kExitUsage;
    }
    if ((status = Operate(IDC_SEND, "設定送信", OutcomeKind::Sent)) != kExitOk)
        return status;

    // What the coupling rules changed besides the values given, and any value given that they
    // changed again.
    const SettingValues after = AllSettings(m_win);
    SettingValues changed;
    for (const SettingDef& s : SettingDefs()) {
        const std::string& now = after.at(s.name);
        const Assignment* given = nullptr;
        for (const Assignment& a : m_opt.assignments)
            if (a.name == s.name)
                given = &a;
        if (given ? !SameValue(s, given->value, now) : before.at(s.name) != now)
            changed[s.name] = now;
    }
    QJsonObject also;
    for (const auto& [name, value] : changed)
        also.insert(QString::fromStdString(name), QString::fromStdString(value));
    m_json.insert("changed", also);
    return OutAfterChange(FormatSettings(changed), kExitOk);
}

int Session::Restart() {
    int status = kExitOk;
    if (!OpenWindow(true, status))
        return status;
    if ((status = ReadBox()) != kExitOk)
        return status;
    return Operate(IDC_RESTART, "再起動", OutcomeKind::Restarted);
}

bool Session::TakeNewSerial(uint32_t& serial) {
    if (!m_opt.newSerial || ParseSerialText(*m_opt.newSerial, serial))
        return true;
    Say(HexSerialMessage());
    Error("--serial " + *m_opt.newSerial + " is not a serial number");
    m_toolOutcome = "usage";
    return false;
}

void Session::TypeNewSerial(uint32_t serial, bool hadNone) {
    if (!m_opt.newSerial)
        return;
    if (hadNone)
        m_win.Type(IDC_NEW_SERIAL, FormatSerialText(serial));
    else
        Error("note: the box keeps its serial number " + m_boxSerial + "; --serial is not used");
}

int Session::SerialGiven(bool hadNone, int status) {
    CounterNotes();
    if (status != kExitOk)
        return status;
    if (hadNone)
        Error("the next box without a serial number gets " + m_dlg->NewSerialText());
    m_json.insert("serial", QString::fromStdString(m_win.GetText(IDC_SERIAL)));
    m_json.insert("serial_given", hadNone);
    return OutAfterChange("serial=" + m_win.GetText(IDC_SERIAL) + "\n", status);
}

int Session::ReadAndNoteBox() {
    const int status = ReadBox();
    if (status == kExitOk)
        NoteBox();
    return status;
}

int Session::FactoryReset() {
    uint32_t newSerial = 0;
    if (!TakeNewSerial(newSerial))
        return kExitUsage;
    int status = kExitOk;
    if (!OpenWindow(true, status))
        return status;
    if ((status = ReadAndNoteBox()) != kExitOk)
        return status;

    const bool hadNone = m_boxSerial.empty();
    TypeNewSerial(newSerial, hadNone);
    return SerialGiven(hadNone, Operate(IDC_FACTORY, "出荷時に戻す", OutcomeKind::FactoryReset));
}

int Session::Provision() {
    // Everything that can be refused is refused before the box is touched.
    uint32_t newSerial = 0;
    if (!TakeNewSerial(newSerial))
        return kExitUsage;
    if (!SettingsFileUsable(m_opt.file))
        return kExitUsage;
    int status = kExitOk;
    if (!OpenWindow(true, status))
        return status;
    // One port session for the whole pass: the read, then the window's provision.
    m_dlg->HoldPort(true);
    if ((status = ReadAndNoteBox()) != kExitOk)
        return status;
    const bool hadNone = m_boxSerial.empty();
    if ((status = LoadFile(m_opt.file, "the box was not changed")) != kExitOk)
        return status;
    TypeNewSerial(newSerial, hadNone);
    status = OperateBy(
        [this] {
            m_dlg->Provision();
            return m_dlg->OperationRunning() ||
                   m_dlg->LastOutcome().kind != OutcomeKind::FileLoaded;
        },
        "出荷設定", OutcomeKind::Provisioned);
    m_dlg->HoldPort(false);
    return SerialGiven(hadNone, status);
}

int Session::Verify() {
    if (!SettingsFileUsable(m_opt.file))
        return kExitUsage;
    int status = kExitOk;
    if (!OpenWindow(true, status))
        return status;
    if ((status = ReadAndNoteBox()) != kExitOk)
        return status;
    const SettingsImage boxImage = m_dlg->Image();
    const SettingValues boxValues = AllSettings(m_win);
    // The file as a send would lay it over this box: the load of "読出...".
    if ((status = LoadFile(m_opt.file, "nothing was compared")) != kExitOk)
        return status;
    const std::vector<Difference> diffs =
        DiffSettings(boxValues, AllSettings(m_win), boxImage, m_dlg->Image());

    std::string out;
    QJsonArray list;
    for (const Difference& d : diffs) {
        QJsonObject item;
        if (d.setting.empty()) {
            char address[16];
            std::snprintf(address, sizeof address, "0x%03X", static_cast<unsigned>(d.address));
            out += std::string(address) + " box=" + d.box + " file=" + d.file + "\n";
            item.insert("address", d.address);
        } else {
            out += d.setting + " box=" + d.box + " file=" + d.file + "\n";
            item.insert("setting", QString::fromStdString(d.setting));
        }
        item.insert("box", QString::fromStdString(d.box));
        item.insert("file", QString::fromStdString(d.file));
        list.append(item);
    }
    m_toolOutcome = diffs.empty() ? "equal" : "differ";
    Error(diffs.empty() ? "the box holds the settings of " + m_opt.file
                        : "the box differs from " + m_opt.file + " in " +
                              std::to_string(diffs.size()) + " places");
    m_json.insert("equal", diffs.empty());
    m_json.insert("differences", list);
    const int result = diffs.empty() ? kExitOk : kExitBox;
    if (m_opt.json)
        return result;
    return Out(out) ? result : kExitUsage;
}

std::string Session::WhatTheBoxHolds() const {
    const Outcome& out = m_dlg->LastOutcome();
    std::string text = "the box may have been changed";
    switch (out.kind) {
    case OutcomeKind::Sent:
        text = "the box has stored the settings";
        break;
    case OutcomeKind::FactoryReset:
        text = "the box is at its factory settings";
        break;
    case OutcomeKind::Provisioned:
        text = "the box is at its factory settings with the settings sent and stored";
        break;
    case OutcomeKind::Restarted:
        text = "the box has restarted";
        break;
    default:
        break;
    }
    const std::string given = m_dlg->SerialTheBoxMayHold();
    if (out.kind == OutcomeKind::FactoryReset || out.kind == OutcomeKind::Provisioned)
        text += ", serial number " + m_win.GetText(IDC_SERIAL);
    else if (!given.empty())
        text += "; it may hold serial number " + given +
                " (taken from the counter: it is not given again)";
    return text;
}

int Session::OutAfterChange(const std::string& data, int status) {
    if (m_opt.json || Out(data)) // --json: the result goes out with the object at the end
        return status;
    if (g_stopRequested) {
        Error("interrupted before the result was written; " + WhatTheBoxHolds());
        return kExitInterrupted;
    }
    Error("standard output could not take the result; " + WhatTheBoxHolds());
    return kExitBox;
}

} // namespace hx::cli
