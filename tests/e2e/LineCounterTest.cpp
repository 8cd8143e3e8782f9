// Stations of a line on one database counter: hx5310ctl runs, each with its own hx5310-sim box,
// against a private PostgreSQL server (tests/e2e/support/pg-server.sh) whose connections are
// killed and which is restarted while the stations reserve their numbers.
#include "E2ESupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <sys/prctl.h>

#if defined(HX5310CTL_PATH) && defined(HX_PG_SERVER_SCRIPT)

namespace {

using Outcome = hx::e2e::CtlResult;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class LineCounterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir();
        QProcess start;
        start.start("bash", {HX_PG_SERVER_SCRIPT, "start", s_dir->path()});
        start.waitForFinished(120000);
        s_exit = start.exitStatus() == QProcess::NormalExit ? start.exitCode() : -1;
        s_socket = QString::fromUtf8(start.readAllStandardOutput()).trimmed().toStdString();
        s_error = start.readAllStandardError().toStdString();
    }
    static void TearDownTestSuite() {
        QProcess::execute("bash", {HX_PG_SERVER_SCRIPT, "stop", s_dir->path()});
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override {
        if (s_exit == 3)
            GTEST_SKIP() << s_error;
        ASSERT_EQ(s_exit, 0) << s_error;
        hx::e2e::EnsureQtApp();
        ASSERT_TRUE(m_dir.isValid());
        m_env = hx::e2e::PrivateEnvironment(m_dir);
        m_db = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : m_db)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        ASSERT_EQ(Sql("postgres", "CREATE DATABASE " + m_db), "") << "no database";
    }

    std::string Url(const std::string& user = "hx") const {
        return "postgresql://" + user + "@/" + m_db + "?host=" + s_socket;
    }
    // psql's answer, rows on lines and columns split by |.
    static std::string SqlIn(const std::string& db, const std::string& query) {
        QProcess p;
        p.start("/usr/lib/postgresql/15/bin/psql",
                {"-X", "-q", "-At", "-h", QString::fromStdString(s_socket), "-U", "hx", "-d",
                 QString::fromStdString(db), "-c", QString::fromStdString(query)});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed().toStdString();
    }
    std::string Sql(const std::string& db, const std::string& query) const {
        return SqlIn(db, query);
    }
    std::string Sql(const std::string& query) const { return SqlIn(m_db, query); }

    bool StartBox(const std::string& name) {
        auto sim = std::make_unique<hx::e2e::SimProcess>(m_env);
        const bool ok = sim->Start({"--name", QString::fromStdString(name)});
        m_sims.push_back(std::move(sim));
        return ok;
    }
    QProcess* Ctl(QStringList args) {
        args.prepend(m_dir.filePath("prefs.ini"));
        args.prepend("--config");
        return hx::e2e::StartCtl(args, m_env);
    }
    static Outcome Finish(QProcess* p, int ms = 60000) { return hx::e2e::FinishCtl(p, ms); }
    // The serial number a box holds, as show prints it (empty: none).
    std::string BoxSerial(const std::string& box) {
        const Outcome r = Finish(Ctl({"--port", QString::fromStdString(box), "show"}));
        std::smatch m;
        static const std::regex serial("(^|\n)serial=([0-9A-F]*)\n");
        return std::regex_search(r.out, m, serial) ? m[2].str() : "<unread>";
    }

    static QTemporaryDir* s_dir;
    static std::string s_socket, s_error;
    static int s_exit;
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    std::string m_db;
    std::vector<std::unique_ptr<hx::e2e::SimProcess>> m_sims;
};

QTemporaryDir* LineCounterTest::s_dir = nullptr;
std::string LineCounterTest::s_socket, LineCounterTest::s_error;
int LineCounterTest::s_exit = -1;

