// hx5310-sim: a virtual HX-5310 on a pseudo-terminal. Bytes from the tool go to the box model;
// its answers and its status frames go back, at once or at the line rate (--pace).
#include "BoxModel.h"
#include "PortFolder.h"
#include "PtyLine.h"
#include "Signals.h"
#include "SimOptions.h"
#include "Version.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t g_stop = 0;

// The announced link and where it leads, for a handler that must withdraw it at once.
char g_link[PATH_MAX];
char g_target[PATH_MAX];

void OnStopSignal(int) {
    g_stop = 1;
}

// A fault ends the program at once: the link goes first (if it is still this program's), then
// the signal does what it would have done.
void OnFatalSignal(int sig) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(g_link, target, sizeof target);
    if (n > 0 && static_cast<std::size_t>(n) == std::strlen(g_target) &&
        std::memcmp(target, g_target, static_cast<std::size_t>(n)) == 0)
        ::unlink(g_link);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void InstallSignals() {
    // A signal wakes the poll at once. Every signal that would end the program ends the loop
    // instead, so the link is withdrawn.
    hx::OnSignals({SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
                   SIGXCPU, SIGXFSZ},
                  OnStopSignal);
    hx::OnSignals({SIGPIPE}, SIG_IGN);
    hx::OnSignals({SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS, SIGTRAP}, OnFatalSignal,
                  SA_RESETHAND);
}

uint64_t MonotonicUs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

// Bytes the box has said but the line has not yet carried. A tool that holds the port open
// without reading cannot make the simulator grow without end: the oldest bytes are lost, as
// they would be on a real line.
constexpr std::size_t kMaxPending = 1 << 20;

int Serve(hx::sim::PtyLine& line, hx::sim::BoxModel& box, bool pace) {
    using hx::sim::kLineBytesPerSecond;
    using hx::sim::LinePacer;
    const uint64_t startUs = MonotonicUs();
    // Stamped frames carry the steady clock that other processes on this machine read too.
    box.frames.stampOffsetMs = startUs / 1000;
    // After a pause the line starts with one byte, as a UART would; a wake-up up to 25 ms late
    // is made up for.
    LinePacer rxPace(kLineBytesPerSecond, 1, 288, 0), txPace(kLineBytesPerSecond, 1, 288, 0);
    std::string out;
    std::vector<char> buf(4096);

    while (!g_stop) {
        uint64_t nowUs = MonotonicUs() - startUs;
        const std::size_t rxAllow = pace ? rxPace.Allowance(nowUs) : buf.size();
        const std::size_t txAllow = pace ? txPace.Allowance(nowUs) : out.size();

        pollfd p{line.Master(), 0, 0};
        if (rxAllow > 0)
            p.events |= POLLIN;
        if (!out.empty() && txAllow > 0)
            p.events |= POLLOUT;
        int timeoutMs = box.Monitoring() ? 2 : 20;
        if (pace && (rxAllow == 0 || (!out.empty() && txAllow == 0)))
            timeoutMs = 1;
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            std::fprintf(stderr, "hx5310-sim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (ready < 0)
            continue;

        nowUs = MonotonicUs() - startUs;
        const uint64_t nowMs = nowUs / 1000;
        // Nobody has the device open: the master reports a hang-up (or EIO on read) until a
        // tool opens it again.
        bool noPeer = (p.revents & (POLLHUP | POLLERR)) != 0;
        if ((p.events & POLLIN) && !(p.revents & POLLIN))
            rxPace.Idle();
        if (p.revents & POLLIN) {
            const std::size_t want =
                pace ? std::min(rxPace.Allowance(nowUs), buf.size()) : buf.size();
            const ssize_t n = ::read(line.Master(), buf.data(), want);
            if (n > 0) {
                rxPace.Spend(static_cast<std::size_t>(n));
                if (static_cast<std::size_t>(n) < want)
                    rxPace.Idle(); // all that waited has been taken
                out += box.Input(std::string_view(buf.data(), static_cast<std::size_t>(n)), nowMs);
            } else if (n < 0 && errno == EIO) {
                noPeer = true;
            }
        }
        out += box.Tick(nowMs);
        if (noPeer) {
            // What the box says now reaches nobody, like a box with its cable pulled.
            out.clear();
            ::poll(nullptr, 0, 10);
            continue;
        }
        if (out.size() > kMaxPending)
            out.erase(0, out.size() - kMaxPending);
        if (out.empty())
            txPace.Idle();
        const std::size_t want = pace ? std::min(out.size(), txPace.Allowance(nowUs)) : out.size();
        if (want > 0) {
            const ssize_t n = ::write(line.Master(), out.data(), want);
            if (n > 0) {
                out.erase(0, static_cast<std::size_t>(n));
                txPace.Spend(static_cast<std::size_t>(n));
            } else if (n < 0 && errno == EIO) {
                out.clear();
            }
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    hx::sim::SimOptions options;
    std::string error;
    if (!hx::sim::ParseSimOptions(args, options, error)) {
        std::fprintf(stderr, "hx5310-sim: %s\nTry hx5310-sim --help.\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(hx::sim::SimUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("hx5310-sim %s\n", HX_VERSION);
        return 0;
    }

    hx::sim::BoxModel box;
    hx::sim::ApplySimOptions(options, box);

    hx::sim::PtyLine line;
    if (!line.Open(error)) {
        std::fprintf(stderr, "hx5310-sim: %s\n", error.c_str());
        return 1;
    }
    // Only what can end the program without running the code after Serve (SIGKILL, a power
    // cut) leaves the link behind; it then leads nowhere (OwnedDevicePath).
    InstallSignals();
    const std::string target = hx::sim::OwnedDevicePath(line.Device());
    std::string linkPath, note;
    if (!hx::sim::AnnounceLink(hx::AnnouncedPortFolder(), options.name, target, linkPath, error,
                               note)) {
        std::fprintf(stderr, "hx5310-sim: %s\n", error.c_str());
        return 1;
    }
    if (!note.empty())
        std::fprintf(stderr, "hx5310-sim: %s\n", note.c_str());
    std::snprintf(g_link, sizeof g_link, "%s", linkPath.c_str());
    std::snprintf(g_target, sizeof g_target, "%s", target.c_str());
    std::printf("%s\n%s\n", line.Device().c_str(), linkPath.c_str());
    std::fflush(stdout);

    const int result = Serve(line, box, options.pace);
    hx::sim::WithdrawLink(linkPath, target);
    return result;
}
