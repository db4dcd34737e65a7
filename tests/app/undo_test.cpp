// tamblinor-cli --undo and --history as a process, over real folders and a state folder of
// the test's own: runs undone one by one down to the camera names, photos changed
// between a run and its undo, and a journal that cannot be written.

#include "tests/support/jpeg_fixture.h"
#include "tests/support/process.h"
#include "tests/support/state_home.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <regex>

using fixture::TempFolder;
using Names = std::vector<std::string>;

namespace {

fixture::Finished cli(const TempFolder& folder, std::vector<std::string> arguments) {
    arguments.push_back(folder.path().string());
    return fixture::runProgram(TAMBLINOR_CLI, arguments);
}

// A photo a day at nine from 2007-03-15: named under the birthday 2006-05-10, then under
// 2006-05-08, each photo wants the name the photo two days later had, so the second
// run's renames and their undo wait for each other in a chain.
void fillDaily(const TempFolder& folder, int photos) {
    for (int i = 0; i < photos; ++i)
        folder.write("IMG_" + std::to_string(i + 1) + ".jpg",
                     fixture::jpegBytes(
                         {.dateTimeOriginal = "2007:03:" + std::to_string(15 + i) + " 09:00:00"}));
    folder.write("scan.jpg", fixture::jpegBytes({.dateTimeOriginal = std::nullopt}));
}

std::string day(int n) {
    return "0岁10月" + std::to_string(n) + "天(09点00分00秒).jpg";
}

} // namespace

TEST(Undo, TakesRunsBackOneByOneDownToTheCameraNames) {
    const TempFolder state, photos;
    const fixture::StateHome home(state.path());
    fillDaily(photos, 4);
    const auto camera = photos.contents();
    ASSERT_EQ(cli(photos, {"--birthday", "2006-05-10"}).status, 0);
    const auto first = photos.contents();
    ASSERT_EQ(cli(photos, {"--birthday", "2006-05-08"}).status, 0);

    const std::string time = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC)";
    const fixture::Finished history = cli(photos, {"--history"});
    EXPECT_TRUE(std::regex_match(
        history.out, std::regex(time + ", birthday 2006-05-10, 4 photos, not taken back\n" + time +
                                ", birthday 2006-05-08, 4 photos, not taken back\n")))
        << history.out;

    const fixture::Finished preview = cli(photos, {"--undo", "--dry-run"});
    EXPECT_EQ(photos.contents().size(), camera.size());
    EXPECT_NE(photos.contents(), first);
    const fixture::Finished undo = cli(photos, {"--undo"});
    EXPECT_EQ(undo.status, 0);
    EXPECT_EQ(undo.out, day(8) + " -> " + day(6) + "\n" + day(9) + " -> " + day(7) + "\n" +
                            day(10) + " -> " + day(8) + "\n" + day(11) + " -> " + day(9) + "\n");
    EXPECT_EQ(undo.err, "");
    EXPECT_EQ(preview.out, undo.out);
    EXPECT_EQ(preview.err, "tamblinor-cli: dry run: nothing was taken back\n");
    EXPECT_EQ(photos.contents(), first);

    EXPECT_EQ(cli(photos, {"--undo"}).status, 0);
    EXPECT_EQ(photos.contents(), camera);
    const fixture::Finished none = cli(photos, {"--undo"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "tamblinor-cli: no run to take back in " +
                            std::filesystem::canonical(photos.path()).string() + "\n");
    const std::string after = cli(photos, {"--history"}).out;
    EXPECT_TRUE(std::regex_match(
        after, std::regex("(" + time + ", birthday 2006-05-(10|08), 4 photos, taken back\n){2}")))
        << after;
}

