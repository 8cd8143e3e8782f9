// hx5310-sim's announcement folder and links, and its line pacer.
#include "PortFolder.h"
#include "PtyLine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PortFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_root = m_dir.path().toStdString();
        if (const char* v = std::getenv("XDG_RUNTIME_DIR"))
            m_saved = v;
    }
    void TearDown() override {
        if (m_saved)
            ::setenv("XDG_RUNTIME_DIR", m_saved->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }
    QTemporaryDir m_dir;
    std::string m_root;
    std::optional<std::string> m_saved;
};

TEST_F(PortFolderTest, RuntimeFolderOrPerUserTemporaryFolder) {
    ::setenv("XDG_RUNTIME_DIR", "/run/user/1234", 1);
    EXPECT_EQ(hx::AnnouncedPortFolder(), "/run/user/1234/hx5310");
    const std::string fallback = "/tmp/hx5310-" + std::to_string(::getuid());
    ::setenv("XDG_RUNTIME_DIR", "", 1);
    EXPECT_EQ(hx::AnnouncedPortFolder(), fallback);
    ::setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
    EXPECT_EQ(hx::AnnouncedPortFolder(), fallback);
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(hx::AnnouncedPortFolder(), fallback);
}

TEST_F(PortFolderTest, OnlyAPrivateDirectoryIsTrusted) {
    std::string error;
    const std::string folder = m_root + "/hx5310";
    EXPECT_FALSE(hx::CheckPrivateFolder(folder, false, error)); // missing, not made
    ASSERT_TRUE(hx::CheckPrivateFolder(folder, true, error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::chmod(folder.c_str(), 0777);
    EXPECT_FALSE(hx::CheckPrivateFolder(folder, true, error));
    EXPECT_NE(error.find("other users"), std::string::npos) << error;
    const std::string link = m_root + "/link";
    ASSERT_EQ(::symlink(folder.c_str(), link.c_str()), 0);
    ::chmod(folder.c_str(), 0700);
    EXPECT_FALSE(hx::CheckPrivateFolder(link, true, error)); // a link to a folder is not one
}

TEST_F(PortFolderTest, AnnounceReplacesOnlyLinksAndWithdrawOnlyItsOwn) {
    const std::string folder = m_root + "/hx5310";
    std::string link, error, note;
    ASSERT_TRUE(hx::sim::AnnounceLink(folder, "box", "/dev/null", link, error, note)) << error;
    EXPECT_EQ(link, folder + "/box");
    EXPECT_TRUE(note.empty()) << note;
    char target[64] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "/dev/null");

    // A second simulator of that name takes the link over; the first one's withdrawal then
    // leaves it alone.
    note.clear();
    ASSERT_TRUE(hx::sim::AnnounceLink(folder, "box", "/dev/zero", link, error, note));
    EXPECT_NE(note.find("still there"), std::string::npos) << note;
    hx::sim::WithdrawLink(link, "/dev/null");
    EXPECT_EQ(::access(link.c_str(), F_OK), 0);
    hx::sim::WithdrawLink(link, "/dev/zero");
    EXPECT_NE(::access(link.c_str(), F_OK), 0);

    // A stale link goes quietly; a file that is not a link is never replaced.
    ASSERT_EQ(::symlink("/dev/pts/999999", link.c_str()), 0);
    note.clear();
    EXPECT_TRUE(hx::sim::AnnounceLink(folder, "box", "/dev/null", link, error, note));
    EXPECT_TRUE(note.empty()) << note;
    const std::string file = folder + "/plain";
    ::close(::creat(file.c_str(), 0600));
    EXPECT_FALSE(hx::sim::AnnounceLink(folder, "plain", "/dev/null", link, error, note));
    EXPECT_NE(error.find("not a link"), std::string::npos) << error;
}

TEST(LinePacerTest, KeepsTheRateStartsWithOneByteAndMakesUpForLateWakeUps) {
    hx::sim::LinePacer pacer(11520, 1, 288, 0);
    EXPECT_EQ(pacer.Allowance(0), 0u);
    EXPECT_EQ(pacer.Allowance(1000), 11u); // 11.52 bytes a millisecond
    pacer.Spend(11);
    EXPECT_EQ(pacer.Allowance(2000), 12u); // the remainder carries over
    pacer.Spend(12);
    // Late by 10 ms while bytes wait: the 115 bytes of the line's time may all go.
    EXPECT_EQ(pacer.Allowance(12000), 115u);
    // ... but no more than the catch-up limit.
    EXPECT_EQ(pacer.Allowance(1012000), 288u);
    // After a pause the line starts with one byte.
    pacer.Idle();
    EXPECT_EQ(pacer.Allowance(1012000), 1u);
    pacer.Spend(5); // more than allowed never goes below nothing
    EXPECT_EQ(pacer.Allowance(1012000), 0u);

    // Over a simulated second of 1 ms slices, 11520 bytes cross.
    hx::sim::LinePacer second(11520, 1, 288, 0);
    std::size_t sent = 0;
    for (uint64_t us = 0; us <= 1000000; us += 1000) {
        const std::size_t n = second.Allowance(us);
        second.Spend(n);
        sent += n;
    }
    EXPECT_EQ(sent, 11520u);
}

} // namespace
