#pragma once
// The one way the programs set their signal handlers. OnSignals (POSIX): handler for every
// signal in numbers, without restarting interrupted calls (a signal wakes a wait at once), flags
// added. OnStopRequests: handler for what asks a program to end (Ctrl-C, SIGTERM and SIGHUP on
// POSIX, where a reader that goes away is no such request; Ctrl-C, Ctrl-Break and a closed
// console on Windows, where the handler runs on a thread of its own).
#include <csignal>
#include <initializer_list>

#ifdef _WIN32
#include <windows.h>
#endif

namespace hx {

#ifdef _WIN32

namespace detail {
inline void (*g_stopHandler)(int) = nullptr;
inline BOOL WINAPI OnConsoleEvent(DWORD) {
    g_stopHandler(SIGINT);
    return TRUE;
}
} // namespace detail

inline void OnStopRequests(void (*handler)(int)) {
    detail::g_stopHandler = handler;
    ::SetConsoleCtrlHandler(detail::OnConsoleEvent, TRUE);
}

#else

inline void OnSignals(std::initializer_list<int> numbers, void (*handler)(int), int flags = 0) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    for (int sig : numbers)
        sigaction(sig, &action, nullptr);
}

inline void OnStopRequests(void (*handler)(int)) {
    OnSignals({SIGINT, SIGTERM, SIGHUP}, handler);
    OnSignals({SIGPIPE}, SIG_IGN);
}

#endif

} // namespace hx
