// What a path names decides whether hx5310ctl replaces a file whole or writes into it as it is.
#include "Files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace hx {
namespace {

TEST(PathKind, FilesFoldersMissingNamesAndDevices) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "hx5310-path-kind";
    fs::remove_all(folder);
    ASSERT_TRUE(fs::create_directories(folder));
    const std::string file = (folder / "settings.txt").string();
    std::FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);

    EXPECT_EQ(KindOfPath(file), PathKind::File);
    EXPECT_EQ(KindOfPath(folder.string()), PathKind::Folder);
    EXPECT_EQ(KindOfPath((folder / "new.txt").string()), PathKind::Missing);
#ifdef _WIN32
    EXPECT_EQ(KindOfPath("NUL"), PathKind::Other) << "the null device is written into";
#else
    EXPECT_EQ(KindOfPath("/dev/null"), PathKind::Other) << "the null device is written into";
#endif
    fs::remove_all(folder);
}

TEST(AppendLine, MakesTheFileAddsWholeLinesAndRefusesWhatIsNoFile) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "hx5310-append-line";
    fs::remove_all(folder);
    ASSERT_TRUE(fs::create_directories(folder));
    const std::string file = (folder / "record.jsonl").string();
    int err = 0;
    ASSERT_TRUE(AppendLineDurably(file, "{\"a\":1}\n", 1000, err)) << err;
    ASSERT_TRUE(AppendLineDurably(file, "", 1000, err)) << err; // only proves it can be written
    ASSERT_TRUE(AppendLineDurably(file, "{\"b\":2}\n", 1000, err)) << err;
    std::FILE* f = std::fopen(file.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char text[64] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(text, n), "{\"a\":1}\n{\"b\":2}\n");
    EXPECT_FALSE(AppendLineDurably(folder.string(), "x\n", 1000, err));
    EXPECT_FALSE(AppendLineDurably((folder / "missing" / "r.jsonl").string(), "x\n", 1000, err));
    fs::remove_all(folder);
}

} // namespace
} // namespace hx
