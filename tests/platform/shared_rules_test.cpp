// The rules written once in platform/ for every part of the program: which names are
// plain, what UTF-8 is, and which folders can be opened.

#include "platform/files/file_names.h"
#include "platform/files/folder_access.h"
#include "platform/files/utf8_path.h"
#include "platform/journal/journal_text.h"
#include "platform/system/utf8.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <utility>

using namespace std::string_view_literals;

TEST(FileNames, LastPartAndPlainNames) {
    EXPECT_EQ(platform::lastPart("a/b/c.jpg"), "c.jpg");
    EXPECT_EQ(platform::lastPart("c.jpg"), "c.jpg");
    EXPECT_EQ(platform::lastPart("a/"), "");
    EXPECT_TRUE(platform::isPlainName("宝宝.jpg"));
    EXPECT_TRUE(platform::isPlainName("..a.jpg"));
    for (const std::string_view name : {""sv, "."sv, ".."sv, "a/b.jpg"sv, "a\0b"sv})
        EXPECT_FALSE(platform::isPlainName(name)) << name;
#ifdef _WIN32
    EXPECT_EQ(platform::lastPart("a\\b.jpg"), "b.jpg");
    for (const char* name : {"a\\b.jpg", "C:a.jpg", "a.jpg:stream"})
        EXPECT_FALSE(platform::isPlainName(name)) << name;
#else
    EXPECT_EQ(platform::lastPart("a\\b.jpg"), "a\\b.jpg");
    EXPECT_TRUE(platform::isPlainName("a\\b:c.jpg"));
#endif
}

// Unicode's table 3-7, as Qt's decoder and Windows' read it.
TEST(Utf8, OnlyWellFormedSequencesCount) {
    const std::pair<std::string_view, std::size_t> cases[] = {
        {"a", 1},
        {"\xC3\xA9", 2},         // é
        {"\xE5\xAE\x9D", 3},     // 宝
        {"\xF0\x9F\x98\x80", 4}, // U+1F600
        {"\xEF\xBF\xBE", 3},     // U+FFFE, a noncharacter
        {"\xF4\x8F\xBF\xBF", 4}, // U+10FFFF
        {"", 0},
        {"\x80", 0},             // a stray continuation
        {"\xC0\x80", 0},         // overlong NUL
        {"\xE0\x80\xAF", 0},     // overlong '/'
        {"\xF0\x80\x80\xAF", 0}, // overlong '/'
        {"\xED\xA0\x80", 0},     // a surrogate
        {"\xF4\x90\x80\x80", 0}, // past U+10FFFF
        {"\xE5\xAE", 0},         // cut short
    };
    for (const auto& [text, length] : cases)
        EXPECT_EQ(platform::utf8SequenceLength(text), length) << testing::PrintToString(text);
    EXPECT_TRUE(platform::isUtf8("宝宝 IMG_0001.jpg"));
    EXPECT_TRUE(platform::isUtf8(""));
    EXPECT_FALSE(platform::isUtf8("Jos\xE9")); // Latin-1
    EXPECT_FALSE(platform::isUtf8("a\xED\xBF\xBF"));
}

// A name's bytes that are not well-formed UTF-8 are written escaped and read back as they
// were.
TEST(Utf8, JournalNamesOffTheRuleComeBackByteForByte) {
    const std::string surrogate = "\xED\xA0\x80.jpg";
    const platform::Journal journal{.folder = "/photos",
                                    .time = "2026-12-07T14:05:33.5Z",
                                    .birthday = "2006-05-10",
                                    .planned = {{surrogate, "宝宝.jpg", "1:1|"}}};
    const std::string text = platform::journalText(journal);
    EXPECT_NE(text.find("%ED%A0%80.jpg\t宝宝.jpg"), std::string::npos);
    const std::optional<platform::Journal> read = platform::parseJournal(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->planned, journal.planned);
}

TEST(FolderAccess, OpensAFolderAndNothingElse) {
    const fixture::TempFolder temp;
    temp.write("photo.jpg", "x");
    const std::string folder = platform::utf8FromPath(temp.path());
    EXPECT_FALSE(platform::folderOpenError(folder));
    EXPECT_EQ(platform::folderOpenError(folder + "/absent"), std::errc::no_such_file_or_directory);
    EXPECT_EQ(platform::folderOpenError(folder + "/photo.jpg"), std::errc::not_a_directory);
    EXPECT_TRUE(platform::folderOpenError(""));
}
