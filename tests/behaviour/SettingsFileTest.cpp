// Saving the settings to a file and loading them back.
#include "SettingsFile.h"
#include "Harness.h"
#include "HexRecord.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace hx {
namespace {

namespace fs = std::filesystem;
using test::Harness;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "\r\n";
    return text;
}

// A data record of 32 bytes at address, with its checksum; the address may lie anywhere.
std::string Record(uint16_t address, const uint8_t* bytes) {
    char text[80];
    unsigned sum = 0x20 + (address >> 8) + (address & 0xFF);
    int n = std::snprintf(text, sizeof text, ":20%04X00", address);
    for (int i = 0; i < 32; ++i) {
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "%02X", bytes[i]);
        sum += bytes[i];
    }
    std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "%02X",
                  (0x100 - (sum & 0xFF)) & 0xFF);
    return text;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::NewTempFolder("hx-settings-file");
        ASSERT_NE(dir, "");
        PutU32(h.box.Ram(), kSerialOffset, 0x25000009);
        ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
        ASSERT_EQ(h.Info(), "設定の受信に成功しました");
        ASSERT_TRUE(h.Enabled(IDC_SAVE));
        ASSERT_TRUE(h.Enabled(IDC_LOAD));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    void Save(const std::string& path) {
        h.win.QueueFileAnswer(path);
        ASSERT_TRUE(h.win.Click(IDC_SAVE));
    }
    void Load(const std::string& path) {
        h.win.QueueFileAnswer(path);
        ASSERT_TRUE(h.win.Click(IDC_LOAD));
    }
    // Loads a file that must be refused and checks that nothing changed.
    void ExpectRefused(const std::string& bytes, const std::string& message, const char* what) {
        const std::string path = Path("refused.txt");
        WriteAll(path, bytes);
        const SettingsImage before = TestState(*h.dlg).m_SettingsImage;
        const std::string delay = h.win.GetText(1003);
        Load(path);
        EXPECT_EQ(h.Info(), message) << what;
        EXPECT_TRUE(TestState(*h.dlg).m_SettingsImage == before) << what;
        EXPECT_EQ(h.win.GetText(1003), delay) << what;
        EXPECT_TRUE(h.win.TimerRunning(TIMER_CLEAR_INFO)) << what;
    }
    // The file of an image whose every byte differs from the box's, with the model code kept.
    std::string OtherSettingsFile() const {
        SettingsImage img = TestState(*h.dlg).m_SettingsImage;
        for (auto& b : img)
            b = static_cast<uint8_t>(b ^ 0x5A);
        PutU16(img, kModelCodeOffset, kModelCode);
        return SettingsFileText(img);
    }

    Harness h;
    std::string dir;
};

TEST_F(SettingsFile, SaveWritesTheExactFormat) {
    const std::string path = Path("a.txt");
    Save(path);
    ASSERT_EQ(h.win.FileDialogs().size(), 1u);
    const FileDialogSpec& dialog = h.win.FileDialogs()[0];
    EXPECT_TRUE(dialog.save);
    EXPECT_EQ(dialog.filter, "Config Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_EQ(dialog.defaultExt, "txt");
    EXPECT_TRUE(dialog.confirmOverwrite);
    EXPECT_EQ(h.Info(), "設定をファイルに保存しました");

    const std::string text = ReadAll(path);
    ASSERT_EQ(text.size(), 4941u);
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 65u);
    for (int i = 0; i < 64; ++i) {
        char head[16];
        std::snprintf(head, sizeof head, ":20%04X00", i * 32);
        EXPECT_EQ(lines[i].substr(0, 9), head);
        EXPECT_EQ(lines[i].size(), 75u);
        EXPECT_EQ(lines[i].find_first_not_of(":0123456789ABCDEF"), std::string::npos);
    }
    EXPECT_EQ(lines[64], ":00000001FF");
    EXPECT_EQ(text.find('\n'), 76u); // CR LF, not LF alone
    EXPECT_EQ(text[75], '\r');

    h.win.Advance(5000);
    EXPECT_EQ(h.Info(), "");
}

