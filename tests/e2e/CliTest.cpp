// hx5310ctl against hx5310-sim over a pseudo-terminal: the real programs, as a script runs them.
#include "BoxModel.h"
#include "HX5310ConfigApp.h"
#include "HX5310ConfigDlg.h"
#include "InProcessPort.h"
#include "MemoryWindow.h"
#include "QtPreferences.h"

#include "E2ESupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <set>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef HX5310CTL_PATH

namespace {

using Result = hx::e2e::CtlResult;

// One private world per test: the folder where virtual boxes announce themselves, the user's
// configuration and data folders, and a preferences file.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        hx::e2e::EnsureQtApp();
        ASSERT_TRUE(m_dir.isValid());
        m_env = hx::e2e::PrivateEnvironment(m_dir);
        m_config = Path("prefs.ini");
    }
    void TearDown() override {
        m_sims.clear(); // each is killed
    }

    std::string Path(const char* name) const { return m_dir.filePath(name).toStdString(); }

    // Starts a virtual box announced as name; false when it did not come up.
    bool StartSim(const std::string& name, QStringList args = {}) {
        auto sim = std::make_unique<hx::e2e::SimProcess>(m_env);
        args << "--name" << QString::fromStdString(name);
        const bool started = sim->Start(args);
        m_sims.push_back(std::move(sim));
        // The link names the terminal through the simulator's own /proc entry.
        m_device = QFileInfo(m_dir.filePath(QString::fromStdString("hx5310/" + name)))
                       .symLinkTarget()
                       .remove(QRegularExpression("^/proc/[0-9]+/root"))
                       .toStdString();
        return started;
    }

    QProcess* Ctl(const QStringList& args, const QProcessEnvironment* env = nullptr) {
        return hx::e2e::StartCtl(args, env ? *env : m_env);
    }
    static Result Finish(QProcess* p, int ms = 30000) { return hx::e2e::FinishCtl(p, ms); }
    // hx5310ctl with the test's preferences file and the arguments given.
    Result Run(QStringList args, const QProcessEnvironment* env = nullptr) {
        args.prepend(QString::fromStdString(m_config));
        args.prepend("--config");
        return Finish(Ctl(args, env));
    }
    Result RunOn(const std::string& box, QStringList args) {
        args.prepend(QString::fromStdString(box));
        args.prepend("--port");
        return Run(args);
    }
    static std::string ReadFile(const std::string& path) {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<none>");
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
    // The value of NAME in NAME=VALUE lines; "<none>" when absent.
    static std::string Value(const std::string& lines, const std::string& name) {
        const std::string key = "\n" + name + "=";
        const std::string text = "\n" + lines;
        const auto at = text.find(key);
        if (at == std::string::npos)
            return "<none>";
        const auto from = at + key.size();
        return text.substr(from, text.find('\n', from) - from);
    }

    QTemporaryDir m_dir;
    std::string m_device; // the terminal of the simulator started last
    QProcessEnvironment m_env;
    std::string m_config;
    std::vector<std::unique_ptr<hx::e2e::SimProcess>> m_sims;
};

const char kReadOk[] = "設定の受信に成功しました";
const char kSendOk[] = "設定の送信、確認と保存に成功しました";

TEST_F(CliTest, UsageErrorsEndWithStatusTwoBeforeAnyPortIsOpened) {
    for (const QStringList& args :
         {QStringList{}, QStringList{"frobnicate"}, QStringList{"--bogus", "show"},
          QStringList{"show", "extra"}, QStringList{"send"}, QStringList{"set"},
          QStringList{"set", "audio-delay-a"}, QStringList{"set", "volume=3"},
          QStringList{"read", "--serial", "1"}, QStringList{"monitor", "--seconds", "-1"},
          QStringList{"--port"}}) {
        const Result r = Finish(Ctl(args));
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_TRUE(Has(r.err, "hx5310ctl: ")) << r.err;
    }
    const Result help = Finish(Ctl({"--help"}));
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Has(help.out, "factory-reset")) << help.out;
    EXPECT_TRUE(Has(help.out, "continuous-tx-limit")) << help.out;
}

TEST_F(CliTest, PortsListsTheVirtualBoxAndAnyPortNameIsAccepted) {
    ASSERT_TRUE(StartSim("line-a"));
    const Result ports = Run({"ports"});
    ASSERT_EQ(ports.status, 0) << ports.err;
    const std::string link = m_dir.filePath("hx5310/line-a").toStdString();
    // The box's own name, as the list shows it, and its link as the device that is opened.
    EXPECT_TRUE(Has(ports.out, "line-a\n  device: " + link + "\n")) << ports.out;

    // As the list shows it, by its last part, and a device path the list does not show.
    EXPECT_EQ(RunOn(link, {"show"}).status, 0);
    EXPECT_EQ(RunOn("line-a", {"show"}).status, 0);
    const Result absent = RunOn("/dev/hx5310-not-there", {"show"});
    EXPECT_EQ(absent.status, 1);
    EXPECT_TRUE(Has(absent.err, "ポート（/dev/hx5310-not-there）のオープンに失敗しました"))
        << absent.err;
}

TEST_F(CliTest, AKilledBoxsNameNeitherListsNorOpensTheBoxThatTookItsTerminal) {
    ASSERT_TRUE(StartSim("dead"));
    const std::string deadTerminal = m_device;
    const std::string deadLink = m_dir.filePath("hx5310/dead").toStdString();
    m_sims.back()->Stop(SIGKILL); // no chance to withdraw its link
    ASSERT_TRUE(StartSim("alive"));
    if (m_device != deadTerminal)
        std::printf("note: the new box has %s, not %s\n", m_device.c_str(), deadTerminal.c_str());

    const Result ports = Run({"ports"});
    EXPECT_FALSE(Has(ports.out, deadLink)) << ports.out;
    EXPECT_TRUE(Has(ports.out, "alive\n")) << ports.out;
    EXPECT_FALSE(Has(ports.out, "dead\n")) << ports.out;
    for (const std::string& name : {std::string("dead"), deadLink}) {
        const Result r = RunOn(name, {"show"});
        EXPECT_EQ(r.status, 1) << name << ": " << r.err;
        EXPECT_EQ(r.out, "") << name;
    }
    EXPECT_EQ(RunOn("alive", {"show"}).status, 0);
}

TEST_F(CliTest, ABoxEndedByAnySignalItCanCatchWithdrawsItsName) {
    const std::string link = m_dir.filePath("hx5310/box").toStdString();
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM}) {
        ASSERT_TRUE(StartSim("box"));
        struct stat st {};
        ASSERT_EQ(::lstat(link.c_str(), &st), 0);
        m_sims.back()->Stop(sig);
        EXPECT_NE(::lstat(link.c_str(), &st), 0) << "signal " << sig;
    }
}

