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

#include <csignal>
#include <functional>
#include <memory>
#include <string>

namespace hx::cli {

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
    int Monitor();

    // Builds the window as the application object does; with needPort, the port of the
    // options (or the stored one) is selected in the port list. False after a message.
    bool OpenWindow(bool needPort, int& status);
    void SelectPort(const std::string& wanted);
    // Clicks a button and runs the operation it starts to its end. kExitOk when it ended
    // with the outcome success.
    int Operate(int id, const std::string& name, OutcomeKind success);
    int ReadBox() { return Operate(IDC_RECEIVE, "設定受信", OutcomeKind::Received); }
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

    std::string m_lastInfo;
    size_t m_messagesSeen = 0;
    bool m_lineLost = false; // the device vanished while the window held it open
    // Progress display
    std::string m_progressText;
    uint64_t m_progressAt = 0;
};

} // namespace hx::cli