TEST_F(LineCounterTest, ADatabaseWithoutCounterALoginRefusedOrNoServerLeaveTheBoxAsItWas) {
    ASSERT_TRUE(StartBox("box"));
    ASSERT_TRUE(StartBox("far"));
    const QString trace = m_dir.filePath("trace.txt");
    // No server at all: tried again for a while, then given up; started first, read last.
    QProcess* noServer = Ctl({"--counter",
                              QString::fromStdString("postgresql://hx@/" + m_db + "?host=" +
                                                     m_dir.filePath("none").toStdString()),
                              "--port", "far", "factory-reset"});
    Outcome r = Finish(Ctl({"--counter", QString::fromStdString(Url()), "--port", "box", "--trace",
                            trace, "factory-reset"}));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "hx5310ctl --counter URL counter init")) << r.err;
    QFile log(trace);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_FALSE(log.readAll().contains("AT&F")) << "the box was changed";

    r = Finish(Ctl(
        {"--counter", QString::fromStdString(Url("intruder")), "--port", "box", "factory-reset"}));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "refused")) << r.err;
    r = Finish(noServer);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "cannot be reached")) << r.err;
    EXPECT_EQ(BoxSerial("box"), "");
    EXPECT_EQ(BoxSerial("far"), "");

    // The station's counter file carried over: the window's 25000009 is the next number.
    QFile prefs(m_dir.filePath("station.ini"));
    ASSERT_TRUE(prefs.open(QIODevice::WriteOnly));
    prefs.write("[Settings]\nSerial Number=620757001\n"); // 0x25000009
    prefs.close();
    for (int twice = 0; twice < 2; ++twice) {
        r = Finish(Ctl({"--counter", QString::fromStdString(Url()), "counter", "init",
                        "--from-config", prefs.fileName()}));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "next=25000009\n");
    }
    r = Finish(Ctl({"--counter", QString::fromStdString(Url()), "--port", "box", "factory-reset"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "serial=25000009\n");
    EXPECT_TRUE(Has(r.err, "25000010")) << r.err;
    EXPECT_EQ(Sql("SELECT serial_number, port, model LIKE 'HX-5310%', state, "
                  "finished_at >= reserved_at FROM hx5310_record"),
              "25000009|box|t|programmed|t");

    // A typed number that a row holds is not given again, even with the counter moved back.
    ASSERT_TRUE(StartBox("second"));
    r = Finish(Ctl({"--counter", QString::fromStdString(Url()), "--port", "second", "factory-reset",
                    "--serial", "25000009", "--move-counter-back"}));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "already in the production record")) << r.err;
    EXPECT_EQ(BoxSerial("second"), "");
}

TEST_F(LineCounterTest, EveryOperationIsARowWithTheSettingsItSentAsTheRecordFileHasThem) {
    const QString url = QString::fromStdString(Url());
    ASSERT_EQ(Finish(Ctl({"--counter", url, "counter", "init"})).status, 0);
    ASSERT_TRUE(StartBox("new"));
    ASSERT_TRUE(StartBox("other"));
    const QString file = m_dir.filePath("line.txt"), record = m_dir.filePath("record.jsonl");
    ASSERT_EQ(Finish(Ctl({"--port", "other", "read", file})).status, 0);
    for (const QStringList& run : {QStringList{"--port", "new", "provision", file},
                                   QStringList{"--port", "other", "factory-reset"},
                                   QStringList{"--port", "new", "send", file},
                                   QStringList{"--port", "new", "set", "audio-delay-a=600"}}) {
        const Outcome r = Finish(Ctl(QStringList{"--counter", url, "--record", record} + run));
        ASSERT_EQ(r.status, 0) << run.join(' ').toStdString() << "\n" << r.err;
    }

    // The record file's lines and the table's rows, side by side.
    QFile lines(record);
    ASSERT_TRUE(lines.open(QIODevice::ReadOnly));
    std::string expected;
    for (int i = 0; i < 4; ++i) {
        const QJsonObject line = QJsonDocument::fromJson(lines.readLine()).object();
        expected += (i ? "\n" : "") + line["operation"].toString().toStdString() + "|" +
                    line["serial"].toString().toStdString() + "|programmed|" +
                    line["sha256"].toString().toStdString() + "|" + (i < 2 ? "true" : "false");
    }
    EXPECT_EQ(Sql("SELECT operation || '|' || serial_number || '|' || state || '|' || "
                  "settings_sha256 || '|' || gives_number FROM hx5310_record ORDER BY id"),
              expected);
}

