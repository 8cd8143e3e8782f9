// The line's database counter: what a reservation adds to a box, and how many reservations a
// second sixteen stations get, on a private PostgreSQL server started for the run (the tests'
// tests/e2e/support/pg-server.sh). A reservation here is what a factory reset of a box without
// a number does with the database: reserve (the row committed) and, after the box, finish it.
// The physical limit it is set against is the line: a factory reset moves at least the image
// read back (64 records of 76 characters and the end-of-file record) and its commands at
// 115200 baud, so a station cannot reset a box in less than that.
#include "PgSerialStore.h"
#include "QtPreferences.h"
#include "SerialCounter.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kLineBytesPerSecond = 11520.0;
// The bytes of the read-back of a factory reset: 64 data records of 76 characters with their
// carriage returns, the end-of-file record, and the commands with their echoes and answers.
constexpr double kResetBytes = 64 * 76 + 12 + 120;

double NowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string Psql(const std::string& socket, const std::string& db, const std::string& sql) {
    QProcess p;
    p.start("/usr/lib/postgresql/15/bin/psql",
            {"-X", "-q", "-At", "-h", QString::fromStdString(socket), "-U", "hx", "-d",
             QString::fromStdString(db), "-c", QString::fromStdString(sql)});
    p.waitForFinished(30000);
    return p.readAllStandardOutput().toStdString();
}

bool ReserveAndFinish(hx::ISerialStore& store) {
    hx::BoxRecord record{"factory-reset", "bench", "bench", "HX-5310", "1.20"};
    const hx::SerialReservation r = store.Reserve(nullptr, false, record);
    std::string why;
    return r.ok() && store.Finish(r, true, {}, why);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 300;
    double seconds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (std::string(argv[i]) == "--seconds")
            seconds = std::max(0.5, std::atof(argv[i + 1]));
    }
    QTemporaryDir dir;
    QProcess server;
    server.start("bash", {HX_PG_SERVER_SCRIPT, "start", dir.path()});
    server.waitForFinished(120000);
    if (server.exitCode() != 0) {
        std::fprintf(stderr, "no private server: %s\n", server.readAllStandardError().data());
        return 2;
    }
    const std::string socket =
        QString::fromUtf8(server.readAllStandardOutput()).trimmed().toStdString();
    struct Stop {
        QString dir;
        ~Stop() { QProcess::execute("bash", {HX_PG_SERVER_SCRIPT, "stop", dir}); }
    } stop{dir.path()};
    Psql(socket, "postgres", "CREATE DATABASE bench");
    const std::string url = "postgresql://hx@/bench?host=" + socket;
    {
        hx::PgSerialStore store(url);
        std::string next, why;
        hx::CounterProblem problem;
        if (!store.Init("", next, problem, why)) {
            std::fprintf(stderr, "counter init: %s\n", why.c_str());
            return 2;
        }
    }
    const double lineMs = kResetBytes / kLineBytesPerSecond * 1000.0;

    // One station: a reservation and its finish, one after the other, on one connection.
    std::vector<double> times;
    {
        hx::PgSerialStore store(url);
        ReserveAndFinish(store); // the connection is made once a run
        for (int i = 0; i < rounds; ++i) {
            const double t = NowMs();
            if (!ReserveAndFinish(store)) {
                std::fprintf(stderr, "a reservation failed\n");
                return 2;
            }
            times.push_back(NowMs() - t);
        }
    }
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    const double mean = sum / times.size();
    // The station's counter file, for comparison: lock, read, write, sync the file and folder.
    std::vector<double> fileTimes;
    {
        hx::QtPreferences prefs(dir.filePath("counter.ini").toStdString());
        hx::SerialCounter counter(prefs, "Settings");
        for (int i = 0; i < std::min(rounds, 100); ++i) {
            const double t = NowMs();
            if (!counter.Reserve(nullptr).ok())
                return 2;
            fileTimes.push_back(NowMs() - t);
        }
    }
    std::sort(fileTimes.begin(), fileTimes.end());
    std::printf("one station, %d reservations (reserve and finish, each committed):\n", rounds);
    std::printf("  database: mean %.2f ms, median %.2f ms, 99th percentile %.2f ms\n", mean,
                times[times.size() / 2], times[times.size() * 99 / 100]);
    std::printf("  counter file: median %.2f ms\n", fileTimes[fileTimes.size() / 2]);
    std::printf("  a factory reset's read-back at 115200 baud: %.0f ms; the reservation adds "
                "%.2f %% to it (ratio %.4f)\n",
                lineMs, 100.0 * mean / lineMs, mean / lineMs);

    // Sixteen stations at once, each on its own connection.
    constexpr int kStations = 16;
    std::atomic<long> done{0};
    std::atomic<bool> failed{false};
    const double until = NowMs() + seconds * 1000.0;
    std::vector<std::thread> stations;
    const double start = NowMs();
    for (int s = 0; s < kStations; ++s)
        stations.emplace_back([&] {
            hx::PgSerialStore store(url);
            while (NowMs() < until) {
                if (!ReserveAndFinish(store)) {
                    failed = true;
                    return;
                }
                ++done;
            }
        });
    for (std::thread& t : stations)
        t.join();
    const double elapsed = (NowMs() - start) / 1000.0;
    const double rate = done / elapsed;
    const double demand = kStations / (lineMs / 1000.0);
    std::printf("sixteen stations for %.1f s: %ld reservations, %.0f a second%s\n", elapsed,
                done.load(), rate, failed ? " (one failed)" : "");
    std::printf("  sixteen lines at 115200 baud ask for at most %.1f a second: ratio %.1f\n",
                demand, rate / demand);
    std::printf(
        "  numbers given twice: %s",
        Psql(socket, "bench", "SELECT count(*) - count(DISTINCT serial_number) FROM hx5310_record")
            .c_str());
    return failed ? 1 : 0;
}
