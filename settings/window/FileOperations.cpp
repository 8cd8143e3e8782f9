// The window's file operations: "保存..." and "読出...", and the automatic backup of the
// settings the box last sent, written before a Send or a Factory reset changes the box.
#include "Backup.h"
#include "Files.h"
#include "HX5310ConfigDlg.h"
#include "HexRecord.h"
#include "SerialText.h"
#include "SettingsFile.h"
#include "UserTexts.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace hx {

std::string CHX5310ConfigDlg::SaveText() {
    ExchangeImage(true);
    return SettingsFileText(m_SettingsImage);
}

void CHX5310ConfigDlg::OnSaveToFile() {
    m_bResumeMonitor = 0;
    // A refused field stops the save before a file is asked for: it shows its message and
    // holds the focus, and no file is written.
    if (!UpdateData(true)) {
        RefuseField("ファイルに保存していません");
        return;
    }
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
    MarkEditorKept();
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
        MarkEditorKept(); // the file keeps them
    }
    m_win.SetTimer(TIMER_CLEAR_INFO, 5000);
}

void CHX5310ConfigDlg::KeepBoxImage() {
    m_boxImage = m_SettingsImage;
    m_bBoxImageValid = 1;
}

std::string CHX5310ConfigDlg::BackupFolder() const {
    const std::string base = m_win.AppDataFolder();
    if (base.empty())
        return {};
    const std::string folder = base + "/backups";
    MakeFolders(folder); // a failure shows when the file is written
    return folder;
}

bool CHX5310ConfigDlg::BackupBoxImage(std::string* why) {
    m_strBackupError.clear();
    if (!m_bBoxImageValid)
        return true; // nothing has been read from the box: nothing to keep
    const std::string folder = BackupFolder();
    if (folder.empty()) {
        m_strBackupError = "バックアップの保存先がありません";
        if (why)
            *why = "保存先がありません";
        return false;
    }

    const std::tm local = LocalTime(std::time(nullptr));
    const uint32_t serial = GetU32(m_boxImage, kSerialOffset);
    // Two backups within one second (in this program or another) keep both.
    std::string path, reason;
    if (!WriteNewFile(
            folder, [&](int i) { return BackupFileName(serial, local, i + 1); }, 1000,
            SettingsFileText(m_boxImage), path, reason)) {
        m_strBackupError = "バックアップを保存できませんでした（" + reason + "）";
        if (why)
            *why = reason;
        return false;
    }

    // Keep the newest backups; one that cannot be deleted now goes on a later try.
    const std::vector<FolderEntry> files = RegularFilesIn(folder);
    const int64_t nowNs = WallClockNs() + 1000000000; // file times may be a little ahead of it
    const std::string made = path.substr(folder.size() + 1);
    for (const auto& name : BackupsToDelete(files, kBackupsKept, made, nowNs))
        RemoveFile(folder + "/" + name);
    return true;
}

} // namespace hx
