// Settings files: saving the editor's settings to a file and loading them back.
#include "settings/SettingsFile.h"

#include "app/HX5310ConfigDlg.h"
#include "link/HexRecord.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hx {
namespace {

constexpr std::size_t kBlock = 77; // one data record line: 75 characters and CR LF

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

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
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = FileErrorReason(errno);
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
    // A symbolic link: replace the file it points at and keep the link.
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        reason = S_ISDIR(st.st_mode) ? FileErrorReason(EISDIR) : "通常のファイルではありません";
        return false;
    }

    // A new name in the same folder, so that the rename stays within one file system.
    const std::string stem = FolderOf(target) + "/." + NameOf(target) + ".";
    std::string temp;
    int fd = -1;
    for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%ld-%u.tmp", static_cast<long>(::getpid()), attempt);
        temp = stem + suffix;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            reason = FileErrorReason(errno);
            return false;
        }
    }
    if (fd < 0) {
        reason = FileErrorReason(EEXIST);
        return false;
    }
    auto fail = [&](int err) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        reason = FileErrorReason(err);
        return false;
    };
    if (!WriteAll(fd, bytes))
        return fail(errno);
    if (exists)
        ::fchmod(fd, st.st_mode & 07777); // the replaced file's permissions; not essential
    if (::fsync(fd) != 0)
        return fail(errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail(errno);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(errno);
    // Make the new name itself durable; a failure here no longer puts the file at risk.
    const int dir = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

std::string FileErrorReason(int err) {
    switch (err) {
    case ENOSPC:
    case EDQUOT:
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
    default:
        return "エラー番号 " + std::to_string(err);
    }
}

std::string ModelMismatchMessage(uint16_t found) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", found);
    return std::string("型式（") + code + "）が異なっています";
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
    UpdateData(true); // a refused field does not stop the save: the values stand as they are
    ExchangeImage(true);
    std::string reason;
    if (!WriteFileReplacing(*path, SettingsFileText(m_SettingsImage), reason)) {
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
