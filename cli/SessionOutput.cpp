// hx5310ctl's output: the window's texts and the tool's own messages on standard error, data
// on standard output, and the progress of a transfer on a terminal.
#include "Output.h"
#include "Session.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace hx::cli {

// --- Output ---

void Session::Say(const std::string& windowText) {
    ClearProgress();
    m_said.push_back(windowText);
    std::fprintf(stderr, "%s\n", windowText.c_str());
    std::fflush(stderr);
}

void Session::Error(const std::string& text) {
    Say("hx5310ctl: " + text);
}

bool Session::Out(const std::string& data) {
    // A reader that does not read keeps this waiting only until Ctrl-C.
    if (WriteAllOrStop(STDOUT_FILENO, data.data(), data.size(),
                       [] { return g_stopRequested != 0; }))
        return true;
    // A reader that went away (a pipe into head) ends the output without a word; so does
    // Ctrl-C, which is reported where the run ends.
    if (errno != EPIPE && !g_stopRequested)
        Error(std::string("standard output cannot be written: ") + std::strerror(errno));
    return false;
}

void Session::Observe() {
    // What the window reports, not the progress it shows in the field meanwhile (hx5310ctl
    // shows its own progress on a terminal).
    const std::string info = m_dlg ? m_dlg->InformationText() : m_win.GetText(IDC_INFO);
    if (info != m_lastInfo) {
        m_lastInfo = info;
        if (!info.empty()) {
            Say(info);
            m_env.trace.Line("info " + info);
        }
    }
    // A refused value can bring the same message twice in a row (when its field is left,
    // and again when every field is read before the send): it is said once.
    const auto& messages = m_win.Messages();
    for (; m_messagesSeen < messages.size(); ++m_messagesSeen) {
        const std::string& text = messages[m_messagesSeen].text;
        m_env.trace.Line("message " + text);
        if (m_messagesSeen == 0 || messages[m_messagesSeen - 1].text != text)
            Say(text);
    }
}

void Session::ShowProgress() {
    if (!m_env.progress || !m_dlg)
        return;
    const OperationProgress progress = m_dlg->Progress();
    const std::string percent = std::to_string(progress.percent) + "%";
    std::string text;
    switch (progress.phase) {
    case OperationProgress::Idle:
        if (!m_dlg->OperationRunning())
            return;
        text = "starting the monitor";
        break;
    case OperationProgress::Connecting:
        text = "greeting the box";
        break;
    case OperationProgress::Receiving:
        text = "receiving settings " + percent;
        break;
    case OperationProgress::Sending:
        text = "sending settings " + percent;
        break;
    case OperationProgress::Verifying:
        text = "verifying settings " + percent;
        break;
    case OperationProgress::Storing:
        text = "storing settings";
        break;
    case OperationProgress::Resetting:
        text = "returning to factory settings";
        break;
    case OperationProgress::Restarting:
        text = "restarting";
        break;
    }
    const uint64_t now = m_loop->ElapsedMs();
    if (text == m_progressText || (now - m_progressAt < 100 && !m_progressText.empty()))
        return;
    m_progressText = text;
    m_progressAt = now;
    std::fprintf(stderr, "\r\033[K%s", text.c_str());
    std::fflush(stderr);
}

void Session::ClearProgress() {
    if (m_progressText.empty())
        return;
    m_progressText.clear();
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
}

} // namespace hx::cli
