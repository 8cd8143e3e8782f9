// The progress of the running operation, read from the sequencer's step, the record parser's
// coverage of the image and the record pump's address.
#include "Progress.h"

#include "HX5310ConfigDlg.h"
#include "UserTexts.h"

#include <algorithm>

namespace hx {

std::string ProgressText(const OperationProgress& progress) {
    const std::string percent = " " + std::to_string(progress.percent) + "%";
    switch (progress.phase) {
    case OperationProgress::Idle:
        return {};
    case OperationProgress::Connecting:
        return "本装置に接続しています…";
    case OperationProgress::Receiving:
        return "設定を受信しています…" + percent;
    case OperationProgress::Sending:
        return "設定を送信しています…" + percent;
    case OperationProgress::Verifying:
        return "設定を確認しています…" + percent;
    case OperationProgress::Storing:
        return "設定を保存しています…";
    case OperationProgress::Resetting:
        return "出荷時の設定に戻しています…";
    case OperationProgress::Restarting:
        return "再起動しています…";
    }
    return {};
}

OperationProgress CHX5310ConfigDlg::Progress() const {
    OperationProgress p;
    // Until the box's closing OK the image is not complete: at most 99 %.
    auto share = [](size_t done) {
        return static_cast<int>(std::min<size_t>(99, done * 100 / kImageSize));
    };
    if (m_bMonitorMode)
        return p;
    switch (m_nStep) {
    case 1:
    case 2:
    case 3:
    case 11:
    case 12:
    case 21:
    case 31:
        p.phase = OperationProgress::Connecting;
        break;
    case 4:
    case 35:
        p.phase = OperationProgress::Receiving;
        p.percent = share(m_imageCovered.count());
        break;
    case 13:
        p.phase = OperationProgress::Sending;
        p.percent = share(m_nSentAddress); // what has left the port, not what was handed to it
        break;
    case 14:
        p.phase = OperationProgress::Verifying;
        p.percent = share(m_imageCovered.count());
        break;
    case 33:
        // A provision's factory settings, before its image.
        p.phase = m_bProvision ? OperationProgress::Resetting : OperationProgress::Storing;
        break;
    case 15:
    case 34:
        p.phase = OperationProgress::Storing;
        break;
    case 32:
        p.phase = OperationProgress::Resetting;
        break;
    case 22:
        p.phase = OperationProgress::Restarting;
        break;
    default:
        break; // idle, the monitor's start, or an error code on its way to the error end
    }
    return p;
}

void CHX5310ConfigDlg::ShowProgress() {
    std::string text = ProgressText(Progress());
    // The text that says the box took the image stays in front of the read-back's progress.
    if (!text.empty() && m_strInfo == kTextSentBeforeReadBack)
        text = m_strInfo + "　" + text;
    // The outcome of an operation replaces the progress, and nothing replaces the outcome.
    if (text.empty() || m_win.GetText(IDC_INFO) == text)
        return;
    m_edInfo.SetWindowText(text);
}

} // namespace hx