TEST_F(LineCounterTest, SixteenStationsThroughKilledConnectionsAndARestartNeverGiveANumberTwice) {
    ASSERT_EQ(Finish(Ctl({"--counter", QString::fromStdString(Url()), "counter", "init"})).status,
              0);
    constexpr int kStations = 16, kRounds = 4;
    std::set<std::string> boxNumbers; // every number a box holds, from the boxes' side
    int programmed = 0, unseen = 0;
    for (int round = 0; round < kRounds; ++round) {
        m_sims.clear(); // new boxes, none with a serial number
        std::vector<QProcess*> runs;
        for (int s = 0; s < kStations; ++s)
            ASSERT_TRUE(StartBox("s" + std::to_string(s)));
        const std::string before = Sql("SELECT count(*) FROM hx5310_record");
        for (int s = 0; s < kStations; ++s)
            runs.push_back(Ctl({"--counter", QString::fromStdString(Url()), "--port",
                                QString::fromStdString("s" + std::to_string(s)), "factory-reset"}));
        // In the middle of the reservations: connections killed, then the server restarted.
        if (round == 1 || round == 2) {
            for (int i = 0; i < 200 && Sql("SELECT count(*) FROM hx5310_record") == before; ++i)
                QThread::msleep(10);
        }
        if (round == 1) {
            for (int i = 0; i < 8; ++i) {
                Sql("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" +
                    m_db + "' AND pid <> pg_backend_pid()");
                QThread::msleep(40);
            }
        }
        if (round == 2) {
            EXPECT_EQ(QProcess::execute("bash", {HX_PG_SERVER_SCRIPT, "restart", s_dir->path()}),
                      0);
        }
        for (int s = 0; s < kStations; ++s) {
            const Outcome r = Finish(runs[static_cast<size_t>(s)]);
            std::smatch m;
            static const std::regex note("note: ([0-9]+) number\\(s\\) of the sequence");
            if (std::regex_search(r.err, m, note))
                unseen += std::stoi(m[1].str());
            std::string number;
            if (r.status == 0 && r.out.rfind("serial=", 0) == 0) {
                number = r.out.substr(7, 8);
                ++programmed;
                EXPECT_EQ(
                    Sql("SELECT state FROM hx5310_record WHERE serial_number = '" + number + "'"),
                    "programmed")
                    << number << "\n"
                    << r.err;
            } else {
                number = BoxSerial("s" + std::to_string(s)); // a failed reset: ask the box
                ASSERT_NE(number, "<unread>");
            }
            if (!number.empty()) {
                EXPECT_TRUE(boxNumbers.insert(number).second) << number << " given twice";
            }
        }
    }
    EXPECT_GE(programmed, kStations * kRounds / 2) << "too few resets went through";

    // Every box's number has its one row; every other row is a reset that failed or was
    // interrupted; a number of the sequence without a row is one whose answer was lost.
    std::map<std::string, std::string> rows;
    std::stringstream all(Sql("SELECT serial_number || ' ' || state FROM hx5310_record"));
    for (std::string number, state; all >> number >> state;) {
        EXPECT_TRUE(rows.emplace(number, state).second) << number << " has two rows";
    }
    for (const std::string& number : boxNumbers) {
        EXPECT_EQ(rows.count(number), 1u) << number << " is in a box but not in the record";
    }
    for (const auto& [number, state] : rows) {
        if (!boxNumbers.count(number)) {
            EXPECT_NE(state, "programmed") << number << " programmed, yet in no box";
        }
    }
    const long last = std::stol(Sql("SELECT last_value FROM hx5310_serial"));
    long gaps = 0;
    for (long n = 1; n <= last; ++n) {
        char digits[24];
        std::snprintf(digits, sizeof digits, "%08ld", n);
        gaps += rows.count(digits) ? 0 : 1;
    }
    EXPECT_LE(gaps, unseen) << "numbers used without a row or a station's note";
    std::printf("%d of %d resets gave a number; %zu rows, %ld numbers without a row, %d lost "
                "answers of the sequence\n",
                programmed, kStations * kRounds, rows.size(), gaps, unseen);
}

} // namespace

#endif
