// Settings files: the text of a file, reading and writing it safely.
#include "SettingsFile.h"

#include "HexRecord.h"

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

} // namespace hx
