// The rules written once in platform/ for every part of the program: which names are
// hidden or plain, what UTF-8 is, and which folders can be opened.

#include "platform/files/file_names.h"
#include "platform/files/folder_access.h"
#include "platform/files/utf8_path.h"
#include "platform/journal/journal_text.h"
#include "platform/system/utf8.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>

using namespace std::string_view_literals;

TEST(FileNames, AHiddenNameHasALeadingDot) {
    EXPECT_TRUE(platform::isHiddenName(".hidden.jpg"));
    EXPECT_TRUE(platform::isHiddenName("."));
    EXPECT_FALSE(platform::isHiddenName("IMG_0001.jpg"));
    EXPECT_FALSE(platform::isHiddenName("a.jpg"));
    EXPECT_FALSE(platform::isHiddenName(""));
}

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
    EXPECT_EQ(platform::utf8SequenceLength("a"), 1u);
    EXPECT_EQ(platform::utf8SequenceLength("\xC3\xA9"), 2u);         // é
    EXPECT_EQ(platform::utf8SequenceLength("\xE5\xAE\x9D"), 3u);     // 宝
    EXPECT_EQ(platform::utf8SequenceLength("\xF0\x9F\x98\x80"), 4u); // U+1F600
    EXPECT_EQ(platform::utf8SequenceLength("\xEF\xBF\xBE"), 3u);     // U+FFFE, a noncharacter
    EXPECT_EQ(platform::utf8SequenceLength("\xF4\x8F\xBF\xBF"), 4u); // U+10FFFF
    EXPECT_EQ(platform::utf8SequenceLength(""), 0u);
    EXPECT_EQ(platform::utf8SequenceLength("\x80"), 0u);             // a stray continuation
    EXPECT_EQ(platform::utf8SequenceLength("\xC0\x80"), 0u);         // overlong NUL
    EXPECT_EQ(platform::utf8SequenceLength("\xE0\x80\xAF"), 0u);     // overlong '/'
    EXPECT_EQ(platform::utf8SequenceLength("\xF0\x80\x80\xAF"), 0u); // overlong '/'
    EXPECT_EQ(platform::utf8SequenceLength("\xED\xA0\x80"), 0u);     // a surrogate
    EXPECT_EQ(platform::utf8SequenceLength("\xF4\x90\x80\x80"), 0u); // past U+10FFFF
    EXPECT_EQ(platform::utf8SequenceLength("\xE5\xAE"), 0u);         // cut short
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