TEST_F(CliTest, ShowPrintsEverySettingInOrderAndSetTakesItBack) {
    ASSERT_TRUE(StartSim("box"));
    const Result show = RunOn("box", {"show"});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_EQ(show.out, "audio-delay-a=248\naudio-delay-b=328\nhold-time-a=504\nhold-time-b=504\n"
                        "rx-gain-a=0\nrx-gain-b=0\ntx-gain-a=0\ntx-gain-b=0\nsignal-on=-20\n"
                        "signal-off=-32\nnoise-on-a=-52\nnoise-off-a=-64\nnoise-on-b=-72\n"
                        "noise-off-b=-84\nmic-gain=30\nunmodulated-limit=60\n"
                        "continuous-tx-limit=0\nresponse-time-a=24\nresponse-time-b=24\n"
                        "tx-select-a=1\ntx-select-b=1\nmic-tx-select=0\npriority=0\n"
                        "bass-cut-a=0\nbass-cut-b=0\nno-tx-on-tone=0\nno-tx-on-noise=0\n"
                        "ptt-invert=0\nserial=\n");
    // Standard error carries the window's texts, standard output nothing else; no progress
    // display when standard error is no terminal.
    EXPECT_TRUE(Has(show.err, kReadOk)) << show.err;
    EXPECT_FALSE(Has(show.err, "\033[")) << show.err;

    QStringList all{"set"};
    for (const QString& line : QString::fromStdString(show.out).split('\n', Qt::SkipEmptyParts))
        all << line;
    const Result set = RunOn("box", all);
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "") << "nothing changed besides";
    EXPECT_TRUE(Has(set.err, kSendOk)) << set.err;
}