// One photo of two disturbed after the run: it keeps its present name and says why, the
// other goes back, and the status tells a script.
TEST(Undo, KeepsPhotosChangedSinceTheRun) {
    const std::string renamed = day(6);
    const std::string changed = renamed + " kept (renamed, moved or deleted since)\n";
    struct Case {
        const char* what;
        std::function<void(const TempFolder&)> disturb;
        std::string line;
        Names after;
    };
    const Case cases[] = {
        {"deleted",
         [&](const TempFolder& f) { std::filesystem::remove(f.at(renamed)); },
         changed,
         {"IMG_2.jpg", "scan.jpg"}},
        {"renamed by hand",
         [&](const TempFolder& f) { std::filesystem::rename(f.at(renamed), f.at("mine.jpg")); },
         changed,
         {"IMG_2.jpg", "mine.jpg", "scan.jpg"}},
        {"replaced",
         [&](const TempFolder& f) {
             f.write(renamed, fixture::jpegBytes({.dateTimeOriginal = std::nullopt}));
         },
         changed,
         {renamed, "IMG_2.jpg", "scan.jpg"}},
        {"old name taken",
         [](const TempFolder& f) { f.write("IMG_1.jpg", "new file"); },
         renamed + " kept (old name taken)\n",
         {renamed, "IMG_1.jpg", "IMG_2.jpg", "scan.jpg"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempFolder state, photos;
        const fixture::StateHome home(state.path());
        fillDaily(photos, 2);
        ASSERT_EQ(cli(photos, {"--birthday", "2006-05-10"}).status, 0);
        c.disturb(photos);
        const fixture::Finished undo = cli(photos, {"--undo"});
        EXPECT_EQ(undo.status, 3);
        EXPECT_EQ(undo.out, c.line + day(7) + " -> IMG_2.jpg\n");
        EXPECT_EQ(undo.err, "tamblinor-cli: 1 photo could not be taken back\n");
        EXPECT_EQ(photos.listing(), c.after);
        EXPECT_EQ(cli(photos, {"--undo"}).status, 1); // taken back as far as it could be
    }
}

// An undo that finds none of the run's photos leaves the run to be undone where another
// folder stands in its place (another card in the drive), and the next --undo, the folder
// back, undoes that same run rather than the one before. In the very folder the run
// worked in, photos all renamed by hand since are told and left: the run counts as undone.
TEST(Undo, ARunWhosePhotosAreNotFoundStaysToBeUndoneOnlyWhereAnotherFolderStands) {
    const TempFolder state, photos, away;
    const fixture::StateHome home(state.path());
    fillDaily(photos, 2);
    ASSERT_EQ(cli(photos, {"--birthday", "2006-05-10"}).status, 0);
    const auto first = photos.contents();
    ASSERT_EQ(cli(photos, {"--birthday", "2006-05-08"}).status, 0);
    const std::filesystem::path card = away.at("card");
    std::filesystem::rename(photos.path(), card);
    std::filesystem::create_directory(photos.path());

    const std::string notFound = day(8) + " kept (renamed, moved or deleted since)\n" + day(9) +
                                 " kept (renamed, moved or deleted since)\n";
    const fixture::Finished missed = cli(photos, {"--undo"});
    EXPECT_EQ(missed.status, 3);
    EXPECT_EQ(missed.out, notFound);
    EXPECT_EQ(missed.err, "tamblinor-cli: 2 photos could not be taken back\n"
                          "tamblinor-cli: the run stays to be taken back: --undo tries it again\n");
    const std::string history = cli(photos, {"--history"}).out;
    EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 2) << history;
    EXPECT_NE(history.find("2006-05-08, 2 photos, not taken back\n"), std::string::npos);

    std::filesystem::remove(photos.path());
    std::filesystem::rename(card, photos.path());
    EXPECT_EQ(cli(photos, {"--undo"}).status, 0);
    EXPECT_EQ(photos.contents(), first);

    ASSERT_EQ(cli(photos, {"--birthday", "2006-05-08"}).status, 0);
    for (const std::string& name : {day(8), day(9)})
        std::filesystem::rename(photos.at(name), photos.at("hand " + name));
    const fixture::Finished left = cli(photos, {"--undo"});
    EXPECT_EQ(left.status, 3);
    EXPECT_EQ(left.out, notFound);
    EXPECT_EQ(left.err, "tamblinor-cli: 2 photos could not be taken back\n");
    EXPECT_EQ(cli(photos, {"--undo"}).status, 3); // on to the run before, its photos gone too
    EXPECT_EQ(cli(photos, {"--undo"}).status, 1); // and nothing is left to undo
    EXPECT_EQ(photos.listing(), (Names{"hand " + day(8), "hand " + day(9), "scan.jpg"}));
}

// A journal that cannot be read is listed, and --undo does not undo the run before
// it out of order; an editor's byte order mark and CRLF line ends leave it readable.
TEST(Undo, AnUnreadableNewerJournalStopsTheUndo) {
    const TempFolder state, photos;
    const fixture::StateHome home(state.path());
    fillDaily(photos, 2);
    ASSERT_EQ(cli(photos, {"--birthday", "2006-05-10"}).status, 0);
    const auto first = photos.contents();
    ASSERT_EQ(cli(photos, {"--birthday", "2006-05-08"}).status, 0);
    const auto second = photos.contents();
    std::vector<std::filesystem::path> journals;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(state.path())) {
        if (entry.path().extension() == ".run")
            journals.push_back(entry.path());
    }
    ASSERT_EQ(journals.size(), 2u);
    std::sort(journals.begin(), journals.end());
    const std::filesystem::path newest = journals.back();
    const std::string name = std::filesystem::relative(newest, state.path()).generic_string();
    const std::string text = state.read(name);
    state.write(name, "\xEF\xBB\xBF" + std::regex_replace(text, std::regex("\n"), "\r\n") +
                          "plan\t../x.jpg\tIMG_1.jpg\t1:1|\r\n");

    const std::string history = cli(photos, {"--history"}).out;
    EXPECT_NE(history.find("not taken back\nunreadable journal "), std::string::npos) << history;
    EXPECT_NE(history.find(newest.filename().string()), std::string::npos) << history;
    const fixture::Finished refused = cli(photos, {"--undo"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find(newest.filename().string() + ", newer than the run to take back"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(photos.contents(), second);

    state.write(name, "\xEF\xBB\xBF" + std::regex_replace(text, std::regex("\n"), "\r\n"));
    EXPECT_EQ(cli(photos, {"--undo"}).status, 0);
    EXPECT_EQ(photos.contents(), first);
}

TEST(Undo, AJournalThatCannotBeWrittenStopsNoRun) {
    const TempFolder state, photos;
    const fixture::StateHome home(state.write("file", "not a folder"));
    fillDaily(photos, 2);
    const fixture::Finished run = cli(photos, {"--birthday", "2006-05-10"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "IMG_1.jpg -> " + day(6) + "\nIMG_2.jpg -> " + day(7) +
                           "\nscan.jpg kept (no shooting time)\n");
    EXPECT_TRUE(std::regex_match(
        run.err, std::regex("tamblinor-cli: other runs were not kept off the folder: [^\n]+\n"
                            "tamblinor-cli: no journal of this run, so it cannot be taken back: "
                            "[^\n]+\n")))
        << run.err;
    EXPECT_EQ(photos.listing(), (Names{day(6), day(7), "scan.jpg"}));
}
