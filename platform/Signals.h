#pragma once
// The one way the programs set their signal handlers (POSIX): handler for every signal in
// numbers, without restarting interrupted calls (a signal wakes a wait at once), flags added.
#include <csignal>
#include <initializer_list>

namespace hx {

inline void OnSignals(std::initializer_list<int> numbers, void (*handler)(int), int flags = 0) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    for (int sig : numbers)
        sigaction(sig, &action, nullptr);
}

} // namespace hx