TEST_F(CliTest, SetRunsTheCouplingRulesAndReportsWhatTheyChanged) {
    ASSERT_TRUE(StartSim("box"));
    // Channel A's delay of 600 ms leaves 296 ms of the 896 ms for channel B.
    Result set =
        RunOn("box", {"set", "audio-delay-a=600", "tx-select-b=0", "ptt-invert=1", "tx-gain-b=-6"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "audio-delay-b=296\n");

    // A threshold pair: detection at -30 puts non-detection 12 dB below it.
    set = RunOn("box", {"set", "signal-off=-20", "signal-on=-30"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "signal-off=-42\n") << "the given value, changed by the later rule";

    // Settings of fields that the transmit conditions disable are still the box's settings.
    set = RunOn("box",
                {"set", "tx-select-a=2", "tx-select-b=3", "no-tx-on-tone=1", "hold-time-b=1000"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_TRUE(Has(set.err, "note: no-tx-on-tone is not used")) << set.err;

    const Result show = RunOn("box", {"show"});
    ASSERT_EQ(show.status, 0);
    EXPECT_EQ(Value(show.out, "no-tx-on-tone"), "1");
    EXPECT_EQ(Value(show.out, "hold-time-b"), "1000");
    EXPECT_EQ(Value(show.out, "tx-select-a"), "2");
    EXPECT_EQ(Value(show.out, "audio-delay-a"), "600");
    EXPECT_EQ(Value(show.out, "audio-delay-b"), "296");
    EXPECT_EQ(Value(show.out, "tx-select-b"), "3");
    EXPECT_EQ(Value(show.out, "ptt-invert"), "1");
    EXPECT_EQ(Value(show.out, "tx-gain-b"), "-6");
    EXPECT_EQ(Value(show.out, "signal-on"), "-30");
    EXPECT_EQ(Value(show.out, "signal-off"), "-42");
}

TEST_F(CliTest, SetRefusesWhatTheWindowRefusesAndSendsNothing) {
    ASSERT_TRUE(StartSim("box"));
    const std::string trace = Path("trace.txt");
    struct Case {
        const char* assignment;
        const char* message; // part of what standard error must say
    };
    for (const Case& c :
         {Case{"hold-time-a=12", "8 単位で入力してください。"}, Case{"rx-gain-a=50", "49"},
          Case{"audio-delay-a=6x0", "audio-delay-a"}, Case{"mic-gain=loud", "mic-gain"},
          Case{"tx-select-a=4", "0 to 3"}, Case{"bass-cut-a=2", "0 or 1"},
          Case{"serial=GGGGGGGG", "までの16進数を入力してください。"}}) {
        const Result r = Run({"--port", "box", "--trace", QString::fromStdString(trace), "set",
                              "tx-gain-a=-3", c.assignment});
        EXPECT_EQ(r.status, 2) << c.assignment << "\n" << r.err;
        EXPECT_TRUE(Has(r.err, c.message)) << c.assignment << "\n" << r.err;
        EXPECT_TRUE(Has(r.err, "nothing was sent")) << r.err;
        EXPECT_FALSE(Has(ReadFile(trace), "ATSTX")) << c.assignment;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_EQ(Value(RunOn("box", {"show"}).out, "tx-gain-a"), "0") << "nothing reached the box";
}

TEST_F(CliTest, ReadWritesTheSavedFileFormatAndSendLoadsItKeepingTheBoxSerial) {
    ASSERT_TRUE(StartSim("first", {"--serial", "12345678"}));
    ASSERT_TRUE(StartSim("second", {"--serial", "0000ABCD"}));
    ASSERT_EQ(RunOn("first", {"set", "hold-time-a=800", "mic-gain=-7"}).status, 0);

    const std::string file = Path("first.txt");
    const Result read = RunOn("first", {"read", QString::fromStdString(file)});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_TRUE(read.out.empty());
    const std::string saved = ReadFile(file);
    ASSERT_EQ(saved.size(), 4941u);
    EXPECT_EQ(saved.substr(0, 9), ":20000000");
    EXPECT_EQ(saved.substr(75, 2), "\r\n");
    EXPECT_EQ(saved.substr(saved.size() - 13), ":00000001FF\r\n");
    // The same bytes on standard output.
    EXPECT_EQ(RunOn("first", {"read", "-"}).out, saved);
    EXPECT_EQ(RunOn("first", {"read"}).out, saved);

    const Result send = RunOn("second", {"send", QString::fromStdString(file)});
    ASSERT_EQ(send.status, 0) << send.err;
    EXPECT_TRUE(Has(send.err, "ファイルから設定を読み出しました")) << send.err;
    EXPECT_TRUE(Has(send.err, kSendOk)) << send.err;
    const Result show = RunOn("second", {"show"});
    EXPECT_EQ(Value(show.out, "hold-time-a"), "800");
    EXPECT_EQ(Value(show.out, "mic-gain"), "-7");
    EXPECT_EQ(Value(show.out, "serial"), "0000ABCD");
}

TEST_F(CliTest, BadSettingsFilesAreRefusedWithStatusTwoAndNothingIsSent) {
    ASSERT_TRUE(StartSim("box"));
    const std::string good = Path("good.txt");
    ASSERT_EQ(RunOn("box", {"read", QString::fromStdString(good)}).status, 0);
    const std::string saved = ReadFile(good);

    // LF line ends; another model's code in the image (bytes 30 and 31 of the record at 1920,
    // checksum mended); a folder; no file at all.
    std::string lf;
    for (char c : saved)
        if (c != '\r')
            lf += c;
    const std::string lfFile = Path("lf.txt");
    WriteFile(lfFile, lf);
    // A settings file with one image byte changed and its record's checksum mended.
    auto withByte = [&saved](unsigned address, unsigned value) {
        std::string file = saved;
        const size_t line = (address / 32) * 77; // every record line is 77 bytes
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", value);
        file.replace(line + 9 + 2 * (address % 32), 2, hex);
        unsigned sum = 0;
        for (size_t i = line + 1; i < line + 73; i += 2)
            sum += static_cast<unsigned>(std::stoi(file.substr(i, 2), nullptr, 16));
        std::snprintf(hex, sizeof hex, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
        file.replace(line + 73, 2, hex);
        return file;
    };
    const std::string otherFile = Path("other.txt"); // model code 0xF709
    WriteFile(otherFile, withByte(1950, 0x09));
    const std::string longFile = Path("long.txt"); // audio delay A 1608 ms, above 880
    WriteFile(longFile, withByte(2003, 200));

    const std::string trace = Path("trace.txt");
    struct Case {
        std::string file;
        const char* message;
    };
    for (const Case& c :
         {Case{lfFile, "ファイルの書式が異なっています"}, Case{otherFile, "が異なっています"},
          Case{longFile, "refuses (audio-delay-a=1608)"},
          Case{m_dir.path().toStdString(), "is a folder"},
          Case{Path("missing.txt"), "no such file"}}) {
        const Result r = Run({"--port", "box", "--trace", QString::fromStdString(trace), "send",
                              QString::fromStdString(c.file)});
        EXPECT_EQ(r.status, 2) << c.file << "\n" << r.err;
        EXPECT_TRUE(Has(r.err, c.message)) << r.err;
        EXPECT_FALSE(Has(ReadFile(trace), "ATSTX")) << c.file;
    }
}

TEST_F(CliTest, SilentBoxTimesOutWithStatusOneAndTheTraceShowsTheResends) {
    ASSERT_TRUE(StartSim("quiet", {"--silent"}));
    const std::string trace = Path("trace.txt");
    // The operations and the monitor each start with their own "AT".
    for (const char* command : {"show", "monitor"}) {
        QElapsedTimer t;
        t.start();
        const Result r =
            Run({"--port", "quiet", "--trace", QString::fromStdString(trace), command});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_TRUE(Has(r.err, "応答がありませんでした")) << r.err;
        EXPECT_TRUE(r.out.empty());
        EXPECT_LT(t.elapsed(), 5000) << "three periods of 200 ms, then the end";
    }
    const std::string log = ReadFile(trace);
    EXPECT_EQ(QString::fromStdString(log).count("> \"AT\\r\""), 3) << log;
    EXPECT_TRUE(Has(log, "timer 101: no answer at step 1, re-send (1 more)")) << log;
    EXPECT_TRUE(Has(log, "timer 101: time-out at step 1")) << log;
    EXPECT_TRUE(Has(log, "info 応答がありませんでした")) << log;
    // Every line carries the seconds since the start.
    const QRegularExpression stamped(R"(^ *\d+\.\d{6} )");
    for (const QString& line : QString::fromStdString(log).split('\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith('#')) {
            EXPECT_TRUE(stamped.match(line).hasMatch()) << line.toStdString();
        }
    }
}

TEST_F(CliTest, BoxOfAnotherModelIsRefusedBeforeAnythingIsChanged) {
    ASSERT_TRUE(StartSim("other", {"--wrong-model"}));
    const std::string trace = Path("trace.txt");
    for (const char* command : {"restart", "factory-reset"}) {
        const Result r =
            Run({"--port", "other", "--trace", QString::fromStdString(trace), command});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_FALSE(Has(r.err, kReadOk)) << r.err;
        const std::string log = ReadFile(trace);
        EXPECT_FALSE(Has(log, "ATR\\r") || Has(log, "AT&F")) << log;
    }
}

TEST_F(CliTest, RestartReadsTheBoxFirstThenRestartsIt) {
    ASSERT_TRUE(StartSim("box"));
    const std::string trace = Path("trace.txt");
    const Result r = Run({"--port", "box", "--trace", QString::fromStdString(trace), "restart"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "再起動に成功しました")) << r.err;
    const std::string log = ReadFile(trace);
    EXPECT_LT(log.find("ATSRX"), log.find("ATR\\r")) << log;
}

TEST_F(CliTest, FactoryResetCountsTheSerialNumberInTheWindowsPreferences) {
    // The counter as the window keeps it: "Serial Number" in section "Settings".
    { hx::QtPreferences(m_config).WriteInt("Settings", "Serial Number", 0x25000009); }
    ASSERT_TRUE(StartSim("new-1"));
    ASSERT_TRUE(StartSim("new-2"));
    ASSERT_TRUE(StartSim("old", {"--serial", "11112222"}));

    Result r = RunOn("new-1", {"factory-reset"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "serial=25000009\n");
    EXPECT_TRUE(Has(r.err, "出荷時の設定に戻しました")) << r.err;
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 0x25000010);

    // A box that has a number keeps it, and the counter stays.
    r = RunOn("old", {"factory-reset", "--serial", "77777777"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "serial=11112222\n");
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 0x25000010);

    // A number given on the command line, and the counter goes on from it.
    r = RunOn("new-2", {"factory-reset", "--serial", "30000099"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "serial=30000099\n");
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 0x30000100);
    EXPECT_EQ(Value(RunOn("new-2", {"show"}).out, "serial"), "30000099");

    // A bad number is refused before the box is touched.
    const std::string trace = Path("trace.txt");
    r = Run({"--port", "new-2", "--trace", QString::fromStdString(trace), "factory-reset",
             "--serial", "FFFFFFFF"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "までの16進数を入力してください。")) << r.err;
    EXPECT_FALSE(Has(ReadFile(trace), "open")) << ReadFile(trace);
}

TEST_F(CliTest, PreferencesComeFromTheVariableOrTheUsersOwnStore) {
    ASSERT_TRUE(StartSim("box-1"));
    ASSERT_TRUE(StartSim("box-2"));
    // The variable names the file when --config does not.
    QProcessEnvironment env = m_env;
    const std::string viaEnv = Path("env.ini");
    env.insert("HX5310_CONFIG", QString::fromStdString(viaEnv));
    Result r = Finish(Ctl({"--port", "box-1", "factory-reset"}, &env));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "serial=00000001\n");
    EXPECT_EQ(hx::QtPreferences(viaEnv).GetInt("Settings", "Serial Number", 0), 2);

    // Without either, the user's own preferences: the window's store.
    r = Finish(Ctl({"--port", "box-2", "factory-reset"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "serial=00000001\n");
    const std::string own = m_dir.filePath("config/QORVA/HX-5310-Config.conf").toStdString();
    EXPECT_EQ(hx::QtPreferences(own).GetInt("Settings", "Serial Number", 0), 2) << own;
    // ... where the window's last port is found when no --port is given.
    { hx::QtPreferences(own).WriteString("Settings", "Serial Port", "box-2"); }
    r = Finish(Ctl({"show"}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Value(r.out, "serial"), "00000001");
}

TEST_F(CliTest, CounterThatCannotBeKeptStopsTheResetBeforeTheBoxIsChanged) {
    ASSERT_TRUE(StartSim("box"));
    // A preferences file that cannot be made: its folder would have to be a plain file.
    const std::string plain = Path("plain");
    WriteFile(plain, "x");
    m_config = plain + "/prefs.ini";
    const std::string trace = Path("trace.txt");
    const Result r = RunOn("box", {"--trace", QString::fromStdString(trace), "factory-reset"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_TRUE(Has(r.err, "serial-number counter")) << r.err;
    EXPECT_FALSE(Has(ReadFile(trace), "AT&F")) << ReadFile(trace);
}

TEST_F(CliTest, ParallelResetsSharingOneCounterGiveDifferentNumbers) {
    ASSERT_TRUE(StartSim("box-1"));
    ASSERT_TRUE(StartSim("box-2"));
    QProcess* first =
        Ctl({"--config", QString::fromStdString(m_config), "--port", "box-1", "factory-reset"});
    QProcess* second =
        Ctl({"--config", QString::fromStdString(m_config), "--port", "box-2", "factory-reset"});
    const Result a = Finish(first), b = Finish(second);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_NE(a.out, b.out);
    EXPECT_EQ(a.out.substr(0, 7) + b.out.substr(0, 7), "serial=serial=");
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 3);
}

TEST_F(CliTest, MonitorPrintsLampsAndLevelsAndStopsTheBox) {
    ASSERT_TRUE(StartSim("box", {"--frame-rate", "200"}));
    const std::string trace = Path("trace.txt");
    const Result r = Run(
        {"--port", "box", "--trace", QString::fromStdString(trace), "monitor", "--seconds", "1.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QRegularExpression line(
        R"(^\d+\.\d{3} tone-a=[01] noise-a=[01] busy-a=[01] ptt-a=[01]x? tone-b=[01] )"
        R"(noise-b=[01] busy-b=[01] ptt-b=[01]x? (level-a=-?\d+ level-b=-?\d+|mic-level=-?\d+)$)");
    const QStringList lines = QString::fromStdString(r.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2) << r.out;
    QString previous;
    for (const QString& l : lines) {
        EXPECT_TRUE(line.match(l).hasMatch()) << l.toStdString();
        EXPECT_NE(l.section(' ', 1), previous) << "a line only when something changed";
        previous = l.section(' ', 1);
    }
    // The stop command went out after the start, and left before the port closed.
    const std::string log = ReadFile(trace);
    const auto start = log.find("> \"AT*M1\\r\"");
    const auto stop = log.find("> \"\\r\"", start);
    ASSERT_NE(stop, std::string::npos) << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
    EXPECT_LT(stop, log.find("transmit empty", stop));
    EXPECT_LT(log.find("transmit empty", stop), log.find("close", stop));
}

TEST_F(CliTest, MonitorEndsOnCtrlCAndReportsALostLine) {
    ASSERT_TRUE(StartSim("box"));
    QProcess* ctl = Ctl({"--config", QString::fromStdString(m_config), "--port", "box", "monitor"});
    ASSERT_TRUE(ctl->waitForReadyRead(10000));
    ::kill(static_cast<pid_t>(ctl->processId()), SIGINT);
    Result r = Finish(ctl, 10000);
    EXPECT_EQ(r.status, 0) << r.err;

    ctl = Ctl({"--config", QString::fromStdString(m_config), "--port", "box", "monitor"});
    ASSERT_TRUE(ctl->waitForReadyRead(10000));
    m_sims.back()->Stop(SIGKILL);
    r = Finish(ctl, 10000);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "was lost")) << r.err;
}

TEST_F(CliTest, TransfersShowTheirProgressOnATerminal) {
    ASSERT_TRUE(StartSim("paced", {"--pace"}));
    int master = -1, terminal = -1;
    ASSERT_EQ(::openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    auto* ctl = new QProcess();
    ctl->setProcessEnvironment(m_env);
    ctl->setChildProcessModifier([terminal] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(terminal, STDERR_FILENO);
    });
    ctl->start(HX5310CTL_PATH,
               {"--config", QString::fromStdString(m_config), "--port", "paced", "show"});
    const Result r = Finish(ctl);
    ::close(terminal);
    std::string shown;
    char buf[4096];
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
        shown.append(buf, static_cast<size_t>(n));
    ::close(master);
    EXPECT_EQ(r.status, 0) << shown;
    EXPECT_TRUE(Has(shown, "\r\033[Kreceiving settings ")) << shown;
    EXPECT_TRUE(Has(shown, "%\r\033[K")) << "the progress line is cleared" << shown;
    EXPECT_TRUE(Has(shown, kReadOk)) << shown;
    EXPECT_TRUE(Has(r.out, "serial=\n")) << "standard output keeps its data only" << r.out;
}

TEST_F(CliTest, ReadIntoAPipeWritesIntoItAndLeavesItAPipe) {
    ASSERT_TRUE(StartSim("box"));
    const std::string fifo = Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    QProcess* ctl = Ctl({"--config", QString::fromStdString(m_config), "--port", "box", "read",
                         QString::fromStdString(fifo)});
    const int fd = ::open(fifo.c_str(), O_RDONLY); // meets the writer
    ASSERT_GE(fd, 0);
    std::string got;
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        got.append(buf, static_cast<size_t>(n));
    ::close(fd);
    const Result r = Finish(ctl);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(got.size(), 4941u);
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "not replaced by a plain file";
}

TEST_F(CliTest, OutputThatCannotBeWrittenIsRefusedBeforeTheBoxIsRead) {
    ASSERT_TRUE(StartSim("box"));
    const std::string trace = Path("trace.txt");
    const Result r = Run({"--port", "box", "--trace", QString::fromStdString(trace), "read",
                          QString::fromStdString(Path("no-such-folder/out.txt"))});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(Has(ReadFile(trace), "open")) << ReadFile(trace);
}

// --- Serial numbers and outcomes a production line can trust ---

TEST_F(CliTest, StandardErrorCarriesTheOutcomesNotTheWindowsProgress) {
    ASSERT_TRUE(StartSim("box"));
    const Result r = RunOn("box", {"set", "audio-delay-a=600"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "設定の受信に成功しました\n設定の送信に成功しました\n"
                     "設定の送信、確認と保存に成功しました\n");
}

TEST_F(CliTest, TheWindowAndHx5310ctlShareOneCounterAndNeverGiveANumberTwice) {
    ASSERT_TRUE(StartSim("box-b"));
    {
        hx::QtPreferences stored(m_config);
        stored.WriteInt("Settings", "Serial Number", 0x100);
        stored.WriteString("Settings", "Serial Port", "COM1");
    }
    // The window, open on box A with the counter read at its start (00000100).
    hx::MemoryWindow win;
    win.SetAppDataFolder(Path("window-data"));
    hx::sim::BoxModel boxA;
    hx::sim::InProcessPortFactory ports{win, boxA};
    hx::QtPreferences prefs(m_config);
    hx::CHX5310ConfigApp app(prefs);
    const std::unique_ptr<hx::CHX5310ConfigDlg> window =
        hx::test::StartAsTheApplication(app, win, ports);
    hx::CHX5310ConfigDlg& dlg = *window;
    auto idle = [&] { return win.AdvanceUntil([&] { return !dlg.OperationRunning(); }, 20000); };
    ASSERT_TRUE(win.Click(hx::IDC_RECEIVE) && idle());
    ASSERT_EQ(win.GetText(hx::IDC_NEW_SERIAL), "00000100");

    // hx5310ctl numbers box B meanwhile ...
    const Result r = RunOn("box-b", {"factory-reset"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "serial=00000100\n");
    // ... so the window gives box A the next number, not the one its field showed.
    ASSERT_TRUE(win.Click(hx::IDC_FACTORY) && idle());
    EXPECT_EQ(dlg.LastOutcome().kind, hx::OutcomeKind::FactoryReset);
    EXPECT_EQ(hx::GetU32(boxA.Flash(), hx::kSerialOffset), 0x101u);
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 0x102);
    win.EndDialog(2);
}

TEST_F(CliTest, TheNextNumberIsOnTheDiskWithItsFolderBeforeTheBoxHearsItsNumber) {
    if (QProcess::execute("strace", {"-o", "/dev/null", "true"}) != 0)
        GTEST_SKIP() << "strace cannot trace here";
    ASSERT_TRUE(StartSim("box"));
    const std::string calls = Path("calls.txt");
    auto* p = new QProcess();
    p->setProcessEnvironment(m_env);
    p->start("strace",
             {"-f", "-y", "-s", "64", "-o", QString::fromStdString(calls), "-e",
              "trace=fsync,fdatasync,rename,renameat,renameat2,write", HX5310CTL_PATH, "--config",
              QString::fromStdString(m_config), "--port", "box", "factory-reset"});
    const Result r = Finish(p, 60000);
    ASSERT_EQ(r.status, 0) << r.err;
    // In order: the new file synced, renamed over the store, the folder synced, "AT!SN=".
    const QStringList lines = QString::fromStdString(ReadFile(calls)).split('\n');
    const QString folder = QFileInfo(QString::fromStdString(m_config)).absolutePath();
    int fileSync = -1, rename = -1, folderSync = -1, told = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& l = lines[i];
        if (l.contains("AT!SN=") && l.contains("write(")) {
            told = i;
            break;
        }
        if (l.contains("rename") && l.contains("prefs.ini\"") && fileSync >= 0)
            rename = i;
        else if (l.contains("fsync(") && l.contains("<" + folder + ">") && rename >= 0)
            folderSync = i;
        else if (l.contains("fsync(") && !l.contains("<" + folder + ">"))
            fileSync = i;
    }
    EXPECT_GE(fileSync, 0) << ReadFile(calls);
    EXPECT_GT(rename, fileSync) << ReadFile(calls);
    EXPECT_GT(folderSync, rename) << ReadFile(calls);
    EXPECT_GT(told, folderSync) << ReadFile(calls);
}

TEST_F(CliTest, ManyStationsOnACounterWithOneSecondTimesNeverGiveANumberTwice) {
    // ext4 with 128-byte inodes keeps its times to the second, like FAT sticks and many shares.
    if (::geteuid() != 0 || QProcess::execute("sh", {"-c", "command -v mkfs.ext4 >/dev/null"}) != 0)
        GTEST_SKIP() << "needs root and mkfs.ext4 for a loop mount";
    const QString image = QString::fromStdString(Path("disk.img"));
    const QString mount = QString::fromStdString(Path("disk"));
    QDir().mkpath(mount);
    ASSERT_EQ(QProcess::execute("truncate", {"-s", "8M", image}), 0);
    ASSERT_EQ(QProcess::execute("mkfs.ext4", {"-q", "-F", "-I", "128", image}), 0);
    if (QProcess::execute("mount", {"-o", "loop", image, mount}) != 0)
        GTEST_SKIP() << "no loop mount here";
    struct Unmount {
        QString at;
        ~Unmount() { QProcess::execute("umount", {at}); }
    } unmount{mount};
    const QString counter = mount + "/counter.ini";

    constexpr int kStations = 6, kRounds = 4;
    std::set<std::string> given;
    int boxes = 0;
    for (int round = 0; round < kRounds; ++round) {
        m_sims.clear(); // new boxes, none with a serial number
        std::vector<QProcess*> runs;
        for (int s = 0; s < kStations; ++s) {
            const std::string name = "station-" + std::to_string(s);
            ASSERT_TRUE(StartSim(name));
            runs.push_back(Ctl(
                {"--config", counter, "--port", QString::fromStdString(name), "factory-reset"}));
        }
        for (QProcess* p : runs) {
            const Result r = Finish(p, 60000);
            ASSERT_EQ(r.status, 0) << r.err;
            ++boxes;
            EXPECT_TRUE(given.insert(r.out).second) << r.out << " given twice";
        }
    }
    EXPECT_EQ(static_cast<int>(given.size()), boxes);
}

TEST_F(CliTest, ANumberBelowTheCountersNeedsItsOwnOption) {
    ASSERT_TRUE(StartSim("box"));
    { hx::QtPreferences(m_config).WriteInt("Settings", "Serial Number", 0x25000010); }
    Result r = RunOn("box", {"factory-reset", "--serial", "01234567"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "--move-counter-back")) << r.err;
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 0x25000010);
    r = RunOn("box", {"show"});
    EXPECT_EQ(Value(r.out, "serial"), "") << r.out;

    r = RunOn("box", {"factory-reset", "--serial", "01234567", "--move-counter-back"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "serial=01234567\n");
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 0x01234568);
}

TEST_F(CliTest, AMonitorPausedForEightSecondsGoesOnWhereTheBoxDid) {
    // Ctrl-Z and fg, or a laptop's suspend: the box went on streaming meanwhile.
    ASSERT_TRUE(StartSim("box"));
    QProcess* p = Ctl({"--config", QString::fromStdString(m_config), "--port", "box", "monitor",
                       "--seconds", "11"});
    ASSERT_TRUE(p->waitForStarted(5000));
    QThread::msleep(1500);
    ::kill(static_cast<pid_t>(p->processId()), SIGSTOP);
    QThread::sleep(8);
    ::kill(static_cast<pid_t>(p->processId()), SIGCONT);
    const Result r = Finish(p, 30000);
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(CliTest, OutputLostAfterTheBoxChangedIsStatusOneAndSaysWhatTheBoxHolds) {
    ASSERT_TRUE(StartSim("box"));
    auto finish = [&](const QStringList& args) {
        auto* p = new QProcess();
        p->setProcessEnvironment(m_env);
        p->setStandardOutputFile("/dev/full");
        p->start(HX5310CTL_PATH,
                 QStringList{"--config", QString::fromStdString(m_config), "--port", "box"} + args);
        return Finish(p);
    };
    Result r = finish({"set", "audio-delay-a=600"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "stored the settings")) << r.err;
    r = finish({"factory-reset"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "serial number 00000001")) << r.err;
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 2);
}

TEST_F(CliTest, CtrlCAfterTheBoxHeardItsNumberSaysSoAndTheNumberIsNotGivenAgain) {
    ASSERT_TRUE(StartSim("box", {"--pace"}));
    const std::string trace = Path("trace.txt");
    QProcess* p = Ctl({"--config", QString::fromStdString(m_config), "--port", "box", "--trace",
                       QString::fromStdString(trace), "factory-reset"});
    QElapsedTimer t;
    t.start();
    while (!Has(ReadFile(trace), "AT!SN=") && t.elapsed() < 10000)
        QThread::msleep(2);
    ASSERT_TRUE(Has(ReadFile(trace), "AT!SN=")) << ReadFile(trace);
    ::kill(static_cast<pid_t>(p->processId()), SIGINT);
    Result r = Finish(p);
    if (r.status == 0)
        GTEST_SKIP() << "the reset ended before the interruption";
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_TRUE(Has(r.err, "00000001")) << r.err;
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 2);
}

TEST_F(CliTest, ASlowDiskNeverMakesARetryFireEarly) {
    // Every fsync (the backup written before the box is changed) takes 300 ms; the retry timer
    // of the first command must still count its 200 ms from when it was started.
    if (QProcess::execute("strace", {"-o", "/dev/null", "true"}) != 0)
        GTEST_SKIP() << "strace cannot trace here";
    ASSERT_TRUE(StartSim("box"));
    const std::string trace = Path("trace.txt");
    auto* p = new QProcess();
    p->setProcessEnvironment(m_env);
    p->start("strace", {"-f", "-o", "/dev/null", "-e", "inject=fsync:delay_enter=300000", "-e",
                        "inject=fdatasync:delay_enter=300000", HX5310CTL_PATH, "--config",
                        QString::fromStdString(m_config), "--port", "box", "--trace",
                        QString::fromStdString(trace), "factory-reset"});
    const Result r = Finish(p, 60000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "serial=00000001\n");
    EXPECT_FALSE(Has(ReadFile(trace), "re-send")) << ReadFile(trace);
}

// --- Files, waits and backups ---

// How long p takes to end after sig; -1 when it has not ended within 3 s.
qint64 EndAfter(QProcess* p, int sig, Result& r) {
    QElapsedTimer t;
    t.start();
    ::kill(static_cast<pid_t>(p->processId()), sig);
    const bool ended = p->waitForFinished(3000);
    const qint64 took = ended ? t.elapsed() : -1;
    if (ended && p->exitStatus() == QProcess::NormalExit)
        r.status = p->exitCode();
    r.err = p->readAllStandardError().toStdString();
    delete p;
    return took;
}

TEST_F(CliTest, NothingButARegularFileIsLoadedAndEveryWaitEndsOnCtrlCOrSigterm) {
    ASSERT_TRUE(StartSim("box"));
    const std::string fifo = Path("fifo.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const QString q = QString::fromStdString(fifo);

    // A FIFO is refused at once, as a settings file and as the preferences file.
    QElapsedTimer t;
    t.start();
    Result r = Finish(
        Ctl({"--config", QString::fromStdString(m_config), "--port", "box", "send", q}), 3000);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(Has(r.err, "is not a regular file")) << r.err;
    r = Finish(Ctl({"--config", q, "--port", "box", "show"}), 3000);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(Has(r.err, "is not a regular file")) << r.err;
    EXPECT_LT(t.elapsed(), 2000);

    // Waiting for a reader of the output or of the trace.
    for (const auto& args : {QStringList{"--port", "box", "read", q},
                             QStringList{"--port", "box", "--trace", q, "show"}}) {
        for (int sig : {SIGINT, SIGTERM}) {
            QProcess* p = Ctl(QStringList{"--config", QString::fromStdString(m_config)} + args);
            ASSERT_TRUE(p->waitForStarted(5000));
            QThread::msleep(300);
            Result ended;
            const qint64 took = EndAfter(p, sig, ended);
            EXPECT_GE(took, 0) << args.join(' ').toStdString() << " ignored signal " << sig;
            EXPECT_LT(took, 1000) << args.join(' ').toStdString();
            EXPECT_EQ(ended.status, 130) << ended.err;
        }
    }

    // A reader that stops reading once the pipe holds 4096 bytes (a settings file is 4941).
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_GE(::fcntl(reader, F_SETPIPE_SZ, 4096), 0);
    QProcess* p = Ctl({"--config", QString::fromStdString(m_config), "--port", "box", "read", q});
    int queued = 0;
    for (int i = 0; i < 500 && queued < 4096; ++i) {
        QThread::msleep(10);
        ::ioctl(reader, FIONREAD, &queued);
    }
    ASSERT_EQ(queued, 4096);
    Result ended;
    const qint64 took = EndAfter(p, SIGTERM, ended);
    ::close(reader);
    EXPECT_GE(took, 0) << "a full pipe kept the program from ending";
    EXPECT_LT(took, 1000);
    EXPECT_EQ(ended.status, 130) << ended.err;
}

TEST_F(CliTest, ReadSaysSavedOnlyOnceTheFileIsWrittenAndLeavesNoScratchFolder) {
    ASSERT_TRUE(StartSim("box", {"--pace"}));
    QDir().mkpath(m_dir.filePath("tmp"));
    QProcessEnvironment env = m_env;
    env.insert("TMPDIR", m_dir.filePath("tmp"));
    auto scratch = [&] {
        return QDir(m_dir.filePath("tmp"))
            .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    };
    const std::string file = Path("settings.txt");
    const QStringList read = {"--config", QString::fromStdString(m_config), "--port", "box",
                              "read",     QString::fromStdString(file)};

    Result r = Finish(Ctl(read, &env));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.err, "設定をファイルに保存しました")) << r.err;
    EXPECT_EQ(ReadFile(file).size(), 4941u);
    EXPECT_TRUE(scratch().isEmpty()) << scratch().join(' ').toStdString();

    // A file that cannot be written whole (files may not grow past 2000 bytes here): no word
    // of a save, and the old file stays.
    WriteFile(file, "old");
    auto* limited = new QProcess();
    limited->setProcessEnvironment(env);
    limited->setChildProcessModifier([] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit small{2000, 2000};
        ::setrlimit(RLIMIT_FSIZE, &small);
    });
    limited->start(HX5310CTL_PATH, read);
    r = Finish(limited);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_FALSE(Has(r.err, "設定をファイルに保存しました")) << r.err;
    EXPECT_EQ(ReadFile(file), "old");

    // Killed while the box sends its settings.
    const std::string trace = Path("trace.txt");
    QProcess* p = Ctl(QStringList{"--trace", QString::fromStdString(trace)} + read, &env);
    QElapsedTimer t;
    t.start();
    while (!Has(ReadFile(trace), "ATSRX") && t.elapsed() < 10000)
        QThread::msleep(2);
    ::kill(static_cast<pid_t>(p->processId()), SIGKILL);
    Finish(p);
    EXPECT_TRUE(scratch().isEmpty()) << scratch().join(' ').toStdString();
    EXPECT_EQ(ReadFile(file), "old");
}

TEST_F(CliTest, ParallelSendsKeepEveryBackupAndOneThatCannotBeKeptStopsTheSend) {
    constexpr int kBoxes = 6;
    for (int i = 0; i < kBoxes; ++i)
        ASSERT_TRUE(StartSim("box" + std::to_string(i), {"--serial", "12345678"}));
    const std::string file = Path("settings.txt");
    ASSERT_EQ(RunOn("box0", {"read", QString::fromStdString(file)}).status, 0);
    const QString backups = m_dir.filePath("data/QORVA/HX-5310-Config/backups");
    auto count = [&] {
        return QDir(backups).entryList({"HX5310-12345678-*.txt"}, QDir::Files).size();
    };

    std::vector<QProcess*> sends;
    for (int i = 0; i < kBoxes; ++i)
        sends.push_back(Ctl({"--config", QString::fromStdString(m_config), "--port",
                             QString::fromStdString("box" + std::to_string(i)), "send",
                             QString::fromStdString(file)}));
    for (QProcess* p : sends) {
        const Result r = Finish(p);
        EXPECT_EQ(r.status, 0) << r.err;
    }
    EXPECT_EQ(count(), kBoxes);

    // No place for backups (the data folder is a file): nothing is sent without --no-backup.
    QProcessEnvironment noData = m_env;
    noData.insert("XDG_DATA_HOME", QString::fromStdString(file));
    const std::string trace = Path("trace.txt");
    const QStringList send = {
        "--config", QString::fromStdString(m_config), "--port", "box0",
        "--trace",  QString::fromStdString(trace),    "set",    "audio-delay-a=600"};
    Result r = Finish(Ctl(send, &noData));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "バックアップを保存できないため、装置は変更していません")) << r.err;
    EXPECT_TRUE(Has(r.err, "--no-backup")) << r.err;
    EXPECT_FALSE(Has(ReadFile(trace), "ATSTX")) << ReadFile(trace);
    r = Finish(Ctl(QStringList{"--no-backup"} + send, &noData));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Has(r.err, kSendOk)) << r.err;
    EXPECT_EQ(Value(RunOn("box0", {"show"}).out, "audio-delay-a"), "600");
}

// --- A production line: provision, verify, the record, --json, ports by their adapter ---

// One JSON object from a text that must be exactly one line of JSON.
QJsonObject JsonObject(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    return doc.object();
}

std::vector<QJsonObject> RecordLines(const std::string& text) {
    std::vector<QJsonObject> lines;
    size_t from = 0;
    while (from < text.size()) {
        const size_t to = text.find('\n', from);
        if (to == std::string::npos) {
            ADD_FAILURE() << "a line without its end: " << text.substr(from);
            break;
        }
        lines.push_back(JsonObject(text.substr(from, to - from + 1)));
        from = to + 1;
    }
    return lines;
}

int Hex(const std::string& s, size_t at, size_t digits) {
    return std::stoi(s.substr(at, digits), nullptr, 16);
}

// The 2048 bytes of a settings file (64 records of 32 bytes, lines of 77 bytes).
QByteArray ImageOfFile(const std::string& file) {
    QByteArray image(2048, '\0');
    for (size_t line = 0; line < 64; ++line)
        for (size_t i = 0; i < 32; ++i)
            image[static_cast<int>(line * 32 + i)] =
                static_cast<char>(Hex(file, line * 77 + 9 + 2 * i, 2));
    return image;
}

// The file with the byte at address set to value, its record's checksum made right again.
std::string WithByte(std::string file, size_t address, int value) {
    const size_t line = (address / 32) * 77;
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", value);
    file.replace(line + 9 + 2 * (address % 32), 2, digits);
    int sum = 0;
    for (size_t i = 1; i < 73; i += 2)
        sum += Hex(file, line + i, 2);
    std::snprintf(digits, sizeof digits, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    file.replace(line + 73, 2, digits);
    return file;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST_F(CliTest, ProvisionNumbersABoxWithoutOneInOnePortSessionAndRecordsEveryBox) {
    { hx::QtPreferences(m_config).WriteInt("Settings", "Serial Number", 0x25000009); }
    ASSERT_TRUE(StartSim("setup", {"--serial", "11110000"}));
    ASSERT_TRUE(StartSim("new"));
    ASSERT_TRUE(StartSim("old", {"--serial", "11112222"}));
    ASSERT_EQ(RunOn("setup", {"set", "hold-time-a=800"}).status, 0);
    const QString file = QString::fromStdString(Path("line.txt"));
    ASSERT_EQ(RunOn("setup", {"read", file}).status, 0);

    const std::string trace = Path("trace.txt");
    Result r = Run(
        {"--port", "new", "--json", "--trace", QString::fromStdString(trace), "provision", file});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject json = JsonObject(r.out);
    EXPECT_EQ(json["serial"].toString(), "25000009");
    EXPECT_TRUE(json["serial_given"].toBool());
    EXPECT_EQ(json["outcome"].toObject()["kind"].toString(), "provisioned");
    EXPECT_EQ(json["status"].toInt(), 0);
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 0x25000010);
    // One port session, one identify, and besides the verifying read-back one image read.
    const std::string traced = ReadFile(trace);
    EXPECT_EQ(Count(traced, " open "), 1u) << traced;
    EXPECT_EQ(Count(traced, "> \"ATI3\\r\""), 1u) << traced;
    EXPECT_EQ(Count(traced, "> \"ATSRX\\r\""), 2u) << traced;
    EXPECT_EQ(Count(traced, "> \"AT&F\\r\""), 1u) << traced;
    EXPECT_EQ(Count(traced, "> \"AT!SN=25000009\\r\""), 1u) << traced;

    const Result show = RunOn("new", {"show"});
    EXPECT_EQ(Value(show.out, "hold-time-a"), "800");
    EXPECT_EQ(Value(show.out, "serial"), "25000009");
    EXPECT_EQ(RunOn("new", {"verify", file}).status, 0);

    // A box that has a number keeps it; the counter stays.
    r = RunOn("old", {"provision", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "serial=11112222\n");
    EXPECT_EQ(hx::QtPreferences(m_config).GetInt("Settings", "Serial Number", 0), 0x25000010);

    // The record beside the counter: the set, then both boxes.
    const std::vector<QJsonObject> lines = RecordLines(ReadFile(Path("HX-5310-Record.jsonl")));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["operation"].toString(), "set");
    const QJsonObject& numbered = lines[1];
    EXPECT_EQ(numbered["operation"].toString(), "provision");
    EXPECT_EQ(numbered["serial"].toString(), "25000009");
    EXPECT_EQ(numbered["outcome"].toString(), "provisioned");
    EXPECT_EQ(numbered["status"].toInt(-1), 0);
    EXPECT_EQ(numbered["model"].toString(), "HX-5310");
    EXPECT_FALSE(numbered["firmware"].toString().isEmpty());
    EXPECT_FALSE(numbered["station"].toString().isEmpty());
    EXPECT_FALSE(numbered["time"].toString().isEmpty());
    EXPECT_EQ(numbered["file"].toString(), file);
    // The image sent is the image the box now holds.
    const QString stored = QString::fromStdString(Path("stored.txt"));
    ASSERT_EQ(RunOn("new", {"read", stored}).status, 0);
    EXPECT_EQ(numbered["sha256"].toString(),
              QCryptographicHash::hash(ImageOfFile(ReadFile(stored.toStdString())),
                                       QCryptographicHash::Sha256)
                  .toHex());
    EXPECT_EQ(lines[2]["serial"].toString(), "11112222");
}

TEST_F(CliTest, VerifyNamesEveryDifferenceButTheSerialNumberAndRefusesABadFile) {
    ASSERT_TRUE(StartSim("box", {"--serial", "12345678"}));
    ASSERT_TRUE(StartSim("twin", {"--serial", "0000ABCD"}));
    const std::string file = Path("box.txt");
    ASSERT_EQ(RunOn("box", {"read", QString::fromStdString(file)}).status, 0);
    ASSERT_EQ(RunOn("twin", {"send", QString::fromStdString(file)}).status, 0);
    // Another box with the same settings: the serial numbers differ, the settings do not.
    Result r = RunOn("twin", {"verify", QString::fromStdString(file)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");

    ASSERT_EQ(RunOn("twin", {"set", "tx-gain-b=-6"}).status, 0);
    const std::string changed = Path("changed.txt");
    // 0x100 is no setting of the tool's: it is named by its address.
    const std::string original = ReadFile(file);
    WriteFile(changed, WithByte(original, 0x100, Hex(original, 8 * 77 + 9, 2) ^ 0x5A));
    r = RunOn("twin", {"--json", "verify", QString::fromStdString(changed)});
    EXPECT_EQ(r.status, 1) << r.err;
    const QJsonObject json = JsonObject(r.out);
    EXPECT_FALSE(json["equal"].toBool(true));
    const QJsonArray diffs = json["differences"].toArray();
    ASSERT_EQ(diffs.size(), 2) << r.out;
    EXPECT_EQ(diffs[0].toObject()["setting"].toString(), "tx-gain-b");
    EXPECT_EQ(diffs[0].toObject()["box"].toString(), "-6");
    EXPECT_EQ(diffs[1].toObject()["address"].toInt(), 0x100);
    r = RunOn("twin", {"verify", QString::fromStdString(changed)});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.out, "tx-gain-b box=-6 file=")) << r.out;
    EXPECT_TRUE(Has(r.out, "0x100 box=")) << r.out;

    const std::string bad = Path("bad.txt");
    WriteFile(bad, original.substr(0, 100));
    const std::string trace = Path("trace.txt");
    r = Run({"--port", "twin", "--json", "--trace", QString::fromStdString(trace), "verify",
             QString::fromStdString(bad)});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(JsonObject(r.out)["outcome"].toObject()["kind"].toString(), "bad_file");
    EXPECT_FALSE(Has(ReadFile(trace), "open")) << ReadFile(trace);
}

TEST_F(CliTest, TheRecordKeepsRefusalsAndTheNumberAnInterruptedResetMayHold) {
    { hx::QtPreferences(m_config).WriteInt("Settings", "Serial Number", 0x25000009); }
    ASSERT_TRUE(StartSim("setup", {"--serial", "11110000"}));
    ASSERT_TRUE(StartSim("box", {"--pace"}));
    const QString file = QString::fromStdString(Path("line.txt"));
    ASSERT_EQ(RunOn("setup", {"read", file}).status, 0);
    const QString record = QString::fromStdString(Path("line-record.jsonl"));

    // A number below the counter's is refused before the box is changed.
    Result r = RunOn("box", {"--record", record, "provision", "--serial", "00000005", file});
    EXPECT_EQ(r.status, 1) << r.err;
    std::vector<QJsonObject> lines = RecordLines(ReadFile(record.toStdString()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["outcome"].toString(), "serial_below_counter");
    EXPECT_FALSE(lines[0]["box_changed"].toBool(true));
    EXPECT_EQ(lines[0]["status"].toInt(), 1);

    // Ctrl-C once the box heard its number.
    const std::string trace = Path("trace.txt");
    QProcess* p = Ctl({"--config", QString::fromStdString(m_config), "--port", "box", "--trace",
                       QString::fromStdString(trace), "--record", record, "provision", file});
    QElapsedTimer t;
    t.start();
    while (!Has(ReadFile(trace), "AT!SN=") && t.elapsed() < 10000)
        QThread::msleep(2);
    ::kill(static_cast<pid_t>(p->processId()), SIGINT);
    r = Finish(p);
    lines = RecordLines(ReadFile(record.toStdString()));
    ASSERT_EQ(lines.size(), 2u);
    if (r.status == 0)
        GTEST_SKIP() << "the provision ended before the interruption";
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(lines[1]["outcome"].toString(), "interrupted");
    EXPECT_EQ(lines[1]["serial_may_hold"].toString(), "25000009");
    EXPECT_EQ(lines[1]["status"].toInt(), 130);

    // Many programs appending at once lose no line and tear none.
    std::vector<QProcess*> runs;
    for (int i = 0; i < 16; ++i)
        runs.push_back(Ctl({"--config", QString::fromStdString(m_config), "--port",
                            "/dev/hx5310-none", "--record", record, "send", file}));
    for (QProcess* run : runs)
        EXPECT_EQ(Finish(run).status, 1);
    lines = RecordLines(ReadFile(record.toStdString()));
    ASSERT_EQ(lines.size(), 18u);
    for (size_t i = 2; i < lines.size(); ++i)
        EXPECT_EQ(lines[i]["outcome"].toString(), "port_not_opened");
}

TEST_F(CliTest, APortIsFoundByItsAdaptersSerialNumberOrItsByIdLink) {
    ASSERT_TRUE(StartSim("usb", {"--serial", "12345678"}));
    // A stand-in for udev's link to a USB adapter.
    QDir().mkpath(m_dir.filePath("serial/by-id"));
    const QString byId =
        m_dir.filePath("serial/by-id/usb-FTDI_FT232R_USB_UART_A10K2JQ5-if00-port0");
    ASSERT_TRUE(QFile::link(QString::fromStdString(m_sims.back()->Device()), byId));
    QProcessEnvironment env = m_env;
    env.insert("HX5310_SERIAL_LINKS", m_dir.filePath("serial"));

    Result r = Run({"ports", "--json"}, &env);
    ASSERT_EQ(r.status, 0) << r.err;
    QJsonObject usb;
    for (const QJsonValue& port : JsonObject(r.out)["ports"].toArray())
        if (port.toObject()["name"].toString() == "usb")
            usb = port.toObject();
    EXPECT_EQ(usb["serial_number"].toString(), "A10K2JQ5") << r.out;
    EXPECT_EQ(usb["by_id"].toString(), byId) << r.out;
    r = Run({"ports"}, &env);
    EXPECT_TRUE(Has(r.out, "usb\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "  serial_number: A10K2JQ5\n")) << r.out;

    for (const QString& port : {QString("A10K2JQ5"), byId}) {
        r = Run({"--port", port, "show"}, &env);
        EXPECT_EQ(r.status, 0) << port.toStdString() << r.err;
        EXPECT_EQ(Value(r.out, "serial"), "12345678");
    }
    // An error, as JSON.
    r = Run({"--port", "/dev/hx5310-none", "--json", "show"}, &env);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(JsonObject(r.out)["outcome"].toObject()["kind"].toString(), "port_not_opened");
}

} // namespace

#endif // HX5310CTL_PATH
