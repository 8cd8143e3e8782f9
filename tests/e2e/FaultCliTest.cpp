// hx5310ctl as a process against hx5310-sim, with faults on the line: the simulator killed (the
// cable pulled) during a read, and a garbage flood, which must not starve the program's own
// event loop. After each: the program ends in time with status 1 and a message, no settings
// file or preferences file is changed, and the next run works once the box is back. What the
// window's logic makes of the other faults (the line lost in a send or its read-back, a line
// that never ends, a box that answers twice) is proved in virtual time by the behaviour tests.
#include "E2ESupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#ifdef HX5310CTL_PATH

using hx::e2e::RunUntil;

namespace {

struct Result {
    int status = -1; // -1: crashed or did not end
    std::string out, err;
    qint64 ms = 0;
};

std::string ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<none>");
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class FaultCli : public ::testing::Test {
protected:
    FaultCli() { hx::e2e::EnsureQtApp(); }

    void SetUp() override {
        ASSERT_TRUE(folders.Valid());
        m_config = folders.Path("prefs.ini");
        m_trace = folders.Path("trace.txt");
        m_file = folders.Path("box.txt");
    }

    // Starts hx5310ctl on the box with the test's preferences file and a trace.
    void Start(QStringList args) {
        QFile::remove(m_trace);
        args = QStringList{"--config", m_config, "--port", QString::fromStdString(sim.Link()),
                           "--trace",  m_trace} +
               args;
        m_ctl = std::make_unique<QProcess>();
        m_ctl->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_clock.start();
        m_ctl->start(HX5310CTL_PATH, args);
        ASSERT_TRUE(m_ctl->waitForStarted(5000));
    }
    Result Finish(int ms = 20000) {
        Result r;
        if (m_ctl->waitForFinished(ms) && m_ctl->exitStatus() == QProcess::NormalExit)
            r.status = m_ctl->exitCode();
        r.ms = m_clock.elapsed();
        r.out = m_ctl->readAllStandardOutput().toStdString();
        r.err = m_ctl->readAllStandardError().toStdString();
        m_ctl.reset();
        return r;
    }
    Result Run(const QStringList& args) {
        Start(args);
        return Finish();
    }
    // The user's settings file from a good read, and the preferences as they are now.
    void KeepFiles() {
        Result r = Run({"read", m_file});
        ASSERT_EQ(r.status, 0) << r.err;
        m_fileBytes = ReadFile(m_file);
        ASSERT_EQ(m_fileBytes.size(), 4941u);
        m_configBytes = ReadFile(m_config);
    }
    // A fault: status 1 within the operation's time-outs, a message, nothing on standard
    // output, and the files as they were.
    void ExpectFailedSafely(const Result& r, qint64 withinMs) {
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_FALSE(r.err.empty());
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_LT(r.ms, withinMs) << "the program kept going after the fault";
        EXPECT_FALSE(Has(ReadFile(m_trace), "info 設定の送信、確認と保存に成功しました"));
        if (!m_fileBytes.empty()) {
            EXPECT_EQ(ReadFile(m_file), m_fileBytes) << "the settings file changed";
        }
        EXPECT_EQ(ReadFile(m_config), m_configBytes) << "the preferences file changed";
        // No half-written file is left beside the settings file.
        const QStringList left = QDir(folders.Path("")).entryList({"*.txt*"}, QDir::Files);
        for (const QString& name : left)
            EXPECT_TRUE(name == "box.txt" || name == "trace.txt") << name.toStdString();
    }
    // The box is back: a fresh simulator on the same port; a send of the file and a read work.
    void ExpectNextRunsWork() {
        if (!sim.Running()) {
            ASSERT_TRUE(sim.Start({"--pace"}));
        }
        Result r = Run({"send", m_file});
        EXPECT_EQ(r.status, 0) << r.err;
        r = Run({"read"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.size(), 4941u);
    }

    hx::e2e::TestFolders folders;
    hx::e2e::SimProcess sim;
    std::unique_ptr<QProcess> m_ctl;
    QElapsedTimer m_clock;
    QString m_config, m_trace, m_file;
    std::string m_fileBytes, m_configBytes = "<none>";
};

TEST_F(FaultCli, BoxKilledDuringARead) {
    ASSERT_TRUE(sim.Start({"--pace"}));
    KeepFiles();
    Start({"read", m_file});
    // Well into the records: the trace has grown by half an image since "ATSRX" went out.
    ASSERT_TRUE(RunUntil(
        [&] {
            const std::string log = ReadFile(m_trace);
            const size_t at = log.find("> \"ATSRX\\r\"");
            return at != std::string::npos && log.size() > at + 2500;
        },
        10000));
    sim.Kill();
    const Result r = Finish();
    // "ATSRX" has 1000 ms, sent three times.
    ExpectFailedSafely(r, 5000);
    ExpectNextRunsWork();
}

TEST_F(FaultCli, GarbageFlood) {
    ASSERT_TRUE(sim.Start({"--garbage", "200000"}));
    const Result r = Run({"read", m_file});
    ExpectFailedSafely(r, 8000);
    EXPECT_FALSE(QFile::exists(m_file)) << "a file from a read that failed";
}

} // namespace

#endif // HX5310CTL_PATH
