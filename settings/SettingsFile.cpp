// Settings files: saving the editor's settings to a file and loading them back.
#include "settings/SettingsFile.h"

#include "app/HX5310ConfigDlg.h"
#include "link/HexRecord.h"

#include <cerrno>
#include <cstdio>

namespace hx {
namespace {

constexpr std::size_t kBlock = 77; // one data record line: 75 characters and CR LF

} // namespace

std::string SettingsFileText(const SettingsImage& image) {
    const std::string records = ImageToRecords(image); // each record ends with a CR
    std::string text;
    text.reserve(kSettingsFileSize);
    for (char c : records) {
        text += c;
        if (c == '\r')
            text += '\n';
    }
    return text;
}

FileRead ReadSettingsFile(const std::string& path, SettingsImage& image, std::string& reason) {
    int err = 0;
    std::FILE* f = OpenRegularFile(path, err);
    if (!f) {
        reason = FileErrorReason(err);
        return FileRead::CannotOpen;
    }
    SettingsImage work = image;
    FileRead result = FileRead::FormatError;
    char block[kBlock + 1];
    for (;;) {
        const std::size_t n = std::fread(block, 1, kBlock, f);
        if (n < kBlock && std::ferror(f)) {
            reason = FileErrorReason(errno);
            result = FileRead::CannotRead;
            break;
        }
        if (n < 2)
            break; // empty, or the file ended before its end-of-file record
        const bool wholeLine =
            n == kBlock && block[kBlock - 2] == '\r' && block[kBlock - 1] == '\n';
        block[n - 2] = '\0'; // the line end
        const int r = ParseRecord(block, HEX_STORE, work);
        if (r > 0) {
            result = FileRead::Ok;
            break;
        }
        if (r < 0 || !wholeLine)
            break;
    }
    std::fclose(f);
    if (result == FileRead::Ok)
        image = work;
    return result;
}

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& reason) {
    int err = 0;
    if (ReplaceFileWith(path, bytes, err))
        return true;
    reason = FileErrorReason(err);
    return false;
}

bool WriteNewFile(const std::string& folder, const std::function<std::string(int)>& names,
                  int attempts, const std::string& bytes, std::string& created,
                  std::string& reason) {
    int err = 0;
    if (CreateNewFile(folder, names, attempts, bytes, created, err))
        return true;
    reason = FileErrorReason(err);
    return false;
}

std::string FileErrorReason(int err) {
    switch (err) {
    case ENOSPC:
        return "ディスクの空き容量が足りません";
    case EACCES:
    case EPERM:
        return "アクセスが許可されていません";
    case EROFS:
        return "書き込みできない場所です";
    case ENOENT:
        return "ファイルまたはフォルダーが見つかりません";
    case ENOTDIR:
        return "フォルダーが見つかりません";
    case EISDIR:
        return "フォルダーです";
    case EFBIG:
        return "ファイルが大きすぎます";
    case ENAMETOOLONG:
        return "ファイル名が長すぎます";
    case EIO:
        return "入出力エラーが発生しました";
    case ELOOP:
        return "シンボリックリンクが循環しています";
    case kNotRegularFile:
        return "通常のファイルではありません";
    case kOwnerNotKept:
        return "ファイルの所有者を引き継げません";
    default:
        return "エラー番号 " + std::to_string(err);
    }
}

std::string ModelMismatchMessage(uint16_t found) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", found);
    return std::string("型式（") + code + "）が異なっています";
}

std::string CHX5310ConfigDlg::SaveText() {
    UpdateData(true); // a refused field does not stop the save: the values stand as they are
    ExchangeImage(true);
    return SettingsFileText(m_SettingsImage);
}

void CHX5310ConfigDlg::OnSaveToFile() {
    m_bResumeMonitor = 0;
    FileDialogSpec dialog;
    dialog.save = true;
    dialog.filter = "Config Files (*.txt)|*.txt|All Files (*.*)|*.*||";
    dialog.defaultExt = "txt";
    dialog.confirmOverwrite = true;
    const auto path = m_win.AskFileName(dialog);
    if (!path)
        return;
    std::string reason;
    if (!WriteFileReplacing(*path, SaveText(), reason)) {
        // An error stays until the next operation.
        m_win.KillTimer(TIMER_CLEAR_INFO);
        SetFileOutcome(OutcomeKind::FileFailed,
                       "設定をファイルに保存できませんでした（" + reason + "）");
        SetInfoNow(m_strInfo);
        return;
    }
    SetFileOutcome(OutcomeKind::FileSaved);
    SetInfoNow(m_strInfo);
    m_win.SetTimer(TIMER_CLEAR_INFO, 5000);
}

void CHX5310ConfigDlg::OnLoadFromFile() {
    FileDialogSpec dialog;
    dialog.save = false;
    dialog.filter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||";
    dialog.defaultExt = "txt";
    const auto path = m_win.AskFileName(dialog);
    if (!path)
        return;

    SettingsImage image = m_SettingsImage; // the records go into a copy: a failure changes nothing
    std::string reason;
    switch (ReadSettingsFile(*path, image, reason)) {
    case FileRead::CannotOpen:
        m_win.KillTimer(TIMER_CLEAR_INFO);
        SetFileOutcome(OutcomeKind::FileFailed, "ファイルを開けませんでした（" + reason + "）");
        SetInfoNow(m_strInfo);
        return;
    case FileRead::CannotRead:
        m_win.KillTimer(TIMER_CLEAR_INFO);
        SetFileOutcome(OutcomeKind::FileFailed, "ファイルを読み出せませんでした（" + reason + "）");
        SetInfoNow(m_strInfo);
        return;
    case FileRead::FormatError:
        SetFileOutcome(OutcomeKind::FileFailed, "ファイルの書式が異なっています");
        SetInfoNow(m_strInfo);
        m_win.SetTimer(TIMER_CLEAR_INFO, 5000);
        return;
    case FileRead::Ok:
        break;
    }

    const uint16_t model = GetU16(image, kModelCodeOffset);
    if (model != kModelCode) {
        SetFileOutcome(OutcomeKind::FileFailed, ModelMismatchMessage(model));
        SetInfoNow(m_strInfo);
    } else {
        // The box keeps its own serial number; the one in the file is not taken over.
        PutU32(image, kSerialOffset, GetU32(m_SettingsImage, kSerialOffset));
        m_SettingsImage = image;
        ExchangeImage(false);
        SetFileOutcome(OutcomeKind::FileLoaded);
        UpdateData(false);
    }
    m_win.SetTimer(TIMER_CLEAR_INFO, 5000);
}

} // namespace hx