TEST_F(SettingsFile, CancelledDialogsChangeNothing) {
    h.win.QueueFileAnswer(std::nullopt);
    ASSERT_TRUE(h.win.Click(IDC_SAVE));
    h.win.QueueFileAnswer(std::nullopt);
    const SettingsImage before = TestState(*h.dlg).m_SettingsImage;
    ASSERT_TRUE(h.win.Click(IDC_LOAD));
    EXPECT_EQ(h.Info(), "設定の受信に成功しました");
    EXPECT_TRUE(TestState(*h.dlg).m_SettingsImage == before);
    EXPECT_TRUE(fs::is_empty(dir));
    ASSERT_EQ(h.win.FileDialogs().size(), 2u);
    const FileDialogSpec& open = h.win.FileDialogs()[1];
    EXPECT_FALSE(open.save);
    EXPECT_EQ(open.filter, "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_EQ(open.defaultExt, "txt");
}

TEST_F(SettingsFile, LoadGivesTheSavedSettingsBackButKeepsTheSerialNumber) {
    h.win.SetText(1003, "480");
    h.win.SetText(1023, "-7");
    h.win.Choose(1071, 2);
    h.win.Click(1058);
    const std::string path = Path("saved.txt");
    Save(path);
    const SettingsImage saved = TestState(*h.dlg).m_SettingsImage;
    EXPECT_EQ(GetU32(saved, kSerialOffset), 0x25000009u);

    // Another box is read; its settings and serial number differ.
    sim::BoxModel& box = h.box;
    box.Ram() = sim::BoxModel::FactoryImage();
    PutU32(box.Ram(), kSerialOffset, 0x25000010);
    ASSERT_TRUE(h.ClickAndWait(IDC_RECEIVE));
    ASSERT_EQ(h.win.GetText(1003), "248");

    Load(path);
    EXPECT_EQ(h.Info(), "ファイルから設定を読み出しました");
    SettingsImage expected = saved;
    PutU32(expected, kSerialOffset, 0x25000010);
    EXPECT_TRUE(TestState(*h.dlg).m_SettingsImage == expected);
    EXPECT_EQ(h.win.GetText(1003), "480");
    EXPECT_EQ(h.win.GetText(1023), "-7");
    EXPECT_EQ(h.win.ListSelection(1071), 2);
    EXPECT_EQ(h.win.GetCheck(1058), 1);
    EXPECT_EQ(TestState(*h.dlg).m_strSerial, "25000010");
    EXPECT_TRUE(h.win.Messages().empty());
    h.win.Advance(5000);
    EXPECT_EQ(h.Info(), "");
}

TEST_F(SettingsFile, FilesThatAreNotSettingsFilesAreRefused) {
    const std::string good = OtherSettingsFile();
    const auto lines = Lines(good);
    const std::string format = "ファイルの書式が異なっています";

    std::string lfOnly;
    for (const auto& l : lines)
        lfOnly += l + "\n";
    ExpectRefused(lfOnly, format, "LF line ends");

    std::string lower = good;
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ExpectRefused(lower, format, "lower-case digits");

    auto shortLine = lines;
    shortLine[10].erase(20, 2); // one byte fewer, checksum no longer matches the line
    ExpectRefused(Join(shortLine), format, "a short line");

    auto lastShort = lines;
    lastShort[63].erase(20, 2);
    ExpectRefused(Join(lastShort), format, "a short last data line");

    auto pastEnd = lines;
    const uint8_t bytes[32] = {};
    pastEnd[5] = Record(0x7F0, bytes); // 32 bytes from 0x7F0 reach past 2048
    ExpectRefused(Join(pastEnd), format, "a record past 2048");

    auto badSum = lines;
    badSum[7][74] = badSum[7][74] == '0' ? '1' : '0';
    ExpectRefused(Join(badSum), format, "a wrong checksum");

    auto otherType = lines;
    otherType[3] = ":020000040000FA" + std::string(60, '0');
    ExpectRefused(Join(otherType), format, "an extended address record");

    ExpectRefused("", format, "an empty file");
    ExpectRefused(good.substr(0, 2000), format, "a file cut in the middle");
    ExpectRefused(good.substr(0, 64 * 77), format, "no end-of-file record");
    ExpectRefused(good.substr(0, 4941 - 2), format, "the end-of-file record without CR LF");
    ExpectRefused("\r\n", format, "an empty line");
    EXPECT_TRUE(h.win.Messages().empty());
}

TEST_F(SettingsFile, EveryDataLineEndsWithCarriageReturnAndLineFeed) {
    const auto lines = Lines(OtherSettingsFile());
    const std::pair<const char*, const char*> ends[] = {{"\n\r", "LF CR"},   {"\r\r", "CR CR"},
                                                        {"\n\n", "LF LF"},   {"\r ", "CR blank"},
                                                        {" \n", "blank LF"}, {"  ", "two blanks"}};
    for (auto [end, name] : ends) {
        std::string all, one;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            all += lines[i] + end;
            one += lines[i] + (i == 10 ? end : "\r\n");
        }
        ExpectRefused(all, "ファイルの書式が異なっています", name);
        ExpectRefused(one, "ファイルの書式が異なっています", name);
    }
}

TEST_F(SettingsFile, OnlyTheEndOfFileRecordChangesNothing) {
    const SettingsImage before = TestState(*h.dlg).m_SettingsImage;
    const std::string path = Path("eof.txt");
    WriteAll(path, ":00000001FF\r\n");
    Load(path);
    EXPECT_EQ(h.Info(), "ファイルから設定を読み出しました");
    EXPECT_TRUE(TestState(*h.dlg).m_SettingsImage == before);
}

