#pragma once
// What the end-to-end tests share: the application object, hx5310-sim as a child process that
// can be stopped or killed (the pseudo-terminal closes, as a line does when its cable is pulled)
// and started again under the same name, the test's own runtime and data folders, and waiting on
// the Qt event loop.
#include "QtApp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <sys/prctl.h>

namespace hx::e2e {

// The application object of the test binary, made on first use.
// The environment of the programs a test starts, private to the test's folder dir: the folder
// where virtual boxes announce themselves, the user's home, configuration and data folders;
// no preferences file or counter named by the test run's own environment.
inline QProcessEnvironment PrivateEnvironment(const QTemporaryDir& dir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir.path());
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.insert("HOME", dir.filePath("home"));
    env.remove("HX5310_CONFIG");
    env.remove("HX5310_COUNTER");
    return env;
}

inline void EnsureQtApp() {
    test::EnsureQtApp();
}

// Runs the event loop until pred() holds or ms have passed; returns pred().
inline bool RunUntil(const std::function<bool()>& pred, int ms) {
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.start(5); // wakes the loop, so that pred is looked at while nothing else happens
    while (!pred()) {
        if (clock.elapsed() >= ms)
            return pred();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// The folders of one test: the runtime folder where the simulator announces its port, the data
// and config folders of the programs; the environment points at them while the test runs.
class TestFolders {
public:
    TestFolders() {
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            m_saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
            qputenv(name, (m_dir.path() + "/" + name).toUtf8());
            QDir().mkpath(m_dir.path() + "/" + name);
        }
        QFile::setPermissions(m_dir.path() + "/XDG_RUNTIME_DIR",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~TestFolders() {
        for (const auto& s : m_saved) {
            if (s.was)
                qputenv(s.name, s.value);
            else
                qunsetenv(s.name);
        }
    }
    bool Valid() const { return m_dir.isValid(); }
    QString Path(const QString& name) const { return m_dir.path() + "/" + name; }

private:
    struct Saved {
        const char* name;
        QByteArray value;
        bool was;
    };
    QTemporaryDir m_dir;
    std::vector<Saved> m_saved;
};

// hx5310-sim as a child process.
// A run of hx5310ctl: its exit status (-1: it did not end normally) and what it printed.
struct CtlResult {
    int status = -1;
    std::string out, err;
};

// Starts hx5310ctl with env and args; it dies with the test. FinishCtl waits for it.
inline QProcess* StartCtl(const QStringList& args, const QProcessEnvironment& env) {
    auto* p = new QProcess();
    p->setProcessEnvironment(env);
    p->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    p->start(HX5310CTL_PATH, args);
    return p;
}
inline CtlResult FinishCtl(QProcess* p, int ms) {
    CtlResult r;
    if (p->waitForFinished(ms) && p->exitStatus() == QProcess::NormalExit)
        r.status = p->exitCode();
    r.out = p->readAllStandardOutput().toStdString();
    r.err = p->readAllStandardError().toStdString();
    delete p;
    return r;
}

class SimProcess {
public:
    SimProcess() = default;
    // With the environment the program gets (the runtime folder where it announces its link).
    explicit SimProcess(const QProcessEnvironment& env) : m_env(env), m_hasEnv(true) {}
    ~SimProcess() { Kill(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Starts the program with args and reads the two lines it prints (device, link).
    bool Start(const QStringList& args = {}) {
        Kill();
        m_proc = std::make_unique<QProcess>();
        if (m_hasEnv)
            m_proc->setProcessEnvironment(m_env);
        m_proc->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_proc->start(HX5310_SIM_PATH, args);
        if (!m_proc->waitForStarted(5000))
            return false;
        m_lines.clear();
        QElapsedTimer t;
        t.start();
        while (m_lines.size() < 2 && t.elapsed() < 5000 && m_proc->state() == QProcess::Running) {
            if (!m_proc->canReadLine())
                m_proc->waitForReadyRead(100);
            while (m_proc->canReadLine())
                m_lines << QString::fromUtf8(m_proc->readLine()).trimmed();
        }
        if (m_lines.size() < 2)
            return false;
        m_link = m_lines[1].toStdString();
        return true;
    }
    // Sends sig and waits for the end; the exit code, or -1 when it did not end normally.
    int Stop(int sig) {
        if (!m_proc)
            return -1;
        if (m_proc->state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_proc->processId()), sig);
            m_proc->waitForFinished(5000);
        }
        return m_proc->exitStatus() == QProcess::NormalExit ? m_proc->exitCode() : -1;
    }
    // The cable pulled: the program dies at once and its pseudo-terminal closes.
    void Kill() {
        if (m_proc && m_proc->state() != QProcess::NotRunning)
            Stop(SIGKILL);
    }
    bool Running() const { return m_proc && m_proc->state() == QProcess::Running; }
    // The pseudo-terminal it opened, and its port as the tool lists it (the announced link;
    // the same after a restart under the same name).
    std::string Device() const { return m_lines.value(0).toStdString(); }
    const std::string& Link() const { return m_link; }

private:
    QProcessEnvironment m_env;
    bool m_hasEnv = false;
    std::unique_ptr<QProcess> m_proc;
    QStringList m_lines;
    std::string m_link;
};

} // namespace hx::e2e
