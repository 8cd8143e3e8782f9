#pragma once
// One run of hx5310ctl: the main window on the in-memory window services, driven by the real
// clock, and the command carried out through the window's own controls.
#include "CliOptions.h"
#include "HX5310ConfigApp.h"
#include "HX5310ConfigDlg.h"
#include "LinePort.h"
#include "MemoryWindow.h"
#include "RealTimeLoop.h"
#include "SettingNames.h"
#include "TraceLog.h"

#include <QJsonObject>

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hx::cli {

struct RecordEntry;

enum ExitCode : int {
    kExitOk = 0,
    kExitBox = 1,   // the box or the port failed
    kExitUsage = 2, // bad usage, a bad value or a bad file
    kExitInterrupted = 130,
};

// Set by main's signal handlers when the user asks the program to end (Ctrl-C, SIGTERM).
extern volatile std::sig_atomic_t g_stopRequested;

// What a run needs from outside.
struct Environment {
    IPreferences& prefs;
    std::string prefsLocation; // where prefs are kept, for messages
    bool prefsNamed = false;   // a file named by --config or $HX5310_CONFIG, not the user's own
    IPortFactory& ports;       // the system's real ports
    TraceLog& trace;
    std::string appDataFolder; // the tool's own folder (backups), as the window uses it
    bool progress = false;     // standard error is a terminal: show transfer progress there
    // Where the serial numbers come from when not from prefs (a line's database); not owned.
    ISerialStore* store = nullptr;
};

class Session {
public:
    Session(const CliOptions& options, Environment env);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Carries out the command; returns the exit status.
    int Run();

private:
    // Passes the window's events on to the window, noting the retry timer in the trace.
    class EventTap : public IWindowEvents {
    public:
        explicit EventTap(Session& s) : m_s(s) {}
        int OnInitDialog() override;
        void OnCommand(int id, Notify code, int newFocusId) override;
        void OnTimer(unsigned id) override;
        int OnCommEvent(unsigned event, long tag) override;
        void OnSysCommand(unsigned id) override;
        bool OnClose() override;
        void OnDestroy() override;

    private:
        Session& m_s;
    };

    // Why the port did not open: in our words where the reason is known, else the port's own.
    std::string OpenProblem() const;
    int Ports();
    int Read();
    int Show();
    int Send();
    int Set();
    int Restart();
    int FactoryReset();
    int Provision();
    int Verify();
    int Monitor();
    // A settings file that provision or verify can use, checked before the box is touched: a
    // regular file holding a settings file of this model. False after a message.
    bool SettingsFileUsable(const std::string& path);
    // --serial of factory-reset and provision into field 1066 for a box without a number (after
    // the read). False after a message for a text that is no serial number.
    bool TakeNewSerial(uint32_t& serial);
    void TypeNewSerial(uint32_t serial, bool hadNone);
    // The end of a factory reset or provision: the counter's notes, and on success the box's
    // number printed (and the next one, when this box was given a number).
    int SerialGiven(bool hadNone, int status);
    // "読出...": the file's settings into the editor, the box keeping its serial number. Status
    // 2 after a message when the file is refused.
    int LoadFile(const std::string& path, const char* notDone);
    // The port as the window knows it: a by-id or by-path link (or any link) leads to the
    // device it names, an adapter's serial number to its port. Empty after a message.
    std::string ResolvePort(const std::string& given, int& status);
    // The record of this run, appended to the record file; the status to end with.
    std::string RecordPath() const;
    bool RecordWritable();
    int WriteRecord(int status);
    // The run's operation in a line's database when it gave no number (the reservations are
    // rows already); a row that cannot be written is a note.
    void KeepOperationInStore(const RecordEntry& e, bool success, const std::string& sent);
    // The one JSON object of --json on standard output; the status to end with.
    int EmitJson(int status);
    // What the box was when it was read (for the record).
    void NoteBox();

    // Builds the window as the application object does; with needPort, the port of the
    // options (or the stored one) is selected in the port list. False after a message.
    bool OpenWindow(bool needPort, int& status);
    void SelectPort(const std::string& wanted);
    // Clicks a button and runs the operation it starts to its end. kExitOk when it ended
    // with the outcome success.
    int Operate(int id, const std::string& name, OutcomeKind success);
    int OperateBy(const std::function<bool()>& start, const std::string& name, OutcomeKind success);
    int ReadBox() { return Operate(IDC_RECEIVE, "設定受信", OutcomeKind::Received); }
    // The read, and on success what the record and --json keep of the box (NoteBox).
    int ReadAndNoteBox();
    // What the box now holds after an operation that changed it, for a message when the run
    // cannot end as it should (standard output, an interruption).
    std::string WhatTheBoxHolds() const;
    // Writes data to standard output after the box was changed: a failure is exit 1 with a
    // message that says what the box holds.
    int OutAfterChange(const std::string& data, int status);
    // Runs the loop for one slice and reports what the window showed meanwhile.
    void Step();
    // The window's validating read of every field; false (after its messages) when a field
    // is refused or a message has been shown since messagesBefore.
    bool SettingsAccepted(size_t messagesBefore);
    // Puts text into an edit field as a user does: the focus moves there first (leaving the
    // field before runs its coupling rule), and nothing is filtered, so the window's own checks
    // see exactly the text given.
    void EnterText(int id, const std::string& text);
    int ApplyAssignment(const Assignment& a);
    // "NAME=VALUE" of the setting whose field has the focus: after a refused read, the field
    // the window refused. Empty when the focus is on no setting.
    std::string FocusedSetting() const;
    int Interrupted();
    // What the counter said beside the reservation, and a record that could not be updated.
    void CounterNotes();
    // Why the counter gave no number, and what to do.
    void CounterProblemMessage();

    // Standard error: the window's texts as they are; the tool's own prefixed.
    void Say(const std::string& windowText);
    void Error(const std::string& text);
    // Standard output; false when it cannot be written.
    bool Out(const std::string& data);
    void Observe(); // the information field and message boxes to standard error
    void ShowProgress();
    void ClearProgress();

    CliOptions m_opt;
    Environment m_env;
    MemoryWindow m_win;
    LineState m_line;
    LinePortFactory m_ports;
    CHX5310ConfigApp m_app;
    std::unique_ptr<CHX5310ConfigDlg> m_dlg;
    EventTap m_tap{*this};
    std::unique_ptr<RealTimeLoop> m_loop;

    // --json: what the command found, beside the status and the outcome added at the end.
    QJsonObject m_json;
    std::vector<std::string> m_said; // every line said on standard error, for --json
    std::string m_toolOutcome;       // the tool's own end (a bad file, an interruption)
    std::string m_toolDetail;        // its detail
    bool m_operated = false;         // a window operation was started
    // What the record keeps of the box.
    std::string m_boxSerial, m_model, m_firmware;
    std::string m_mayHold; // a number from the counter that an interrupted run left unclear

    std::string m_lastInfo;
    size_t m_messagesSeen = 0;
    bool m_lineLost = false; // the device vanished while the window held it open
    // Progress display
    std::string m_progressText;
    uint64_t m_progressAt = 0;
};

} // namespace hx::cli
