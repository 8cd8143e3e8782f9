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

} // namespace
} // namespace hx
