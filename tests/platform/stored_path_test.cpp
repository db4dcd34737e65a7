// Every spelling of a folder (a link, and where names ignore case another case) gives one
// stored path and one identity; a missing folder, one path worked out from its text.

#include "platform/files/stored_path.h"
#include "tests/support/temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

using platform::folderIdentity;
using platform::storedFolderPath;

TEST(StoredPath, EverySpellingOfAFolderGivesOnePathAndOneIdentity) {
    const fixture::TempFolder base;
    std::filesystem::create_directories(base.at("Photos/Baby"));
    std::filesystem::create_directories(base.at("Photos/Other"));
    const std::string root = base.path().string(), stored = storedFolderPath(root + "/Photos/Baby");
    std::error_code noLink; // a Windows account may not make one
    std::filesystem::create_directory_symlink(base.at("Photos/Baby"), base.at("link"), noLink);
    for (const char* spelling : {"/Photos/Baby/", "/Photos/./Baby", "/Photos/Other/../Baby",
                                 "/photos/BABY", "/link", "/Photos/Other"}) {
        const bool same =
            spelling != std::string("/Photos/Other") && std::filesystem::exists(root + spelling);
        EXPECT_EQ(storedFolderPath(root + spelling) == stored, same) << spelling;
        EXPECT_EQ(folderIdentity(root + spelling) == folderIdentity(stored), same) << spelling;
    }
    EXPECT_NE(folderIdentity(stored), "");
    EXPECT_EQ(std::filesystem::path(stored).make_preferred().lexically_normal().string(), stored);
    EXPECT_EQ(storedFolderPath(root + "/Photos/Gone/"),
              storedFolderPath(root + "/Photos/Baby/../Gone"));
}
