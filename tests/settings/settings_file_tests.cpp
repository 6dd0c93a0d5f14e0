// Store.ini on disk: the existence test, reading, and the replacement that
// never leaves half a file or loses an old one.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/settings_file.h"
#include "support/test_environment.h"

namespace detalehran::settings {
namespace {

using detalehran::testing::read_file;
using detalehran::testing::TestFolder;
namespace fs = std::filesystem;

void write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SettingsFile, ReplacingWritesTheWholeFileAndLeavesNoTemporaryBehind) {
    TestFolder folder;
    const std::string path = folder.file("Store.ini");
    EXPECT_EQ(file_size_or_missing(path), -1);
    const auto before = names_in(folder.path());
    ASSERT_TRUE(replace_file(path, "").ok);
    EXPECT_EQ(file_size_or_missing(path), 0);
    const FileResult second = replace_file(path, "second\r\n");
    ASSERT_TRUE(second.ok) << second.reason.toStdString();
    EXPECT_EQ(file_size_or_missing(path), 8);
    auto expected = before;
    expected.push_back("Store.ini");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names_in(folder.path()), expected);

    QByteArray bytes;
    ASSERT_TRUE(read_whole_file(path, bytes).ok);
    EXPECT_EQ(bytes, "second\r\n");
    const FileResult missing = read_whole_file(folder.file("none.ini"), bytes);
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.reason.contains("none.ini")) << missing.reason.toStdString();
}

TEST(SettingsFile, AFailedWriteKeepsTheOldFileAndSaysWhy) {
    TestFolder folder;
    const std::string path = folder.file("Store.ini");
    write(path, "old\r\n");
    // Nothing can be created where the temporary copy goes.
    fs::create_directory(path + ".tmp");
    const FileResult result = replace_file(path, "new\r\n");
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.reason.contains("Store.ini.tmp")) << result.reason.toStdString();
    EXPECT_EQ(read_file(path), "old\r\n");
    EXPECT_TRUE(fs::is_directory(path + ".tmp"));

    // A folder that is gone cannot take the file either.
    EXPECT_FALSE(replace_file(folder.file("gone/Store.ini"), "new\r\n").ok);
}

TEST(SettingsFile, AnUnreadableOldFileIsMovedAsideNotOverwritten) {
    TestFolder folder;
    const std::string path = folder.file("Store.ini");
    // A folder in the file's place cannot be read as a file, not even by root.
    for (const char* kept : {"first", "second"}) {
        fs::create_directory(path);
        write(path + "/" + kept, kept);
        EXPECT_TRUE(exists_but_unreadable(path));
        ASSERT_TRUE(replace_file(path, kept).ok);
        EXPECT_EQ(read_file(path), kept);
        EXPECT_FALSE(exists_but_unreadable(path));
        fs::remove(path);
    }
    // The second one does not take the first one's place.
    EXPECT_EQ(read_file(path + ".unreadable/first"), "first");
    EXPECT_EQ(read_file(path + ".unreadable.1/second"), "second");
}

}  // namespace
}  // namespace detalehran::settings