TEST_F(SettingsFile, AFileCoveringPartOfTheImageLoads) {
    SettingsImage img = TestState(*h.dlg).m_SettingsImage;
    img[35] = 17; // 152 ms
    img[0] ^= 0xFF;
    const std::string path = Path("part.txt");
    WriteAll(path, Record(0x000, img.data()) + "\r\n" + Record(0x020, img.data() + 0x20) +
                       "\r\n:00000001FF\r\nanything after it\r\n");
    Load(path);
    EXPECT_EQ(h.Info(), "ファイルから設定を読み出しました");
    EXPECT_TRUE(TestState(*h.dlg).m_SettingsImage == img);
    EXPECT_EQ(h.win.GetText(1038), "152");
}

TEST_F(SettingsFile, AnotherModelIsRefused) {
    SettingsImage other = TestState(*h.dlg).m_SettingsImage;
    PutU16(other, kModelCodeOffset, 0x1234);
    auto lines = Lines(SettingsFileText(other));
    ExpectRefused(Join(lines), "型式（0x1234）が異なっています", "model 0x1234");
    // Only the record at 1920 carries the model code.
    lines = {Record(1920, other.data() + 1920), ":00000001FF"};
    ExpectRefused(Join(lines), "型式（0x1234）が異なっています", "record at 1920");
}

TEST_F(SettingsFile, FilesThatCannotBeReadSaySo) {
    const SettingsImage before = TestState(*h.dlg).m_SettingsImage;
    Load(Path("missing.txt"));
    EXPECT_EQ(h.Info(), "ファイルを開けませんでした（ファイルまたはフォルダーが見つかりません）");
    EXPECT_FALSE(h.win.TimerRunning(TIMER_CLEAR_INFO)); // an error stays
    Load(dir);
    EXPECT_EQ(h.Info(), "ファイルを開けませんでした（フォルダーです）");
    EXPECT_TRUE(TestState(*h.dlg).m_SettingsImage == before);
}

#ifndef _WIN32
// FIFOs and devices in /dev are POSIX files.
TEST_F(SettingsFile, ALoadNeverWaitsForAFifoOrADevice) {
    const std::string fifo = Path("fifo.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Should the load wait for a writer, one comes after 2 s (and writes nothing).
    std::atomic<bool> returned{false};
    std::thread writer([&] {
        for (int i = 0; i < 200 && !returned; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    });
    const auto start = std::chrono::steady_clock::now();
    Load(fifo);
    returned = true;
    const auto took = std::chrono::steady_clock::now() - start;
    writer.join();
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(h.Info(), "ファイルを開けませんでした（通常のファイルではありません）");
    Load("/dev/zero");
    EXPECT_EQ(h.Info(), "ファイルを開けませんでした（通常のファイルではありません）");
}

#endif

#ifndef _WIN32
// Modes, owners, symbolic links, another user, /proc, /dev and file size limits are POSIX
// matters; Windows has its own test below.
TEST_F(SettingsFile, SaveReplacesAnOldFileWholeAndKeepsItsPermissions) {
    const std::string path = Path("old.txt");
    WriteAll(path, std::string(10000, 'x')); // longer than a settings file
    ::chmod(path.c_str(), 0640);
    Save(path);
    EXPECT_EQ(ReadAll(path), SettingsFileText(TestState(*h.dlg).m_SettingsImage));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // Through a symbolic link: the file it points at is replaced, the link stays.
    const std::string link = Path("link.txt");
    fs::create_symlink(path, link);
    WriteAll(path, "old");
    Save(link);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(path).size(), 4941u);

    // A link to a file still to be made: the file is made, the link stays.
    const std::string dangling = Path("dangling.txt");
    fs::create_symlink("made-through-link.txt", dangling);
    Save(dangling);
    EXPECT_EQ(h.Info(), "設定をファイルに保存しました");
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(ReadAll(Path("made-through-link.txt")).size(), 4941u);
}

// Runs fn as an ordinary user (nobody) when the tests run as root, who may write any file;
// returns what fn returns.
int AsOrdinaryUser(const std::function<int()>& fn) {
    if (::geteuid() != 0)
        return fn();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        ::_exit(fn());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST_F(SettingsFile, ASaveNeverReplacesAFileTheUserMayNotWrite) {
    ::chmod(dir.c_str(), 0777); // the user may write the folder
    const std::string readOnly = Path("read-only.txt"), others = Path("others.txt");
    const std::string old = OtherSettingsFile();
    WriteAll(readOnly, old);
    ::chmod(readOnly.c_str(), 0444);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(readOnly.c_str(), 65534, 65534), 0); // the user's own file
        WriteAll(others, old);                                 // root's
        ::chmod(others.c_str(), 0644);
    }
    const int failed = AsOrdinaryUser([&] {
        int bad = 0;
        for (const std::string& path : {readOnly, others}) {
            if (path == others && !root)
                continue;
            Save(path);
            bad = bad * 4 +
                  (h.Info() !=
                   "設定をファイルに保存できませんでした（アクセスが許可されていません）") +
                  2 * (ReadAll(path) != old);
        }
        return bad;
    });
    EXPECT_EQ(failed, 0) << "base-4 digits, one per file: 1 wrong text, 2 file replaced";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), root ? 2 : 1);

    if (!root)
        return;
    // A file root replaces keeps its owner.
    const std::string users = Path("users.txt");
    WriteAll(users, old);
    ASSERT_EQ(::chown(users.c_str(), 65534, 65534), 0);
    Save(users);
    EXPECT_EQ(h.Info(), "設定をファイルに保存しました");
    struct stat st {};
    ASSERT_EQ(::stat(users.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST_F(SettingsFile, AFailedSaveSaysSoAndLeavesTheOldFile) {
    const std::string old = "the old settings\r\n";
    const std::string notAFolder = Path("plain");
    WriteAll(notAFolder, old);
    Save(notAFolder + "/a.txt");
    EXPECT_EQ(h.Info(), "設定をファイルに保存できませんでした（フォルダーが見つかりません）");
    EXPECT_FALSE(h.win.TimerRunning(TIMER_CLEAR_INFO));
    EXPECT_EQ(ReadAll(notAFolder), old);

    Save("/proc/hx5310-settings.txt");
    EXPECT_EQ(h.Info().rfind("設定をファイルに保存できませんでした（", 0), 0u) << h.Info();

    // A device is not replaced by a regular file.
    Save("/dev/full");
    EXPECT_EQ(h.Info(), "設定をファイルに保存できませんでした（通常のファイルではありません）");
    struct stat st {};
    ASSERT_EQ(::stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    Save(dir);
    EXPECT_EQ(h.Info(), "設定をファイルに保存できませんでした（フォルダーです）");
}

TEST_F(SettingsFile, ASaveThatFailsPartWayLeavesTheOldFile) {
    const std::string path = Path("settings.txt");
    const std::string old = OtherSettingsFile();
    WriteAll(path, old);
    // Files of this process may not grow past 2000 bytes: the write stops part-way, as on a
    // full disk.
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 2000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Save(path);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(h.Info(), "設定をファイルに保存できませんでした（ファイルが大きすぎます）");
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

TEST_F(SettingsFile, AnotherIntelHexToolReadsTheSavedFile) {
    if (std::system("command -v srec_cat >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "srec_cat is not installed";
    const std::string path = Path("interop.txt");
    const std::string bin = Path("interop.bin");
    Save(path);
    const std::string command = "srec_cat '" + path + "' -intel -o '" + bin + "' -binary";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string bytes = ReadAll(bin);
    ASSERT_EQ(bytes.size(), kImageSize);
    EXPECT_EQ(0, std::memcmp(bytes.data(), TestState(*h.dlg).m_SettingsImage.data(), kImageSize));
}
#endif

#ifdef _WIN32
// A file named in Japanese is replaced whole, through the wide-character calls (the ANSI code
// page cannot spell the name); a read-only file is not replaced.
TEST_F(SettingsFile, OnWindowsAJapaneseNameIsReplacedWholeAndAReadOnlyFileIsKept) {
    const std::string name = "設定ファイル（二号機）.txt";
    const fs::path path = fs::u8path(Path(name));
    std::ofstream(path, std::ios::binary) << std::string(10000, 'x'); // longer than the new one
    Save(Path(name));
    EXPECT_EQ(h.Info(), "設定をファイルに保存しました");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    in.close();
    EXPECT_EQ(text.str(), SettingsFileText(TestState(*h.dlg).m_SettingsImage));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::u8path(dir)))
        names.push_back(entry.path().filename().u8string());
    EXPECT_EQ(names, std::vector<std::string>{name}) << "no temporary file is left behind";

    h.win.SetText(1003, "480");
    Load(Path(name));
    EXPECT_EQ(h.Info(), "ファイルから設定を読み出しました");
    EXPECT_EQ(h.win.GetText(1003), "248");

    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    h.win.SetText(1003, "480");
    Save(Path(name));
    EXPECT_EQ(h.Info(), "設定をファイルに保存できませんでした（アクセスが許可されていません）");
    in.open(path, std::ios::binary);
    std::ostringstream after;
    after << in.rdbuf();
    in.close();
    EXPECT_EQ(after.str(), text.str());
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);

    Save(Path("新しいフォルダー/a.txt"));
    EXPECT_EQ(h.Info(), "設定をファイルに保存できませんでした（フォルダーが見つかりません）");
}
#endif

} // namespace
} // namespace hx
